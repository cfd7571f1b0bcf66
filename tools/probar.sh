#!/usr/bin/env bash
# Installs what is needed, builds everything with warnings as errors and runs
# every test headless: once in a plain build, once with AddressSanitizer and
# UndefinedBehaviorSanitizer; then runs each fuzz target for a few seconds, and
# builds, installs, tries and purges the Debian package. Last, the Windows
# build of the platform layers with its suites under Wine.
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
"$raiz/tools/dependencias.sh"

export QT_QPA_PLATFORM=offscreen
trabajos="$(nproc)"

probar() {
  local carpeta="$1"; shift
  cmake -S "$raiz" -B "$raiz/$carpeta" -G Ninja -DVESMADUR_WERROR=ON "$@"
  cmake --build "$raiz/$carpeta" -j "$trabajos"
  ctest --test-dir "$raiz/$carpeta" --output-on-failure -j "$trabajos"
}

probar build-pruebas -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Kill trials, a short round (the long one: tools/tortura, in its header).
"$raiz/build-pruebas/tools/vesmadur-tortura" --ensayos 10 --entradas 500
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  probar build-sanitizado -DCMAKE_BUILD_TYPE=Debug -DVESMADUR_SANITIZAR=ON

# Each parser of outside input under libFuzzer, briefly.
"$raiz/tools/fuzz.sh" --segundos 10

# The Debian package: built from this tree, installed, used and purged.
"$raiz/tools/paquete.sh"

"$raiz/tools/windows.sh"
