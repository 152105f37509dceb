#!/usr/bin/env bash
# The quick configuration of every predefined form through brela-cli against
# an emulated printer of the form's model: afterwards the printer holds the
# sheet size, zones and header lines that the generated Brela.ZON declares.
set -euo pipefail

source "$(dirname "$0")/lib/emulator.sh"

folder="$work/carpeta"
"$build/brela-cli" --folder "$folder" forms >"$work/forms"
[[ $(wc -l <"$work/forms") -ge 4 ]] || fail "faltan formularios predefinidos"

# What a script leaves in a fresh printer of the model, against what the
# emulator saved; prints the differences.
cat >"$work/compare.py" <<'PY'
import json, sys
script, state, model = sys.argv[1], sys.argv[2], sys.argv[3]
first = model == "QM210"
sheet, zones, headers = None, {}, {}
bottom60 = None
for raw in open(script, "rb").read().split(b"\r\n"):
    fields = raw.strip(b" ").split(b"|")
    key = fields[0].strip(b" ").upper()
    if key == "@TAMAÑO".encode("cp1252"):
        sheet = [int(fields[2]), int(fields[3])]
    elif key == b"@ZONA":
        number = int(fields[2])
        rect = [int(float(v)) for v in fields[3:7]]
        if first and number == 60:
            bottom60 = rect[3]
        if first and number == 70:
            rect[3] = bottom60
        zones[str(number)] = rect
    elif key == b"@ENCABEZADO":
        number = int(fields[2])
        text = fields[3] if len(fields) > 3 else b""
        if first and number > 65:
            continue
        if text.strip(b" ") in (b"", b"\x7f"):
            headers.pop(str(number), None)
        else:
            headers[str(number)] = text.decode("latin-1")
saved = json.load(open(state))
problems = []
if saved["sheet"] != sheet:
    problems.append("hoja %s, el script dice %s" % (saved["sheet"], sheet))
if saved["zones"] != zones:
    problems.append("zonas %s, el script dice %s" % (saved["zones"], zones))
if saved["headers"] != headers:
    problems.append("encabezados %s, el script dice %s" % (saved["headers"], headers))
if not zones or not headers:
    problems.append("el script no configura zonas o encabezados")
print("\n".join(problems))
PY

while IFS=$'\t' read -r id model _ _ name; do
    start --model "${model,,}" --state "$work/estado-$id.json"
    run_cli 120 --folder "$folder" --port "$device" --yes quick "$id"
    [[ $code -eq 0 ]] || fail "$name: quick terminó con $code: $(cat "$work/err")"
    grep -qx "$name: Configuración Finalizada" "$work/err" || fail "$name: no terminó bien: $(cat "$work/err")"
    kill -TERM "$pid"
    wait "$pid" || fail "$name: brela-emulator no terminó limpio"
    diff=$(python3 "$work/compare.py" "$folder/Brela.ZON" "$work/estado-$id.json" "$model")
    [[ -z "$diff" ]] || fail "$name ($model): $diff"
    grep -Eq '"zNumber": 1,?$' "$work/estado-$id.json" || fail "$name: la impresora no hizo un cierre Z"
    echo "$name ($model): la impresora quedó como dice Brela.ZON"
done <"$work/forms"
echo "cli_quick: ok"
