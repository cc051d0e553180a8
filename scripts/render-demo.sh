#!/usr/bin/env bash
# Builds the plug-in and installs it into ~/.vst, where Linux hosts look for it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"${JOBS:-2}" --target Vesk
cmake --install build --component plugin
echo "installed $(ls ~/.vst/Vesk.so)"
