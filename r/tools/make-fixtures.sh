#!/bin/sh
# The R package's test fixtures: the ditches data through the project's programs, as a user of
# the commands would run them. The package's tests compare its runs with these (report byte for
# byte, parameters to the printed digits), so they tie the package to the commands.
#   make-fixtures.sh PREP KELVARO TIDY           writes r/tests/testthat/fixtures/
#   make-fixtures.sh --check PREP KELVARO TIDY   exits 1 when a fixture differs from the programs'
set -eu
check=false
if [ "${1:-}" = --check ]; then
  check=true
  shift
fi
if [ $# -ne 3 ]; then
  echo "usage: make-fixtures.sh [--check] KELVARO-PREP KELVARO KELVARO-TIDY" >&2
  exit 2
fi
prep=$1 kelvaro=$2 tidy=$3
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
if $check; then
  status=0
  for f in ditches.in ditches.out ditches-parameters.csv; do
    if ! cmp -s "$out/$f" "$fixtures/$f"; then
      echo "r/tests/testthat/fixtures/$f differs from what the programs give now;" \
           "run r/tools/make-fixtures.sh with the built programs and commit the result" >&2
      status=1
    fi
  done
  exit $status
fi
