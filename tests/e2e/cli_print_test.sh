#!/usr/bin/env bash
# Test documents through brela-cli on an emulated printer configured with a
# generated script: what the emulator prints lands inside the zones the
# configuration gave it.
set -euo pipefail

source "$(dirname "$0")/lib/emulator.sh"

folder="$work/carpeta"

# brela-cli on the emulator; sets $code, output in $work/out and $work/err.
cli() { run_cli 120 --folder "$folder" --port "$device" "$@"; }

# Checks texts at the places of the zones the printer holds. Each check is
# "page zone line text [right]": the text starts at the zone's left column
# (ends at its right one with "right") on line `line` of the zone.
cat >"$work/zones.py" <<'PY'
import json, sys
state, printed = json.load(open(sys.argv[1])), open(sys.argv[2], encoding="utf-8").read()
pages, page = [], None
for line in printed.split("\n"):
    if line.startswith("===="):
        page = {"title": line, "rows": []}
        pages.append(page)
    elif page is not None and line.startswith("|"):
        page["rows"].append(line[1:-1])
problems = []
for check in sys.argv[3:]:
    number, zone, offset, text, *right = check.split("|")
    rows = pages[int(number)]["rows"] if int(number) < len(pages) else []
    left, top, end, bottom = state["zones"][str(int(zone))]
    row = rows[top + int(offset)] if top + int(offset) < len(rows) else ""
    found = row[end + 1 - len(text):end + 1] if right else row[left:left + len(text)]
    if found != text or top + int(offset) > bottom:
        problems.append("hoja %s zona %s: se esperaba %r, se imprimió %r" % (number, zone, text, found))
print("\n".join(problems))
PY

# The titles of the printed pages, in order.
titles() { grep '^====' "$printed" || true; }

# The printer holds what the script of "Factura Oficio QM540 12 CPI" declares:
# its sheet and zones go into the emulator's saved state before it starts.
state="$work/printer.json"
printed="$work/printer-impreso.txt"
"$build/brela-cli" --folder "$folder" generate 4 -o "$work/form.ZON" >/dev/null 2>&1 || fail "generate 4 falló"
python3 - "$work/form.ZON" "$state" <<'PY'
import json, sys
sheet, zones = None, {}
for raw in open(sys.argv[1], "rb").read().split(b"\r\n"):
    fields = raw.strip(b" ").split(b"|")
    if fields[0] == "@TAMAÑO".encode("cp1252"):
        sheet = [int(fields[2]), int(fields[3])]
    elif fields[0] == b"@ZONA":
        zones[str(int(fields[2]))] = [int(float(v)) for v in fields[3:7]]
json.dump({"sheet": sheet, "zones": zones}, open(sys.argv[2], "w"))
PY
start --model qm540 --state "$state"

cli print-test F A
[[ $code -eq 0 ]] || fail "F A terminó con $code: $(cat "$work/err")"
[[ "$(cat "$work/out")" == "Comprobante impreso: Factura 'A' Nro. 00000001" ]] || fail "F A dijo $(cat "$work/out")"
[[ "$(cat "$work/err")" == $'IMPRESION: Factura \'A\' Nro. 00000001\nSe imprimió correctamente' ]] ||
    fail "F A avisó $(cat "$work/err")"
cli print-test C X
[[ $code -eq 0 ]] || fail "C X terminó con $code: $(cat "$work/err")"
[[ "$(cat "$work/out")" == "Comprobante impreso: Cotizaciones 'X' Nro. 00000001" ]] || fail "C X dijo $(cat "$work/out")"
[[ $(titles | grep -c "hoja 1 de 1 ====$") -eq 2 ]] || fail "se esperaban dos comprobantes: $(titles)"

# Customer data, items and totals of the invoice (page 0), the quotation's text (page 1).
problems=$(python3 "$work/zones.py" "$state" "$printed" \
    "0|022|0|CLIENTE DE PRUEBA" "0|034|0|CUIT 20123456786" "0|010|0|FACTURA A" "0|010|1|Nro. 00000001" \
    "0|062|0|DESCRIPCION ADICIONAL 1" "0|062|1|PRODUCTO PRUEBA 1" "0|061|1|1,000|r" "0|063|1|0,01|r" \
    "0|065|1|0,01|r" "0|091|0|0,01|r" "0|097|0|0,01|r" "0|101|0|CONTADO PRUEBA" "0|102|0|1,00|r" \
    "1|010|0|COTIZACION X" "1|060|0|Linea 1 de texto de cotizacion indicando precio y condiciones, pue")
[[ -z "$problems" ]] || fail "$problems"
echo "cli_print_test: ok"
