#!/usr/bin/env bash
# Snow in a real X server (Xvfb, 24-bit): the staged program with a START
# script of its own beside the sample game's archives (a loose script comes
# before the archived one) fills the screen with one colour and lets it
# snow. Two screenshots a second apart show the colour over most of the
# window, flakes on it, and the flakes moved. The program ends on a
# termination signal with exit code 0.
# Usage: xvfb_weather.sh STAGE XWD_PROBE (our screenshot reader, tools/xwd_probe).
# Skipped (77) where Xvfb, xdotool, xwd or the reader is missing, or while
# another copy of the program holds the single-instance lock; under CI=true
# each of these is a failure.
set -u
stage=$1
probe=$(readlink -f "$2")
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_lib.sh"
xvfb_need Xvfb xdotool xwd
xvfb_need_file "$probe"
xvfb_wait_lock

xvfb_start 300
xvfb_copy_stage "$stage"
mkdir -p txt
printf '%s\r\n' "::START" "" "fill(0,0,80)" "ud(1,100)" "fall(1)" "var(%i)" "^wh(%i==0)" "wait(1000)" \
  "^endw" "::END" > txt/START.TXT
xvfb_launch
xvfb_find_window
if [ -z "$wid" ]; then
  if ! kill -0 $pid 2>/dev/null && xvfb_lock_held; then xvfb_skip "another kivzo runs"; fi
  echo "no window"; cat xvfb.out; exit 1
fi
# The brand logo, then the script: the flakes have fallen into the window by then.
sleep 6
if ! kill -0 $pid 2>/dev/null; then echo "kivzo ended before the screenshots:"; cat xvfb.out; exit 1; fi
xwd -root -silent > shot1.xwd || { echo "no first screenshot"; exit 1; }
sleep 1
xwd -root -silent > shot2.xwd || { echo "no second screenshot"; exit 1; }
# The client area lies below the 20-pixel menu strip of the window.
eval "$(xdotool getwindowgeometry --shell "$wid")"
client="1024x600+$X+$(( Y + 20 ))"
fill1=$("$probe" near shot1.xwd "$client" 000050 2) || { echo "unreadable screenshot"; exit 1; }
fill2=$("$probe" near shot2.xwd "$client" 000050 2) || { echo "unreadable screenshot"; exit 1; }
moved=$("$probe" diff shot1.xwd shot2.xwd "$client" 16) || { echo "no comparison"; exit 1; }
echo "window $X,$Y: fill colour on $fill1 and $fill2 of 614400 pixels; $moved pixels changed in a second"
awk -v a="$fill1" -v b="$fill2" 'BEGIN { exit !(a > 400000 && b > 400000) }' ||
  { echo "the script's fill colour is not on the screen"; exit 1; }
awk -v a="$fill1" -v b="$fill2" 'BEGIN { exit !(a < 614000 && b < 614000) }' || { echo "no snow on the screen"; exit 1; }
awk -v n="$moved" 'BEGIN { exit !(n > 200) }' || { echo "the snow stands still"; exit 1; }
kill -TERM $pid
xvfb_expect_exit 50 "kivzo did not end on SIGTERM"
echo "xvfb weather: ok"
