#!/bin/sh
# Installs, with apt-get, whatever a task needs and this machine lacks. Needs root when something
# is missing; does nothing when everything is there.
#   install-deps.sh build   the kelvaro program: a compiler, CMake, make
#   install-deps.sh tools   also the companion tools' libraries: the command-line library, and the
#                           zip and XML libraries that read Darwin Core archives (make install,
#                           package)
#   install-deps.sh test    also the test framework, the tools' libraries, the manual-page linters
#                           (groff, mandoc), Debian's package checker and clang-format
#   install-deps.sh clang   the same, and clang with its runtime libraries (the fuzzer's among them)
#   install-deps.sh bench   the benchmarks: the tools' command-line library, the benchmark library
#                           and Python (which generates kelvaro-batch's survey)
#   install-deps.sh r       the R package: R with its headers, the packages it imports (Rcpp,
#                           generics) and those its tests and vignette use (testthat, ggplot2,
#                           knitr, rmarkdown with pandoc, vegan)
#   install-deps.sh r-check also what R CMD check --as-cran checks with: LaTeX for the manual,
#                           qpdf, HTML tidy and checkbashisms (devscripts)
#   install-deps.sh web     the web page: emscripten (with node-acorn, which its optimiser needs),
#                           Node.js with npm (for esbuild and the page's packages), Chromium and
#                           Firefox ESR for the page's tests, and CLI11 for the programs they
#                           compare against
#   install-deps.sh cross   kelvaro cross-built for aarch64 and run under qemu-user
#   install-deps.sh python  the Python package: Python's headers, pybind11, pandas, Dask with
#                           dask.distributed, pytest, and what pip needs to install it into a
#                           virtual environment without a package index (venv, setuptools, wheel)
set -e
task=${1:-test}
packages="cmake g++ make"
# The programs read Darwin Core archives through minizip (with zlib) and pugixml, linked statically.
archives="libminizip-dev zlib1g-dev libpugixml-dev"
case "$task" in
  build) ;;
  tools) packages="$packages libcli11-dev $archives" ;;
  # libmpfr-dev: the correctly rounded reference the tests check exp, log and expf against.
  test|clang)
    packages="$packages libgtest-dev libcli11-dev $archives nlohmann-json3-dev libmpfr-dev groff-base"
    packages="$packages mandoc lintian"
    # pkg-config: a program built against the installed library finds it through kelvaro.pc.
    packages="$packages clang-format pkg-config"
    [ "$task" = clang ] && packages="$packages clang libclang-rt-14-dev" ;;
  bench) packages="$packages libcli11-dev $archives libbenchmark-dev python3" ;;
  r | r-check)
    packages="g++ make r-base-dev r-cran-rcpp r-cran-generics r-cran-testthat r-cran-ggplot2"
    packages="$packages r-cran-knitr r-cran-rmarkdown pandoc r-cran-vegan r-cran-xml2"
    if [ "$task" = r-check ]; then
      packages="$packages qpdf tidy texlive-latex-base texlive-latex-recommended"
      packages="$packages texlive-fonts-recommended devscripts"
    fi ;;
  web)
    packages="$packages libcli11-dev $archives emscripten node-acorn nodejs chromium firefox-esr"
    # A Node.js from another source brings its own npm; Debian's nodejs needs the npm package.
    command -v npm >/dev/null 2>&1 || packages="$packages npm" ;;
  cross) packages="cmake make g++-aarch64-linux-gnu qemu-user" ;;
  python)
    packages="$packages pybind11-dev python3-dev python3-pandas python3-dask python3-distributed"
    packages="$packages python3-pytest python3-venv python3-pip python3-setuptools python3-wheel" ;;
  *) echo "install-deps: unknown task '$task' (build, tools, test, clang, bench, r, r-check, web, cross or python)" >&2
     exit 2 ;;
esac
need=""
for pkg in $packages; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need="$need $pkg"
done
[ -z "$need" ] && exit 0
echo "installing:$need"
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: run as root, or install these packages:$need" >&2
  exit 1
fi
apt-get update -q
DEBIAN_FRONTEND=noninteractive apt-get install -y -q $need
