#!/bin/sh
# Seed corpus of the Ogg source: short Vorbis streams in every channel format
# made by gensound. Arguments: corpus folder, tools folder.
set -e
out=$1
gen=$2/gensound
mkdir -p "$out"
"$gen" ogg "$out/music.ogg" --rate 44100 --channels 2 --seconds 0.3 --wave chirp
"$gen" ogg "$out/voice.ogg" --rate 44100 --channels 1 --seconds 0.2 --wave noise
"$gen" ogg "$out/effect.ogg" --rate 22050 --channels 2 --seconds 0.4 --wave square --quality 0
"$gen" ogg "$out/tiny.ogg" --rate 22050 --channels 2 --frames 1
