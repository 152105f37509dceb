#!/usr/bin/env bash
# brela-emulator on a real pseudo-terminal: a host-side frame written to the
# device gets a checked answer, closes keep the line alive with DC2, the link
# and the state file behave, and a hang-up fault really ends the line.
set -euo pipefail

source "$(dirname "$0")/lib/emulator.sh"

# A small host: sends one frame per argument ("command|field|field..."),
# prints each answer's fields joined by "|" and the number of DC2 seen.
cat >"$work/host.py" <<'EOF'
import os, select, sys, termios, time, tty

fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY)
tty.setraw(fd)
seq = 40

def frame(seq, cmd, fields):
    body = bytes([seq, cmd]) + b"".join(b"\x1c" + f for f in fields)
    return b"\x02" + body + b"\x03" + b"%04X" % ((2 + sum(body) + 3) % 65536)

def read_answer(deadline):
    data = b""
    while time.monotonic() < deadline:
        etx = data.find(b"\x03")
        if etx >= 0 and len(data) >= etx + 5:
            return data
        ready, _, _ = select.select([fd], [], [], 0.05)
        if ready:
            try:
                chunk = os.read(fd, 4096)
            except OSError:
                return data + b"<EIO>"
            if not chunk:
                return data + b"<EOF>"
            data += chunk
    return data

for request in sys.argv[2:]:
    command, *fields = request.split("|")
    seq += 2
    try:
        os.write(fd, frame(seq, int(command), [f.encode("latin-1") for f in fields]))
    except OSError:
        print("SIN RESPUESTA <EIO>")
        continue
    raw = read_answer(time.monotonic() + 8)
    dc2 = raw.count(b"\x12")
    raw = raw.replace(b"\x12", b"")
    etx = raw.find(b"\x03")
    if not raw.startswith(b"\x02") or etx < 0:
        print("SIN RESPUESTA", raw)
        continue
    body, check = raw[1:etx], raw[etx + 1:etx + 5]
    ok = check == b"%04X" % ((2 + sum(body) + 3) % 65536) and body[0] == seq and body[1] == int(command)
    fields = body[3:].split(b"\x1c")
    print(("OK" if ok else "MAL") + "|" + b"|".join(fields).decode("latin-1") + "|dc2=%d" % dc2)
EOF

# The first model: status N names it, a Z close answers after DC2, the state
# is saved and the link removed on SIGTERM.
start --model qm210 --link "$work/impresora" --state "$work/estado.json"
[[ "$(readlink "$work/impresora")" == "$device" ]] || fail "el enlace no apunta al dispositivo"
answers="$(python3 "$work/host.py" "$work/impresora" "42|N" "57|Z|P" "93|66|NO")"
echo "$answers"
mapfile -t lines <<<"$answers"
[[ "${lines[0]}" == OK\|0080\|0600\|*\|C\|dc2=0 ]] || fail "estado N: ${lines[0]}"
[[ "${lines[1]}" == OK\|0080\|0600\|0001\|0\|dc2=3 ]] || fail "cierre Z: ${lines[1]}"
[[ "${lines[2]}" == "OK|0080|8610|dc2=0" ]] || fail "encabezado 66: ${lines[2]}"
kill -TERM "$pid"
wait "$pid" || fail "brela-emulator no terminó limpio"
[[ ! -e "$work/impresora" ]] || fail "el enlace quedó"
grep -q '"zNumber": 1' "$work/estado.json" || fail "el estado no se guardó"

# The later model, restarted on the saved state, at a paced 9600 baud.
start --model qm540 --baud 9600 --state "$work/estado.json"
answers="$(python3 "$work/host.py" "$device" "42|N" "42|T")"
echo "$answers"
mapfile -t lines <<<"$answers"
[[ "${lines[0]}" == OK\|*\|G\|dc2=0 ]] || fail "estado N del segundo modelo: ${lines[0]}"
[[ "${lines[1]}" == "OK|0080|0600|0|0001|0000|dc2=0" ]] || fail "estado T tras reinicio: ${lines[1]}"
kill -INT "$pid"
wait "$pid" || fail "brela-emulator no terminó con SIGINT"

# A hang-up after one answer: the emulator leaves and the line reports it.
start --fault hangup:1
answers="$(python3 "$work/host.py" "$device" "42" "42")"
echo "$answers"
mapfile -t lines <<<"$answers"
[[ "${lines[0]}" == OK\|0080\|0600\|* ]] || fail "primera respuesta: ${lines[0]}"
[[ "${lines[1]}" == SIN\ RESPUESTA* ]] || fail "tras el corte: ${lines[1]}"
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
! kill -0 "$pid" 2>/dev/null || fail "brela-emulator sigue vivo tras el corte"
wait "$pid" || fail "brela-emulator terminó con error tras el corte"

# Bad usage is refused with exit 2.
set +e
"$build/brela-emulator" --fault explota >/dev/null 2>"$work/err"; code=$?
set -e
[[ $code -eq 2 ]] || fail "una falla desconocida debería dar 2, dio $code"
grep -q "valor no válido para --fault" "$work/err" || fail "sin mensaje de uso"
echo "emulator_pty: ok"
