#!/usr/bin/env bash
# The staged program on SDL's dummy video driver and its disk audio driver,
# which writes what the program plays into a file at the pace of a real
# sound card: the music comes out of the real SDL audio path. The written
# samples must not be silence, and their notes must be the tune's: most
# sounding stretches of the recording hold a note the tune holds, and
# its most frequent note is one the tune dwells on (the test's own tune: in
# a tenth of it or more; a tune of the game: in a fiftieth).
#   disk_audio.sh STAGE PCM_PROBE GENSOUND [MUSIC SECONDS]
# Without MUSIC the test plays a tune of its own: a START script that only
# starts it on the music channel, beside the staged game's pictures. With
# MUSIC (a file of the staged game's music archive, e.g. its title music)
# the staged game plays as it is. Either way the recording is read from
# SECONDS (5) into the run on, after the brand logo. Skipped (77) when the
# program holds its
# single-instance lock elsewhere or SDL has no disk audio driver; under CI
# (CI=true) a failure instead.
set -u
stage=$1
probe=$(readlink -f "$2")
gensound=$(readlink -f "$3")
music=${4:-}
from=${5:-5}
skip() {
  if [ "${CI:-}" = "true" ]; then echo "$1: a failure under CI"; exit 1; fi
  echo "$1: skipped"; exit 77
}
for f in "$stage/kivzo" "$probe" "$gensound"; do [ -x "$f" ] || skip "no $f"; done
grep -q "@_K_I_V_Z_O_" /proc/net/unix 2>/dev/null && skip "another kivzo runs"

work=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cp "$stage/kivzo" "$stage"/*.AOS "$work/"
cd "$work" || exit 1
if [ -z "$music" ]; then
  # A tune that dwells on A4 with a short climb after it, 22050 Hz stereo
  # as the music channel plays it, looping: whatever stretch of a few
  # seconds is heard, A4 is its most frequent note. The loose script and
  # music folder stand before the archives.
  mkdir -p txt bgm
  "$gensound" ogg bgm/tune.ogg --rate 22050 --notes A4:4,C5:1,E5:1 --tempo 120 ||
    { echo "gensound failed"; exit 1; }
  # (Start-up runs the second line after the label first.)
  printf '::START\r\n\r\nbgmon("tune",0)\r\nvar(%%i)\r\n^wh(%%i==0)\r\nwait(1000)\r\n^endw\r\n::END\r\n' > txt/START.TXT
  source=bgm/tune.ogg
  dwell_min=0.1
  share_min=0.9
else
  source=$music
  # A tune of the game moves on from note to note over chords: its main
  # note over a few seconds need only be one it holds for a while, and some
  # stretches are heard as notes of its harmony (another tune of the game
  # shares a quarter of its notes with it).
  dwell_min=0.02
  share_min=0.65
fi
[ -s "$source" ] || { echo "no music file $source"; exit 1; }

export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/heard.raw"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
./kivzo > kivzo.out 2>&1 &
pid=$!
# The brand logo (when there is one) and a few seconds of music.
sleep $(( ${from%.*} + 5 ))
if ! kill -0 "$pid" 2>/dev/null; then
  grep -q "no sound driver\|no sound device" kivzo.out && skip "SDL has no disk audio driver: $(cat kivzo.out)"
  echo "kivzo ended by itself:"; cat kivzo.out; exit 1
fi
kill -TERM "$pid"
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then echo "kivzo did not end on SIGTERM"; kill -9 "$pid"; exit 1; fi
wait "$pid"; rc=$?
pid=""
[ $rc -eq 0 ] || { echo "kivzo exited with $rc:"; cat kivzo.out; exit 1; }
if grep -q "no sound driver\|no sound device" kivzo.out; then skip "SDL has no disk audio driver: $(cat kivzo.out)"; fi
[ -s heard.raw ] || { echo "the disk audio driver wrote nothing"; cat kivzo.out; exit 1; }

bytes=$(stat -c %s heard.raw)
read -r rms peak < <("$probe" level heard.raw --from "$from") || { echo "the recording cannot be read"; exit 1; }
read -r share top dwell < <("$probe" match heard.raw "$source" --from "$from") ||
  { echo "the recording or the tune cannot be read"; exit 1; }
echo "recorded $bytes bytes; from ${from}s: rms $rms, peak $peak; notes the tune holds: $share;" \
  "most frequent note $top, in $dwell of the tune"
awk -v r="$rms" 'BEGIN { exit !(r > 0.003) }' || { echo "the written samples are silence"; exit 1; }
awk -v s="$share" -v m="$share_min" 'BEGIN { exit !(s >= m) }' || { echo "the recording holds notes the tune does not"; exit 1; }
awk -v d="$dwell" -v m="$dwell_min" 'BEGIN { exit !(d >= m) }' ||
  { echo "the recording's main note is not one the tune dwells on"; exit 1; }
echo "disk audio: ok"
