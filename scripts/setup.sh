#!/usr/bin/env bash
# Installs only what is missing to build and test Quillmark on Debian (run as root): both
# cross compilers and 64-bit Wine always, 32-bit Wine only where the machine executes 32-bit
# code (QM_NO_X86=1 pretends it cannot).
set -euo pipefail
# shellcheck disable=SC1091
. "$(dirname "$0")/../cmake/machine.sh"

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
updated=
apt_install() {
  export DEBIAN_FRONTEND=noninteractive
  [ -n "$updated" ] || { apt-get update -qq; updated=1; }
  apt-get install -y -qq --no-install-recommends "$@"
}

# Whether 32-bit code runs here is found by trying: install the i386 C library and start its
# loader. A kernel without 32-bit emulation refuses with "Exec format error".
if [ -z "${QM_NO_X86:-}" ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  have_pkg libc6:i386 || apt_install libc6:i386 || true
fi

have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686)
have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64)
have_cmd wine || need+=(wine)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
if runs_32bit_code; then
  have_pkg wine32:i386 || need+=(wine32:i386)
else
  echo "setup: this machine cannot execute 32-bit code: wine32 left out, the x86 build is only built"
fi
have_cmd Xvfb || need+=(xvfb)
have_cmd xauth || need+=(xauth)
have_cmd cmake || need+=(cmake)
have_cmd ninja || need+=(ninja-build)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
have_cmd import || need+=(imagemagick)
have_cmd python3 || need+=(python3)
# The native fuzz targets: clang with libFuzzer and the sanitizers.
have_cmd clang++ || need+=(clang)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-dev)
# The release and its tests: MSI packages from WiX source and the tool that reads them,
# Authenticode signatures, the test certificate, and strings for the shortcut's paths.
have_cmd wixl || need+=(wixl)
have_cmd msiinfo || need+=(msitools)
have_cmd osslsigncode || need+=(osslsigncode)
have_cmd openssl || need+=(openssl)
have_cmd strings || need+=(binutils)

if [ ${#need[@]} -gt 0 ]; then apt_install "${need[@]}"; fi
