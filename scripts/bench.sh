#!/usr/bin/env bash
# Builds the render benchmark and runs it against the peer synth amsynth
# (installed from Debian when missing and run as root): whole renders of both
# patches at 8, 32 and 72 voices with their spread across runs, then the
# oscillator stage alone. Extra arguments go to render_bench, e.g. --runs 5
# --seconds 2; scripts/profile-render.sh counts instructions per stage.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if ! [ -f /usr/lib/vst/amsynth_vst.so ] && [ "$(id -u)" -eq 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends amsynth
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"${JOBS:-2}" --target render_bench
# amsynth wants a writable settings folder; keep it out of the real home.
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/.local/share"
HOME="$home" build/bench/render/render_bench "$@"
