#!/usr/bin/env bash
# Installs what is needed, builds Vesmadur and starts it on a demo
# installation kept in ./demo (its own registry file and folders, nothing of
# the machine's is touched).
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
"$raiz/tools/dependencias.sh"

cmake -S "$raiz" -B "$raiz/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVESMADUR_PRUEBAS=OFF
cmake --build "$raiz/build" -j "$(nproc)"

demo="$raiz/demo"
mkdir -p "$demo"
export VESMADUR_BLOQUEO="$demo/vesmadur.lock"

programa=("$raiz/build/src/vesmadur" "$@")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No hay pantalla: Vesmadur se abre en una pantalla virtual (xvfb-run)."
  exec xvfb-run -a "${programa[@]}"
fi
exec "${programa[@]}"
