#!/bin/sh
# The R package's test fixtures: the ditches data through the project's programs, as a user of
# the commands would run them, a small grid of designs through kelvaro-plan (with targets, and
# with a pilot's communities: the CSV and the answer line), and the Darwin Core archive of
# fixtures/dwca/ through kelvaro-batch. The package's tests compare its runs with these (report
# byte for byte, numbers to the printed digits), so they tie the package to the commands.
#   make-fixtures.sh [--check] [--batch BATCH] PREP KELVARO TIDY [PLAN]
# writes r/tests/testthat/fixtures/, or with --check exits 1 when a fixture differs from the
# programs'. Without PLAN (a build without kelvaro-plan) the plan fixtures are neither written
# nor checked; without BATCH, dwca-parameters.csv.
set -eu
check=false
if [ "${1:-}" = --check ]; then
  check=true
  shift
fi
batch=
if [ "${1:-}" = --batch ] && [ $# -ge 2 ]; then
  batch=$2
  shift 2
fi
if [ $# -ne 3 ] && [ $# -ne 4 ]; then
  echo "usage: make-fixtures.sh [--check] [--batch KELVARO-BATCH] KELVARO-PREP KELVARO" \
       "KELVARO-TIDY [KELVARO-PLAN]" >&2
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
  # Targets: rounds of surveys until the answer is decided (the CSV's six columns more, and the
  # answer line on standard error), as kelvaro_plan(target =, max_surveys =) in test-plan.R;
  # then over the communities consistent with a pilot.
  "$plan" --species 30 --persistence 0.8 --colonists 0 --detection 0.3 --heterogeneity 1 \
    --sites 3,6 --surveys 25 --nreps 20 --seed 7 --target 'N(1):coverage>=0.6' \
    --max-surveys 100 --quiet > "$out/plan-target.csv" 2> "$out/plan-target.stderr"
  "$plan" --from-pilot "$fixtures/pilot.csv" --persistence 0.8 --sites 4,8 --surveys 10 \
    --nreps 10 --seed 7 --target 'N(1):coverage>=0.6' --communities 10 --community-surveys 4 \
    --max-surveys 80 --assurance 0.6 --quiet > "$out/plan-pilot.csv" 2> "$out/plan-pilot.stderr"
  files="$files plan.csv plan-target.csv plan-target.stderr plan-pilot.csv plan-pilot.stderr"
fi
if [ -n "$batch" ]; then
  # As kelvaro_dwca(fixture("dwca"), nreps = 20, seed = 400) in test-dwca.R.
  "$batch" "$fixtures/dwca" -o "$out/dwca-batch" --nreps 20 --seed 400 --quiet
  mv "$out/dwca-batch/parameters.csv" "$out/dwca-parameters.csv"
  rm -rf "$out/dwca-batch"
  files="$files dwca-parameters.csv"
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
