#!/usr/bin/env bash
# The Windows build of the platform layers (cross-compiled with MinGW-w64)
# and their suites, run under Wine in a prefix made fresh for the run and
# removed after it. Where Wine cannot start here, says so and skips the
# suites; a build that fails still fails.
#   tools/windows.sh [BUILD_FOLDER]     (default: build-windows)
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
carpeta="${1:-$raiz/build-windows}"
# VESMADUR_WINE names the Wine to probe (a missing one shows the skip).
wine="${VESMADUR_WINE:-/usr/lib/wine/wine64}"
inicio=$SECONDS

cmake -S "$raiz" -B "$carpeta" -G Ninja -DVESMADUR_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$raiz/cmake/mingw-w64.cmake" -DVESMADUR_SOLO_PLATAFORMA=ON >/dev/null
cmake --build "$carpeta" -j "$(nproc)"

WINEPREFIX="$(mktemp -d /tmp/vesmadur-wine-XXXXXX)"
export WINEPREFIX WINEDEBUG=-all
trap 'WINEPREFIX="$WINEPREFIX" /usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
# Wine makes the prefix on its first start; headless, no display is asked for.
if ! [ -x "$wine" ] || ! timeout 300 "$wine" cmd /c exit 0 </dev/null >/dev/null 2>&1; then
  echo "OMITIDO: las pruebas de Windows no corren: Wine no arranca en esta maquina ($wine)."
  exit 0
fi
ctest --test-dir "$carpeta" --output-on-failure
echo "Parte de Windows: $((SECONDS - inicio)) s (compilar, crear el prefijo de Wine y probar)."
