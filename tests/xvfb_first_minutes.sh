#!/usr/bin/env bash
# The first minutes of the staged sample game in a real X server (Xvfb,
# 24-bit), played with the mouse: after the brand logo the title is up (a
# screenshot of its picture is not black and not flat); the start button,
# clicked, opens the first chapter, whose message window shows text; then
# instant clicks (`xdotool click`: press and release together, as a
# touchpad tap's) and held clicks (the button held down a while, then let
# go) each go on by one text line. The screenshots, read by our own
# reader, change from line to line, and the chapter's read mark, which the
# program writes into save/readal.dat when it ends on a termination signal,
# has gone past the waits the clicks ended.
# Skipped (77) where Xvfb, xdotool, xwd or the reader is missing, or while
# another copy of the program holds the single-instance lock; under CI
# (CI=true) those fail instead.
#   xvfb_first_minutes.sh STAGE XWD_PROBE SCRIPTS
set -u
stage=$(readlink -f "$1")
probe=$(readlink -f "$2")
scripts=$3
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_lib.sh"
xvfb_need Xvfb xdotool xwd od awk
xvfb_need_file "$probe"
xvfb_wait_lock

chapter=CH1
taps=3
holds=3
clicks=$(( taps + holds ))
# The chapter's click waits from its entry label on: a text line (one that
# begins with "[", "@", a backslash or a Shift-JIS character) that names a
# speaker ("[...]") or follows a line that is not text ends with one; a
# text line right after another without a name goes onto the same wait.
# The read mark counts the lines ("#" comments among them, but not the ";"
# comments), so each wait is given as the mark a run waiting there leaves:
# its line less the ";" lines above it. Each click goes on by one wait; the
# mark is written as the story goes through the lines, so the last click's
# own line may not be in it yet when the program is ended: the mark must
# stand past the wait before the last click's.
waits=$(LC_ALL=C awk '/^;/ { semis++ } /^::ENTRY/ { on = 1; next }
  { c = substr($0, 1, 1); text = c == "[" || c == "@" || c == "\\" || c >= "\200" }
  on && text && (c == "[" || !wastext) { print NR - semis }
  { wastext = on && text }' "$scripts/$chapter.txt")
want=$(echo "$waits" | sed -n "$(( clicks - 1 ))p")
[ -n "$want" ] || { echo "no wait $(( clicks - 1 )) in $chapter"; exit 1; }

xvfb_start 260
xvfb_copy_stage "$stage"
xvfb_launch
xvfb_find_window
if [ -z "$wid" ]; then
  if ! kill -0 $pid 2>/dev/null && xvfb_lock_held; then xvfb_skip "another kivzo runs"; fi
  echo "no window"; cat xvfb.out; exit 1
fi
alive() { kill -0 $pid 2>/dev/null || { echo "kivzo ended $1:"; cat xvfb.out; exit 1; }; }
# (With KIVZO_SHOTS naming a folder the screenshots are kept there.)
shot() {
  xwd -root -silent > "$1" && "$probe" size "$1" >/dev/null || { echo "no screenshot $1"; exit 1; }
  [ -z "${KIVZO_SHOTS:-}" ] || cp "$1" "$KIVZO_SHOTS/"
}
eval "$(xdotool getwindowgeometry --shell "$wid")"
# The client area lies below the 20-pixel menu strip of the window.
cx=$X
cy=$(( Y + 20 ))
rect() { echo "$3x$4+$(( cx + $1 ))+$(( cy + $2 ))"; }

# The brand logo and the title's fade-in take well under this.
sleep 7
alive "before the title"
shot title.xwd
read -r mean deviation < <("$probe" stats title.xwd "$(rect 0 0 1024 240)") || { echo "no title area"; exit 1; }
echo "title: mean $mean, deviation $deviation"
awk -v m="$mean" -v d="$deviation" 'BEGIN { exit !(m > 0.1 && d > 0.02) }' || { echo "no title picture"; exit 1; }
# The start button (the title script puts it at 262, 264).
xdotool mousemove $(( cx + 262 + 60 )) $(( cy + 264 + 20 ))
sleep 0.5
xdotool click 1
# The title's music fades, the first scene dissolves in, the window fades
# in and the first line is revealed (at the slowest speed) within this.
sleep 6
alive "after the start button"
shot line1.xwd
# The message window of the sample game: 1000 x 170 at (12, 420); its text
# lines start 36 pixels in and 40 down.
text_area=$(rect 40 456 900 110)
read -r _ deviation < <("$probe" stats line1.xwd "$text_area") || { echo "no text area"; exit 1; }
echo "first line: text area deviation $deviation"
awk -v d="$deviation" 'BEGIN { exit !(d > 0.03) }' || { echo "no text in the message window"; exit 1; }

# In the message window's text area, away from the window's buttons.
xdotool mousemove $(( cx + 300 )) $(( cy + 560 ))
sleep 0.5
prev=line1.xwd
n=1
advance() {
  # Long enough for the next line (and a change of scene before it) to be
  # revealed whole at the slowest text speed.
  sleep 5
  alive "during the clicks"
  n=$(( n + 1 ))
  shot "line$n.xwd"
  changed=$("$probe" diff "$prev" "line$n.xwd" "$text_area" 25) || { echo "no comparison"; exit 1; }
  echo "$1 $n: text area pixels changed $changed"
  awk -v c="$changed" 'BEGIN { exit !(c + 0 > 1500) }' || { echo "the $1 did not go on to the next line"; exit 1; }
  prev="line$n.xwd"
}
for _ in $(seq "$taps"); do
  xdotool click 1
  advance "instant click"
done
for _ in $(seq "$holds"); do
  xdotool mousedown 1
  sleep 0.6
  xdotool mouseup 1
  advance "held click"
done
kill -TERM $pid
xvfb_expect_exit 50 "kivzo did not end on SIGTERM"

# The read marks: records of a key text padded with zeros to the next
# multiple of four bytes (at least one zero), a type word and the highest
# line reached (little-endian words), ended by a zero word.
[ -s save/readal.dat ] || { echo "no read marks written"; exit 1; }
key="$chapter,ENTRY,"
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
echo "read mark of $key: ${got:-none}; the wait before the last click's leaves $want"
[ -n "${got:-}" ] && [ "$got" -gt "$want" ] || { echo "the clicks did not take the story on"; cat xvfb.out; exit 1; }
echo "xvfb first minutes: ok"
