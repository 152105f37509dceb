#!/bin/bash
# CPU seconds brela-cli spends while brela-emulator keeps the link waiting
# with DC2 every second. A benchmark, not a test: it prints the figures and
# fails only when the waiting run reaches 0.05 s of CPU.
#   scripts/bench_link_wait.sh [BUSY_SECONDS]      (default 3)
# BRELA_BUILD_DIR (default build) holds brela-cli and brela-emulator.
set -euo pipefail
busy=${1:-3}
export BRELA_BUILD_DIR=${BRELA_BUILD_DIR:-build}
source "$(dirname "$0")/../tests/e2e/lib/emulator.sh"

# One status request against a fresh emulator started with the given faults;
# sets user, sys, real and cpu.
measure() {
    start --model qm540 "$@"
    local TIMEFORMAT='%U %S %R'
    { time "$build/brela-cli" --folder "$work" --port "$device" status >/dev/null 2>"$work/cli.err"; } 2>"$work/time" \
        || fail "brela-cli status falló: $(cat "$work/cli.err")"
    read -r user sys real <"$work/time"
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f", u + s }')
    kill "$pid"
    wait "$pid" || true
}

measure
echo "sin espera: ${real} s reales, ${cpu} s de CPU (usuario ${user}, sistema ${sys})"
measure --fault "busy:$busy"
awk -v r="$real" -v b="$busy" 'BEGIN { exit !(r >= b - 0.5) }' || fail "la impresora no hizo esperar: ${real} s"
echo "espera de ${busy} s con DC2: ${real} s reales, ${cpu} s de CPU (usuario ${user}, sistema ${sys})"
awk -v c="$cpu" 'BEGIN { exit !(c < 0.05) }' || fail "la espera usa demasiada CPU"
