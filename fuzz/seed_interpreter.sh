#!/bin/sh
# Seed corpus of the interpreter fuzzer: a mode byte, then a script using
# the control words, assignments, commands, macros, text and choices.
set -e
out="$1"
mkdir -p "$out"
printf '\000::START\r\nvar(%%a,%%b,$s,!f)\r\n^wh(%%a<5)\r\n%%a+=1\r\n^if(%%a==2)\r\n^cont\r\n^elif(%%a==4)\r\n^brk\r\n^else\r\n%%b=%%b*2+(%%a`2)/0\r\n^endi\r\n^endw\r\n^sw(%%a)\r\n^case(4)\r\n$s="x"+$s\r\n^df\r\n^ends\r\n^jsb(sub)\r\n^go(.END)\r\n:sub\r\nque("q",1)\r\nenque("q",2,3)\r\ndeque("q")\r\nmax(1,9,3)\r\nstr(-5)\r\nnum("0x1F")\r\nrand(10)\r\n^ret\r\n::END\r\n' > "$out/control"
printf '\000::START\r\n^macro("M")\r\n%%x\r\n%%a+=1\r\n^endm\r\nvar(%%a)\r\nM\r\nM\r\n>1\r\n[\226\274]\r\n\202\240\202\242@N\225\134@Sname\r\n\r\n/\202\240/\202\242//\r\nwait(10)\r\nglobal(%%g,3)\r\n^gsb(OTHER.L)\r\n::END\r\n' > "$out/macro"
