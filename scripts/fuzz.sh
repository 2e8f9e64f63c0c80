#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for the given number of seconds
# on a seed corpus made by the project's tools.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
bash scripts/deps.sh
dir=build-fuzz
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIVZO_FUZZ=ON -DKIVZO_TESTS=OFF -DKIVZO_BENCH=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
ninja -C "$dir"
shopt -s nullglob
targets=(fuzz/*.cpp)
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets"
  exit 0
fi
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The targets run side by side, half as many at a time as there are cores
# (each may take up to 4 GB), so CI waits a few rounds rather than one
# run after another.
jobs=${KIVZO_FUZZ_JOBS:-$(( $(nproc) / 2 > 0 ? $(nproc) / 2 : 1 ))}
run_one() {
  local name=$1 corpus="$dir/corpus/$1"
  mkdir -p "$corpus"
  if [ -f "fuzz/seed_$name.sh" ]; then
    bash "fuzz/seed_$name.sh" "$corpus" "$dir/tools"
  fi
  "$dir/fuzz/fuzz_$name" -max_total_time="$seconds" -rss_limit_mb=4096 -print_final_stats=1 "$corpus" \
      > "$dir/fuzz_$name.log" 2>&1
  echo $? > "$dir/fuzz_$name.rc"
}
names=()
for src in "${targets[@]}"; do
  name=$(basename "$src" .cpp)
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  echo "== fuzz_$name for ${seconds}s"
  rm -f "$dir/fuzz_$name.rc"
  run_one "$name" &
  names+=("$name")
done
wait
failed=0
for name in "${names[@]}"; do
  if [ "$(cat "$dir/fuzz_$name.rc" 2>/dev/null)" != 0 ]; then
    echo "== fuzz_$name failed"
    tail -n 60 "$dir/fuzz_$name.log"
    failed=1
  else
    echo "fuzz_$name: $(grep -E 'stat::number_of_executed_units' "$dir/fuzz_$name.log" || true)"
  fi
done
exit $failed
