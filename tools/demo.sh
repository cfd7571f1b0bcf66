#!/usr/bin/env bash
# Installs what is needed, builds Vesmadur and starts it on a demo
# installation kept in ./demo (its own registry file and folders, nothing of
# the machine's is touched).
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
"$raiz/tools/dependencias.sh"

cmake -S "$raiz" -B "$raiz/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESMADUR_PRUEBAS=OFF -DVESMADUR_WERROR=OFF
cmake --build "$raiz/build" -j "$(nproc)"

# The demo installation: an "Ofimbra PLUS" registered in a registry file of
# its own, with a generated configuration database. Kept between runs, so an
# adjustment made in one run shows in the next; remove ./demo to start anew.
demo="$raiz/demo"
instalacion="$demo/orvanto"
mkdir -p "$demo/datos-comunes"
if [ ! -f "$instalacion/config/tablas.orv" ]; then
  "$raiz/build/tools/vesmadur-generar" "$instalacion" --entradas 5000 --antiguas 0.4
fi
cat > "$demo/registro.reg" <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\orvantop.exe]
"Path"="$instalacion/"
REG
export VESMADUR_REGISTRO="$demo/registro.reg"
export VESMADUR_DATOS_COMUNES="$demo/datos-comunes"
export VESMADUR_BLOQUEO="$demo/vesmadur.lock"

# With a display, the window. Without one, the same work on the terminal:
# the state, the dry run, the adjustment without questions and the backups.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No hay pantalla: Vesmadur trabaja en la terminal (vesmadur-cli)."
  cli="$raiz/build/src/vesmadur-cli"
  for orden in estado revisar "ajustar --si" respaldos; do
    echo; echo "\$ vesmadur-cli $orden"
    # shellcheck disable=SC2086
    "$cli" $orden || echo "(codigo de salida $?)"
  done
  exit 0
fi
exec "$raiz/build/src/vesmadur" "$@"
