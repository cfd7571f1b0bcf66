#!/usr/bin/env bash
# Installs, from Debian's packages, what building and testing Vesmadur needs.
# Does nothing when everything is already there. Needs root (or sudo).
set -euo pipefail

paquetes=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-svg-dev libgl-dev fonts-liberation2 fonts-dejavu-core qt6-translations-l10n
  libsqlcipher-dev sqlcipher
  libgtest-dev googletest
  clang libclang-rt-14-dev
  xvfb xauth desktop-file-utils scdoc dpkg-dev
  g++-mingw-w64-x86-64-posix wine64
)

faltan=()
for p in "${paquetes[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || faltan+=("$p")
done
[ ${#faltan[@]} -eq 0 ] && exit 0

sudo_si_hace_falta=()
[ "$(id -u)" -ne 0 ] && sudo_si_hace_falta=(sudo)
echo "Instalando: ${faltan[*]}"
"${sudo_si_hace_falta[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo_si_hace_falta[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${faltan[@]}"
