#!/usr/bin/env bash
# Installs what is missing, builds kivzo, stages the sample game and starts it.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build kivzo stage
cd build/stage && exec ./kivzo
