# Builds the Debian packages with cpack into a temporary folder, checks their names and control
# fields, unpacks them with dpkg-deb -x, checks the files Debian asks for (compressed manual pages,
# the copyright file, the changelog whose first entry is this version), runs from kelvaro's every
# program's --version, kelvaro on the bundled example (the same report as the build's kelvaro) and
# the README's pipe, checks that kelvaro-dev holds the library (headers, CMake package, pkg-config
# file) and no file of kelvaro's, and, where lintian is installed, has it find no error in either.
# Usage: debian_package.sh CPACK BUILD_DIR VERSION BUILT_KELVARO PROGRAM...
set -u
cpack=$1 build=$2 version=$3 built_kelvaro=$4
shift 4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "debian_package: $*" >&2; exit 1; }
. "$(dirname "$0")/readme_pipe.sh"

"$cpack" --config "$build/CPackConfig.cmake" -B "$work/package" > "$work/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$work/cpack.log")"
deb=$work/package/kelvaro_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack wrote $(ls "$work/package")"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package) $(field Version)" = "kelvaro $version" ] || fail "package $(field Package) $(field Version)"
[ "$(field Section)" = science ] || fail "section '$(field Section)' instead of science"
depends=$(field Depends)
[ -z "$depends" ] || [[ $depends =~ ^libc6( \([^\)]*\))?$ ]] || fail "depends on $depends"
description=$(field Description)
for program in "$@"; do
  grep -qE "(^| )$program( |$)" <<< "$description" || fail "the description does not name $program"
done

root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
for program in "$@"; do
  gzip -t "$root/usr/share/man/man1/$program.1.gz" 2> /dev/null ||
    fail "no compressed /usr/share/man/man1/$program.1.gz"
  got=$("$root/usr/bin/$program" --version) || fail "$program --version failed"
  [ "$got" = "$program $version" ] || fail "$program --version printed '$got'"
done
doc=$root/usr/share/doc/kelvaro
head -1 "$doc/copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "no machine-readable $doc/copyright"
first=$(zcat "$doc/changelog.gz" 2> /dev/null | head -1)
[ "$first" = "kelvaro ($version) unstable; urgency=medium" ] ||
  fail "the changelog's first line is '$first', not this version's entry"
example=$doc/examples/two-samples.txt
"$root/usr/bin/kelvaro" "$example" > "$work/packaged.txt" || fail "kelvaro failed on $example"
"$built_kelvaro" "$example" > "$work/built.txt"
cmp -s "$work/packaged.txt" "$work/built.txt" ||
  fail "the packaged kelvaro's report on the example differs from the build's"
message=$(check_readme_pipe "$root/usr/bin" "$root/usr/share/doc/kelvaro" "$work") || fail "$message"

dev=$work/package/kelvaro-dev_${version}_$(dpkg --print-architecture).deb
[ -f "$dev" ] || fail "no $(basename "$dev"); cpack wrote $(ls "$work/package")"
fields=$(dpkg-deb -f "$dev" Package Version Section | tr '\n' ' ')
[ "$fields" = "Package: kelvaro-dev Version: $version Section: libdevel " ] ||
  fail "kelvaro-dev's fields are $fields"
dev_root=$work/dev-root
dpkg-deb -x "$dev" "$dev_root" || fail "dpkg-deb -x failed on kelvaro-dev"
for file in include/kelvaro/kelvaro.h include/kelvaro/planner.h share/doc/kelvaro-dev/copyright \
            share/doc/kelvaro-dev/changelog.gz; do
  [ -f "$dev_root/usr/$file" ] || fail "kelvaro-dev has no /usr/$file"
done
for file in 'pkgconfig/kelvaro.pc' 'cmake/kelvaro/kelvaro-config.cmake' 'libkelvaro_run.a'; do
  ls "$dev_root"/usr/lib/*/$file > /dev/null 2>&1 || fail "kelvaro-dev has no /usr/lib/*/$file"
done
shared=$(comm -12 <(cd "$root" && find . -type f | sort) <(cd "$dev_root" && find . -type f | sort))
[ -z "$shared" ] || fail "kelvaro and kelvaro-dev both hold $shared"
if command -v lintian > /dev/null; then
  # Errors only (overridden tags are not shown); lintian takes about 20 seconds a package.
  for package in "$deb" "$dev"; do
    errors=$(lintian "$package" 2> /dev/null | grep '^E:')
    [ -z "$errors" ] || fail "lintian finds errors in $(basename "$package"): $errors"
  done
fi
