#!/usr/bin/env bash
# Faults of the line in the middle of a whole send, over a pseudo-terminal:
# each ends in the communication error and the operator's question, within
# the link's own deadlines and without spinning, and the next command on the
# same port (after a hang-up, a printer back on the same path) goes through.
# A fault the link rides out leaves the send without errors.
set -euo pipefail

source "$(dirname "$0")/lib/emulator.sh"

folder="$work/carpeta"
"$build/brela-cli" --folder "$folder" generate 1 >"$work/generated" 2>/dev/null
script=$(cat "$work/generated")
[[ -f "$script" ]] || fail "generate no dejó el script: $script"
path="$work/impresora"
# brela-cli on the emulator's port (a time limit, then its arguments).
cli() { run_cli "$1" --folder "$folder" --port "$path" "${@:2}"; }
stop() { kill -TERM "$pid"; wait "$pid" 2>/dev/null || true; }

# name | emulator fault | survived (1) or stops at the question (0) | most seconds
faults=(
    "tormenta de NAK|nakstorm:2|0|2"
    "silencio|silence:2|0|8"
    "ráfaga de DC2 sin respuesta|dc2burst:2|0|10"
    "impresora ocupada (DC2 cada segundo)|busy:3|1|6"
    "basura antes de una respuesta|garbage:1|1|7"
    "basura antes de ambos intentos|garbage:2|0|10"
    "secuencia equivocada|wrongseq:2|0|2"
    "checksum malo|badsum:2|0|2"
    "responde otro comando|wrongcmd:2|0|2"
    "corte a mitad del envío|hangup:10|0|2"
)
name_only=$(basename "$script")
for row in "${faults[@]}"; do
    IFS='|' read -r name fault survived most <<<"$row"
    # Faults start at the eighth frame: the probe and the first lines go through.
    start --model qm210 --link "$path" --fault "$fault" --fault-from 8
    TIMEFORMAT='%U %S %R'
    set +e
    { time timeout 60 "$build/brela-cli" --folder "$folder" --port "$path" --no send "$script" \
        >"$work/out" 2>"$work/err"; } 2>"$work/time"
    code=$?
    set -e
    read -r user sys real <"$work/time"
    if ((survived)); then
        [[ $code -eq 0 ]] || fail "$name: send terminó con $code: $(tail -5 "$work/err")"
        grep -qx "$name_only: Configurado sin errores" "$work/out" || fail "$name: $(tail -3 "$work/err")"
        ! grep -q "ERROR de COMUNICACION" "$work/err" || fail "$name: avisó un error de comunicación"
    else
        [[ $code -eq 1 ]] || fail "$name: send debería dar 1, dio $code"
        grep -qx "Brela: ERROR de COMUNICACION con la Impresora Fiscal." "$work/err" || fail "$name: sin el error de comunicación"
        grep -qx "Desea continuar?" "$work/err" || fail "$name: no preguntó si continuar"
        grep -qx "Hubo errores en $name_only" "$work/err" || fail "$name: no dijo que hubo errores"
        grep -q " OK$" "$work/err" || fail "$name: la falla llegó antes de enviar alguna línea"
    fi
    awk -v r="$real" -v m="$most" 'BEGIN { exit !(r <= m) }' || fail "$name: tardó $real s (a lo sumo $most)"
    awk -v u="$user" -v s="$sys" 'BEGIN { exit !(u + s < 0.5) }' || fail "$name: usó $user+$sys s de CPU"

    if [[ $fault == hangup:* ]]; then
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        start --model qm210 --link "$path"
    fi
    cli 30 status
    [[ $code -eq 0 ]] || fail "$name: el port no volvió a andar: $(cat "$work/err")"
    stop
    echo "$name: $real s, CPU $user+$sys s"
done
# No answer to the model probe: nothing is sent on a guessed model, and the
# send says it had errors instead of "Configurado sin errores".
start --model qm210 --link "$path" --fault wrongseq:2
cli 60 --yes send "$script"
[[ $code -eq 1 ]] || fail "sin modelo: send debería dar 1, dio $code"
grep -qx "Hubo errores en $name_only" "$work/err" || fail "sin modelo: $(tail -3 "$work/err")"
! grep -Eq " (OK|ERROR)$" "$work/err" || fail "sin modelo: se enviaron líneas"
echo "sin respuesta al modelo: nada enviado"
stop

# Nor is anything read on a guessed model: the working copy and the library stay.
start --model qm210 --link "$path" --fault wrongseq:2
cli 60 read --save-as Leido
[[ $code -eq 1 ]] || fail "read sin modelo: debería dar 1, dio $code"
grep -q "no respondió a la consulta del modelo" "$work/err" || fail "read sin modelo: $(tail -3 "$work/err")"
! grep -q "Leyendo zona" "$work/err" || fail "read sin modelo: leyó zonas"
"$build/brela-cli" --folder "$folder" forms | grep -q "Leido" && fail "read sin modelo: guardó un formulario"
stop
echo "lectura sin respuesta al modelo: nada leído ni guardado"

# A line lost in a quick configuration, gone past: no "Configuración
# Finalizada", the line named, the Z close said done, exit status 1.
start --model qm210 --link "$path" --fault silence:2 --fault-from 8
cli 60 --yes quick 1
[[ $code -eq 1 ]] || fail "quick con una línea perdida: debería dar 1, dio $code"
! grep -q "Configuración Finalizada" "$work/err" || fail "quick con una línea perdida: dijo Finalizada"
grep -q " ERROR$" "$work/err" || fail "quick con una línea perdida: ninguna línea falló"
grep -qx "La impresora rechazó estas líneas:" "$work/err" || fail "quick: no nombró las líneas: $(tail -5 "$work/err")"
grep -qx "El cierre Z ya se hizo: la jornada fiscal quedó cerrada." "$work/err" || fail "quick: no dijo que hubo cierre Z"
stop
echo "quick con una línea perdida: termina con 1 y la nombra"

# A Z close is never made unasked: --no leaves the fiscal day open.
start --model qm540 --link "$path" --state "$work/sin-z.json"
for command in "close Z" "quick 3"; do
    cli 60 --no $command
    [[ $code -eq 1 ]] || fail "$command --no: debería dar 1, dio $code"
    grep -q "¿Desea hacer el cierre Z" "$work/err" || fail "$command --no: no preguntó: $(tail -3 "$work/err")"
done
kill -TERM "$pid"; wait "$pid" || fail "brela-emulator no terminó limpio"
grep -Eq '"zNumber": 0,?$' "$work/sin-z.json" || fail "--no: la impresora hizo un cierre Z"
echo "sin --yes no hay cierre Z"
echo "cli_send_faults: ok"
