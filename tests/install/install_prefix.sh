# Installs the build into a temporary prefix; every program, manual page and example file must be
# where the README says, and nothing else in bin/; the README's pipe must run from there; the
# uninstall script, given the install's manifest, must then leave no file and no folder of
# kelvaro's own behind.
# Usage: install_prefix.sh CMAKE BUILD_DIR SOURCE_DIR PROGRAM...
set -u
cmake=$1 build=$2 source=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "install_prefix: $*" >&2; exit 1; }
. "$(dirname "$0")/readme_pipe.sh"

"$cmake" --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 ||
  fail "cmake --install failed: $(cat "$work/install.log")"
for program in "$@"; do
  [ -x "$prefix/bin/$program" ] || fail "$program is not installed in bin/"
  [ -f "$prefix/share/man/man1/$program.1.gz" ] || fail "$program has no page in share/man/man1/"
done
[ "$(ls "$prefix/bin" | sort)" = "$(printf '%s\n' "$@" | sort)" ] ||
  fail "bin/ holds $(ls "$prefix/bin" | tr '\n' ' ')instead of the programs $*"
for doc in README.md copyright changelog.gz examples/two-samples.txt examples/data/ditches-week-4.csv; do
  [ -f "$prefix/share/doc/kelvaro/$doc" ] || fail "share/doc/kelvaro/$doc is not installed"
done
message=$(check_readme_pipe "$prefix/bin" "$prefix/share/doc/kelvaro" "$work") || fail "$message"

cp "$build/install_manifest.txt" "$work/manifest"
"$cmake" -DMANIFEST="$work/manifest" -P "$source/cmake/uninstall.cmake" > /dev/null ||
  fail "the uninstall script failed"
left=$(find "$prefix" -type f -o -path '*/doc/kelvaro*' -o -path '*/include/kelvaro' -o -path '*/cmake/kelvaro')
[ -z "$left" ] || fail "uninstalling left $left"
