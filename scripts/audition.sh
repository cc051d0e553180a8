#!/bin/sh
# Auditions one bank of the factory programs (0, 1 or 2): out/audition/bankN.flac
# plays a chord, a line and a wheel sweep on every program in turn;
# bankN.tsv lists name, category, peak, loudness and release time per
# program; bankN.png tiles a labelled spectrogram of each phrase.
set -eu
bank="${1:?usage: scripts/audition.sh BANK (0, 1 or 2)}"
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"${JOBS:-2}" --target vesk-audition

out=out/audition
mkdir -p "$out"
build/vesk-audition "$bank" "$out"

# One labelled tile per program, in program order.
set --
# read joins empty tab-separated fields, so an empty category (Init) becomes "-".
tail -n +2 "$out/bank$bank.tsv" | sed "s/\t\t/\t-\t/g" | {
  while IFS="$(printf '\t')" read -r program name category peak loudness release; do
    set -- "$@" -label "$name
$category $loudness dB" "$out/$(printf %03d "$program").pgm"
  done
  montage "$@" -font DejaVu-Sans -tile 8x -geometry +4+4 -pointsize 11 -background white "$out/bank$bank.png"
}
rm -f "$out"/[0-9][0-9][0-9].pgm
echo "bank $bank: $out/bank$bank.flac, $out/bank$bank.tsv, $out/bank$bank.png"
