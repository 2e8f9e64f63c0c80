# What the tests of the staged program in a real X server (Xvfb, 24-bit)
# share; sourced by them. Each test calls, in this order:
#   xvfb_need TOOL...      skip (77) unless every tool is installed
#   xvfb_wait_lock         (screenshot tests) wait until no other copy of the
#                          program runs, skip (77) when one keeps running
#   xvfb_start BASE        a free display from BASE (plus a little of the
#                          process id) with Xvfb on it, SDL pointed at it;
#                          a failure when the server does not come up
#   xvfb_copy_stage STAGE  a copy of the staged game made the working folder
#   xvfb_launch            the program started there, output in xvfb.out ($pid)
#   xvfb_find_window       its window id in $wid (empty when none came)
#   xvfb_expect_exit N WHY the program ended within N tenths of a second
#                          (else WHY is said and it is killed) with exit code 0
# On exit the program still running, the X server and the copy go.
# With CI=true (the CI run sets it) every skip is a failure instead: there
# the real window must be tested.

# The X tools are those of the distribution's packages (scripts/deps.sh),
# not whatever of the same name comes first on the PATH.
export PATH="/usr/bin:/bin:$PATH"

pid=""
work=""
xvfb=""
xvfb_cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  [ -n "$work" ] && rm -rf "$work"
}
trap xvfb_cleanup EXIT

# Ends the test as skipped, or as failed under CI.
xvfb_skip() {
  if [ "${CI:-}" = "true" ]; then
    echo "$1: a failure under CI"
    exit 1
  fi
  echo "$1: skipped"
  exit 77
}

xvfb_need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || xvfb_skip "no $tool"
  done
}

# The program our build made (a path given to the test), never a tool of
# the same name found first on the PATH.
xvfb_need_file() {
  [ -x "$1" ] || xvfb_skip "no $1"
}

xvfb_start() {
  local n=$(( $1 + $$ % 100 ))
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$(( n + 1 )); done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=":$n"
  unset SDL_VIDEODRIVER
  export SDL_AUDIODRIVER=dummy
  local up=""
  for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && { up=1; break; }; sleep 0.1; done
  [ -n "$up" ] || { echo "no X server came up on $DISPLAY"; exit 1; }
}

# One copy of the program at a time on this machine: waits for another run
# (another test, a player) to end rather than be refused by it.
xvfb_lock_held() { grep -q "@_K_I_V_Z_O_" /proc/net/unix 2>/dev/null; }
xvfb_wait_lock() {
  for _ in $(seq 60); do xvfb_lock_held || break; sleep 1; done
  if xvfb_lock_held; then xvfb_skip "another kivzo runs"; fi
}

# What the run writes into "save" (the settings of this test machine's
# desktop among them) must not reach the real staged game.
xvfb_copy_stage() {
  work=$(mktemp -d)
  cp -r "$1/kivzo" "$1"/*.AOS "$1"/*.avi "$1/movie" "$work/" 2>/dev/null
  cd "$work" || exit 1
}

# The sample game opens on its title after the brand logo: "はじめから"
# (at 382, 286 of the 1024 x 600 picture, below the window's 20-pixel menu
# strip) starts the story. Waits $1 seconds (8) for the logo to pass first.
xvfb_start_story() {
  sleep "${1:-8}"
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  xdotool mousemove $(( X + 382 )) $(( Y + 20 + 286 ))
  sleep 0.3
  xdotool click 1
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
