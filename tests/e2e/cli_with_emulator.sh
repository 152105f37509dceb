#!/usr/bin/env bash
# brela-cli against brela-emulator on a real pseudo-terminal: status and an
# X report on both models, and a printer that hangs up on the first frame.
set -euo pipefail

source "$(dirname "$0")/lib/emulator.sh"

# brela-cli with a fresh program folder; sets $code, output in $work/out and $work/err.
cli() { run_cli 60 --folder "$work/carpeta" "$@"; }

# Both models: the status names the model, the X report is printed once.
# The first model is reached through the port-number mapping, the second by path.
for model in qm210 qm540; do
    start --model "$model" --state "$work/$model.json"
    if [[ $model == qm210 ]]; then
        port=(--port 1); export BRELA_COM1="$device"; expected="QM210F"
    else
        port=(--port "$device"); unset BRELA_COM1; expected="QM210F+, QM540F"
    fi

    cli "${port[@]}" status
    [[ $code -eq 0 ]] || fail "$model: status terminó con $code: $(cat "$work/err")"
    grep -qx "Estado de la impresora: 0080" "$work/out" || fail "$model: palabra de impresora"
    grep -qx "Estado fiscal: 0600" "$work/out" || fail "$model: palabra fiscal"
    grep -qx "Modelo: $expected" "$work/out" || fail "$model: modelo: $(grep Modelo "$work/out")"

    cli "${port[@]}" close X
    [[ $code -eq 0 ]] || fail "$model: close X terminó con $code: $(cat "$work/err")"
    [[ "$(cat "$work/out")" == "Cierre X realizado." ]] || fail "$model: close X dijo $(cat "$work/out")"
    [[ ! -s "$work/err" ]] || fail "$model: close X avisó $(cat "$work/err")"
    grep -Eq '"xNumber": 1,?$' "$work/$model.json" || fail "$model: la impresora no hizo un solo cierre X"
    echo "$model: status y close X bien"
done
unset BRELA_COM1

# The printer hangs up on the first frame: the communication error, exit 1,
# without waiting out the deadlines, and the emulator is gone.
start --fault hangup:0
began=$SECONDS
cli --port "$device" status
[[ $code -eq 1 ]] || fail "tras el corte status debería dar 1, dio $code"
expected="$(printf 'Brela: ERROR de COMUNICACION con la Impresora Fiscal.\n\nRevise las conecciones, si el equipo esta encendido y si usa la puerta serie correcta.')"
[[ "$(cat "$work/err")" == "$expected" ]] || fail "mensaje tras el corte: $(cat "$work/err")"
[[ ! -s "$work/out" ]] || fail "status escribió algo tras el corte"
(( SECONDS - began < 5 )) || fail "el corte tardó $((SECONDS - began)) s en notarse"
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
! kill -0 "$pid" 2>/dev/null || fail "brela-emulator sigue vivo tras el corte"
echo "corte: error de comunicación, salida 1"

# The port list begins with COM1 to COM4 and the device each maps to, in six
# tab-separated columns; --port takes a listed name.
start
BRELA_COM3="$device" cli ports
[[ $code -eq 0 ]] || fail "ports terminó con $code: $(cat "$work/err")"
[[ "$(sed -n 3p "$work/out")" == "$(printf 'COM3\t%s\t\t\t\t' "$device")" ]] || fail "ports: $(sed -n 3p "$work/out")"
awk -F'\t' 'NF != 6 { exit 1 }' "$work/out" || fail "ports: una línea sin seis columnas"
BRELA_COM3="$device" cli --port com3 status
[[ $code -eq 0 ]] || fail "--port com3 terminó con $code: $(cat "$work/err")"
echo "ports y --port por nombre bien"

# --help and --version answer on stdout with exit 0, brela's without a display.
for program in brela-cli brela-emulator brela; do
    [[ -x "$build/$program" ]] || continue
    (unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; "$build/$program" --help) >"$work/out" 2>"$work/err" \
        || fail "$program --help no terminó con 0"
    grep -q "^uso: $program" "$work/out" && [[ ! -s "$work/err" ]] || fail "$program --help: $(cat "$work/err")"
    [[ "$(unset DISPLAY; "$build/$program" --version)" =~ ^$program\ [0-9]+\.[0-9]+\.[0-9]+$ ]] \
        || fail "$program --version"
done
echo "--help y --version bien"
echo "cli_with_emulator: ok"
