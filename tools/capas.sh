#!/usr/bin/env bash
# Fails when a file includes a header from a layer above its own. The order
# of the layers is src/capas.txt. Checked: every file of src/ and of the
# tests of each layer (tests/<layer>/); the shared test helpers, the
# end-to-end tests, main.cpp and tools/ stand above every layer.
set -euo pipefail
raiz="${1:-$(cd "$(dirname "$0")/.." && pwd)}"

declare -A nivel
orden=()
while read -r capa; do
  [[ -z "$capa" || "$capa" == \#* ]] && continue
  nivel[$capa]=${#orden[@]}
  orden+=("$capa")
done < "$raiz/src/capas.txt"

fallos=0
# A folder of src/ that the order does not name would escape the check.
for carpeta in "$raiz"/src/*/; do
  capa="$(basename "$carpeta")"
  if [[ -z "${nivel[$capa]+x}" ]]; then
    echo "src/$capa no figura en src/capas.txt"
    fallos=$((fallos + 1))
  fi
done

for arbol in src tests; do
  while IFS= read -r -d '' archivo; do
    relativo="${archivo#"$raiz"/}"
    capa="$(cut -d/ -f2 <<< "$relativo")"
    [[ -z "${nivel[$capa]+x}" ]] && continue
    while IFS=: read -r linea incluido; do
      destino="${incluido%%/*}"
      [[ -z "${nivel[$destino]+x}" ]] && continue
      if (( nivel[$destino] > nivel[$capa] )); then
        echo "$relativo:$linea incluye $incluido, de una capa superior a $capa"
        fallos=$((fallos + 1))
      fi
    done < <(grep -noE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+"' "$archivo" |
             sed -E 's/^([0-9]+):.*"([^"]+)"/\1:\2/')
  done < <(find "$raiz/$arbol" -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' \) -print0)
done

if (( fallos > 0 )); then
  echo "$fallos inclusiones contra el orden de las capas"
  exit 1
fi
echo "capas en orden: ${orden[*]}"
