#!/bin/sh
# Makes the R package self-contained before `R CMD build`: copies the library (the folders of
# src/ and the public headers of include/kelvaro/) from the project into r/src/kelvaro/, where the
# package's configure finds them, and turns the ditches tables of examples/data/ into the
# package's data set. The copies are not committed: the project's src/ and include/ stay the one
# source of truth. Needs Rscript for the data.
# Each folder of src/ is one library, a layer (ARCHITECTURE.md); the package compiles every layer
# but those above what its functions reach, listed in `unused` below: the kelvaro command and
# the programs' stop signals (cli), files written under temporary names (checked_output), reports
# read back (report_reader), kelvaro-batch's files and tables of a whole run (batch), and zip
# files and XML read with the system's minizip and pugixml (darwin_core_files; R unzips and parses
# with its own). The surveys layer is compiled: kelvaro_long() reads a data frame's records, pairs
# its samples and analyses each pair with it, as kelvaro-batch does.
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
unused=" cli checked_output report_reader batch darwin_core_files "
for dir in "$root"/src/*/; do
  name=$(basename "$dir")
  case "$unused" in *" $name "*) continue ;; esac
  mkdir -p "$core/src/$name"
  find "$dir" -maxdepth 1 \( -name '*.cpp' -o -name '*.h' \) -exec cp {} "$core/src/$name/" \;
done

mkdir -p "$pkg/data"
Rscript --vanilla "$pkg/tools/make-data.R" "$root/examples/data" "$pkg/data/ditches.rda"
