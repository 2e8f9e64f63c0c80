#!/usr/bin/env bash
# The staged program in a real X server (Xvfb, 24-bit): its window opens with
# the menu bar, the keyboard reaches the menu (Alt, Down, Down, Enter chooses
# "ゲームの終了"), Enter answers the quit question with OK, and the program
# ends with exit code 0. Skipped (77) where Xvfb or xdotool is missing.
set -u
stage=$1
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "no Xvfb/xdotool: skipped"; exit 77; }
display=":$(( 90 + $$ % 100 ))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; [ -n "${work:-}" ] && rm -rf "$work"' EXIT
export DISPLAY=$display
unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
# A copy of the staged game: what the run writes into "save" (the settings
# of this test machine's desktop among them) must not reach the real one.
work=$(mktemp -d)
cp "$stage/kivzo" "$stage"/*.AOS "$work/" 2>/dev/null
cd "$work" || exit 1
# In a sanitizer build the real program runs with leak checks off: the X11
# and D-Bus libraries SDL loads keep allocations of their own to the end.
# The same start-up and shutdown run leak-checked in the end-to-end tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
./kivzo > xvfb.out 2>&1 &
pid=$!
wid=""
for _ in $(seq 100); do
  wid=$(xdotool search --name kivzo 2>/dev/null | head -n 1)
  [ -n "$wid" ] && break
  sleep 0.1
done
if [ -z "$wid" ]; then echo "no window"; kill $pid; exit 1; fi
geometry=$(xdotool getwindowgeometry "$wid" | grep Geometry)
echo "window $geometry"
case "$geometry" in
  *1024x620*) ;;  # 1024 x 600 client below a 20-pixel menu strip
  *) echo "unexpected window size"; kill $pid; exit 1 ;;
esac
sleep 0.5
for k in alt Down Down Return; do xdotool key --window "$wid" $k; sleep 0.3; done
sleep 0.5
xdotool key --window "$wid" Return
for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
if kill -0 $pid 2>/dev/null; then echo "still running after the confirmed quit"; kill -9 $pid; exit 1; fi
wait $pid
rc=$?
[ $rc -eq 0 ] || { echo "exit code $rc"; cat xvfb.out; exit 1; }
echo "xvfb: ok"
