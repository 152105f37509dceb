#!/bin/bash
# How the library's windows keep up with the library's size: the main window
# ready after the splash, the "Abrir formulario" dialog shown, the slowest
# keystroke of a search, and the peak memory, with the four predefined forms
# and with COUNT more copies of them. Each figure is the median of three runs
# (memory: the largest). A benchmark, not a test: it prints the figures.
#   scripts/bench_library.sh [COUNT]      (default 10000)
# BRELA_BUILD_DIR (default build) holds bench_library and brela-cli.
set -euo pipefail
count=${1:-10000}
build=${BRELA_BUILD_DIR:-build}
bench=$build/tests/bench_library
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/config
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$work/small" "$work/big"

"$build/brela-cli" --folder "$work/small" forms >/dev/null
"$build/brela-cli" --folder "$work/big" forms >/dev/null
python3 "$here/fill_library.py" "$work/big/Facturas.db" "$count" >/dev/null
forms_big=$("$build/brela-cli" --folder "$work/big" forms | wc -l)

# One run: "ventana dialogo tecla kB"
measure() {
    /usr/bin/time -f 'rss %M' -o "$work/time" "$bench" "$1" "pequeña" >"$work/out"
    awk '{ v[$1] = $2 } END { printf "%s %s %s ", v["ventana"], v["dialogo"], v["tecla"] }' "$work/out"
    awk '{ print $2 }' "$work/time"
}
median() { sort -n | sed -n 2p; }
largest() { sort -n | tail -n1; }
figures() {
    local runs
    runs=$(for _ in 1 2 3; do measure "$1"; done)
    echo "$(cut -d' ' -f1 <<<"$runs" | median) $(cut -d' ' -f2 <<<"$runs" | median)" \
         "$(cut -d' ' -f3 <<<"$runs" | median) $(cut -d' ' -f4 <<<"$runs" | largest)"
}
read -r w1 d1 k1 m1 < <(figures "$work/small")
read -r w2 d2 k2 m2 < <(figures "$work/big")

printf '%-34s %14s %14s %10s\n' "" "4 formularios" "$forms_big formularios" "límite"
printf '%-34s %14.1f %14.1f %10s\n' "ventana principal lista (ms)" "$w1" "$w2" "500"
printf '%-34s %14.1f %14.1f %10s\n' "diálogo Abrir formulario (ms)" "$d1" "$d2" "200"
printf '%-34s %14.1f %14.1f %10s\n' "tecla en Buscar, la más lenta (ms)" "$k1" "$k2" "50"
printf '%-34s %14.1f %14.1f %10s\n' "memoria máxima (MB)" "$(awk -v k="$m1" 'BEGIN { print k / 1024 }')" "$(awk -v k="$m2" 'BEGIN { print k / 1024 }')" "100"
