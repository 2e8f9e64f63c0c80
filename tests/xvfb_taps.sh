#!/usr/bin/env bash
# The staged sample game in a real X server (Xvfb, 24-bit), clicked with
# instant clicks (`xdotool click`: the press and the release arrive
# together, as a touchpad tap's do): each click at a click wait goes on to
# the next text line. The story's read mark, which the program writes into
# save/readal.dat when it ends on a termination signal, then stands past the
# text line that comes as many lines after the first as there were clicks:
# a lost click leaves it a line short. Skipped (77) where Xvfb or xdotool
# is missing, or while another copy of the program holds the
# single-instance lock; under CI (CI=true) those fail instead.
#   xvfb_taps.sh STAGE SCRIPTS   (SCRIPTS: the sample game's script sources)
set -u
stage=$1
scripts=$2
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_lib.sh"
xvfb_need Xvfb xdotool od awk
xvfb_wait_lock

clicks=4
# The first chapter's text lines from its entry label on, by the numbers
# the engine gives its lines (a comment line takes none, and a text line
# goes on over the next source lines that begin with a Shift-JIS character
# or "@"; a text line begins with "[", "@", a backslash or a Shift-JIS
# character): the story waits for a click at the end of each. The first
# click ends the first one's wait, so after all the clicks the story waits
# on the line after the `clicks`-th, and its read mark stands past that one.
past=$(LC_ALL=C awk '
  { c = substr($0, 1, 1) }
  c == "#" { next }
  text && (c == "@" || c >= "\200") { next }
  { n++; text = c == "[" || c == "@" || c == "\\" || c >= "\200" }
  /^::ENTRY/ { on = 1; next }
  on && text { print n }' "$scripts/CH1.txt" |
  sed -n "${clicks}p")
[ -n "$past" ] || { echo "no text line $clicks in the first chapter"; exit 1; }

xvfb_start 230
xvfb_copy_stage "$stage"
xvfb_launch
xvfb_find_window
if [ -z "$wid" ]; then
  if ! kill -0 $pid 2>/dev/null && xvfb_lock_held; then xvfb_skip "another kivzo runs"; fi
  echo "no window"; cat xvfb.out; exit 1
fi
# The title's "はじめから"; the music's fade, the background's dissolve, the
# window's fade and the first line take well under the time after it.
xvfb_start_story
sleep 9
eval "$(xdotool getwindowgeometry --shell "$wid")"
# In the message window's text area (below the 20-pixel menu strip), away
# from the window's buttons.
xdotool mousemove $(( X + 300 )) $(( Y + 20 + 560 ))
sleep 0.5
for _ in $(seq "$clicks"); do
  xdotool click 1
  # Long enough for the next line to be revealed whole at the slowest text
  # speed, so that the next click lands on its click wait.
  sleep 3.5
done
if ! kill -0 $pid 2>/dev/null; then echo "kivzo ended during the clicks:"; cat xvfb.out; exit 1; fi
kill -TERM $pid
xvfb_expect_exit 50 "kivzo did not end on SIGTERM"

# The read marks: records of a key text padded with zeros to the next
# multiple of four bytes (at least one zero), a type word and the highest
# line reached (little-endian words), ended by a zero word.
[ -s save/readal.dat ] || { echo "no read marks written"; exit 1; }
key="CH1,ENTRY,"
got=$(od -An -v -tu1 save/readal.dat | awk -v key="$key" '
  { for (f = 1; f <= NF; f++) b[n++] = $f }
  END {
    for (c = 1; c < 128; c++) chr[c] = sprintf("%c", c)
    p = 0
    while (p + 4 <= n && b[p] != 0) {
      text = ""; q = p
      while (q < n && b[q] != 0) text = text chr[b[q++]]
      p += int((q - p + 4) / 4) * 4
      line = b[p + 4] + 256 * b[p + 5] + 65536 * b[p + 6] + 16777216 * b[p + 7]
      p += 8
      if (text == key) { print line; exit }
    }
  }')
echo "read mark of $key: ${got:-none}; the chapter's text line $clicks: $past"
[ -n "${got:-}" ] && [ "$got" -gt "$past" ] || { echo "the clicks did not each go on to the next line"; cat xvfb.out; exit 1; }
echo "xvfb instant clicks: ok"
