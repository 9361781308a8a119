#!/bin/sh
# The R package's test fixtures: the ditches data through the project's programs, as a user of
# the commands would run them, and a small grid of designs through kelvaro-plan. The package's
# tests compare its runs with these (report byte for byte, numbers to the printed digits), so
# they tie the package to the commands.
#   make-fixtures.sh PREP KELVARO TIDY [PLAN]           writes r/tests/testthat/fixtures/
#   make-fixtures.sh --check PREP KELVARO TIDY [PLAN]   exits 1 when a fixture differs from the
#                                                       programs'
# Without PLAN (a build without kelvaro-plan) plan.csv is neither written nor checked.
set -eu
check=false
if [ "${1:-}" = --check ]; then
  check=true
  shift
fi
if [ $# -ne 3 ] && [ $# -ne 4 ]; then
  echo "usage: make-fixtures.sh [--check] KELVARO-PREP KELVARO KELVARO-TIDY [KELVARO-PLAN]" >&2
  exit 2
fi
prep=$1 kelvaro=$2 tidy=$3 plan=${4:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
fixtures="$root/r/tests/testthat/fixtures"
out=$fixtures
if $check; then
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
fi
mkdir -p "$out"
"$prep" "$root/examples/data/ditches-week-4.csv" "$root/examples/data/ditches-week24.csv" \
  > "$out/ditches.in"
"$kelvaro" "$out/ditches.in" > "$out/ditches.out"
"$tidy" "$out/ditches.out" > "$out/ditches-parameters.csv"
files="ditches.in ditches.out ditches-parameters.csv"
if [ -n "$plan" ]; then
  # The same grid as fixture_plan() in tests/testthat/test-plan.R.
  "$plan" --species 30 --persistence 0.8 --colonists 0 --detection 0.3 --heterogeneity 1 \
    --detection-change 1.5 --sites1 3,6 --sites2 4,8 --surveys 25 --nreps 20 --seed 7 \
    > "$out/plan.csv"
  files="$files plan.csv"
fi
if $check; then
  status=0
  for f in $files; do
    if ! cmp -s "$out/$f" "$fixtures/$f"; then
      echo "r/tests/testthat/fixtures/$f differs from what the programs give now;" \
           "run r/tools/make-fixtures.sh with the built programs and commit the result" >&2
      status=1
    fi
  done
  exit $status
fi
