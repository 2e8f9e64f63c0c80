#!/bin/sh
# Seed corpus of the .abm fuzzer: one small picture of every variant, made by
# the project's own encoder. Arguments: corpus folder, tools folder.
set -e
corpus="$1"
tools="$2"
mkdir -p "$corpus"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make() {
  printf '%b' "$2" > "$work/$1.recipe"
  "$tools/abmpack" "$corpus/$1" "$work/$1.recipe"
}
make coded32 'variant 32\nsize 5 3\npattern 15 1\n'
make pairs32 'variant 32\nsize 4 1\npairs 0 2 255 4 10 20 30 40 128 77 5 66 128 77 0 3\n'
make index248 'variant 248\nsize 4 2\npalette 0 9 9 9\npalette 3 1 2 3\nidx 0:0 3:255 3:128 3:255 0:0 0:0 3:1 3:255\n'
make bmp24 'variant 24\nsize 3 2\noffset 60\npattern 6 2\n'
make bmp24td 'variant 24\nsize 2 -2\npattern 4 3\n'
make bmp8 'variant 8\nsize 3 3\npalette 1 10 20 30\nidx 1 0 1 0 1 0 1 0 1\n'
make stacked1 'variant 1\nsize 3 2\nframe\npattern 6 4\nframe\npattern 6 5\nseq 2 0 1\nseq 0 1\norder 1 0\ngap 3\n'
make stacked3 'variant 3\nsize 2 2\nframe\npattern 4 6\nframe\npattern 4 7\nseq 1 0 1 0\n'
make parts2 'variant 2\nsize 4 2\npart 0 0 4 2 0\nfill 8 FF101010\npart 1 0 1 1 7\nfill 1 FF0000AA\npart 2 1 2 1 9\nfill 2 FF00BB00\nseq 0 0\nseq 1 0 1\nseq 2 0 2\n'
