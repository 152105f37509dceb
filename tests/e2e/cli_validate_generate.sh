#!/usr/bin/env bash
# brela-cli creates the library on first use and lists the predefined forms of
# both models; each validates cleanly and generates its script, Windows-1252
# with CR LF lines. Findings and failures give status 1, bad usage 2.
set -euo pipefail
cli="$BRELA_BUILD_DIR/brela-cli"
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

forms=$("$cli" --folder "$folder" forms)
[[ -f "$folder/Facturas.db" ]]
[[ $(grep -c $'\tQM210\t12\tbloqueado\t' <<<"$forms") -ge 2 ]]
[[ $(grep -c $'\tQM540\t' <<<"$forms") -ge 2 ]]
grep -q $'\tQM540\t17\t' <<<"$forms"
ids=$(cut -f1 <<<"$forms")
for id in $ids; do
  log=$("$cli" --folder "$folder" validate "$id")
  # The log is the header alone: two lines and an empty one.
  [[ $(grep -c . <<<"$log") -eq 2 ]] || { echo "form $id: $log"; exit 1; }

  # Standard output is the script's path and nothing else.
  script=$("$cli" --folder "$folder" generate "$id" 2>/dev/null)
  [[ -s "$script" ]]
  # "Ñ" of @TAMAÑO is the single byte 0xD1; every line ends in CR LF.
  LC_ALL=C grep -q $'^@TAMA\xd1O|00001|' "$script"
  [[ $(LC_ALL=C grep -c $'\r$' "$script") -eq $(wc -l <"$script") ]]
done

# status COMMAND...: the exit status of brela-cli on the test folder.
status() { local s=0; "$cli" --folder "$folder" "$@" >"$folder/out" 2>"$folder/err" || s=$?; echo "$s"; }

python3 -c 'import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE Zone SET ZoneTop=11 WHERE FormID=2 AND ZoneID=10")
db.commit()' "$folder/Facturas.db"
[[ $(status validate 2) -eq 1 ]]
grep -q '^La zona 010 debe estar a la derecha' "$folder/out" || { cat "$folder/out"; exit 1; }
[[ $(status validate "No existe") -eq 1 ]]

# "-o" is taken from the current folder.
cd "$folder"
[[ $(status generate 1 -o no/existe/x.ZON) -eq 1 ]]
[[ ! -s "$folder/out" ]]
grep -qF "Hubo error al crear el archivo $folder/no/existe/x.ZON." "$folder/err" || { cat "$folder/err"; exit 1; }
[[ $(status generate "No hay tal") -eq 1 ]]
[[ $(status no-such-command) -eq 2 ]]
for usage in "" "1 -o" "1 2"; do
  # shellcheck disable=SC2086
  [[ $(status generate $usage) -eq 2 ]] || { echo "generate $usage"; exit 1; }
done
