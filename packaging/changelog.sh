#!/bin/sh
# Writes the Debian changelog of the package into OUT, from NEWS.md (the one record of
# what changed) and the maintainer's "Name <address>": one entry per "## kelvaro VERSION (DATE)"
# section, newest first as in NEWS.md; a "### Heading" becomes a "* Heading:" item with the list
# below it as "-" sub-items; lines wrapped to 78 columns.
# Usage: changelog.sh NEWS.md "Name <address>" OUT
set -eu
[ $# -eq 3 ] || { echo "usage: changelog.sh NEWS.md 'Name <address>' OUT" >&2; exit 2; }
awk -v maintainer="$2" '
function wrap(text, first, rest,    words, n, i, line, out) {
  n = split(text, words, " ")
  line = first
  out = ""
  for (i = 1; i <= n; i++) {
    if (line != first && line != rest && length(line) + 1 + length(words[i]) > 78) {
      out = out line "\n"
      line = rest
    }
    line = (line == first || line == rest) ? line words[i] : line " " words[i]
  }
  return out line "\n"
}
function flush_item() {
  if (item != "") printf "%s", wrap(item, item_first, item_rest)
  item = ""
}
function close_entry(    cmd, stamp) {
  flush_item()
  if (date == "") return
  cmd = "date -u -R -d \"" date " 12:00:00\""
  if ((cmd | getline stamp) <= 0) { print "changelog.sh: bad date " date > "/dev/stderr"; exit 1 }
  close(cmd)
  printf "\n -- %s  %s\n", maintainer, stamp
  date = ""
}
/^## kelvaro [^ ]+ \([0-9-]+\)$/ {
  close_entry()
  if (entries++) print ""
  version = $3
  date = substr($4, 2, length($4) - 2)
  printf "kelvaro (%s) unstable; urgency=medium\n\n", version
  nested = 0
  next
}
date == "" { next }
/^### / {
  flush_item()
  printf "%s", wrap(substr($0, 5) ":", "  * ", "    ")
  nested = 1
  next
}
/^- / {
  flush_item()
  item = substr($0, 3)
  item_first = nested ? "    - " : "  * "
  item_rest = nested ? "      " : "    "
  next
}
/^[ \t]*$/ { flush_item(); next }
/^  / && item != "" { sub(/^ +/, ""); item = item " " $0; next }
{
  if (item == "") { item_first = "  * "; item_rest = "    "; item = $0 } else item = item " " $0
}
END {
  close_entry()
  if (!entries) { print "changelog.sh: no \"## kelvaro VERSION (DATE)\" section" > "/dev/stderr"; exit 1 }
}
' "$1" > "$3"
