#!/usr/bin/env bash
# brela-cli quick on four printers at once, one of them silent: the other
# three are configured, the silent one is reported in the table, the exit
# status is 1, and the run ends in bounded time. Several ports without
# --yes or --no refuse to start.
set -euo pipefail

source "$(dirname "$0")/lib/emulator.sh"

folder="$work/carpeta"
"$build/brela-cli" --folder "$folder" forms >/dev/null
devices=()
for n in 1 2 3 4; do
    faults=()
    [[ $n -eq 3 ]] && faults=(--fault silence:100000)
    start --model qm540 --baud 9600 --state "$work/estado-$n.json" "${faults[@]}"
    devices+=("$device")
done
ports=()
for d in "${devices[@]}"; do ports+=(--port "$d"); done

run_cli 20 --folder "$folder" "${ports[@]}" quick 3
[[ $code -eq 2 ]] || fail "sin --yes ni --no: salida $code"
grep -q "hay que indicar --yes o --no" "$work/err" || fail "sin --yes ni --no: $(cat "$work/err")"
[[ ! -e "$folder/Brela.ZON" ]] || fail "sin --yes ni --no se preparó el script"

began=$SECONDS
run_cli 120 --folder "$folder" --yes "${ports[@]}" quick 3
took=$((SECONDS - began))
[[ $code -eq 1 ]] || fail "salida $code, se esperaba 1: $(tail -n 20 "$work/err")"
[[ $took -le 60 ]] || fail "tardó $took s"
for n in 1 2 3 4; do
    d=${devices[$((n - 1))]}
    row=$(grep -F "$d " "$work/out") || fail "falta $d en la tabla: $(cat "$work/out")"
    read -r _ model result _ refused <<<"$row"
    if [[ $n -eq 3 ]]; then
        [[ $model == - && $result == Incompleta ]] || fail "la impresora callada: $row"
        grep -q "^$d: " "$work/err" || fail "nada dice qué le pasó a $d"
        ! grep -Eq '"zNumber": [1-9]' "$work/estado-$n.json" 2>/dev/null || fail "la impresora callada hizo un cierre Z"
    else
        [[ $model == QM540 && $result == Finalizada && $refused == 0 ]] || fail "impresora $n: $row"
        grep -Eq '"zNumber": 1,?$' "$work/estado-$n.json" || fail "la impresora $n no hizo un cierre Z"
    fi
done
# One progress line per step, each prefixed by its port.
for d in "${devices[0]}" "${devices[1]}" "${devices[3]}"; do
    grep -qxF "$d: Ejecutando Cierre Z." "$work/err" || fail "falta el paso del cierre Z de $d"
done
echo "cli_several_printers: tres configuradas, la callada informada, en $took s"
