#!/usr/bin/env bash
# The real-window tests' rules for what they cannot test: outside CI a
# missing X tool or screenshot reader is a skip (77), under CI=true a
# failure (1); a tool that is there lets the test go on.
set -u
lib="$(dirname "${BASH_SOURCE[0]}")/xvfb_lib.sh"
failed=0
# expect CODE CI-VALUE COMMAND...: the lib's COMMAND ends with CODE.
expect() {
  local want=$1 ci=$2 got
  shift 2
  if [ -n "$ci" ]; then
    env CI="$ci" bash -c "source '$lib'; $*; exit 0" >/dev/null
  else
    env -u CI bash -c "source '$lib'; $*; exit 0" >/dev/null
  fi
  got=$?
  if [ "$got" -ne "$want" ]; then
    echo "CI='$ci' $*: exit $got, expected $want"
    failed=1
  fi
}
expect 77 "" xvfb_need kivzo-no-such-tool
expect 1 true xvfb_need kivzo-no-such-tool
expect 77 false xvfb_need kivzo-no-such-tool
expect 0 true xvfb_need bash
expect 77 "" xvfb_need_file /nonexistent/xwd_probe
expect 1 true xvfb_need_file /nonexistent/xwd_probe
expect 0 true xvfb_need_file /bin/sh
[ $failed -eq 0 ] && echo "xvfb skip rules: ok"
exit $failed
