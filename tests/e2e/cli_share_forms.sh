#!/usr/bin/env bash
# A form exported by brela-cli on one desk is imported on another under a new
# name and generates the same script; a .ZON script becomes a form; a refused
# file changes nothing and gives status 1, a missing argument status 2.
set -euo pipefail
cli="$BRELA_BUILD_DIR/brela-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/a" "$work/b"
export HOME="$work" XDG_CONFIG_HOME="$work/.config"

file=$("$cli" --folder "$work/a" export 3 2>/dev/null)
[[ "$file" == "$work/a/Factura Carta QM540 17 CPI.json" ]]
"$cli" --folder "$work/a" export "Factura Carta QM540 17 CPI" -o "$work/f.json" >/dev/null
cmp -s "$file" "$work/f.json"

out=$("$cli" --folder "$work/b" import "$work/f.json" --as "Carta traída")
[[ "$out" == 'Importado como "Carta traída" (FormID 5).' ]] || { echo "$out"; exit 1; }
"$cli" --folder "$work/b" forms | grep -q $'^5\tQM540\t17\t-\tCarta traída$'
# The predefined form's own name is refused: nothing asked, nothing stored.
s=0; "$cli" --folder "$work/b" --yes import "$work/f.json" >/dev/null 2>"$work/err" || s=$?
[[ $s -eq 1 ]] && grep -q 'no puede ser modificado' "$work/err"

"$cli" --folder "$work/a" generate 3 -o "$work/a.ZON" >/dev/null 2>&1
"$cli" --folder "$work/b" generate 5 -o "$work/b.ZON" >/dev/null 2>&1
# The title and the validation's heading name the form; the rest is the same.
same() { tail -n +2 "$1" | LC_ALL=C grep -av '^Validaci'; }
diff <(same "$work/a.ZON") <(same "$work/b.ZON")

before=$("$cli" --folder "$work/b" forms)
head -c 2000 "$work/f.json" >"$work/cut.json"
s=0; "$cli" --folder "$work/b" import "$work/cut.json" --as Otra >/dev/null 2>"$work/err" || s=$?
[[ $s -eq 1 ]] && grep -q 'El formulario está dañado' "$work/err"
[[ "$("$cli" --folder "$work/b" forms)" == "$before" ]]

# A script brought in as a form, repaired and logged as a read-back.
"$cli" --folder "$work/a" generate 1 -o "$work/one.ZON" >/dev/null 2>&1
"$cli" --folder "$work/a" import-zon "$work/one.ZON" --model qm210 --as "Del script" >"$work/out" 2>/dev/null
head -n1 "$work/out" | grep -q '^Lectura de zonas del script one.ZON '
[[ "$(tail -n1 "$work/out")" == 'Importado como "Del script" (FormID 5).' ]]
[[ -f "$work/a/Actual impresora.log" ]]
"$cli" --folder "$work/a" forms | grep -q $'^5\tQM210\t12\t-\tDel script$'
s=0; "$cli" --folder "$work/a" import-zon "$work/f.json" --model qm540 --as Otra >/dev/null 2>"$work/err" || s=$?
[[ $s -eq 1 ]] && grep -q 'no es un script .ZON' "$work/err"
s=0; "$cli" --folder "$work/a" import-zon "$work/one.ZON" --as Otra >/dev/null 2>&1 || s=$?
[[ $s -eq 2 ]]

s=0; "$cli" --folder "$work/b" import >/dev/null 2>&1 || s=$?
[[ $s -eq 2 ]]
s=0; "$cli" --folder "$work/b" export >/dev/null 2>&1 || s=$?
[[ $s -eq 2 ]]
echo ok
