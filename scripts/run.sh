#!/usr/bin/env bash
# Sets up and builds Brela, then starts it with an emulated QM540F printer on
# COM1, so a machine without a printer shows a working one. Without a display
# it runs on a virtual one (Xvfb).
#
#   BRELA_PRINTER=real bash scripts/run.sh   use the real printer instead (the
#                                            port stored in the program; map a
#                                            device with BRELA_COM1=/dev/ttyUSB0)
#   BRELA_MODEL=qm210 bash scripts/run.sh    emulate a QM210F instead
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

emulator_pid=""
cleanup() { [[ -n "$emulator_pid" ]] && kill "$emulator_pid" 2>/dev/null || true; }
trap cleanup EXIT
trap "exit 130" INT TERM

if [[ "${BRELA_PRINTER:-emulator}" != real ]]; then
  # The emulated printer keeps its configuration between runs, like a real one.
  coproc EMULATOR { exec build/brela-emulator --model "${BRELA_MODEL:-qm540}" --state build/impresora-emulada.json; }
  emulator_pid=$EMULATOR_PID
  read -r device <&"${EMULATOR[0]}"
  export BRELA_COM1="$device"
  echo "Impresora emulada (${BRELA_MODEL:-qm540}) en $device, como COM1; imprime en build/impresora-emulada-impreso.txt."
fi

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  build/brela "$@"
else
  echo "Sin pantalla: Brela se inicia en una pantalla virtual (Xvfb)."
  xvfb-run -a -s "-screen 0 1280x1024x24" build/brela "$@"
fi
