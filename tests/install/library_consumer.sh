# Installs the build into a temporary prefix, as make install does, and builds a small program
# against the installed library twice, with CMake (find_package(kelvaro), kelvaro::kelvaro) and
# with pkg-config (pkg-config --cflags --libs kelvaro); each must print what the installed
# programs' pipe prints for the example data. Then uninstalls and checks that nothing is left.
# Usage: library_consumer.sh CMAKE CXX BUILD_DIR SOURCE_DIR
set -u
cmake=$1 cxx=$2 build=$3 source=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "library_consumer: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" --strip > "$work/install.log" 2>&1 ||
  fail "cmake --install failed: $(cat "$work/install.log")"
data=$prefix/share/doc/kelvaro/examples/data
set -- "$data/ditches-week-4.csv" "$data/ditches-week24.csv"
expected=$("$prefix/bin/kelvaro-prep" "$@" | "$prefix/bin/kelvaro" | "$prefix/bin/kelvaro-tidy") ||
  fail "the installed programs' pipe failed"

"$cmake" -S "$source/tests/install/consumer" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=Release > "$work/cmake.log" 2>&1 &&
  "$cmake" --build "$work/cmake" >> "$work/cmake.log" 2>&1 ||
  fail "the consumer does not build with CMake: $(tail -n 20 "$work/cmake.log")"
got=$("$work/cmake/consumer" "$@") || fail "the consumer built with CMake failed"
[ "$got" = "$expected" ] || fail "the consumer built with CMake wrote $got instead of $expected"

pc=$(find "$prefix" -name kelvaro.pc)
[ -n "$pc" ] || fail "no kelvaro.pc installed"
flags=$(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --cflags --libs kelvaro) ||
  fail "pkg-config does not know kelvaro"
# shellcheck disable=SC2086 # the flags are words
"$cxx" -std=c++20 -O2 "$source/tests/install/consumer/main.cpp" $flags -o "$work/pc-consumer" \
  > "$work/pc.log" 2>&1 || fail "the consumer does not build with pkg-config: $(tail -n 20 "$work/pc.log")"
got=$("$work/pc-consumer" "$@") || fail "the consumer built with pkg-config failed"
[ "$got" = "$expected" ] || fail "the consumer built with pkg-config wrote $got instead of $expected"

cp "$build/install_manifest.txt" "$work/manifest"
"$cmake" -DMANIFEST="$work/manifest" -P "$source/cmake/uninstall.cmake" > /dev/null ||
  fail "the uninstall script failed"
left=$(find "$prefix" -type f -o -path '*/include/kelvaro' -o -path '*/cmake/kelvaro')
[ -z "$left" ] || fail "uninstalling left $left"
