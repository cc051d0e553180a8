#!/usr/bin/env bash
# The Windows builds and their tests: Vesk.dll, vesk-render.exe and the test
# programs cross-built for 32- and 64-bit Windows with MinGW-w64, the tests
# run under Wine, then both renders compared with the native build's. Needs
# the native build in build/ (its generators and its vesk-render): run after
# scripts/test.sh has built it, or on its own once it exists.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-windows-deps.sh
jobs=${JOBS:-2}

# A Wine prefix of this run's own, made once, gone afterwards.
scratch=$(mktemp -d)
export WINEPREFIX=$scratch/wine
trap 'wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
# Made before the tests start, so that no test's time limit pays for it.
WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= wineboot -i >/dev/null 2>&1 || true
wineserver -w

cmake --build build -j"$jobs" --target vesk_generators windows_render_tests
builds=()
for bits in 32 64; do
  dir=build-win$bits
  arch=$([ $bits = 32 ] && echo i686 || echo x86_64)
  cmake -S . -B "$dir" --toolchain cmake/toolchains/mingw-w64-$arch.cmake -DCMAKE_BUILD_TYPE=Release \
        -DVESK_GENERATORS="$PWD/build/VeskGenerators.cmake" >/dev/null
  cmake --build "$dir" -j"$jobs"
  # A display for the editor's window tests. Now and then Wine fails to start
  # a program at all ("ShellExecuteEx failed"); a second try tells that apart
  # from a test that fails, which fails again.
  xvfb-run -a -s '-screen 0 2200x1400x24' ctest --test-dir "$dir" -j"$jobs" --output-on-failure --repeat until-pass:2
  builds+=("$PWD/$dir")
done

VESK_WINDOWS_BUILDS=$(IFS=:; echo "${builds[*]}") \
  ctest --test-dir build -R '^WindowsRender\.' --output-on-failure
