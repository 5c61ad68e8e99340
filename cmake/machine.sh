# Sourced by the scripts: which builds this machine can run under Wine.
# QM_NO_X86=1 pretends that it cannot execute 32-bit code.

# True when 32-bit x86 Linux programs run here: the i386 C library's loader starts. A kernel
# without 32-bit emulation answers "Exec format error".
runs_32bit_code() {
  [ -z "${QM_NO_X86:-}" ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# Prints why the x86 build cannot run here and returns 0; returns 1 when it can.
x86_not_run_reason() {
  if [ -n "${QM_NO_X86:-}" ]; then
    echo "this machine cannot execute 32-bit code (QM_NO_X86 is set)"
  elif [ ! -e /lib/ld-linux.so.2 ]; then
    echo "the i386 C library (libc6:i386) is not installed"
  elif ! runs_32bit_code; then
    echo "this machine cannot execute 32-bit code"
  elif [ ! -x /usr/lib/wine/wine ]; then
    echo "the 32-bit Wine (wine32) is not installed"
  else
    return 1
  fi
}
