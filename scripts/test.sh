#!/usr/bin/env bash
# Sets up and builds Brela, then runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cd build
ctest --output-on-failure -j "$(nproc)"
