#!/usr/bin/env bash
# Counts instructions and cache misses (callgrind's cache simulation) of the held
# renders of scripts/bench.sh, per voice-sample and per stage, for one patch
# and voice count. Instruction counts repeat from run to run, so they decide
# between two versions where the busy machine's timings cannot.
#   scripts/profile-render.sh plain|heavy VOICES [MODULE]
# MODULE defaults to build/Vesk.so; name an older build to compare.
set -euo pipefail
cd "$(dirname "$0")/.."
patch="${1:?plain or heavy}"
voices="${2:?voice count}"
module="${3:-build/Vesk.so}"
seconds=0.25
out="$(mktemp -d)"
cmake --build build -j"${JOBS:-2}" --target render_bench >/dev/null
bench=(build/bench/render/render_bench --vesk "$module" --peer none --no-stages --runs 1 --seconds "$seconds"
       --patch "$patch" --voices "$voices")
# The simulated last level is this machine's L2 (512 KiB a core), the level
# the tables and voice state fall out of; valgrind would take the L3.
valgrind -q --tool=callgrind --cache-sim=yes --D1=32768,8,64 --LL=524288,8,64 --toggle-collect='*heldRender*' \
  --callgrind-out-file="$out/cg" "${bench[@]}" 2>&1 >/dev/null | grep -v 'L3 cache found' || true
samples=$(awk -v v="$voices" -v s="$seconds" 'BEGIN { print v * s * 48000 }')

echo "$patch, $voices voices, $module, per voice-sample (inclusive):"
printf '  %-30s %9s %9s %9s\n' stage instr L1-miss L2-miss
callgrind_annotate --inclusive=yes --show=Ir,D1mr,D1mw,DLmr,DLmw "$out/cg" 2>/dev/null | awk -v n="$samples" '
  / \?\?\?:/ && $1 ~ /^[0-9,]+$/ {
    counts = $0; sub(/\?\?\?:.*$/, "", counts); gsub(/\([^)]*%\)/, "", counts); gsub(/,/, "", counts)
    split(counts, v, " ")
    name = $0; sub(/^[^?]*\?\?\?:/, "", name); sub(/ \[.*$/, "", name)
    sub(/^[a-z]+ \(anonymous namespace\)::/, "", name); sub(/\(.*$/, "", name)
    sub(/^.*::/, "", name); sub(/<.*$/, "", name)
    if (!(name in ir)) order[++count] = name
    ir[name] += v[1]; l1[name] += v[2] + v[3]; l2[name] += v[4] + v[5]
  }
  END {
    for (i = 1; i <= count; ++i) {
      s = order[i]
      if (ir[s] / n >= 0.5 && s != "" && s !~ /^(0x.*|main|process|processReplacingEntry|heldRender|renderSeconds)$/)
        printf "  %-30s %9.1f %9.3f %9.3f\n", s, ir[s] / n, l1[s] / n, l2[s] / n
    }
  }'
rm -rf "$out"
