#!/usr/bin/env bash
# Builds the libFuzzer targets of the parsers of outside input with clang and
# runs each for a while on a scratch copy of its corpus, with the sanitizers:
#
#   tools/fuzz.sh [--segundos N] [--guardar]
#
# N seconds per target (10 unless told). A finding stops the run and leaves
# the input that caused it in build-fuzz/hallazgos. --guardar copies back into
# the corpus in the repository the inputs that added coverage, reduced to a
# minimal set (for the long runs, not for CI).
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
segundos=10 guardar=0
while (($#)); do
  case "$1" in
    --segundos) segundos="$2"; shift 2 ;;
    --guardar) guardar=1; shift ;;
    *) echo "uso: tools/fuzz.sh [--segundos N] [--guardar]" >&2; exit 2 ;;
  esac
done
build="$raiz/build-fuzz"
CC=clang CXX=clang++ cmake -S "$raiz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVESMADUR_FUZZ=ON -DVESMADUR_WERROR=ON >/dev/null
objetivos=(fuzz_formato_reg fuzz_conexion fuzz_sentencias fuzz_nombre_respaldo fuzz_argumentos)
cmake --build "$build" -j "$(nproc)" --target "${objetivos[@]}"

mkdir -p "$build/hallazgos"
total=0
for objetivo in "${objetivos[@]}"; do
  programa="$(find "$build/tests" -name "$objetivo" -type f -perm -u+x | head -1)"
  if [[ "$objetivo" == fuzz_formato_reg ]]; then
    corpus="$raiz/tests/registry/corpus"; extra=(-dict="$raiz/tests/registry/fuzz_reg.dict")
  else
    corpus="$raiz/tests/fuzz/corpus/$objetivo"; extra=()
  fi
  trabajo="$build/corpus/$objetivo"
  rm -rf "$trabajo"; mkdir -p "$trabajo"
  registro="$build/$objetivo.log"
  "$programa" -max_total_time="$segundos" -print_final_stats=1 -artifact_prefix="$build/hallazgos/$objetivo-" \
    "${extra[@]}" "$trabajo" "$corpus" >"$registro" 2>&1 || {
      tail -40 "$registro" >&2; echo "fuzz.sh: $objetivo encontro una falla" >&2; exit 1; }
  ejecuciones="$(grep -m1 -oP 'stat::number_of_executed_units:\s*\K[0-9]+' "$registro" || echo 0)"
  total=$((total + ejecuciones))
  printf '%-22s %10s ejecuciones en %s s, corpus de %s entradas\n' "$objetivo" "$ejecuciones" \
    "$segundos" "$(ls "$trabajo" | wc -l)"
  if ((guardar)); then
    "$programa" -merge=1 "$corpus" "$trabajo" >/dev/null 2>&1
  fi
done
echo "fuzz.sh: $total ejecuciones sin hallazgos"
