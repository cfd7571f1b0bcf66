#!/usr/bin/env bash
# Builds the Debian package from this tree (Release, without the tests),
# lists it, installs it with apt (which brings what it depends on), runs both
# programs from it on a demo installation, then purges it and checks that
# nothing of it is left. Needs root; changes the machine's packages only for
# the time it runs.
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
build="$raiz/build-paquete"
cmake -S "$raiz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESMADUR_PRUEBAS=OFF \
  -DVESMADUR_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
paquete="$(ls "$build"/vesmadur_*_amd64.deb)"
echo "Paquete: $paquete"
dpkg-deb --info "$paquete" | grep -E '^ (Package|Version|Depends):'
dpkg-deb --contents "$paquete" | awk '$6 !~ /\/$/ {print "  " $6}'

falla() { echo "paquete.sh: $*" >&2; exit 1; }
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$paquete" >/dev/null
trap 'DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq vesmadur >/dev/null 2>&1 || true' EXIT
for f in /usr/bin/vesmadur /usr/bin/vesmadur-cli /usr/share/applications/vesmadur.desktop \
         /usr/share/icons/hicolor/scalable/apps/vesmadur.svg /usr/share/man/man1/vesmadur-cli.1.gz; do
  [ -e "$f" ] || falla "falta $f tras instalar"
done
/usr/bin/vesmadur --version | grep -q '^vesmadur ' || falla "vesmadur --version"
/usr/bin/vesmadur-cli --version | grep -q '^vesmadur-cli ' || falla "vesmadur-cli --version"

# The installed command line on a generated installation: state, then the run.
demo="$(mktemp -d)"
"$build/tools/vesmadur-generar" "$demo/orvanto" --entradas 500 >/dev/null
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orvantop.exe]\r\n"Path"="%s/orvanto/"\r\n' "$demo" >"$demo/registro.reg"
mkdir -p "$demo/comun"
export VESMADUR_REGISTRO="$demo/registro.reg" VESMADUR_DATOS_COMUNES="$demo/comun" \
  VESMADUR_BLOQUEO="$demo/vesmadur.lock"
/usr/bin/vesmadur-cli estado >/dev/null || falla "vesmadur-cli estado: $?"
/usr/bin/vesmadur-cli ajustar --si >/dev/null || falla "vesmadur-cli ajustar: $?"
/usr/bin/vesmadur-cli estado >/dev/null && falla "tras ajustar aun hay que ajustar"
rm -rf "$demo"

DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq vesmadur >/dev/null
trap - EXIT
if dpkg-query -W -f='${Status}' vesmadur 2>/dev/null | grep -q 'ok installed'; then
  falla "sigue instalado"
fi
for f in /usr/bin/vesmadur /usr/bin/vesmadur-cli /usr/share/applications/vesmadur.desktop; do
  [ ! -e "$f" ] || falla "$f sigue tras purgar"
done
echo "Paquete instalado, probado y purgado sin restos."
