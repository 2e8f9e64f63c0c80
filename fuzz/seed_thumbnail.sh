#!/bin/sh
# Seed corpus of fuzz_thumbnail: sample files written by the engine's own
# encoders (tools/save_fixtures). Arguments: corpus folder, tools folder.
set -e
out="$1"
tools="$2"
mkdir -p "$out"
"$tools/save_fixtures" thumbnail "$out"
