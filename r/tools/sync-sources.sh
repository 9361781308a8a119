#!/bin/sh
# Makes the R package self-contained before `R CMD build`: copies the library's sources (the
# folders of src/ but the command's, cli/) and its public header from the project into
# r/src/kelvaro/, where the package's configure finds them, and turns the ditches tables of
# examples/data/ into the package's data set. The copies are not committed: the project's src/
# and include/ stay the one source of truth. Needs Rscript for the data.
# Another library of the project that the package comes to call (the survey planner, say) is
# copied the same way, into its own folder under r/src/kelvaro/src/, without its main.cpp.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
pkg="$root/r"
core="$pkg/src/kelvaro"

rm -rf "$core"
rm -f "$pkg"/src/*.o "$pkg"/src/*.so
mkdir -p "$core/src" "$core/include"
cp -R "$root/include/kelvaro" "$core/include/"
for dir in "$root"/src/*/; do
  name=$(basename "$dir")
  [ "$name" = cli ] && continue
  mkdir -p "$core/src/$name"
  find "$dir" -maxdepth 1 \( -name '*.cpp' -o -name '*.h' \) -exec cp {} "$core/src/$name/" \;
done

mkdir -p "$pkg/data"
Rscript --vanilla "$pkg/tools/make-data.R" "$root/examples/data" "$pkg/data/ditches.rda"
