#!/usr/bin/env bash
# Ctrl-C or SIGTERM in the middle of a long wait on a busy printer (a Z
# close the emulator works on for a minute, sending DC2 every second): the
# wait ends within a second, the port is closed, nothing is left half-stored,
# Ctrl-C exits 130 and SIGTERM 143, and the next command on the port works.
set -euo pipefail

source "$(dirname "$0")/lib/emulator.sh"

folder="$work/carpeta"
# signal | seconds the printer works on the close
for row in "INT|60" "TERM|15"; do
    IFS='|' read -r signal busy <<<"$row"
    start --model qm540 --fault "busy:$busy"
    set +e
    "$build/brela-cli" --folder "$folder" --port "$device" --yes close Z >"$work/out" 2>"$work/err" &
    cli=$!
    sleep 3
    kill -0 "$cli" 2>/dev/null || fail "$signal: brela-cli no esperaba a la impresora ocupada: $(cat "$work/err")"
    sent=$(date +%s%N)
    kill -"$signal" "$cli"
    wait "$cli"
    code=$?
    ended=$(date +%s%N)
    set -e
    ms=$(( (ended - sent) / 1000000 ))
    echo "$signal: terminó en $ms ms con $code"
    expected=130
    [[ $signal == TERM ]] && expected=143
    [[ $code -eq $expected ]] || fail "$signal: salió con $code, no $expected: $(cat "$work/err")"
    (( ms < 1000 )) || fail "$signal: tardó $ms ms en terminar"
    grep -q "Se canceló la espera de la impresora fiscal" "$work/err" || fail "$signal: no dijo que canceló: $(cat "$work/err")"
    grep -q "Interrumpido por el operador" "$work/err" || fail "$signal: no dijo que fue interrumpido: $(cat "$work/err")"
    grep -q "ERROR de COMUNICACION" "$work/err" && fail "$signal: lo tomó por un error de comunicación"
    [[ ! -s "$work/out" ]] || fail "$signal: dio el cierre por hecho: $(cat "$work/out")"
    # The printer finishes its close meanwhile; the next request gets through once it answers.
    run_cli 120 --folder "$folder" --port "$device" status
    [[ $code -eq 0 ]] || fail "$signal: el status siguiente terminó con $code: $(cat "$work/err")"
    grep -qx "Estado fiscal: 0600" "$work/out" || fail "$signal: status siguiente: $(cat "$work/out")"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
done
echo "interrupciones: bien"
