#!/bin/sh
# Installs, with apt-get, whatever the build needs and this machine lacks. Needs root when
# something is missing; does nothing when everything is there.
set -e
need=""
# libmpfr-dev: the correctly rounded reference the tests check exp, log and expf against.
for pkg in cmake g++ make libgtest-dev libbenchmark-dev libcli11-dev libcsv-dev nlohmann-json3-dev \
    libmpfr-dev; do
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
