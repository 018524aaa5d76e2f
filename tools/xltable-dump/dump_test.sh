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
