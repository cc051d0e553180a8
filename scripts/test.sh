#!/usr/bin/env bash
# Builds everything and runs every test: a normal optimised build, then the same
# suites under the address and undefined-behaviour sanitizers. The suites run
# inside a virtual X server so the editor's window tests have a display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=${JOBS:-2}

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  xvfb-run -a -s '-screen 0 2200x1400x24' ctest --test-dir "$dir" -j"$jobs" --output-on-failure
}

run_suite build
run_suite build-asan -DVESK_SANITIZE=address,undefined -DVESK_BUILD_BENCH=OFF

# The threaded tests once more under ThreadSanitizer.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Release -DVESK_SANITIZE=thread -DVESK_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$jobs" --target realtime_tests controller_tests arpeggiator_tests effects_tests editor_tests
ctest --test-dir build-tsan -R '^(Concurrency\.|ControllerTest\.Concurrent|ArpConcurrency\.|EffectsConcurrency\.|EditorThreads\.)' --output-on-failure
