#!/usr/bin/env bash
# Builds the plug-in and installs it into ~/.vst, where Linux hosts look for
# it, then plays the bundled demo through it with vesk-render into
# out/demo.flac.
#   --seconds N   render only the first N seconds (and the release tail);
#                 VESK_DEMO_SECONDS does the same
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${VESK_DEMO_SECONDS:-}"
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds="${2:?--seconds needs a number}"; shift 2 ;;
    *) echo "usage: scripts/render-demo.sh [--seconds N]" >&2; exit 2 ;;
  esac
done

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"${JOBS:-2}" --target Vesk vesk-render vesk_demo_midi
cmake --install build --component plugin
echo "installed $(ls ~/.vst/Vesk.so)"

mkdir -p out
excerpt=()
[ -n "$seconds" ] && excerpt=(--seconds "$seconds")
build/vesk-render build/demo.mid --program-name "Amber Fields" "${excerpt[@]}" \
  -o out/demo.flac
echo "the demo is in $(pwd)/out/demo.flac"
