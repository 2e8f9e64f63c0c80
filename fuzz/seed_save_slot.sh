#!/bin/sh
# Seed corpus of fuzz_save_slot: sample files written by the engine's own
# encoders (tools/save_fixtures). Arguments: corpus folder, tools folder.
set -e
out="$1"
tools="$2"
mkdir -p "$out"
"$tools/save_fixtures" slot "$out"
