# Builds the Debian package with cpack into a temporary folder, checks its name and control
# fields, unpacks it with dpkg-deb -x, and runs from there every program's --version, kelvaro on
# the bundled example (the same report as the build's kelvaro) and the README's pipe.
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
[ -n "$(field Description)" ] || fail "no description"

root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
for program in "$@"; do
  [ -f "$root/usr/share/man/man1/$program.1" ] || fail "no /usr/share/man/man1/$program.1"
  got=$("$root/usr/bin/$program" --version) || fail "$program --version failed"
  [ "$got" = "$program $version" ] || fail "$program --version printed '$got'"
done
example=$root/usr/share/doc/kelvaro/examples/two-samples.txt
"$root/usr/bin/kelvaro" "$example" > "$work/packaged.txt" || fail "kelvaro failed on $example"
"$built_kelvaro" "$example" > "$work/built.txt"
cmp -s "$work/packaged.txt" "$work/built.txt" ||
  fail "the packaged kelvaro's report on the example differs from the build's"
message=$(check_readme_pipe "$root/usr/bin" "$root/usr/share/doc/kelvaro" "$work") || fail "$message"
