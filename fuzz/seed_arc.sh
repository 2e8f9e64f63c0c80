#!/bin/bash
# Seed corpus for fuzz_arc: archives made by the project's packer.
# Arguments: corpus folder, tools folder.
set -eu
out=$1
tools=$2
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'hello' > "$work/a.txt"
printf '' > "$work/empty.bin"
head -c 3000 /dev/zero | tr '\0' 'x' > "$work/big.bin"
printf '::START\r\n^ret\r\n::END\r\n' > "$work/start.txt"
"$tools/aospack" "$out/one.aos" START.SCR="$work/start.txt"
"$tools/aospack" "$out/three.aos" --label SCR A.TXT="$work/a.txt" b.bin="$work/big.bin" EMPTY="$work/empty.bin"
"$tools/aospack" "$out/twins.aos" ABC="$work/a.txt" abc="$work/a.txt" Abc="$work/a.txt"
"$tools/aospack" "$out/gap.aos" --base 600 A="$work/a.txt" B="$work/big.bin"
"$tools/aospack" "$out/entries.aos" A="$work/a.txt" --entry FAR:0x100000:16 --entry WRAP:0xFFFFFF00:0x200
"$tools/aospack" "$out/nonul.aos" NNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNN="$work/a.txt" --no-nul NNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNN
"$tools/aospack" "$out/oddsize.aos" A="$work/a.txt" B="$work/a.txt" --dirsize 90
