#!/bin/bash
# CPU seconds brela-cli spends while the printer keeps the link waiting with
# DC2 for a few seconds. A benchmark, not a test: it prints the figure.
#   scripts/bench_link_wait.sh [BUSY_SECONDS]      (default 3)
# BRELA_BUILD_DIR (default build) holds brela-cli and brela-emulator;
# BRELA_EMULATOR names another emulator program.
set -euo pipefail
busy=${1:-3}
build=${BRELA_BUILD_DIR:-build}
emulator=${BRELA_EMULATOR:-$build/brela-emulator}
folder=$(mktemp -d)
trap 'kill "$emulator_pid" 2>/dev/null || true; rm -rf "$folder"' EXIT

coproc EMU { exec "$emulator" --model qm540 --fault "busy:$busy"; }
emulator_pid=$EMU_PID
read -r device <&"${EMU[0]}"

TIMEFORMAT='%U %S %R'
{ time "$build/brela-cli" --folder "$folder" --port "$device" close X >/dev/null 2>"$folder/cli.err"; } 2>"$folder/time"
read -r user sys real <"$folder/time"
cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f", u + s }')
echo "espera de ${busy} s con DC2: ${real} s reales, ${cpu} s de CPU (usuario ${user}, sistema ${sys})"
awk -v c="$cpu" 'BEGIN { exit !(c < 0.05) }' || { echo "la espera usa demasiada CPU" >&2; exit 1; }
