#!/bin/sh
# Seed corpus of fuzz_read_mark_file: sample files written by the engine's own
# encoders (tools/save_fixtures). Arguments: corpus folder, tools folder.
set -e
out="$1"
tools="$2"
mkdir -p "$out"
"$tools/save_fixtures" readal "$out"
