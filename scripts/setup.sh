#!/usr/bin/env bash
# Installs the Debian packages Brela needs (only those missing) and builds it
# into build/. Safe to run again: a second run only rebuilds what changed.
set -euo pipefail
cd "$(dirname "$0")/.."

# postgresql and libqt6sql6-psql: the shared library's server and Qt's
# driver, for the tests that run on a PostgreSQL server of their own.
packages=(cmake g++ ninja-build libgtest-dev qt6-base-dev qt6-serialport-dev
          libqt6sql6-sqlite libqt6sql6-psql postgresql qt6-translations-l10n xvfb xauth python3 ccache)
bash scripts/install_missing.sh "${packages[@]}"

# ccache keeps a second build (the sanitizer one, another clone) from
# compiling again what has not changed; paths count from the checkout.
export CCACHE_BASEDIR="$PWD"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
      -DBRELA_WERROR="${BRELA_WERROR:-OFF}" >/dev/null
cmake --build build -j "$(nproc)"
