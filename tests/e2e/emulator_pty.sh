#!/usr/bin/env bash
# brela-emulator as a program: the link it makes to its device, the state it
# saves and starts from, a clean end on SIGTERM and SIGINT, and bad usage.
# The exchange itself is brela-cli's, as in cli_with_emulator.sh.
set -euo pipefail

source "$(dirname "$0")/lib/emulator.sh"

# cli PORT COMMAND...: brela-cli on a fresh program folder, at that port.
cli() { timeout 60 "$build/brela-cli" --folder "$work/carpeta" --yes --port "$@"; }

start --model qm210 --link "$work/impresora" --state "$work/estado.json"
[[ "$(readlink "$work/impresora")" == "$device" ]] || fail "el enlace no apunta al dispositivo"
[[ "$(cli "$work/impresora" close Z)" == "Cierre Z realizado." ]] || fail "cierre Z por el enlace"
kill -TERM "$pid"
wait "$pid" || fail "brela-emulator no terminó limpio"
[[ ! -e "$work/impresora" ]] || fail "el enlace quedó"
grep -q '"zNumber": 1' "$work/estado.json" || fail "el estado no se guardó"

# The later model, restarted on the saved state, at a paced 9600 baud.
start --model qm540 --baud 9600 --state "$work/estado.json"
cli "$device" close Z >/dev/null || fail "cierre Z tras el reinicio"
kill -INT "$pid"
wait "$pid" || fail "brela-emulator no terminó con SIGINT"
grep -q '"zNumber": 2' "$work/estado.json" || fail "el reinicio no partió del estado guardado"

set +e
"$build/brela-emulator" --fault explota >/dev/null 2>"$work/err"; code=$?
set -e
[[ $code -eq 2 ]] || fail "una falla desconocida debería dar 2, dio $code"
grep -q "valor no válido para --fault" "$work/err" || fail "sin mensaje de uso"
echo "emulator_pty: ok"
