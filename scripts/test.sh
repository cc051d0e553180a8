#!/usr/bin/env bash
# Builds everything and runs every test: a normal optimised build, then the same
# suites under the address and undefined-behaviour sanitizers, then the
# threaded suites under ThreadSanitizer, then the Windows builds under Wine.
# The suites run inside a virtual X server so the editor's window tests have a
# display. `ctest -L fast` in a
# build tree runs the quick suites alone.
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

# Every suite labelled `threads` once more under ThreadSanitizer.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Release -DVESK_SANITIZE=thread -DVESK_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$jobs" --target threaded_tests
ctest --test-dir build-tsan -L threads -j"$jobs" --output-on-failure

# The 32- and 64-bit Windows builds, their tests under Wine and their renders
# against the native build's.
scripts/test-windows.sh
