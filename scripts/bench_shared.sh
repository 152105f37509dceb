#!/usr/bin/env bash
# Opening a form and a validation run on a PostgreSQL library over a Unix
# socket, beside the same on Facturas.db. A server of its own is started
# (tests/pg/server.sh) and stopped.   bash scripts/bench_shared.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
state=$(mktemp -d)
trap 'bash tests/pg/server.sh stop "$state" >/dev/null; rm -rf "$state"' EXIT
# With fsync on, as a real server runs: SQLite syncs every commit too.
BRELA_PG_DURABLE=1 bash tests/pg/server.sh start "$state" >/dev/null
if [ ! -f "$state/url" ]; then cat "$state/missing" >&2; exit 77; fi
cmake --build build --target bench_shared >/dev/null
home=$(mktemp -d)
HOME=$home XDG_CONFIG_HOME=$home/.config build/tests/bench_shared "$(cat "$state/url")" "${1:-25}"
rm -rf "$home"
