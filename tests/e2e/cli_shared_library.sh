#!/usr/bin/env bash
# brela-cli on a shared PostgreSQL library (a server of the script's own):
# made once with the predefined forms, every command's statements work there,
# a form stored from one desk is seen by another, and the script it generates
# is the one the same form generates from Facturas.db. 77 without a server.
set -euo pipefail
cli="$BRELA_BUILD_DIR/brela-cli"
server="$BRELA_SOURCE_DIR/tests/pg/server.sh"
work=$(mktemp -d)
trap 'bash "$server" stop "$work/pg" >/dev/null; rm -rf "$work"' EXIT
bash "$server" start "$work/pg" >/dev/null
if [[ ! -f "$work/pg/url" ]]; then cat "$work/pg/missing"; exit 77; fi
url=$(cat "$work/pg/url")
mkdir -p "$work/a/.config" "$work/b/.config" "$work/local"
desk() { local d=$1; shift; HOME="$work/$d" XDG_CONFIG_HOME="$work/$d/.config" "$cli" --folder "$work/$d" "$@"; }

local_forms=$(desk local forms)
[[ "$(desk a --database "$url" forms)" == "$local_forms" ]]
desk a --database "$url" export 3 -o "$work/f.json" >/dev/null
out=$(desk a --database "$url" import "$work/f.json" --as "Carta compartida")
[[ "$out" == 'Importado como "Carta compartida" (FormID 5).' ]] || { echo "$out"; exit 1; }
# The other desk sees it, and no desk's working copy is listed.
desk b --database "$url" forms | grep -q $'^5\tQM540\t17\t-\tCarta compartida$'
[[ $(desk b --database "$url" forms | wc -l) -eq 5 ]]

desk b --database "$url" generate 5 -o "$work/shared.ZON" >/dev/null 2>&1
desk local generate 3 -o "$work/local.ZON" >/dev/null 2>&1
same() { tail -n +2 "$1" | LC_ALL=C grep -av '^Validaci'; }
diff <(same "$work/local.ZON") <(same "$work/shared.ZON")

# A library that cannot be reached: a clear message and status 1.
s=0; desk a --database "postgresql://nadie@/base?host=$work/none" forms >/dev/null 2>"$work/err" || s=$?
[[ $s -eq 1 ]] && grep -q 'No se puede conectar con el servidor de la base de datos compartida' "$work/err"
