#!/usr/bin/env bash
# Mutation testing: makes one small deliberate fault at a time in the code
# (a "mutant", listed in tools/mutantes.txt), rebuilds and runs the tests. A
# mutant the tests catch is killed; one they let through survives and points
# at a fault no test would notice.
#
# Works on a copy of the tracked files in a temporary folder, so the checkout
# is never changed, even when the run is interrupted. One build there; each
# mutant is an incremental rebuild of the file it changes and of what links it.
#
#   tools/mutar.sh [opciones] [RAIZ]
#
#   RAIZ                 the repository (default: the one holding this script)
#   --lista              only check that every mutant applies (its text occurs
#                        exactly once in its file); no build, takes a second
#   --filtro REGEX       only the mutants whose path matches the extended regex
#   --mutantes ARCHIVO   another mutant list (default RAIZ/tools/mutantes.txt)
#   --todas              run the whole suite for every mutant, not only the
#                        test programs the mutant's rebuild relinked
#   --limite SEGUNDOS    time allowed to each test (default 120); a test that
#                        takes longer counts as failed, so a hanging mutant dies
#   --carpeta DIR        work in DIR (kept afterwards) instead of a temporary
#                        folder; an earlier build there is reused
#   --conservar          keep the temporary folder (build and logs) at the end
#
# Exit status: 0 once the run is done, whatever the mutants did; 1 when
# --lista finds a mutant that does not apply; 2 when the setup fails (a bad
# list, the copy, the first build or the unchanged suite failing).
set -euo pipefail
shopt -u patsub_replacement 2>/dev/null || true
# Byte semantics for the text matching, whatever the user's locale.
export LC_ALL=C

uso() { sed -n '2,/^set -euo/p' "$0" | sed -e '/^set -euo/d' -e 's/^# \{0,1\}//'; }
falla() { echo "mutar: $*" >&2; exit 2; }

solo_lista=0
filtro=""
lista=""
todas=0
limite=120
carpeta=""
conservar=0
raiz=""
while (($# > 0)); do
  case "$1" in
    --lista) solo_lista=1 ;;
    --filtro) filtro="${2?--filtro necesita una expresion}"; shift ;;
    --mutantes) lista="${2?--mutantes necesita un archivo}"; shift ;;
    --todas) todas=1 ;;
    --limite) limite="${2?--limite necesita segundos}"; shift ;;
    --carpeta) carpeta="${2?--carpeta necesita una carpeta}"; shift ;;
    --conservar) conservar=1 ;;
    -h|--ayuda) uso; exit 0 ;;
    -*) falla "opcion desconocida: $1 (vea --ayuda)" ;;
    *) raiz="$1" ;;
  esac
  shift
done
[[ "$limite" =~ ^[1-9][0-9]*$ ]] || falla "--limite debe ser un numero de segundos"

if [[ -z "$raiz" ]]; then
  raiz="$(git -C "$(dirname "$0")" rev-parse --show-toplevel 2>/dev/null)" ||
    falla "no se encontro el repositorio del script"
fi
raiz="$(cd "$raiz" && pwd)"
lista="${lista:-$raiz/tools/mutantes.txt}"
[[ -f "$lista" ]] || falla "no existe la lista de mutantes $lista"

# --- The list ---------------------------------------------------------------
# One mutant a line: path ||| original text ||| replacement. The fields are
# trimmed of surrounding blanks; the replacement may be empty. Lines starting
# with '#' and blank lines are ignored.
SEP='|||'
# Leaves $1 without surrounding blanks in `recortado` (no subshell: the list
# is read in a fraction of a second).
recortado=""
recortar() {
  recortado="${1#"${1%%[![:space:]]*}"}"
  recortado="${recortado%"${recortado##*[![:space:]]}"}"
}

rutas=(); originales=(); reemplazos=(); lineas=()
numero=0
while IFS= read -r linea || [[ -n "$linea" ]]; do
  numero=$((numero + 1))
  linea="${linea%$'\r'}"
  [[ "$linea" =~ ^[[:space:]]*(#|$) ]] && continue
  resto="${linea#*"$SEP"}"
  [[ "$resto" != "$linea" && "$resto" == *"$SEP"* && "${resto#*"$SEP"}" != *"$SEP"* ]] ||
    falla "$lista:$numero: se esperan tres campos separados por '$SEP'"
  recortar "${linea%%"$SEP"*}"; ruta="$recortado"
  recortar "${resto%%"$SEP"*}"; original="$recortado"
  recortar "${resto#*"$SEP"}"; reemplazo="$recortado"
  [[ -n "$ruta" && -n "$original" ]] || falla "$lista:$numero: falta la ruta o el texto original"
  [[ "$ruta" != /* && "/$ruta/" != */../* ]] || falla "$lista:$numero: la ruta debe ser relativa al repositorio"
  [[ "$original" != "$reemplazo" ]] || falla "$lista:$numero: el reemplazo es igual al original"
  if [[ -n "$filtro" ]] && ! [[ "$ruta" =~ $filtro ]]; then
    continue
  fi
  rutas+=("$ruta"); originales+=("$original"); reemplazos+=("$reemplazo"); lineas+=("$numero")
done < "$lista"
total=${#rutas[@]}
((total > 0)) || falla "ningun mutante en $lista${filtro:+ con el filtro $filtro}"

# Whether `original` occurs exactly once in the file's text read by `leer`
# (overlapping occurrences counted), and the line where it starts.
contenido=""
leer() { contenido=""; IFS= read -r -d '' contenido < "$1" || true; }
una_vez() {
  local original="$1" antes
  [[ "$contenido" == *"$original"* ]] || return 1
  antes="${contenido%%"$original"*}"
  [[ "${contenido:${#antes}+1}" != *"$original"* ]]
}
linea_de() {
  local antes="${contenido%%"$1"*}" saltos
  saltos="${antes//[!$'\n']/}"
  echo $((${#saltos} + 1))
}

# Checks every selected mutant against the files under `base`; prints those
# that do not apply and leaves their indices in no_aplican.
declare -A no_aplica=()
comprobar() {
  local base="$1" i archivo leido=""
  for ((i = 0; i < total; i++)); do
    archivo="$base/${rutas[i]}"
    if [[ ! -f "$archivo" ]]; then
      no_aplica[$i]="no existe el archivo"
    else
      # The list keeps a file's mutants together: each file is read once.
      [[ "$archivo" == "$leido" ]] || { leer "$archivo"; leido="$archivo"; }
      if ! una_vez "${originales[i]}"; then
        if [[ "$contenido" == *"${originales[i]}"* ]]; then
          no_aplica[$i]="el texto aparece mas de una vez"
        else
          no_aplica[$i]="el texto no aparece"
        fi
      fi
    fi
  done
}

if ((solo_lista)); then
  comprobar "$raiz"
  for i in "${!no_aplica[@]}"; do
    echo "no aplica  ${lista##*/}:${lineas[i]}  ${rutas[i]}: ${no_aplica[$i]}: ${originales[i]}"
  done
  if ((${#no_aplica[@]} > 0)); then
    echo "${#no_aplica[@]} de $total mutantes no aplican"
    exit 1
  fi
  echo "$total mutantes aplicables"
  exit 0
fi

# --- The copy and the first build ------------------------------------------
inicio=$(date +%s)
if [[ -n "$carpeta" ]]; then
  mkdir -p "$carpeta"
  trabajo="$(cd "$carpeta" && pwd)"
else
  trabajo="$(mktemp -d "${TMPDIR:-/tmp}/mutar.XXXXXX")"
  if ((!conservar)); then
    trap 'rm -rf "$trabajo"' EXIT
  fi
fi
fuente="$trabajo/fuente"
build="$trabajo/build"
registros="$trabajo/registros"
guardado="$trabajo/original"
mkdir -p "$registros"

# The tracked files as they are in the working tree, changes included.
nueva="$trabajo/nueva"
rm -rf "$nueva"
mkdir -p "$nueva"
git -C "$raiz" ls-files -z | (
  cd "$raiz"
  while IFS= read -r -d '' f; do
    [[ -e "$f" || -L "$f" ]] && printf '%s\0' "$f"
  done
) | tar -C "$raiz" --null -T - -cf - | tar -C "$nueva" -xf - || falla "no se pudo copiar el arbol"
if [[ ! -d "$fuente" ]]; then
  mv "$nueva" "$fuente"
else
  # A folder kept from an earlier run: only the files whose bytes differ are
  # replaced, and they get a new date, so the build kept there recompiles
  # exactly those (a mutant left behind by an interrupted run included).
  (cd "$nueva" && find . -type f -print0) | while IFS= read -r -d '' f; do
    cmp -s "$nueva/$f" "$fuente/$f" || { mkdir -p "$(dirname "$fuente/$f")"; cp "$nueva/$f" "$fuente/$f"; }
  done
  (cd "$fuente" && find . -type f -print0) | while IFS= read -r -d '' f; do
    [[ -e "$nueva/$f" ]] || rm -f "$fuente/$f"
  done
  rm -rf "$nueva"
fi

comprobar "$fuente"
echo "mutar: $total mutantes, copia en $fuente"

export QT_QPA_PLATFORM=offscreen
echo "mutar: compilando la copia (una vez)..."
if ! { cmake -S "$fuente" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DVESMADUR_WERROR=OFF && cmake --build "$build" -j 2; } > "$registros/inicial.txt" 2>&1; then
  tail -n 30 "$registros/inicial.txt" >&2
  falla "la copia sin mutar no compila (registro: $registros/inicial.txt)"
fi
echo "mutar: probando la copia sin mutar..."
if ! ctest --test-dir "$build" -j 2 --timeout "$limite" --output-on-failure \
       > "$registros/inicial-pruebas.txt" 2>&1; then
  tail -n 30 "$registros/inicial-pruebas.txt" >&2
  falla "las pruebas fallan sin mutantes (registro: $registros/inicial-pruebas.txt)"
fi
echo "mutar: listo en $(($(date +%s) - inicio)) s; empiezan los mutantes"

# --- The mutants -------------------------------------------------------------
# Runs the tests a rebuild touched: every folder of build/tests holding a
# test program linked again after `marca` (all of them with --todas). Each
# test program links the libraries of what it tests, so a change reaches it
# only through a relink; the helper programs a test starts sit in the folder
# of a test that links the same libraries, so they relink together.
# Returns non-zero at the first failing folder; the first failing test's name
# is left in `caida`.
caida=""
probar() {
  local marca="$1" registro="$2" carpetas=()
  if ((todas)); then
    carpetas=("$build")
  else
    local d
    for d in "$build"/tests/*/; do
      [[ -f "$d/CTestTestfile.cmake" ]] || continue
      if [[ -n "$(find "$d" -maxdepth 1 -type f -perm -u+x -newer "$marca" -print -quit)" ]]; then
        carpetas+=("${d%/}")
      fi
    done
  fi
  # The programs themselves are run by the end-to-end tests, which link
  # none of what they test when they only start a program.
  if ((! todas)) && [[ -n "$(find "$build/src" -maxdepth 1 -type f -perm -u+x -newer "$marca" -print -quit)" ]] &&
     [[ " ${carpetas[*]} " != *" $build/tests/extremo "* ]]; then
    carpetas+=("$build/tests/extremo")
  fi
  ((${#carpetas[@]} > 0)) || { echo "ninguna prueba enlaza el archivo" >> "$registro"; return 0; }
  local c
  for c in "${carpetas[@]}"; do
    # A whole folder may not take longer than a few tests at the limit.
    if ! timeout $((limite * 4)) ctest --test-dir "$c" -j 2 --timeout "$limite" \
           --stop-on-failure --no-tests=error --output-on-failure >> "$registro" 2>&1; then
      caida="$(grep -m1 -E 'Test +#[0-9]+: .*(\*\*\*|Not Run)' "$registro" |
               sed -E 's/^.*Test +#[0-9]+: ([^ ]+) .*$/\1/')"
      [[ -n "$caida" ]] || caida="${c#"$build"/}"
      return 1
    fi
  done
  return 0
}

muertos=(); compilador=(); vivos=(); inaplicables=()
ancho=${#total}
mkdir -p "$guardado"
for ((i = 0; i < total; i++)); do
  n=$((i + 1))
  ruta="${rutas[i]}"
  etiqueta="$(printf '[%*d/%d]' "$ancho" "$n" "$total")"
  descripcion="$ruta: ${originales[i]}  =>  ${reemplazos[i]:-(nada)}"
  if [[ -n "${no_aplica[$i]+x}" ]]; then
    echo "$etiqueta NO APLICA      $descripcion (${no_aplica[$i]})"
    inaplicables+=("$i")
    continue
  fi
  archivo="$fuente/$ruta"
  leer "$archivo"
  numero_linea="$(linea_de "${originales[i]}")"
  descripcion="$ruta:$numero_linea: ${originales[i]}  =>  ${reemplazos[i]:-(nada)}"
  cp -p "$archivo" "$guardado/archivo"
  printf '%s' "${contenido/"${originales[i]}"/"${reemplazos[i]}"}" > "$archivo"

  registro="$registros/mutante-$n.txt"
  echo "$descripcion" > "$registro"
  marca="$trabajo/marca"
  touch "$marca"
  t0=$(date +%s)
  if ! cmake --build "$build" -j 2 >> "$registro" 2>&1; then
    resultado="MUERE COMPILAR"
    compilador+=("$i")
  elif probar "$marca" "$registro"; then
    resultado="SOBREVIVE     "
    vivos+=("$i")
  else
    resultado="MUERE         "
    muertos+=("$i")
  fi
  # The original bytes come back with a new date, so the next build
  # compiles the file again rather than keep the mutant's object.
  cat "$guardado/archivo" > "$archivo"
  touch "$archivo"
  extra=""
  [[ "$resultado" == MUERE\ \ * ]] && extra=" (por $caida)"
  echo "$etiqueta $resultado $descripcion [$(($(date +%s) - t0)) s]$extra"
done

# --- Summary -----------------------------------------------------------------
listar() {
  local i
  for i in "$@"; do
    echo "  ${rutas[i]} (${lista##*/}:${lineas[i]}): ${originales[i]}  =>  ${reemplazos[i]:-(nada)}"
  done
}
echo
echo "Mutantes: $total ($(($(date +%s) - inicio)) s)"
echo "  muertos por las pruebas: ${#muertos[@]}"
echo "  muertos al compilar:     ${#compilador[@]}"
echo "  sobrevivientes:          ${#vivos[@]}"
echo "  no aplican:              ${#inaplicables[@]}"
if ((${#vivos[@]} > 0)); then
  echo "Sobrevivientes (ninguna prueba nota el cambio):"
  listar "${vivos[@]}"
fi
if ((${#compilador[@]} > 0)); then
  echo "Muertos al compilar (reemplazarlos por mutantes que compilen):"
  listar "${compilador[@]}"
fi
if ((${#inaplicables[@]} > 0)); then
  echo "No aplican (corregir el texto original en la lista):"
  listar "${inaplicables[@]}"
fi
if [[ -n "$carpeta" ]] || ((conservar)); then
  echo "Registros en $registros"
fi
exit 0
