#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz with clang's libFuzzer under
# AddressSanitizer and UndefinedBehaviorSanitizer (installing clang and its
# runtime from Debian when missing) and runs each target in turn.
#
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]     each target for SECONDS (default 60)
#   FUZZ_RUNS=10000000 bash scripts/fuzz.sh 0 script_reader    a number of executions instead
#
# Targets: script_reader answer_receiver emulator_frames validation_zones.
# New inputs go to build-fuzz/corpus/TARGET, findings to build-fuzz/findings/TARGET;
# copy a finding into tests/fuzz/corpus/TARGET once fixed, so every test run replays it.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(script_reader answer_receiver emulator_frames validation_zones)

packages=(clang-14 libclang-rt-14-dev)
bash scripts/install_missing.sh "${packages[@]}"

# Light optimisation and line tables only: quicker to build, and what libFuzzer expects.
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" -DBRELA_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

# Inputs longer than this teach a target nothing new and slow it down.
declare -A max_len=([script_reader]=512 [answer_receiver]=1024 [emulator_frames]=512 [validation_zones]=640)

export QT_QPA_PLATFORM=offscreen
# A smaller quarantine still catches a use after free within one input, and
# spares the kernel recycling 256 MB: a third of the run's time otherwise.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16}
status=0
for target in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$target" "build-fuzz/findings/$target"
  limit=(-max_total_time="$seconds")
  [[ -n "${FUZZ_RUNS:-}" ]] && limit=(-runs="$FUZZ_RUNS")
  echo "== $target"
  rc=0
  nice -n 19 "build-fuzz/tests/fuzz_$target" "${limit[@]}" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
    -max_len="${max_len[$target]:-4096}" \
    -artifact_prefix="build-fuzz/findings/$target/" \
    "build-fuzz/corpus/$target" "tests/fuzz/corpus/$target" >"build-fuzz/$target.log" 2>&1 || rc=$?
  grep -E '^(#[0-9]+ +DONE|==[0-9]+==ERROR|SUMMARY|stat::number_of_executed_units|stat::average_exec_per_sec)' \
    "build-fuzz/$target.log" || true
  ((rc == 0)) || { status=1; echo "   fallo: ver build-fuzz/$target.log y build-fuzz/findings/$target"; }
done
exit $status
