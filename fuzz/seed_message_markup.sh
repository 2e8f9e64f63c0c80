#!/bin/sh
# Seed corpus of the message-markup fuzzer: eight layout bytes (window x, y,
# home x, y, characters a line, lines a page, gaps and switches), then a
# line: names, escapes, brackets, hanging punctuation, 0x5C trail bytes.
set -e
out="$1"
mkdir -p "$out"
printf '\014\060\012\010\024\003\302\300[\221\276\230Y]\201u\202\240\202\242\201v@N\225\134\203\134@cA01\201B\201A@i' > "$out/name"
printf '\000\000\000\000\003\002\000\000\202\240\202\242\202\244\201B\201A\201i\202\240\201j@n@0@1\\f' > "$out/wrap"
printf '\360\366\000\000\000\000\100\100/yes/\202\240\202\242/no//' > "$out/choices"
