#!/bin/sh
# Seed corpus of the wave reader: well-formed and odd wave files made by
# gensound. Arguments: corpus folder, tools folder.
set -e
out=$1
gen=$2/gensound
mkdir -p "$out"
i=0
for opts in "" "--channels 1 --rate 44100" "--fmt-size 18" "--fmt-size 40" "--fmt-size 14" \
            "--list-before-fmt" "--chunk-before-data junk:5" "--fmt-after-data" "--bits 8" \
            "--tag 3 --fmt-size 18" "--data-size 99999" "--cut 7"; do
  "$gen" wav "$out/seed$i.wav" --wave ramp --frames 300 $opts
  i=$((i + 1))
done
