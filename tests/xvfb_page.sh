#!/usr/bin/env bash
# The staged sample game in a real X server (Xvfb, 24-bit): a few seconds
# after the start its first story page is up, so a screenshot of the screen
# shows the message window with text over the background: the window's text
# area is not one flat colour, and it differs from the strip of background
# above the window. The decide key then brings the next line into the text
# area. The program ends on a termination signal with exit code 0.
# Skipped (77) where Xvfb, xdotool, xwd or ImageMagick is missing, or while
# another copy of the program holds the single-instance lock.
set -u
stage=$1
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_lib.sh"
xvfb_need Xvfb xdotool xwd convert compare
# One copy of the program at a time on this machine: wait for another run
# (another test, a player) to end rather than be refused by it.
lock_held() { grep -q "@_K_I_V_Z_O_" /proc/net/unix 2>/dev/null; }
for _ in $(seq 60); do lock_held || break; sleep 1; done
if lock_held; then echo "another kivzo runs: skipped"; exit 77; fi

xvfb_start 200
xvfb_copy_stage "$stage"
xvfb_launch
xvfb_find_window
if [ -z "$wid" ]; then
  # Another copy that started meanwhile has the lock: this one left quietly.
  if ! kill -0 $pid 2>/dev/null && lock_held; then echo "another kivzo runs: skipped"; exit 77; fi
  echo "no window"; cat xvfb.out; exit 1
fi
# The page: the background's dissolve, the window's fade and the first line
# at the slowest text speed take well under this.
sleep 6
if ! kill -0 $pid 2>/dev/null; then echo "kivzo ended before the screenshot:"; cat xvfb.out; exit 1; fi
xwd -root -silent | convert xwd:- shot.png || { echo "no screenshot"; exit 1; }
# The client area lies below the 20-pixel menu strip of the window.
eval "$(xdotool getwindowgeometry --shell "$wid")"
cx=$X
cy=$(( Y + 20 ))
# The message window of the sample game: 1000 x 170 at (12, 420); its text
# lines start 36 pixels in and 40 down. The strip above the window holds the
# background and the characters only.
text_area="900x110+$(( cx + 40 ))+$(( cy + 456 ))"
deviation=$(convert shot.png -crop "$text_area" +repage -colorspace Gray -format '%[fx:standard_deviation]' info:)
inside=$(convert shot.png -crop "$text_area" +repage -format '%[fx:mean]' info:)
above=$(convert shot.png -crop "900x20+$(( cx + 40 ))+$(( cy + 370 ))" +repage -format '%[fx:mean]' info:)
echo "window $X,$Y: text area deviation $deviation, mean $inside; above the window $above"
awk -v d="$deviation" 'BEGIN { exit !(d > 0.03) }' || { echo "the message window's text area is uniform"; exit 1; }
awk -v a="$inside" -v b="$above" 'BEGIN { exit !(a - b > 0.02 || b - a > 0.02) }' ||
  { echo "the text area looks like the background above it: no window"; exit 1; }
# The decide key goes on to the next line: the window's text area changes by
# more than the click-wait cursor's animation could change it (24 x 24).
xdotool key --window "$wid" Return
sleep 3
xwd -root -silent | convert xwd:- shot2.png || { echo "no second screenshot"; exit 1; }
convert shot.png -crop "$text_area" +repage area1.png && convert shot2.png -crop "$text_area" +repage area2.png ||
  { echo "no crops"; exit 1; }
changed=$(compare -metric AE -fuzz 10% area1.png area2.png null: 2>&1)
echo "text area pixels changed by the decide key: $changed"
awk -v n="$changed" 'BEGIN { exit !(n + 0 > 1500) }' || { echo "the decide key did not go on to the next line"; exit 1; }
kill -TERM $pid
xvfb_expect_exit 50 "kivzo did not end on SIGTERM"
[ -n "${KIVZO_SHOT:-}" ] && cp shot.png "$KIVZO_SHOT"
echo "xvfb page: ok"
