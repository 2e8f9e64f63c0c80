#!/usr/bin/env bash
# The libraries' layering: the engine object's header names its screens
# without including them, the scene reaches the engine through its host
# interface and never includes the engine object, the framework includes
# nothing of the graphics and its library links no library above it. Every
# break is named by file and line; the exit status is 1 when there is one.
#   layering_check.sh <source root>
set -uo pipefail
root=$1
cd "$root" || exit 2
include='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]'
status=0

report() {  # <grep -n output> <what is wrong>
  local line
  while IFS= read -r line; do
    [ -n "$line" ] || continue
    echo "$line: $2"
    status=1
  done <<<"$1"
}

if [ -f engine/kiv_base.h ]; then
  report "$(grep -nHE "${include}screens/" engine/kiv_base.h)" \
    "the engine object's header includes a screen (forward-declare it; the user includes its header)"
fi
if [ -d scene ]; then
  report "$(grep -rnHE "${include}engine/kiv_base\.h" scene --include='*.h' --include='*.cpp')" \
    "the scene includes the engine object (use engine/engine_host.h)"
fi
if [ -d framework ]; then
  report "$(grep -rnHE "${include}graphics/" framework --include='*.h' --include='*.cpp')" \
    "the framework includes a graphics header (the graphics build on the framework)"
  if [ -f framework/CMakeLists.txt ]; then
    report "$(grep -nHE 'kv_glob_library\(kv_framework\b.*\b(kv_graphics|kv_sound|kv_engine|kv_app)\b' framework/CMakeLists.txt)" \
      "the framework library links a library that builds on it"
  fi
fi
exit $status
