#!/usr/bin/env bash
# The platform-boundary check itself: on a small source tree it names every
# forbidden use above platform/ by file and line, passes over comments,
# string literals, platform/ and the folders outside the engine, accepts
# what its allow-list names, and refuses an entry that matches nothing.
#   boundary_check_test.sh <boundary_check executable>
set -euo pipefail
check=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
src=$tmp/src
mkdir -p "$src"/{framework,engine/deep,sound,screens,platform/sdl,tests}

cat > "$src/framework/a.cpp" <<'CPP'
#include "framework/a.h"

#include <unistd.h>
#include <cstdint>
// fopen and getenv in a comment, <SDL.h> too
/* std::filesystem
   fopen */
const char* kText = "fopen getenv std::filesystem";
int n = 1'000;
std::FILE* f = std::fopen(kText, "rb");
const char* home = getenv("HOME");
int my_fopen_count = 0;
CPP
cat > "$src/engine/deep/b.h" <<'CPP'
#pragma once
#include "platform/backend.h"
#include "platform/file.h"
#  include "platform/sdl/sdl_backend.h"
#include "platform/fake/fake_backend.h"
#include "SDL.h"
namespace fs = std::filesystem;
CPP
cat > "$src/sound/c.cpp" <<'CPP'
#include <vorbis/vorbisfile.h>
#include <libswresample/swresample.h>
#include <locale.h>
#include <emmintrin.h>
#include <filesystem>
CPP
cat > "$src/screens/d.cpp" <<'CPP'
#include <SDL2/SDL.h>
#include <ft2build.h>
#include <fontconfig/fontconfig.h>
#include <iconv.h>
CPP
# Places the check leaves alone.
printf '#include <SDL.h>\nFILE* f = fopen("x", "r");\n' > "$src/platform/sdl/e.cpp"
printf '#include <unistd.h>\nFILE* f = fopen("x", "r");\n' > "$src/tests/t.cpp"
printf 'const char* h = getenv("HOME");\n' > "$src/main.cpp"

expected="engine/deep/b.h:2: \"platform/backend.h\": the backend interface
engine/deep/b.h:4: \"platform/sdl/sdl_backend.h\": the SDL backend's own header
engine/deep/b.h:5: \"platform/fake/fake_backend.h\": the fake backend's own header
engine/deep/b.h:6: \"SDL.h\": a header from outside the project
engine/deep/b.h:7: std::filesystem: only the platform may use it
framework/a.cpp:3: <unistd.h>: an OS or library header
framework/a.cpp:10: fopen: only the platform may use it
framework/a.cpp:11: getenv: only the platform may use it
screens/d.cpp:1: <SDL2/SDL.h>: an SDL header
screens/d.cpp:2: <ft2build.h>: a FreeType header
screens/d.cpp:3: <fontconfig/fontconfig.h>: a fontconfig header
screens/d.cpp:4: <iconv.h>: an iconv header
sound/c.cpp:1: <vorbis/vorbisfile.h>: a vorbis header
sound/c.cpp:2: <libswresample/swresample.h>: an FFmpeg header
sound/c.cpp:3: <locale.h>: a C header in its .h form, where the C library declares the OS's own extensions
sound/c.cpp:5: <filesystem>: the file system outside the platform"

fail() {
  echo "FAIL: $*"
  exit 1
}

: > "$tmp/empty.txt"
set +e
out=$("$check" "$src" "$tmp/empty.txt")
rc=$?
set -e
[ "$rc" = 1 ] || fail "with an empty allow-list the check gave $rc, not 1"$'\n'"$out"
got=$(printf '%s\n' "$out" | grep -v 'problem(s)' | sort)
[ "$got" = "$(printf '%s\n' "$expected" | sort)" ] || fail "findings differ:"$'\n'"$got"
printf '%s\n' "$out" | grep -q '^16 problem(s)' || fail "no count of the findings"$'\n'"$out"

# Every finding on the list: the check passes.
printf '%s\n' "$expected" | sed -E 's/^([^:]+):[0-9]+: (.*): [^:]*$/\1 \2/' > "$tmp/all.txt"
printf '# a comment line\n\n' >> "$tmp/all.txt"
"$check" "$src" "$tmp/all.txt" > "$tmp/out" || fail "the full allow-list still fails:"$'\n'"$(cat "$tmp/out")"

# An entry that matches nothing is reported by its line.
cp "$tmp/all.txt" "$tmp/stale.txt"
echo "sound/c.cpp fopen" >> "$tmp/stale.txt"
set +e
out=$("$check" "$src" "$tmp/stale.txt")
rc=$?
set -e
[ "$rc" = 1 ] || fail "a stale entry passed"
printf '%s\n' "$out" | grep -q '^stale.txt:19: sound/c.cpp fopen: allowed, but no longer used there' ||
  fail "the stale entry is not named:"$'\n'"$out"

# A malformed entry and a missing list are usage errors.
echo "engine/x.cpp" > "$tmp/bad.txt"
set +e
"$check" "$src" "$tmp/bad.txt" > /dev/null 2>&1
rc=$?
set -e
[ "$rc" = 2 ] || fail "an entry without what it uses gave $rc"
echo "ok"
