#!/usr/bin/env bash
# Runs the staged program on SDL's dummy drivers: it must open its window and
# keep running, refuse a second copy silently, and end with exit code 0 when
# asked to quit by a termination signal (its orderly quit path).
set -u
stage=$1
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
# A copy of the staged game: what the run writes into "save" (the settings
# of this test machine's desktop among them) must not reach the real one.
work=$(mktemp -d)
cp "$stage/kivzo" "$stage"/*.AOS "$work/" 2>/dev/null
cd "$work" || exit 1
# In a sanitizer build the real program runs with leak checks off: the X11
# and D-Bus libraries SDL loads keep allocations of their own to the end.
# The same start-up and shutdown run leak-checked in the end-to-end tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
./kivzo > smoke.out 2>&1 &
pid=$!
sleep 2
if ! kill -0 "$pid" 2>/dev/null; then
  echo "kivzo ended by itself:"; cat smoke.out; exit 1
fi
timeout 10 ./kivzo > second.out 2>&1
rc=$?
if [ $rc -ne 0 ] || [ -s second.out ]; then
  echo "second copy: exit $rc, said: $(cat second.out)"; kill "$pid"; exit 1
fi
kill -TERM "$pid"
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
  echo "kivzo did not end on SIGTERM"; kill -9 "$pid"; exit 1
fi
wait "$pid"; rc=$?
if [ $rc -ne 0 ]; then echo "kivzo exited with $rc:"; cat smoke.out; exit 1; fi
rm -rf "$work"
echo "smoke: ok"
