#!/bin/sh
# Fails when a face of the library includes anything but the public headers (include/kelvaro/)
# and its own files: the programs (tools/), the web page's engine (web/engine/), the R package's
# sources (r/src/, but for the copy of the library that its build makes in r/src/kelvaro/) and the
# Python package's (python/, when there is one). A face's own file is one beside the including
# file or under the face's folder. Fails too when CLI11 is used outside tools/: the libraries
# and the other faces take no command line.
# usage: check_public_includes.sh SOURCE_DIR
root=$1
found=""
for face in tools web/engine r/src python; do
  [ -d "$root/$face" ] || continue
  files=$(find "$root/$face" -path "$root/r/src/kelvaro" -prune -o \
            \( -name '*.cpp' -o -name '*.cc' -o -name '*.h' -o -name '*.hpp' \) -print)
  for file in $files; do
    for header in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file"); do
      case "$header" in
        kelvaro/*) [ -f "$root/include/$header" ] && continue ;;
        *) [ -f "$(dirname "$file")/$header" ] || [ -f "$root/$face/$header" ] && continue ;;
      esac
      found="$found
${file#"$root"/}: \"$header\""
    done
  done
done
if [ -n "$found" ]; then
  echo "headers included by a face that are neither public (include/kelvaro/) nor its own:$found"
  exit 1
fi
cli=$(grep -rln '#[[:space:]]*include[[:space:]]*<CLI/' "$root/src" "$root/include" "$root/web/engine" \
        "$root/r/src" "$root/python" 2> /dev/null | grep -v "^$root/r/src/kelvaro/")
if [ -n "$cli" ]; then
  echo "CLI11 used outside the programs (tools/):"
  echo "$cli"
  exit 1
fi
echo "the programs, the web page's engine and the R package include only the public headers"
