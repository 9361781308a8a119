#!/bin/sh
# Installs, with apt-get, whatever a task needs and this machine lacks. Needs root when something
# is missing; does nothing when everything is there.
#   install-deps.sh build   the kelvaro program: a compiler, CMake, make
#   install-deps.sh tools   also the companion tools' command-line library (make install, package)
#   install-deps.sh test    also the test framework, the tools' libraries, the manual-page linters
#                           and Debian's package checker
#   install-deps.sh bench   the benchmarks: the tools' command-line library, the benchmark library
#                           and Python (which generates kelvaro-batch's survey)
#   install-deps.sh r       the R package: R with its headers, Rcpp and testthat
#   install-deps.sh cross   kelvaro cross-built for aarch64 and run under qemu-user
set -e
task=${1:-test}
packages="cmake g++ make"
case "$task" in
  build) ;;
  tools) packages="$packages libcli11-dev" ;;
  # libmpfr-dev: the correctly rounded reference the tests check exp, log and expf against.
  test) packages="$packages libgtest-dev libcli11-dev nlohmann-json3-dev libmpfr-dev groff-base mandoc lintian" ;;
  bench) packages="$packages libcli11-dev libbenchmark-dev python3" ;;
  r) packages="g++ make r-base-dev r-cran-rcpp r-cran-testthat" ;;
  cross) packages="cmake make g++-aarch64-linux-gnu qemu-user" ;;
  *) echo "install-deps: unknown task '$task' (build, tools, test, bench, r or cross)" >&2; exit 2 ;;
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
