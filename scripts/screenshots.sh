#!/usr/bin/env bash
# Writes the README's editor pictures into docs/editor/: the sound pane, the
# four pages, the sound pane at scale 2 (cropped), and at scale 2 the cutoff
# knob with its value pop-up mid-drag and with its right-click menu (cropped),
# each taken from a real X11 window by vesk-editor-host under a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"${JOBS:-2}" --target Vesk vesk-editor-host
out=docs/editor
mkdir -p "$out"
shot() { xvfb-run -a -s '-screen 0 2200x1400x24' build/vesk-editor-host build/Vesk.so "$@"; }
# The scale is named: the editor would otherwise take the one it last used.
shot --scale 1 shot:$out/sound.png click:650,20 shot:$out/arp.png click:700,20 shot:$out/matrix.png \
  click:800,20 shot:$out/effects.png click:900,20 shot:$out/patch.png
shot --scale 2 shot:/tmp/vesk-scale2.png \
  press:644,130 move:644,165 shot:/tmp/vesk-popup.png release \
  rclick:644,130 move:660,163 shot:/tmp/vesk-menu.png
convert /tmp/vesk-scale2.png -crop 800x520+1180+60 +repage "$out/filter-at-2x.png"
convert /tmp/vesk-popup.png -crop 520x440+1192+88 +repage "$out/knob-popup.png"
convert /tmp/vesk-menu.png -crop 520x440+1192+88 +repage "$out/learn-menu.png"
rm -f /tmp/vesk-scale2.png /tmp/vesk-popup.png /tmp/vesk-menu.png
# Palette images are a fraction of the size and look the same.
for f in sound arp matrix effects patch filter-at-2x; do convert "$out/$f.png" -colors 256 "PNG8:$out/$f.png"; done
