#!/bin/sh
# kelvaro-batch on a generated scheme of about 20 million rows (ROUTES routes x 4 years x 50
# stops, shuffled), one and two threads: wall-clock and processor time and peak memory (GNU
# time's maximum resident set), beside the table's size. The table is written to a temporary
# folder and removed after.
#   sh bench/batch_scale.sh build-bench/tools/kelvaro-batch [ROUTES]
set -eu
batch=$1
routes=${2:-10200}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT INT TERM HUP
python3 "$(dirname "$0")/make_survey.py" --routes "$routes" --years 4 --shuffle > "$dir/survey.csv"
echo "table: $(($(wc -l < "$dir/survey.csv") - 1)) rows, $(($(wc -c < "$dir/survey.csv") / 1048576)) MiB"
for threads in 1 2; do
  /usr/bin/time -f "threads $threads: %e s wall clock, %U s user + %S s system processor time, peak %M KiB" "$batch" -q --nreps 1 \
    --group RouteID --sample Year --site Stop --species AOU --count SpeciesTotal \
    --threads "$threads" -o "$dir/out" "$dir/survey.csv"
done
