#!/bin/sh
# Seed corpus of the script loader fuzzer: a mode byte, then a script in
# CP932 with CR LF line ends (message text, names, choices, macros, blocks).
set -e
out="$1"
mkdir -p "$out"
# あい = 82 A0 82 A2, 名 = 96 BC, 表 = 95 5C (a trail byte equal to '\').
printf '\000::START\r\n# comment\r\n%%a=1\r\n[\226\274]\r\n\202\240\202\242@N\225\134\r\n\202\242\\F\r\n\r\n/\202\240/\202\242\r\n//\r\n^macro("M")\r\n%%b=2\r\n^endm\r\n^wh(%%a<3)\r\n^if(%%a==1)\r\n^else\r\n^endi\r\n^endw\r\nM\r\n::END\r\n' > "$out/basic"
printf '\001::START\r\n\202\240\r\n\202\242@Cvoice\r\n\202\240@X\r\n^macro("$m")\r\n^sw(%%a)\r\n^case(1)\r\n^ends\r\n::END' > "$out/mode2"
printf '\000^macro("N")\r\n\202' > "$out/unterminated"
