#!/usr/bin/env bash
# Builds the panel and runs every test headless: a plain build with warnings as errors, then
# the same under AddressSanitizer and UndefinedBehaviorSanitizer, then the fuzz targets.
# TESSAREL_TEST_QUICK=1 runs the plain build only.
set -euo pipefail
cd "$(dirname "$0")/.."

# stage_done <name>: prints how long the stage begun at $stage_start took, and keeps it.
stage_times=""
stage_done() {
  local took=$((SECONDS - stage_start))
  stage_times+=$(printf '  %-10s %3d min %02d s' "$1" $((took / 60)) $((took % 60)))$'\n'
  echo "== stage $1: $took s"
  stage_start=$SECONDS
}

stage_start=$SECONDS
./scripts/install-deps.sh
# Seconds now rather than a link error after the long builds.
if [ "${TESSAREL_TEST_QUICK:-0}" = 1 ]; then ./scripts/preflight.sh panel; else ./scripts/preflight.sh test; fi
jobs=${TESSAREL_JOBS:-$(nproc)}
export QT_QPA_PLATFORM=offscreen

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSAREL_WERROR=ON "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

stage_done setup
run_suite build
stage_done plain
if [ "${TESSAREL_TEST_QUICK:-0}" != 1 ]; then
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    run_suite build-sanitize -DTESSAREL_SANITIZE=ON
  stage_done sanitizer
  # The fuzz build only needs the fuzz targets; the suite itself ran twice already.
  cmake -S . -B build-fuzz -DTESSAREL_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug
  cmake --build build-fuzz -j "$jobs" --target fuzz_sequence_file fuzz_step_line fuzz_interpolation \
    fuzz_channel_setup fuzz_recovery_file fuzz_step_clipboard fuzz_receive
  ctest --test-dir build-fuzz --output-on-failure -L fuzz -j "$jobs"
  stage_done fuzz
fi
printf 'stage times:\n%s' "$stage_times"
echo "all tests passed"
