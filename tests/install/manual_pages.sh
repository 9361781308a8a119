# Every program's manual page: groff and mandoc find nothing to warn about, it has the sections
# every page has, and its OPTIONS describe every option the program's --help lists.
# Usage: manual_pages.sh MAN_DIR PROGRAM_BINARY...
set -u
mandir=$1
shift
status=0
sections=(NAME SYNOPSIS DESCRIPTION OPTIONS "INPUT FORMAT" OUTPUT "EXIT STATUS" EXAMPLES "SEE ALSO")
for binary in "$@"; do
  name=$(basename "$binary")
  page=$mandir/$name.1
  complain() { echo "$page: $*" >&2; status=1; }
  [ -f "$page" ] || { complain "missing"; continue; }
  out=$(groff -ww -man -z "$page" 2>&1)
  [ -z "$out" ] || complain "groff -ww: $out"
  out=$(mandoc -T lint "$page" 2>&1)
  [ -z "$out" ] || complain "mandoc -T lint: $out"
  for section in "${sections[@]}"; do
    grep -qxE "\.SH \"?$section\"?" "$page" || complain "no section $section"
  done
  options=$(awk '/^\.SH /{in_options = ($0 == ".SH OPTIONS")} in_options' "$page" | sed 's/\\-/-/g')
  for option in $("$binary" --help | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u); do
    grep -qE -- "$option([^a-z0-9-]|$)" <<< "$options" ||
      complain "OPTIONS does not describe $option (from $name --help)"
  done
done
exit $status
