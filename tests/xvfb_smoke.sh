#!/usr/bin/env bash
# The staged program in a real X server (Xvfb, 24-bit): its window opens with
# the menu bar, the keyboard reaches the menu (Alt, Down, Down, Enter chooses
# "ゲームの終了"), Left Left Enter answers the quit question with yes (on the
# confirmation screen Left moves onto yes from anywhere; in the plain box
# onto OK), and the program ends with exit code 0. Skipped (77) where Xvfb
# or xdotool is missing, or while another copy of the program holds the
# single-instance lock; under CI=true each of these is a failure.
set -u
stage=$1
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_lib.sh"
xvfb_need Xvfb xdotool
xvfb_wait_lock
xvfb_start 90
xvfb_copy_stage "$stage"
xvfb_launch
xvfb_find_window
if [ -z "$wid" ]; then
  if ! kill -0 $pid 2>/dev/null && xvfb_lock_held; then xvfb_skip "another kivzo runs"; fi
  echo "no window"; cat xvfb.out; exit 1
fi
geometry=$(xdotool getwindowgeometry "$wid" | grep Geometry)
echo "window $geometry"
case "$geometry" in
  *1024x620*) ;;  # 1024 x 600 client below a 20-pixel menu strip
  *) echo "unexpected window size"; exit 1 ;;
esac
# The brand logo opens the game and stays until its spoken name has ended
# and a second more; the menu is used once it is over.
sleep 8
for k in alt Down Down Return; do xdotool key --window "$wid" $k; sleep 0.3; done
sleep 1
for k in Left Left Return; do xdotool keydown --window "$wid" $k; sleep 0.15; xdotool keyup --window "$wid" $k; sleep 0.3; done
xvfb_expect_exit 100 "still running after the confirmed quit"
echo "xvfb: ok"
