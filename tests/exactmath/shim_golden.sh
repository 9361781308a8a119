#!/bin/sh
# Every golden input through a dynamically linked kelvaro whose maths library's exp, log and expf
# are made one unit in the last place off by a preloaded shim: every report, standard error and
# exit status must still be the expected one, since the program no longer uses those functions.
# First shows that the shim is in effect (the probe's library results change under it).
# Usage: shim_golden.sh SHIM KELVARO PROBE GOLDEN_DIR
set -u
shim=$1 program=$2 probe=$3 golden=$4
plain=$("$probe")
shimmed=$(LD_PRELOAD="$shim" "$probe")
if [ "$plain" = "$shimmed" ]; then
  echo "the shim changes nothing ($plain): this check would prove nothing"
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
for input in "$golden"/*.in; do
  name=${input%.in}
  LD_PRELOAD="$shim" "$program" -q < "$input" > "$work/out" 2> "$work/err"
  status=$?
  [ -f "$name.err" ] && cp "$name.err" "$work/want_err" || : > "$work/want_err"
  want_status=0
  [ -f "$name.status" ] && want_status=$(cat "$name.status")
  if cmp -s "$work/out" "$name.out" && cmp -s "$work/err" "$work/want_err" &&
     [ "$status" -eq "$want_status" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "changed under the shim: $(basename "$name")"
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
