#!/bin/sh
# Builds the R package's tarball from r/ (the library's sources copied in first), then keeps,
# checks or installs it. Compiles with JOBS parallel jobs (default 2). The vignette is built from
# its precomputed results (tools/vignette.R) before the tarball, which R CMD build then makes
# without compiling anything: installing the tarball compiles the package once.
#   package.sh package OUT_DIR           the tarball kelvaro_<version>.tar.gz in OUT_DIR, which
#                                        install.packages(path, repos = NULL) installs
#   package.sh check BUILD_DIR           R CMD check --as-cran on the tarball; fails on an ERROR,
#                                        a WARNING or a NOTE, but for the notes of a machine
#                                        without internet (CRAN's incoming checks)
#   package.sh install BUILD_DIR [LIB]   R CMD INSTALL into LIB, or into the user's library
#   package.sh vignette BUILD_DIR        installs the package into BUILD_DIR/lib and runs the
#                                        vignette's source, vignettes/kelvaro.Rmd.orig, into
#                                        vignettes/kelvaro.Rmd and vignettes/figures/ (to commit
#                                        when the package's results or the source change; needs
#                                        vegan)
set -eu
usage="usage: package.sh package OUT_DIR | check BUILD_DIR | install BUILD_DIR [LIB] | vignette BUILD_DIR"
if [ $# -lt 2 ]; then echo "$usage" >&2; exit 2; fi
case "$1" in
  package | check | install | vignette) ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
task=$1 build=$2 lib=${3:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
sh "$root/r/tools/sync-sources.sh"
Rscript --vanilla "$root/r/tools/vignette.R" docs "$root/r"
# The package's own make, not the jobserver of a make that may have started this script.
MAKEFLAGS=-j${JOBS:-2}
export MAKEFLAGS

if [ "$task" = package ]; then
  mkdir -p "$build"
  out=$(cd "$build" && pwd)
  work=$(mktemp -d "$out/.package.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && R CMD build --no-build-vignettes "$root/r")
  tarball=$(cd "$work" && ls kelvaro_*.tar.gz)
  mv -f "$work/$tarball" "$out/$tarball"
  echo "$out/$tarball: install.packages(\"$out/$tarball\", repos = NULL) installs it"
  exit 0
fi

rm -rf "$build"
mkdir -p "$build"
build=$(cd "$build" && pwd)
cd "$build"
R CMD build --no-build-vignettes "$root/r"
tarball=$(ls kelvaro_*.tar.gz)

if [ "$task" = vignette ]; then
  mkdir -p lib
  R CMD INSTALL -l lib "$tarball"
  R_LIBS="$build/lib${R_LIBS:+:$R_LIBS}" Rscript --vanilla "$root/r/tools/vignette.R" knit \
    "$root/r"
  echo "r/vignettes/kelvaro.Rmd and r/vignettes/figures/ made from kelvaro.Rmd.orig: commit them"
  exit 0
fi

if [ "$task" = check ]; then
  # CRAN's incoming checks ask CRAN's servers (is the package new, are its URLs alive); without
  # internet they can only say so. The manual is set in Times when the inconsolata font for
  # LaTeX is not installed.
  _R_CHECK_CRAN_INCOMING_REMOTE_=${_R_CHECK_CRAN_INCOMING_REMOTE_:-false}
  export _R_CHECK_CRAN_INCOMING_REMOTE_
  if ! kpsewhich inconsolata.sty > /dev/null 2>&1; then
    R_RD4PDF=${R_RD4PDF:-times,hyper}
    export R_RD4PDF
  fi
  R CMD check --as-cran "$tarball"
  log=kelvaro.Rcheck/00check.log
  status=$(grep '^Status:' "$log")
  # Each NOTE of the log, but those of the incoming feasibility check (a new submission, its
  # maintainer: CRAN's database cannot be reached) and of the clock (the time server cannot).
  notes=$(grep -E '^\* checking .*\.\.\. (\[[^]]*\] )?NOTE' "$log" |
          grep -v -e 'CRAN incoming feasibility' -e 'for future file timestamps' || true)
  case "$status" in
    *ERROR* | *WARNING*) echo "R CMD check: $status (see $build/$log)" >&2
                         exit 1 ;;
  esac
  if [ -n "$notes" ]; then
    echo "R CMD check: $status; notes a machine without internet does not explain:" >&2
    echo "$notes" >&2
    echo "(see $build/$log)" >&2
    exit 1
  fi
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
