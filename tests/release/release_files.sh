# The release's facts agree wherever they are written: the version of VERSION and the release
# date of NEWS.md's newest section in CITATION.cff, the R package's DESCRIPTION and the README's
# package names and versions; the maintainer of MAINTAINER in DESCRIPTION and nowhere else, so
# that filling in MAINTAINER (and running r/tools/sync-sources.sh) replaces the one placeholder
# everywhere.
# (The programs' --version and the Debian package take CMake's project version, read from
# VERSION; tests/install/debian_package.sh checks them.)
# Usage: release_files.sh SOURCE_DIR
set -u
source=$1
status=0
complain() { echo "release_files: $*" >&2; status=1; }
field() { sed -n "s/^$1: *//p" "$2" | head -n 1; }

version=$(head -n 1 "$source/VERSION")
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || complain "VERSION holds '$version', not MAJOR.MINOR.PATCH"
newest=$(grep -m 1 '^## ' "$source/NEWS.md")
[[ $newest =~ ^"## kelvaro "([^ ]+)" ("([0-9]{4}-[0-9]{2}-[0-9]{2})")"$ ]] ||
  complain "NEWS.md's newest section '$newest' is not '## kelvaro VERSION (YYYY-MM-DD)'"
[ "${BASH_REMATCH[1]:-}" = "$version" ] ||
  complain "NEWS.md's newest section is for ${BASH_REMATCH[1]:-no version}, VERSION says $version"
released=${BASH_REMATCH[2]:-}

cff=$source/CITATION.cff
[ "$(field version "$cff")" = "$version" ] || complain "CITATION.cff: version $(field version "$cff"), not $version"
[ "$(field date-released "$cff")" = "$released" ] ||
  complain "CITATION.cff: date-released $(field date-released "$cff"), not NEWS.md's $released"
[ "$(field license "$cff")" = MIT ] || complain "CITATION.cff: license is not MIT"

description=$source/r/DESCRIPTION
sync="run r/tools/sync-sources.sh and commit r/DESCRIPTION"
[ "$(field Version "$description")" = "$version" ] ||
  complain "r/DESCRIPTION: Version $(field Version "$description"), not $version: $sync"
[ "$(field Date "$description")" = "$released" ] ||
  complain "r/DESCRIPTION: Date $(field Date "$description"), not $released: $sync"
[ "$(field License "$description")" = "MIT + file LICENSE" ] || complain "r/DESCRIPTION: License is not MIT"

maintainer=$(grep -v '^#' "$source/MAINTAINER" | grep '<.*@.*>' | tail -n 1)
name=${maintainer% <*}
email=${maintainer##*<}
email=${email%>}
grep -qF "person(\"$name\", role = \"cre\", email = \"$email\")" "$description" ||
  complain "r/DESCRIPTION: the maintainer (role \"cre\") is not $maintainer: $sync"
elsewhere=$(cd "$source" && grep -rlF --exclude-dir=.git --exclude-dir='build*' -e "$email" . |
            grep -vxE '\./(MAINTAINER|r/DESCRIPTION)')
[ -z "$elsewhere" ] || complain "the maintainer's address $email is written in $elsewhere too: take it from MAINTAINER"

# The package names (kelvaro_1.1.0_amd64.deb) and versions (kelvaro 1.1.0, Version 1.1.0) of the
# README and the guides.
for doc in "$source"/README.md "$source"/docs/*.md; do
  [ -f "$doc" ] || continue
  for named in $(grep -oE '(kelvaro[_ ]|Version )[0-9]+\.[0-9]+\.[0-9]+' "$doc" | tr ' ' '=' | sort -u); do
    [ "${named##*[_=]}" = "$version" ] || complain "${doc#"$source"/} names ${named/=/ }, not version $version"
  done
done
exit $status
