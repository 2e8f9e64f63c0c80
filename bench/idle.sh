#!/usr/bin/env bash
# What the staged game costs while the player only looks: it runs in a real
# X server (Xvfb, 24-bit, software OpenGL) three times and prints, for each
# measuring window, the pictures presented a second (calls of
# SDL_RenderPresent, counted by the preloaded bench/present_count.c) and the
# CPU time used, in per cent of one core, by the main thread and by the whole
# process (from /proc/<pid>/task/<pid>/stat and /proc/<pid>/stat):
#   click wait  the sample game's first page, entered from the title's
#               start button, waiting for a click with the click-wait
#               cursor animating, the first line's voice over and the
#               pointer still over the scene;
#   plain wait  a script of ours over the sample game's pictures: a scene
#               with its message window, then `wait` for ever (nothing moves);
#   skip mode   a script of ours that shows its pages for ever: they are
#               read once with the decide key, then V turns skip mode on.
# Last comes the reference, bench/pace_floor.c: the main loop's pacing (a
# 1 ms sleep after another) with nothing else, what waking up each
# millisecond costs on this machine. The machine's load average is printed
# beside each line: the figures are only as quiet as the machine.
# Usage: bench/idle.sh [STAGE] [COUNTER] [SECONDS] [WINDOWS]
#   STAGE    the staged game (default build/stage)
#   COUNTER  the present counter (default build/bench/present_count.so; the
#            reference pace_floor is taken from the same folder)
#   SECONDS  length of one measuring window (default 5), WINDOWS per scene (3)
# Only one copy of the program runs on a machine: do not run it while the
# real-window tests run.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
stage=$(readlink -f "${1:-$root/build/stage}")
counter=$(readlink -f "${2:-$root/build/bench/present_count.so}")
secs=${3:-5}
windows=${4:-3}
source "$root/tests/xvfb_lib.sh"
xvfb_need Xvfb xdotool iconv
xvfb_need_file "$stage/kivzo"
[ -f "$counter" ] || { echo "no present counter at $counter (build the target present_count)"; exit 1; }
pace_floor=$(dirname "$counter")/pace_floor
[ -x "$pace_floor" ] || { echo "no $pace_floor (build the target pace_floor)"; exit 1; }
hz=$(getconf CLK_TCK)

# The sample game's message window, cursors and buttons, as its START sets
# them up, and its first scene.
read -r -d '' scene_setup <<'EOF'
::START
saveenable()
loadenable()
mode(1)
fnt(24,0xFFFFFF,2,0x101018)
wnd(1)
wnd(0,2,12,420)
wnd(0,1,1000,170)
wnd(0,6,"msgwnd",0,0)
wnd(0,4,36,8,8,1,5,34)
wnd(0,7,"cur_page",-1,-1)
wnd(0,8,"cur_line")
wnd(0,9,"sb_automode","automode",454,6)
wnd(0,9,"sb_startskip","startskip",520,6)
wnd(0,9,"sb_calllog","calllog",586,6)
wnd(0,9,"sb_quicksave","quicksave",652,6)
wnd(0,9,"sb_quickload","quickload",718,6)
wnd(0,9,"sb_savemenu","savemenu",784,6)
wnd(0,9,"sb_loadmenu","loadmenu",850,6)
wnd(0,9,"sb_config","config",916,6)
spr(4)
ch(1,6,1)
ch(2,6,1)
var(%i)
bgon("bg01",0,0)
chon(1,"ch_mina",-15,80,0,0)
ud(1,800)
wndon(300)
EOF
plain_wait=$(printf '%s\n%s\n' "$scene_setup" '^wh(%i==0)
wait(1000)
^endw
::END')
skip_pages=$(printf '%s\n%s\n' "$scene_setup" '^wh(%i==0)
[ミナ]「スキップの間も、ページは次々に流れていく。」
[ソラ]「一行目のあとに、もう一行。」

[]三ページ目。文字は一度に出る。

^endw
::END')

# Writes a script of ours into the copy as its loose START (CP932, CR LF).
put_start() {
  mkdir -p txt
  printf '%s\n' "$1" | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 > txt/START.TXT
}

ticks() { awk '{ print $14 + $15 }' "$1"; }
presents() {
  local n=""
  [ -n "$count_file" ] && n=$(od -An -t u8 -N8 "$count_file" | tr -d ' ')
  echo "${n:-0}"
}

# Measures the process $pid `windows` times for `secs` seconds each and
# prints a line for each window.
measure() {
  local name=$1 i n0 p0 m0 t0 n1 p1 m1 t1
  for i in $(seq "$windows"); do
    kill -0 "$pid" 2>/dev/null || { echo "$name: the program ended"; cat xvfb.out 2>/dev/null; exit 1; }
    n0=$(presents); p0=$(ticks "/proc/$pid/stat"); m0=$(ticks "/proc/$pid/task/$pid/stat"); t0=$(date +%s.%N)
    sleep "$secs"
    n1=$(presents); p1=$(ticks "/proc/$pid/stat"); m1=$(ticks "/proc/$pid/task/$pid/stat"); t1=$(date +%s.%N)
    awk -v name="$name" -v n="$((n1 - n0))" -v p="$((p1 - p0))" -v m="$((m1 - m0))" -v t0="$t0" -v t1="$t1" \
      -v hz="$hz" -v load="$(cut -d' ' -f1 /proc/loadavg)" 'BEGIN {
        dt = t1 - t0
        printf "%-11s %11.1f %11.1f %14.1f %7s\n", name, n / dt, 100 * m / hz / dt, 100 * p / hz / dt, load
      }'
  done
}

# One program run: starts the copy, waits `settle` seconds (and runs `poke`
# once), then measures it.
run_scene() {
  local name=$1 settle=$2 poke=$3
  count_file="$work/presents"
  : > "$count_file"
  LD_PRELOAD="$counter" KIVZO_PRESENT_COUNT="$count_file" ./kivzo > xvfb.out 2>&1 &
  pid=$!
  xvfb_find_window
  [ -n "$wid" ] || { echo "$name: no window"; cat xvfb.out; exit 1; }
  sleep "$settle"
  if [ -n "$poke" ]; then
    eval "$poke"
    sleep 1
  fi
  measure "$name"
  kill -TERM "$pid"
  xvfb_expect_exit 50 "$name: kivzo did not end on SIGTERM"
  rm -rf save txt
}

xvfb_wait_lock
xvfb_start 400
xvfb_copy_stage "$stage"
echo "stage $stage; windows of $secs s; $(nproc) cores"
printf '%-11s %11s %11s %14s %7s\n' scene presents/s "main %core" "process %core" load
# The brand logo and the title's fade-in take well under the settling
# time; after the start button the first scene dissolves in, the window
# fades in, and the first line is revealed and voiced within ten seconds.
# The client area lies below the window's 20-pixel menu strip.
start_game='eval "$(xdotool getwindowgeometry --shell "$wid")"
xdotool mousemove $(( X + 262 + 60 )) $(( Y + 20 + 264 + 20 )); sleep 0.5; xdotool click 1; sleep 1
xdotool mousemove $(( X + 300 )) $(( Y + 20 + 300 )); sleep 10'
run_scene "click wait" 7 "$start_game"
put_start "$plain_wait"
run_scene "plain wait" 6 ""
put_start "$skip_pages"
# Skipping stops at text never read (the default setting): the pages are
# read once with the decide key before V turns skip mode on.
run_scene "skip mode" 5 'for _ in 1 2 3; do xdotool key --window "$wid" Return; sleep 1.5; done; xdotool key --window "$wid" v'
# The reference: the pacing alone (no window, nothing presented).
count_file=""
"$pace_floor" &
pid=$!
measure "pacing only"
kill "$pid"
wait "$pid" 2>/dev/null
pid=""
