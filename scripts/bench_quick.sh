#!/bin/bash
# The quick configuration of one stored form through brela-cli against
# brela-emulator paced at a line speed, beside what the wire allows: every
# byte both ways at 10 bits per byte, plus the time the printer itself spends
# working (its closes). A benchmark, not a test: it prints the figures.
#   scripts/bench_quick.sh [FORM] [BAUD]      (default: the first stored form, 9600)
# BRELA_BUILD_DIR (default build) holds brela-cli and brela-emulator.
set -euo pipefail
build=${BRELA_BUILD_DIR:-build}
baud=${2:-9600}
folder=$(mktemp -d)
emulator_pid=""
cleanup() {
    if [[ -n $emulator_pid ]]; then
        kill "$emulator_pid" 2>/dev/null || true
        wait "$emulator_pid" 2>/dev/null || true
    fi
    rm -rf "$folder"
}
trap cleanup EXIT

"$build/brela-cli" --folder "$folder" forms >"$folder/forms"
form=${1:-$(cut -f1 "$folder/forms" | head -n1)}
model=$(awk -F'\t' -v id="$form" '$1 == id { print tolower($2) }' "$folder/forms")
[[ -n $model ]] || { echo "no hay un formulario $form" >&2; exit 1; }

"$build/brela-emulator" --model "$model" --baud "$baud" --stats >"$folder/device" 2>"$folder/stats" &
emulator_pid=$!
device=""
for _ in $(seq 100); do
    device=$(head -n1 "$folder/device" 2>/dev/null || true)
    [[ -n $device && -e $device ]] && break
    sleep 0.05
done
[[ -n $device ]] || { echo "brela-emulator no escribió su dispositivo" >&2; exit 1; }

TIMEFORMAT='%U %S %R'
{ time "$build/brela-cli" --folder "$folder" --port "$device" quick "$form" >/dev/null 2>"$folder/cli.err"; } 2>"$folder/time" \
    || { echo "brela-cli quick falló: $(cat "$folder/cli.err")" >&2; exit 1; }
kill -TERM "$emulator_pid"
wait "$emulator_pid" || true
emulator_pid=""

read -r user sys real <"$folder/time"
read -r received sent busy < <(sed -nE 's/.*recibidos ([0-9]+) bytes, enviados ([0-9]+) bytes, trabajando ([0-9.]+) s.*/\1 \2 \3/p' "$folder/stats")
awk -v u="$user" -v s="$sys" -v r="$real" -v rx="$received" -v tx="$sent" -v b="$busy" -v baud="$baud" -v form="$form" 'BEGIN {
    wire = (rx + tx) * 10 / baud
    limit = wire + b
    printf "formulario %s a %d baudios: %d bytes de ida, %d de vuelta\n", form, baud, rx, tx
    printf "límite %.2f s (cable %.2f s + impresora trabajando %.2f s)\n", limit, wire, b
    printf "real %.2f s (%.1f %% sobre el límite), CPU de brela-cli %.3f s (%.2f %% del real)\n",
           r, (r / limit - 1) * 100, u + s, (u + s) / r * 100
}'
