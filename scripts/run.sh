#!/usr/bin/env bash
# Sets up and builds Brela, then starts it. Without a display it runs on a
# virtual one (Xvfb), which is enough to check that it starts.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec build/brela "$@"
fi
echo "Sin pantalla: Brela se inicia en una pantalla virtual (Xvfb)."
exec xvfb-run -a -s "-screen 0 1280x1024x24" build/brela "$@"
