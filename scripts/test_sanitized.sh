#!/usr/bin/env bash
# Builds Brela with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ and runs every test there: any report stops the program under
# test, so the test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export CCACHE_BASEDIR="$PWD"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRELA_ASAN=ON \
      -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DBRELA_WERROR="${BRELA_WERROR:-OFF}" >/dev/null
cmake --build build-asan -j "$(nproc)"
cd build-asan
ctest --output-on-failure -j "$(nproc)"
