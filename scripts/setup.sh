#!/usr/bin/env bash
# Installs the Debian packages Brela needs (only those missing) and builds it
# into build/. Safe to run again: a second run only rebuilds what changed.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ ninja-build libgtest-dev qt6-base-dev qt6-serialport-dev
          libqt6sql6-sqlite qt6-translations-l10n xvfb xauth python3)
bash scripts/install_missing.sh "${packages[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRELA_WERROR="${BRELA_WERROR:-OFF}" >/dev/null
cmake --build build -j "$(nproc)"
