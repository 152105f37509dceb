#!/bin/bash
# CPU seconds brela-cli spends while brela-emulator keeps the link waiting
# with DC2 every second. A benchmark, not a test: it prints the figures and
# fails only when the waiting run reaches 0.05 s of CPU.
#   scripts/bench_link_wait.sh [BUSY_SECONDS]      (default 3)
# BRELA_BUILD_DIR (default build) holds brela-cli and brela-emulator.
set -euo pipefail
busy=${1:-3}
build=${BRELA_BUILD_DIR:-build}
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

# One status request against a fresh emulator started with the given faults;
# sets user, sys, real and cpu.
measure() {
    "$build/brela-emulator" --model qm540 "$@" >"$folder/device" &
    emulator_pid=$!
    local device=""
    for _ in $(seq 100); do
        device=$(head -n1 "$folder/device")
        [[ -n $device && -e $device ]] && break
        sleep 0.05
    done
    [[ -n $device ]] || { echo "brela-emulator no escribió su dispositivo" >&2; exit 1; }

    local TIMEFORMAT='%U %S %R'
    { time "$build/brela-cli" --folder "$folder" --port "$device" status >/dev/null 2>"$folder/cli.err"; } 2>"$folder/time" \
        || { echo "brela-cli status falló: $(cat "$folder/cli.err")" >&2; exit 1; }
    read -r user sys real <"$folder/time"
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f", u + s }')

    kill "$emulator_pid"
    wait "$emulator_pid" || true
    emulator_pid=""
}

measure
echo "sin espera: ${real} s reales, ${cpu} s de CPU (usuario ${user}, sistema ${sys})"
measure --fault "busy:$busy"
awk -v r="$real" -v b="$busy" 'BEGIN { exit !(r >= b - 0.5) }' \
    || { echo "la impresora no hizo esperar: ${real} s" >&2; exit 1; }
echo "espera de ${busy} s con DC2: ${real} s reales, ${cpu} s de CPU (usuario ${user}, sistema ${sys})"
awk -v c="$cpu" 'BEGIN { exit !(c < 0.05) }' || { echo "la espera usa demasiada CPU" >&2; exit 1; }
