#!/bin/sh
# Seed corpus of the movie decoder: short movies of several containers and
# codecs, with and without sound (a tenth of a second of tone keeps each
# seed small), made by movie_gen. Arguments: corpus folder, tools folder.
set -e
out=$1
gen=$2/movie_gen
mkdir -p "$out"
"$gen" "$out/png.avi" --codec png --size 16x12 --fps 10 --frames 3 --tone 440 --rate 22050 --channels 1 --audio-seconds 0.1
"$gen" "$out/raw.avi" --codec raw --size 8x6 --fps 5 --frames 2
"$gen" "$out/mpeg4.avi" --codec mpeg4 --size 32x16 --fps 10 --frames 6 --tone 300 --audio-seconds 0.1
"$gen" "$out/ffv1.mkv" --codec ffv1 --size 16x16 --fps 10 --frames 3
"$gen" "$out/mjpeg.avi" --codec mjpeg --size 16x16 --fps 10 --frames 2
"$gen" "$out/mpeg1.mpg" --codec mpeg1 --size 32x32 --fps 25 --frames 4 --tone 440 --audio-codec mp2 --audio-seconds 0.1
"$gen" "$out/tone.mkv" --no-video --tone 440 --audio-seconds 0.1
