#!/usr/bin/env bash
# brela-cli creates the library on first use and lists the predefined forms
# of both models; a bad command is a usage error.
set -euo pipefail
cli="$BRELA_BUILD_DIR/brela-cli"
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

out=$("$cli" --folder "$folder" forms)
echo "$out"
[[ -f "$folder/Facturas.db" ]]
[[ $(grep -c $'\tQM210\t12\tbloqueado\t' <<<"$out") -ge 2 ]]
[[ $(grep -c $'\tQM540\t' <<<"$out") -ge 2 ]]
grep -q $'\tQM540\t17\t' <<<"$out"

status=0
"$cli" --folder "$folder" no-such-command 2>/dev/null || status=$?
[[ $status -eq 2 ]]
