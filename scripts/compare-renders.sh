#!/usr/bin/env bash
# Renders the demo and the heavy benchmark patch with two builds of the
# plug-in and prints the peak difference of each pair. A change meant to keep
# the sound stays at or below -90 dBFS; the script fails when one does not.
#   scripts/compare-renders.sh BEFORE_MODULE [AFTER_MODULE]
# AFTER_MODULE defaults to build/Vesk.so. Keep a build of the base commit
# aside for BEFORE_MODULE.
set -euo pipefail
cd "$(dirname "$0")/.."
before="${1:?the module built before the change}"
after="${2:-build/Vesk.so}"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"${JOBS:-2}" --target Vesk vesk-render vesk_demo_midi render_bench render_difference >/dev/null
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

build/bench/render/render_bench --heavy-settings >"$out/heavy.params"
# Eight layers on each of five keys over five octaves, some entering late.
heavyNotes=(--note 36:0:3 --note 50:0:3 --note 64:0.5:2.5 --note 79:1:2 --note 93:1.5:1.5)
status=0
for module in "$before" "$after"; do
  side=$([ "$module" = "$before" ] && echo before || echo after)
  build/vesk-render -q --module "$module" build/demo.mid --program-name "Amber Fields" -o "$out/demo-$side.wav"
  build/vesk-render -q --module "$module" --program-name Init --params "$out/heavy.params" "${heavyNotes[@]}" \
    --tail 4 -o "$out/heavy-$side.wav" 2> >(grep -v "still sounding" >&2)
done
for render in demo heavy; do
  printf '%-6s ' "$render"
  build/bench/render/render_difference "$out/$render-before.wav" "$out/$render-after.wav" || status=1
done
exit $status
