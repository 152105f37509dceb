#!/bin/bash
# The quick configuration of one stored form through brela-cli on one
# printer, then on four at once, each a brela-emulator paced at a line speed.
# Prints both wall times and their ratio (four printers should take at most
# 1.15 times one), brela-cli's CPU as a share of its wall time (under 5 %),
# and its peak memory for one and for four printers (under 10 MB more per
# added printer). A benchmark, not a test: it prints the figures.
#   scripts/bench_multi.sh [FORM] [BAUD]      (default: form 1, 9600)
# BRELA_BUILD_DIR (default build) holds brela-cli and brela-emulator.
set -euo pipefail
baud=${2:-9600}
export BRELA_BUILD_DIR=${BRELA_BUILD_DIR:-build}
source "$(dirname "$0")/../tests/e2e/lib/emulator.sh"
[[ -x /usr/bin/time ]] || fail "falta /usr/bin/time (paquete time)"

"$build/brela-cli" --folder "$work" forms >"$work/forms"
form=${1:-1}
model=$(awk -F'\t' -v id="$form" '$1 == id { print tolower($2) }' "$work/forms")
[[ -n $model ]] || fail "no hay un formulario $form"

devices=()
for n in 1 2 3 4 5; do
    start --model "$model" --baud "$baud" --state "$work/estado-$n.json"
    devices+=("$device")
done

# brela-cli quick on the given devices; prints "wall user sys maxrss_kb".
measure() {
    local args=()
    for d in "$@"; do args+=(--port "$d"); done
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" \
        "$build/brela-cli" --folder "$work" --yes "${args[@]}" quick "$form" >"$work/out" 2>"$work/err" \
        || fail "brela-cli quick en $# impresoras falló: $(tail -n 20 "$work/err"; cat "$work/out")"
    cat "$work/time"
}

# A printer of its own for the single run, so all five start from the same state.
read -r one_wall one_user one_sys one_rss < <(measure "${devices[4]}")
read -r four_wall four_user four_sys four_rss < <(measure "${devices[@]:0:4}")
cat "$work/out"
awk -v w1="$one_wall" -v u1="$one_user" -v s1="$one_sys" -v m1="$one_rss" \
    -v w4="$four_wall" -v u4="$four_user" -v s4="$four_sys" -v m4="$four_rss" -v baud="$baud" -v form="$form" 'BEGIN {
    printf "formulario %s a %d baudios\n", form, baud
    printf "una impresora:   real %.2f s, CPU %.2f s (%.2f %% del real), memoria máxima %.1f MB\n",
           w1, u1 + s1, (u1 + s1) / w1 * 100, m1 / 1024
    printf "cuatro a la vez: real %.2f s, CPU %.2f s (%.2f %% del real), memoria máxima %.1f MB\n",
           w4, u4 + s4, (u4 + s4) / w4 * 100, m4 / 1024
    printf "razón cuatro/una: %.3f (objetivo <= 1.15)\n", w4 / w1
    printf "memoria por impresora añadida: %.2f MB (objetivo < 10)\n", (m4 - m1) / 1024 / 3
}'
