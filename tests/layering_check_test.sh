#!/usr/bin/env bash
# The layering check itself: on a small tree with one break of each rule it
# names every break by file and line and fails; the same tree mended passes.
#   layering_check_test.sh <layering_check.sh>
set -euo pipefail
check=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
src=$tmp/src
mkdir -p "$src"/{engine,scene,framework/deep}

cat > "$src/engine/kiv_base.h" <<'CPP'
#pragma once
#include "engine/engine_host.h"
#include "screens/save_mode.h"
class CMsgMode;
CPP
cat > "$src/scene/a.cpp" <<'CPP'
#include "scene/a.h"
#  include "engine/kiv_base.h"
CPP
printf '#pragma once\n#include "engine/engine_host.h"\n' > "$src/scene/a.h"
printf '#include "framework/b.h"\n#include <graphics/blit.h>\n' > "$src/framework/deep/b.cpp"
printf 'kv_glob_library(kv_framework DIRS x DEPS kv_platform kv_graphics)\n' > "$src/framework/CMakeLists.txt"

expected="engine/kiv_base.h:3:#include \"screens/save_mode.h\": the engine object's header includes a screen (forward-declare it; the user includes its header)
scene/a.cpp:2:#  include \"engine/kiv_base.h\": the scene includes the engine object (use engine/engine_host.h)
framework/deep/b.cpp:2:#include <graphics/blit.h>: the framework includes a graphics header (the graphics build on the framework)
framework/CMakeLists.txt:1:kv_glob_library(kv_framework DIRS x DEPS kv_platform kv_graphics): the framework library links a library that builds on it"
if out=$(bash "$check" "$src"); then
  echo "FAIL: the check passed a tree with breaks"
  exit 1
fi
if [ "$out" != "$expected" ]; then
  echo "FAIL: the check reported"
  echo "$out"
  echo "expected"
  echo "$expected"
  exit 1
fi

sed -i '/screens\//d' "$src/engine/kiv_base.h"
sed -i 's|engine/kiv_base.h|engine/engine_host.h|' "$src/scene/a.cpp"
sed -i '/graphics\//d' "$src/framework/deep/b.cpp"
sed -i 's/ kv_graphics//' "$src/framework/CMakeLists.txt"
if ! out=$(bash "$check" "$src"); then
  echo "FAIL: the check refused a mended tree"
  echo "$out"
  exit 1
fi
echo "ok"
