#!/bin/sh
# Builds the R package's tarball from r/ (the library's sources copied in first) in BUILD_DIR,
# then checks or installs it. Compiles with JOBS parallel jobs (default 2).
#   package.sh check BUILD_DIR           R CMD check --no-manual; fails on an ERROR or a WARNING
#   package.sh install BUILD_DIR [LIB]   R CMD INSTALL into LIB, or into the user's library
set -eu
if [ $# -lt 2 ] || { [ "$1" != check ] && [ "$1" != install ]; }; then
  echo "usage: package.sh check BUILD_DIR | package.sh install BUILD_DIR [LIB]" >&2
  exit 2
fi
task=$1 build=$2 lib=${3:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
sh "$root/r/tools/sync-sources.sh"
rm -rf "$build"
mkdir -p "$build"
build=$(cd "$build" && pwd)
# The package's own make, not the jobserver of a make that may have started this script.
MAKEFLAGS=-j${JOBS:-2}
export MAKEFLAGS
cd "$build"
R CMD build "$root/r"
tarball=$(ls kelvaro_*.tar.gz)

if [ "$task" = check ]; then
  R CMD check --no-manual "$tarball"
  status=$(grep '^Status:' kelvaro.Rcheck/00check.log)
  case "$status" in
    *ERROR* | *WARNING*) echo "R CMD check: $status (see $build/kelvaro.Rcheck/00check.log)" >&2
                         exit 1 ;;
  esac
  echo "R CMD check: $status"
  exit 0
fi

load="library(kelvaro, lib.loc = \"$lib\")"
if [ -z "$lib" ]; then
  # The first folder of R_LIBS_USER, made when missing (as install.packages offers to do); R
  # searches it from the next session on.
  lib=$(Rscript --vanilla -e \
    'cat(path.expand(strsplit(Sys.getenv("R_LIBS_USER"), .Platform$path.sep)[[1]][1]))')
  load="library(kelvaro)"
fi
mkdir -p "$lib"
R CMD INSTALL -l "$lib" "$tarball"
echo "kelvaro installed in $lib: $load loads it"
