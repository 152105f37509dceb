#!/usr/bin/env bash
# Round trip over a pseudo-terminal: a quick configuration of one predefined
# form of each model into brela-emulator, then reading the printer back and
# saving it as "Copia". The saved form must be what the script sent.
set -euo pipefail

source "$(dirname "$0")/lib/emulator.sh"

# The saved form against the script; prints the differences.
cat >"$work/compare.py" <<'PY'
import sqlite3, sys
script, database, model = sys.argv[1], sys.argv[2], sys.argv[3]
sheet, zones, headers = None, {}, {}
for raw in open(script, "rb").read().split(b"\r\n"):
    fields = raw.strip(b" ").split(b"|")
    key = fields[0].strip(b" ").upper()
    if key == "@TAMAÑO".encode("cp1252"):
        sheet = (int(fields[2]), int(fields[3]))
    elif key == b"@ZONA":
        zones[int(fields[2])] = tuple(int(float(v)) for v in fields[3:7])
    elif key == b"@ENCABEZADO":
        text = fields[3] if len(fields) > 3 else b""
        headers[int(fields[2])] = "" if text == b"\x7f" else text.decode("cp1252")

db = sqlite3.connect(database)
copy = db.execute("SELECT FormID FROM Forms WHERE FormDescr='Copia'").fetchone()
if not copy:
    sys.exit("no hay formulario Copia")
copy = copy[0]
problems = []

width, height = sheet
cpi = 10 if width < 72 else 12 if width < 102 else 17
form = db.execute("SELECT FormCPI, FormWidth, FormHeight, FormMarTop+FormMarBot+FormMarLeft+FormMarRight "
                  "FROM Forms WHERE FormID=?", (copy,)).fetchone()
expected = (cpi, round(width / (cpi / 25.4)), round(height / (6 / 25.4)), 0)
if tuple(int(v) for v in form) != expected:
    problems.append("hoja %s, se esperaba %s" % (form, expected))

saved = {z: (l, t, r, b) for z, l, t, r, b in
         db.execute("SELECT ZoneID, ZoneLeft, ZoneTop, ZoneRight, ZoneBot FROM Zone WHERE FormID=?", (copy,))}
for number, rect in zones.items():
    want = list(rect)
    if 91 <= number <= 98:
        want[1] = zones[60][3] + 1   # the totals' parts start right below the items
    if saved.get(number) != tuple(want):
        problems.append("zona %03d %s, el script dice %s" % (number, saved.get(number), rect))
if set(saved) != set(zones):
    problems.append("zonas %s, el script dice %s" % (sorted(saved), sorted(zones)))

messages = {m: (t, v, o, z) for m, t, v, o, z in
            db.execute("SELECT MsgID, MsgText, MsgVisible, MsgIDOut, ZoneID FROM Message WHERE FormID=?", (copy,))}
left = {z: (l, r) for z, (l, _, r, _) in saved.items()}
for number, text in headers.items():
    if number not in messages:
        continue
    # The first model keeps such a line whole.
    parts = [] if model == "QM210" else sorted(
        (left[z][0], t) for m, (t, v, o, z) in messages.items() if o == number and v)
    if parts:
        # A line printed across zones: its parts at their columns, then what lies beyond.
        line = [" "] * 255
        start = parts[0][0]
        for column, piece in parts:
            line[column - start:column - start + len(piece)] = piece
        own = messages[number][0]
        if own:
            last = max(left[z][1] for m, (t, v, o, z) in messages.items() if o == number)
            line[last + 1 - start:last + 1 - start + len(own)] = own
        got, shown = "".join(line).rstrip(), True
    else:
        got, shown = messages[number][0], messages[number][1]
    if got != text.rstrip() or bool(shown) != bool(got):
        problems.append("encabezado %d %r, el script dice %r" % (number, got, text))
print("\n".join(problems))
PY

cli() { run_cli 120 --folder "$folder" "$@"; }

# The first stored form of each model.
for model in QM210 QM540; do
    folder="$work/$model"
    cli forms
    id=$(awk -F'\t' -v m="$model" '$2 == m { print $1; exit }' "$work/out")
    [[ -n "$id" ]] || fail "no hay formulario predefinido $model"
    start --model "${model,,}"

    cli --port "$device" --yes quick "$id"
    [[ $code -eq 0 ]] || fail "$model: quick terminó con $code: $(cat "$work/err")"
    cli --port "$device" read --save-as Copia
    [[ $code -eq 0 ]] || fail "$model: read terminó con $code: $(cat "$work/err")"
    head -n1 "$work/out" | grep -q "^Lectura actual de zonas de la impresora " || fail "$model: read no mostró el log"
    grep -q "^Guardado como \"Copia\"" "$work/out" || fail "$model: read no guardó: $(cat "$work/out")"
    grep -qx "Leyendo zona 060" "$work/err" || fail "$model: read no mostró su avance"
    [[ -f "$folder/Actual impresora.log" ]] || fail "$model: falta Actual impresora.log"

    diff=$(python3 "$work/compare.py" "$folder/Brela.ZON" "$folder/Facturas.db" "$model")
    [[ -z "$diff" ]] || fail "$model: $diff"

    cli validate Copia
    [[ $code -eq 0 ]] || fail "$model: validar Copia terminó con $code: $(cat "$work/out")"
    kill -TERM "$pid"
    wait "$pid" || fail "$model: brela-emulator no terminó limpio"
    echo "$model: Copia es lo que envió el script"
done
echo "cli_read: ok"
