#!/bin/sh
# Fails when a program (tools/) or the R package (r/src/) includes a header of the library's
# internals (a folder of src/) instead of the public ones under include/kelvaro/.
# usage: check_public_includes.sh SOURCE_DIR
root=$1
internal=$(cd "$root/src" && ls -d */ | tr -d / | tr '\n' '|' | sed 's/|$//')
found=$(grep -rnE "#include \"($internal)/" "$root/tools" "$root/r/src" \
          --include='*.cpp' --include='*.h' 2>/dev/null | grep -v "^$root/r/src/kelvaro/")
if [ -n "$found" ]; then
  echo "internal headers included outside the library (use include/kelvaro/ instead):"
  echo "$found"
  exit 1
fi
echo "tools/ and r/src/ include only the public headers"
