#!/bin/sh
# Seed corpus of the run-decoder fuzzer: the .abm fuzzer's pictures and a
# longer picture whose runs cross pixels. Arguments: corpus folder, tools
# folder.
set -e
sh "$(dirname "$0")/seed_abm.sh" "$1" "$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'variant 32\nsize 40 3\nfill 50 FF102030\npattern 40 9\nfill 30 00000000\n' > "$work/long.recipe"
"$2/abmpack" "$1/long32" "$work/long.recipe"
