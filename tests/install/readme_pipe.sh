# check_readme_pipe BIN DOC WORK: runs the README's pipe in the folder WORK, with the programs in
# BIN on the example data installed in DOC and nothing but BIN and the system on the PATH, and
# checks the start of the parameter table against the values the README shows.
check_readme_pipe() {
  local bin=$1 data=$2/examples/data work=$3 out
  out=$(cd "$work" && env -i PATH="$bin:/usr/bin:/bin" bash -c \
    'set -o pipefail; kelvaro-prep "$1" "$2" | kelvaro | kelvaro-tidy' \
    _ "$data/ditches-week-4.csv" "$data/ditches-week24.csv") ||
    { echo "the README's pipe failed with status $?"; return 1; }
  out=$(printf '%s\n' "$out" | tr -d '\r' | head -n 3)
  local expected='parameter,estimate,bootstrap_average,standard_error,lower,upper
N(1),110.96,117.42,23.49,83.11,169.45
N(2),186.44,187.68,31.52,120.43,237.21'
  [ "$out" = "$expected" ] || { printf 'the pipe wrote\n%s\ninstead of\n%s\n' "$out" "$expected"; return 1; }
}
