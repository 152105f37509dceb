#!/usr/bin/env bash
# Every predefined form validates cleanly and generates its script through
# brela-cli; the script is Windows-1252 with CR LF lines.
set -euo pipefail
cli="$BRELA_BUILD_DIR/brela-cli"
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

ids=$("$cli" --folder "$folder" forms | cut -f1)
[[ $(wc -w <<<"$ids") -ge 4 ]]
for id in $ids; do
  log=$("$cli" --folder "$folder" validate "$id")
  # The log is the header alone: two lines and an empty one.
  [[ $(grep -c . <<<"$log") -eq 2 ]] || { echo "form $id: $log"; exit 1; }

  script=$("$cli" --folder "$folder" generate "$id" 2>/dev/null)
  [[ -s "$script" ]]
  # "Ñ" of @TAMAÑO is the single byte 0xD1; every line ends in CR LF.
  LC_ALL=C grep -q $'^@TAMA\xd1O|00001|' "$script"
  [[ $(LC_ALL=C grep -c $'\r$' "$script") -eq $(wc -l <"$script") ]]
done
