#!/usr/bin/env bash
# The staged sample game in a real X server (Xvfb, 24-bit): a few seconds
# after "はじめから" is clicked on its title its first story page is up, so a screenshot of the screen
# shows the message window with text over the background: the window's text
# area is not one flat colour, and it differs from the strip of background
# above the window. The decide key then brings the next line into the text
# area. The program ends on a termination signal with exit code 0.
# Usage: xvfb_page.sh STAGE XWD_PROBE (our screenshot reader, tools/xwd_probe).
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

xvfb_start 200
xvfb_copy_stage "$stage"
xvfb_launch
xvfb_find_window
if [ -z "$wid" ]; then
  # Another copy that started meanwhile has the lock: this one left quietly.
  if ! kill -0 $pid 2>/dev/null && xvfb_lock_held; then xvfb_skip "another kivzo runs"; fi
  echo "no window"; cat xvfb.out; exit 1
fi
xvfb_start_story
# The page: the title music's fade, the background's dissolve, the window's
# fade and the first line at the slowest text speed take well under this.
sleep 9
if ! kill -0 $pid 2>/dev/null; then echo "kivzo ended before the screenshot:"; cat xvfb.out; exit 1; fi
xwd -root -silent > shot.xwd && "$probe" size shot.xwd >/dev/null || { echo "no screenshot"; exit 1; }
# The client area lies below the 20-pixel menu strip of the window.
eval "$(xdotool getwindowgeometry --shell "$wid")"
cx=$X
cy=$(( Y + 20 ))
# The message window of the sample game: 1000 x 170 at (12, 420); its text
# lines start 36 pixels in and 40 down. The strip above the window holds the
# background and the characters only.
text_area="900x110+$(( cx + 40 ))+$(( cy + 456 ))"
read -r inside deviation < <("$probe" stats shot.xwd "$text_area") || { echo "no text area"; exit 1; }
read -r above _ < <("$probe" stats shot.xwd "900x20+$(( cx + 40 ))+$(( cy + 370 ))") || { echo "no strip"; exit 1; }
echo "window $X,$Y: text area deviation $deviation, mean $inside; above the window $above"
awk -v d="$deviation" 'BEGIN { exit !(d > 0.03) }' || { echo "the message window's text area is uniform"; exit 1; }
awk -v a="$inside" -v b="$above" 'BEGIN { exit !(a - b > 0.02 || b - a > 0.02) }' ||
  { echo "the text area looks like the background above it: no window"; exit 1; }
# The decide key goes on to the next line: the window's text area changes by
# more than the click-wait cursor's animation could change it (24 x 24).
xdotool key --window "$wid" Return
sleep 3
xwd -root -silent > shot2.xwd || { echo "no second screenshot"; exit 1; }
# A pixel counts as changed when a channel moved by more than a tenth.
changed=$("$probe" diff shot.xwd shot2.xwd "$text_area" 25) || { echo "no comparison"; exit 1; }
echo "text area pixels changed by the decide key: $changed"
awk -v n="$changed" 'BEGIN { exit !(n + 0 > 1500) }' || { echo "the decide key did not go on to the next line"; exit 1; }
kill -TERM $pid
xvfb_expect_exit 50 "kivzo did not end on SIGTERM"
[ -n "${KIVZO_SHOT:-}" ] && cp shot.xwd "$KIVZO_SHOT"
echo "xvfb page: ok"
