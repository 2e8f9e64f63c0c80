#!/usr/bin/env bash
# Installs what is missing, builds kivzo with its tests and runs them all.
#   ./test.sh              the normal build, in build/
#   ./test.sh --sanitize   with AddressSanitizer and UndefinedBehaviorSanitizer, in build-asan/
#   ./test.sh --tsan       with ThreadSanitizer, in build-tsan/
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/deps.sh
dir=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  # Debug keeps the assertions; -O1 makes the instrumented end-to-end runs
  # several times quicker without hiding what the sanitizers look for.
  flags=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" "-DCMAKE_C_FLAGS_DEBUG=-g -O1"
         -DKIVZO_SANITIZE=ON -DKIVZO_BENCH=OFF)
elif [ "${1:-}" = "--tsan" ]; then
  dir=build-tsan
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIVZO_TSAN=ON -DKIVZO_BENCH=OFF)
fi
[ "${KIVZO_WERROR:-}" = "ON" ] && flags+=(-DKIVZO_WERROR=ON)
cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
ninja -C "$dir"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# The thread sanitizer runs the engine many times slower: its longest
# end-to-end tests take minutes there.
timeout=300
[ "$dir" = build-tsan ] && timeout=900
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout "$timeout"
