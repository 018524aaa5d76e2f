#!/usr/bin/env bash
# Runs xltable-dump over small pokes and checks its output, error lines and
# exit codes.
set -u
dump=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect NAME STATUS STDOUT STDERR -- COMMAND...: runs the command and compares.
expect() {
  local name=$1 status=$2 out=$3 err=$4
  shift 5
  "$@" >"$work/out" 2>"$work/err"
  local got=$?
  printf '%b' "$out" >"$work/want-out"
  printf '%b' "$err" >"$work/want-err"
  if [[ $got != "$status" ]] || ! cmp -s "$work/out" "$work/want-out" ||
    ! cmp -s "$work/err" "$work/want-err"; then
    echo "FAIL $name: exit $got (want $status)"
    echo "--- stdout"; od -c "$work/out" | head -20
    echo "--- stderr"; cat "$work/err"
    failures=$((failures + 1))
  fi
}

header_2x3='\x10\x00\x04\x00\x02\x00\x03\x00'
titles='\x02\x00\x1d\x00\x0bSELL_VOLUME\x05PRICE\x0aBUY_VOLUME'
floats='\x01\x00\x10\x00\x00\x00\x00\x00\x00\x00\x14\x40\x00\x00\x00\x00\x00\x60\x59\x40'
blank='\x05\x00\x02\x00\x01\x00'
printf "$header_2x3$titles$floats$blank" >"$work/book.xlt"

expect "file with a comma separator" 0 \
  'rows=2 cols=3\nSELL_VOLUME\tPRICE\tBUY_VOLUME\n5\t101,5\t\n' '' -- \
  "$dump" --decimal , "$work/book.xlt"
expect "standard input, point by default" 0 \
  'rows=2 cols=3\nSELL_VOLUME\tPRICE\tBUY_VOLUME\n5\t101.5\t\n' '' -- \
  bash -c '"$1" <"$2"' _ "$dump" "$work/book.xlt"

# A cp1251 title is printed with its own bytes; an unknown block is logged.
printf '\x10\x00\x04\x00\x01\x00\x01\x00\x09\x00\x01\x00\xff\x02\x00\x03\x00\x02\xd6\xe5' \
  >"$work/bytes.xlt"
expect "bytes kept, unknown block logged" 0 'rows=1 cols=1\n\xd6\xe5\n' \
  'ParseXLTable:Unknown Type 9\n' -- "$dump" - <"$work/bytes.xlt"

printf '\x11\x00\x04\x00' >"$work/rejected.xlt"
expect "rejected header" 2 'rejected\n' '' -- "$dump" "$work/rejected.xlt"

printf "$header_2x3" >"$work/short.xlt"
expect "data ends after the header" 1 '' \
  'error 5: Vestrel.modDDE.GetWord->Vestrel.modDDE.ParseXLTable\n' -- "$dump" "$work/short.xlt"
printf '\x10\x00\x04\x00\x01\x00\x01\x00\x02\x00\x04\x00\x01a\x01b' >"$work/many.xlt"
expect "too many values" 1 '' \
  'error 9: Vestrel.modDDE.WriteValue->Vestrel.modDDE.GetStringS->Vestrel.modDDE.ParseXLTable\n' \
  -- "$dump" "$work/many.xlt"

# A recording: every poke with its time, item and size, then what it prints
# alone, all on standard output.
le() { # VALUE BYTES: the value's little-endian bytes as printf escapes
  local i
  for ((i = 0; i < $2; i++)); do printf '\\x%02x' $((($1 >> (8 * i)) & 255)); done
}
record() { # MICROSECONDS ITEM DATA-FILE: one poke's record
  printf "$(le "$1" 8)$(le ${#2} 2)$(le "$(stat -c %s "$3")" 4)"
  printf '%s' "$2"
  cat "$3"
}
printf '\x89POKES\r\n\x02\x00\x00\x00' >"$work/pokes.rec"
{
  record 1796000000123456 R1C1:R2C3 "$work/book.xlt"
  record 1796000000223456 R2C1:R2C2 "$work/rejected.xlt"
  record 1796000060000000 R1C1:R2C3 "$work/short.xlt"
} >>"$work/pokes.rec"
listing='# poke 1 at 2026-11-30 00:53:20.123456 item R1C1:R2C3 bytes 67
rows=2 cols=3\nSELL_VOLUME\tPRICE\tBUY_VOLUME\n5\t101.5\t
# poke 2 at 2026-11-30 00:53:20.223456 item R2C1:R2C2 bytes 4\nrejected\n'
expect "a recording" 0 "$listing"'# poke 3 at 2026-11-30 00:54:20.000000 item R1C1:R2C3 bytes 8
error 5: Vestrel.modDDE.GetWord->Vestrel.modDDE.ParseXLTable\n' '' -- "$dump" "$work/pokes.rec"
head -c -1 "$work/pokes.rec" >"$work/cut.rec"
expect "a recording cut short" 1 "$listing" \
  "xltable-dump: $work/cut.rec: the file ends inside poke 3, 30 bytes after poke 2\n" -- \
  "$dump" "$work/cut.rec"
printf '\x89POKES\r\n\x03\x00\x00\x00' >"$work/newer.rec"
expect "a newer recording" 3 '' "xltable-dump: $work/newer.rec: it is a recording of version 3; \
this program reads and writes version 2\n" -- "$dump" "$work/newer.rec"

expect "missing file" 3 '' "xltable-dump: cannot read $work/none: No such file or directory\n" \
  -- "$dump" "$work/none"
expect "bad separator" 3 '' \
  'xltable-dump: --decimal needs a single character\nusage: xltable-dump [--decimal SEP] [FILE]\n' \
  -- "$dump" --decimal ab "$work/book.xlt"

if ((failures > 0)); then
  echo "$failures case(s) failed"
  exit 1
fi
echo "all cases passed"
