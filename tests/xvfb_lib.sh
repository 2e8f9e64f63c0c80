# What the tests of the staged program in a real X server (Xvfb, 24-bit)
# share; sourced by them. Each test calls, in this order:
#   xvfb_need TOOL...      skip (77) unless every tool is installed
#   xvfb_start BASE        a free display from BASE (plus a little of the
#                          process id) with Xvfb on it, SDL pointed at it
#   xvfb_copy_stage STAGE  a copy of the staged game made the working folder
#   xvfb_launch            the program started there, output in xvfb.out ($pid)
#   xvfb_find_window       its window id in $wid (empty when none came)
#   xvfb_expect_exit N WHY the program ended within N tenths of a second
#                          (else WHY is said and it is killed) with exit code 0
# On exit the program still running, the X server and the copy go.

pid=""
work=""
xvfb=""
xvfb_cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  [ -n "$work" ] && rm -rf "$work"
}
trap xvfb_cleanup EXIT

xvfb_need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
  done
}

xvfb_start() {
  local n=$(( $1 + $$ % 100 ))
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$(( n + 1 )); done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=":$n"
  unset SDL_VIDEODRIVER
  export SDL_AUDIODRIVER=dummy
  for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
}

# What the run writes into "save" (the settings of this test machine's
# desktop among them) must not reach the real staged game.
xvfb_copy_stage() {
  work=$(mktemp -d)
  cp "$1/kivzo" "$1"/*.AOS "$work/" 2>/dev/null
  cd "$work" || exit 1
}

# In a sanitizer build the real program runs with leak checks off: the X11
# and D-Bus libraries SDL loads keep allocations of their own to the end.
# The same start-up and shutdown run leak-checked in the end-to-end tests.
xvfb_launch() {
  export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
  ./kivzo > xvfb.out 2>&1 &
  pid=$!
}

xvfb_find_window() {
  wid=""
  for _ in $(seq 100); do
    wid=$(xdotool search --name kivzo 2>/dev/null | head -n 1)
    [ -n "$wid" ] && break
    sleep 0.1
  done
}

xvfb_expect_exit() {
  local rc
  for _ in $(seq "$1"); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then echo "$2"; kill -9 "$pid"; exit 1; fi
  wait "$pid"
  rc=$?
  pid=""
  [ $rc -eq 0 ] || { echo "exit code $rc"; cat xvfb.out; exit 1; }
}
