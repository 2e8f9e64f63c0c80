#!/usr/bin/env bash
# Runs every benchmark program of a build and prints one table: each figure,
# its time, the reference it is measured against, the reference's time and
# the ratio of the two times (below 1: faster than the reference). A
# benchmark names its reference, a benchmark of the same program, with the
# label "ref:<name>"; figures without one are listed with their time alone.
# Builds nothing: usage bench/report.sh [build folder, default build]
# [arguments for every program, e.g. --benchmark_repetitions=5, whose
# medians are then used].
set -euo pipefail
build=${1:-build}
shift || true
dir="$build/bench"
shopt -s nullglob
programs=("$dir"/bench_*)
if [ ${#programs[@]} -eq 0 ]; then
  echo "no benchmark programs in $dir (build them first)" >&2
  exit 1
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failed=0
for p in "${programs[@]}"; do
  [ -x "$p" ] || continue
  name=$(basename "$p")
  echo "running $name" >&2
  if ! "$p" --benchmark_format=json "$@" > "$out/$name.json" 2> "$out/$name.err"; then
    echo "$name failed:" >&2
    tail -n 5 "$out/$name.err" >&2
    failed=1
  fi
done
echo "machine: $(nproc) cores; $(uptime | sed 's/.*load/load/')"
python3 - "$out" <<'PY'
import json, os, sys

def fmt(ns):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"

scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
rows = []
folder = sys.argv[1]
for f in sorted(os.listdir(folder)):
    if not f.endswith(".json"):
        continue
    program = f[:-5]
    try:
        with open(os.path.join(folder, f)) as fh:
            data = json.load(fh)
    except (OSError, ValueError):
        continue
    benches = data.get("benchmarks", [])
    medians = any(b.get("aggregate_name") == "median" for b in benches)
    figures = {}
    order = []
    for b in benches:
        if medians:
            if b.get("aggregate_name") != "median":
                continue
            name = b.get("run_name", b["name"])
        else:
            if b.get("run_type", "iteration") != "iteration":
                continue
            name = b["name"]
        if name not in figures:
            order.append(name)
        if b.get("error_occurred"):
            figures[name] = (None, b.get("label", ""), b.get("error_message", "error"))
        else:
            t = b["cpu_time"] * scale.get(b.get("time_unit", "ns"), 1.0)
            figures[name] = (t, b.get("label", ""), "")
    for name in order:
        t, label, err = figures[name]
        ref = label[4:] if label.startswith("ref:") else ""
        rt = figures.get(ref, (None,))[0] if ref else None
        ratio = f"{t / rt:.2f}x" if t is not None and rt else ""
        rows.append((program, name, err or fmt(t), ref or "", fmt(rt) if rt is not None else ("missing" if ref else ""), ratio))

head = ("program", "figure", "cpu time", "reference", "its cpu time", "ratio")
print("| " + " | ".join(head) + " |")
print("|" + "|".join("---" for _ in head) + "|")
for r in rows:
    print("| " + " | ".join(r) + " |")
PY
exit $failed
