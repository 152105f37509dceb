#!/bin/bash
# The quick configuration of one stored form through brela-cli against
# brela-emulator paced at a line speed, beside what the wire allows: every
# byte both ways at 10 bits per byte, plus the time the printer itself spends
# working (its closes). A benchmark, not a test: it prints the figures.
#   scripts/bench_quick.sh [FORM] [BAUD]      (default: the first stored form, 9600)
# BRELA_BUILD_DIR (default build) holds brela-cli and brela-emulator.
set -euo pipefail
baud=${2:-9600}
export BRELA_BUILD_DIR=${BRELA_BUILD_DIR:-build}
source "$(dirname "$0")/../tests/e2e/lib/emulator.sh"

"$build/brela-cli" --folder "$work" forms >"$work/forms"
form=${1:-$(cut -f1 "$work/forms" | head -n1)}
model=$(awk -F'\t' -v id="$form" '$1 == id { print tolower($2) }' "$work/forms")
[[ -n $model ]] || fail "no hay un formulario $form"

start --model "$model" --baud "$baud" --stats 2>"$work/stats"
TIMEFORMAT='%U %S %R'
{ time "$build/brela-cli" --folder "$work" --port "$device" --yes quick "$form" >/dev/null 2>"$work/cli.err"; } 2>"$work/time" \
    || fail "brela-cli quick falló: $(cat "$work/cli.err")"
kill -TERM "$pid"
wait "$pid" || true

read -r user sys real <"$work/time"
read -r received sent busy < <(sed -nE 's/.*recibidos ([0-9]+) bytes, enviados ([0-9]+) bytes, trabajando ([0-9.]+) s.*/\1 \2 \3/p' "$work/stats")
awk -v u="$user" -v s="$sys" -v r="$real" -v rx="$received" -v tx="$sent" -v b="$busy" -v baud="$baud" -v form="$form" 'BEGIN {
    wire = (rx + tx) * 10 / baud
    limit = wire + b
    printf "formulario %s a %d baudios: %d bytes de ida, %d de vuelta\n", form, baud, rx, tx
    printf "límite %.2f s (cable %.2f s + impresora trabajando %.2f s)\n", limit, wire, b
    printf "real %.2f s (%.1f %% sobre el límite), CPU de brela-cli %.3f s (%.2f %% del real)\n",
           r, (r / limit - 1) * 100, u + s, (u + s) / r * 100
}'
