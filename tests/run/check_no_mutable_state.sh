#!/bin/sh
# Fails when a library of the program holds state that can change after start-up: a data object in
# a writable section (.data, .bss, their thread-local forms, relocated data that stays writable).
# Constants (.rodata, and relocated read-only data) are fine; so are the iostream initialiser and
# the compiler's references for exception handling (DW.ref.*: personality routine, typeinfo).
# usage: check_no_mutable_state.sh LIBRARY.a...
status=0
for lib in "$@"; do
  found=$(objdump -t "$lib" | grep -E ' O ' | grep -vE '\.rodata|\.data\.rel\.ro' |
          grep -vE 'DW\.ref\.|_ZStL8__ioinit')
  if [ -n "$found" ]; then
    echo "$lib holds mutable state:"
    echo "$found"
    status=1
  fi
done
[ $status -eq 0 ] && echo "no mutable state in $# libraries"
exit $status
