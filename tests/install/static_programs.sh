# Every program runs on a machine without the build's libraries: ldd finds it static, or linked to
# nothing beyond libc, libm and libstdc++.
# Usage: static_programs.sh PROGRAM_BINARY...
set -u
status=0
for binary in "$@"; do
  out=$(ldd "$binary" 2>&1)
  case $out in *"not a dynamic executable"*) continue ;; esac
  others=$(grep -vE '^\s*(linux-vdso\.so|/lib64/ld-linux|lib(c|m|stdc\+\+)\.so\.)' <<< "$out")
  if [ -n "$others" ]; then
    printf '%s needs libraries beyond libc, libm and libstdc++:\n%s\n' "$binary" "$others" >&2
    status=1
  fi
done
exit $status
