#!/bin/sh
# Runs every tests/golden/NAME.in through a built kelvaro program, as golden_test.cpp does, without
# the test framework: standard output must equal NAME.out byte for byte, standard error NAME.err
# (empty when there is none) and the exit status NAME.status (0 when there is none), with -q; with
# warnings shown, the report and the status must be the same.
#   tests/golden/run-program.sh PROGRAM [RUNNER...]
# RUNNER is put before the program, e.g. qemu-aarch64 for a cross-built one.
set -u
if [ $# -lt 1 ]; then
  echo "usage: run-program.sh PROGRAM [RUNNER...]" >&2
  exit 2
fi
program=$1
shift
dir=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
cases=0
for in in "$dir"/*.in; do
  name=$(basename "$in" .in)
  cases=$((cases + 1))
  "$@" "$program" -q < "$in" > "$work/out" 2> "$work/err"
  status=$?
  expected_status=0
  [ -f "$dir/$name.status" ] && expected_status=$(cat "$dir/$name.status")
  : > "$work/expected-err"
  [ -f "$dir/$name.err" ] && cp "$dir/$name.err" "$work/expected-err"
  problem=""
  cmp -s "$work/out" "$dir/$name.out" || problem="$problem report"
  cmp -s "$work/err" "$work/expected-err" || problem="$problem standard-error"
  [ "$status" -eq "$expected_status" ] || problem="$problem status($status, expected $expected_status)"
  "$@" "$program" < "$in" > "$work/shown" 2> /dev/null
  shown_status=$?
  cmp -s "$work/shown" "$work/out" || problem="$problem report-with-warnings"
  [ "$shown_status" -eq "$status" ] || problem="$problem status-with-warnings"
  if [ -n "$problem" ]; then
    echo "golden $name: differs:$problem" >&2
    failed=$((failed + 1))
  fi
done
if [ "$cases" -eq 0 ]; then
  echo "golden: no cases in $dir" >&2
  exit 1
fi
if [ "$failed" -ne 0 ]; then
  echo "golden: $failed of $cases cases differ" >&2
  exit 1
fi
echo "golden: $cases cases identical"
