#!/bin/sh
# Makes the R package self-contained before `R CMD build`: copies the library's sources (the
# folders of src/ but the command's, cli/) and its public header from the project into
# r/src/kelvaro/, where the package's configure finds them, and turns the ditches tables of
# examples/data/ into the package's data set. The copies are not committed: the project's src/
# and include/ stay the one source of truth. Needs Rscript for the data.
# The survey planner's engine (tools/plan/, the library kelvaro_plan) is copied the same way into
# r/src/kelvaro/src/plan/, without the command's main.cpp, command line (which take CLI11) and
# pilot file reader (kelvaro-prep's tables; the package reads a pilot in R).
# DESCRIPTION's Version, Date and maintainer (role "cre") are rewritten from the project's
# VERSION, the release date of NEWS.md's newest section and MAINTAINER.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
pkg="$root/r"
core="$pkg/src/kelvaro"

version=$(head -n 1 "$root/VERSION")
released=$(sed -n 's/^## kelvaro [^ ]* (\([0-9-]*\))$/\1/p' "$root/NEWS.md" | head -n 1)
maintainer=$(grep -v '^#' "$root/MAINTAINER" | grep '<.*@.*>' | tail -n 1)
# The name and the address, escaped for sed's replacement text.
name=$(printf '%s' "${maintainer% <*}" | sed 's/[\/&]/\\&/g')
email=$(printf '%s' "${maintainer##*<}" | sed 's/>$//; s/[\/&]/\\&/g')
sed -e "s/^Version: .*/Version: $version/" -e "s/^Date: .*/Date: $released/" \
    -e "s/person(\"[^\"]*\", role = \"cre\", email = \"[^\"]*\")/person(\"$name\", role = \"cre\", email = \"$email\")/" \
    "$pkg/DESCRIPTION" > "$pkg/DESCRIPTION.new"
if cmp -s "$pkg/DESCRIPTION" "$pkg/DESCRIPTION.new"; then
  rm "$pkg/DESCRIPTION.new"
else
  mv "$pkg/DESCRIPTION.new" "$pkg/DESCRIPTION"
  echo "sync-sources.sh: r/DESCRIPTION now has version $version of $released and maintainer" \
       "$maintainer"
fi

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

mkdir -p "$core/src/plan"
find "$root/tools/plan" -maxdepth 1 \( -name '*.cpp' -o -name '*.h' \) \
  ! -name main.cpp ! -name 'command_line.*' ! -name question_options.cpp \
  ! -name 'pilot_file.*' -exec cp {} "$core/src/plan/" \;
if grep -l -e '#include <CLI/' -e '#include "common/' "$core"/src/plan/*; then
  echo "sync-sources.sh: the files above of tools/plan/ use the command's libraries (CLI11, the" \
       "companion programs' output); keep them out of the engine the package compiles" >&2
  exit 1
fi

mkdir -p "$pkg/data"
Rscript --vanilla "$pkg/tools/make-data.R" "$root/examples/data" "$pkg/data/ditches.rda"
