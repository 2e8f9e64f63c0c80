#!/bin/bash
# Seed corpus for fuzz_huffman: blocks made by the project's encoder.
# Arguments: corpus folder, tools folder.
set -eu
out=$1
tools=$2
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'AAA' > "$work/one"
printf '\000\377\377' > "$work/two"
printf '' > "$work/empty"
printf '::START\n[名前]\n「こんにちは」\n^ret\n::END\n' > "$work/script"
head -c 2000 /dev/urandom > "$work/random"
seq 1 300 > "$work/numbers"
for f in one two empty random numbers; do
  "$tools/hufpack" encode "$work/$f" "$out/$f.blk"
done
"$tools/hufpack" encode "$work/script" "$out/script.blk" --text
"$tools/hufpack" encode "$work/numbers" "$out/cut.blk" --cut 5
"$tools/hufpack" encode "$work/numbers" "$out/announce.blk" --announce 5000
"$tools/hufpack" bits "$out/deep.blk" 1 1111111111 0
