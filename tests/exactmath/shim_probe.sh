#!/bin/sh
# Whether the preloaded shim is in effect: the probe's maths library results must change under it,
# or the goldens run under it (shim_golden) would prove nothing.
# Usage: shim_probe.sh SHIM PROBE
plain=$("$2") && shimmed=$(LD_PRELOAD="$1" "$2") || exit 1
[ "$plain" != "$shimmed" ] && exit 0
echo "the shim changes nothing ($plain)"
exit 1
