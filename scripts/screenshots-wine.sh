#!/usr/bin/env bash
# Writes docs/editor/sound-wine.png: the 32-bit Vesk.dll's editor in a Win32
# window of the Windows vesk-editor-host, under Wine on a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"${JOBS:-2}" --target vesk_generators
cmake -S . -B build-win32 --toolchain cmake/toolchains/mingw-w64-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-win32 -j"${JOBS:-2}" --target Vesk vesk-editor-host
out=docs/editor
mkdir -p "$out"
# Wine writes the picture through its Z: drive, which is the Unix root.
xvfb-run -a -s '-screen 0 2200x1400x24' scripts/wine-run.sh build-win32/vesk-editor-host.exe build-win32/Vesk.dll \
  shot:"$PWD/$out/sound-wine.png"
convert "$out/sound-wine.png" -colors 256 "PNG8:$out/sound-wine.png"
