#!/usr/bin/env bash
# Installs what is missing, builds both architectures and writes the release to dist/ (or to
# the folder DIST names): Quillmark-<version>-x86.exe and -x64.exe, the MSI package of each,
# and SHA256SUMS. The version is the CMake project's, read from the configured build.
#
# Given a key it signs (Authenticode, SHA-256) both executables before they are packaged and
# both packages after:
#   QM_SIGN_PFX=key.pfx QM_SIGN_PASSWORD_FILE=password.txt
#   QM_SIGN_PKCS11_MODULE=module.so QM_SIGN_PKCS11_KEY='pkcs11:...' QM_SIGN_CERT=chain.pem
#     (QM_SIGN_PASSWORD_FILE then holds the token's PIN, if it asks for one)
# with an RFC 3161 timestamp when QM_SIGN_TIMESTAMP_URL is set. Without a key everything is
# unsigned, and the last line says so.
set -euo pipefail
# The paths given are read from where the command was started.
for var in QM_SIGN_PFX QM_SIGN_PASSWORD_FILE QM_SIGN_PKCS11_MODULE QM_SIGN_CERT DIST; do
  [ -z "${!var:-}" ] || printf -v "$var" %s "$(realpath -m -- "${!var}")"
done
cd "$(dirname "$0")/.."
# shellcheck disable=SC1091
. cmake/machine.sh

# A key given in part is refused rather than read as no key: the release would go out unsigned.
sign=()
if [ -n "${QM_SIGN_PFX:-}" ] && [ -n "${QM_SIGN_PKCS11_MODULE:-}" ]; then
  echo "release: give one key: QM_SIGN_PFX or QM_SIGN_PKCS11_MODULE, not both" >&2
  exit 1
elif [ -n "${QM_SIGN_PFX:-}" ]; then
  [ -r "$QM_SIGN_PFX" ] && [ -r "${QM_SIGN_PASSWORD_FILE:-}" ] || {
    echo "release: QM_SIGN_PFX needs a readable PFX file and QM_SIGN_PASSWORD_FILE," \
      "its password" >&2
    exit 1
  }
  sign=(-pkcs12 "$QM_SIGN_PFX" -readpass "$QM_SIGN_PASSWORD_FILE")
  key="the PFX file $QM_SIGN_PFX"
elif [ -n "${QM_SIGN_PKCS11_MODULE:-}${QM_SIGN_PKCS11_KEY:-}${QM_SIGN_CERT:-}" ]; then
  [ -r "${QM_SIGN_PKCS11_MODULE:-}" ] && [ -n "${QM_SIGN_PKCS11_KEY:-}" ] &&
    [ -r "${QM_SIGN_CERT:-}" ] || {
    echo "release: a token needs QM_SIGN_PKCS11_MODULE, QM_SIGN_PKCS11_KEY and QM_SIGN_CERT" >&2
    exit 1
  }
  sign=(-pkcs11module "$QM_SIGN_PKCS11_MODULE" -key "$QM_SIGN_PKCS11_KEY" -certs "$QM_SIGN_CERT")
  [ -z "${QM_SIGN_PASSWORD_FILE:-}" ] || sign+=(-readpass "$QM_SIGN_PASSWORD_FILE")
  key="the token key $QM_SIGN_PKCS11_KEY"
fi
if [ ${#sign[@]} -gt 0 ]; then
  sign+=(-h sha256 -n "Quillmark logon notice editor")
  [ -z "${QM_SIGN_TIMESTAMP_URL:-}" ] || sign+=(-ts "$QM_SIGN_TIMESTAMP_URL")
fi

if [ "$(id -u)" = 0 ]; then bash scripts/setup.sh; else have_tools wixl osslsigncode || exit 1; fi

# sign_file FILE: signs it in place when a key was given.
sign_file() {
  [ ${#sign[@]} -gt 0 ] || return 0
  osslsigncode sign "${sign[@]}" -in "$1" -out "$1.signed" >/dev/null
  mv "$1.signed" "$1"
}
# at_most FILE BYTES WHAT: fails the release when FILE is larger.
at_most() {
  local size
  size=$(stat -c %s "$1")
  if [ "$size" -gt "$2" ]; then
    echo "release: $1 is $size bytes, more than the $3 limit of $2" >&2
    exit 1
  fi
}

for preset in mingw mingw-x64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target Quillmark
done
# The executables may not depend on the folders they were built in: each architecture is built
# again from a copy of the sources in build-again/, and the release stops if one byte differs.
# The copy keeps the files' times, so that a later release compiles only what changed.
again=$PWD/build-again
rm -rf "$again/src" && mkdir -p "$again/src"
tar --exclude='./build*' --exclude=./dist --exclude=./.git -cf - . | tar -C "$again/src" -xf -
for pair in i686:build x86_64:build-x64; do
  cpu=${pair%:*} build=${pair#*:}
  cmake -S "$again/src" -B "$again/$cpu" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DQUILLMARK_TESTS=OFF -DCMAKE_TOOLCHAIN_FILE="$again/src/cmake/mingw-$cpu.cmake" >/dev/null
  cmake --build "$again/$cpu" --target Quillmark >/dev/null
  cmp "$again/$cpu/Quillmark.exe" "$build/Quillmark.exe" ||
    { echo "release: $build/Quillmark.exe differs when built in another folder" >&2; exit 1; }
done
echo "Both executables built again in another folder: the same bytes."
version=$(sed -n 's/^#define QUILLMARK_VERSION_RECORD "\(.*\)"$/\1/p' build-x64/generated/version.h)
[ -n "$version" ] || { echo "release: no version in build-x64/generated/version.h" >&2; exit 1; }

dist=${DIST:-dist}
mkdir -p "$dist"
# Only what a release writes is removed, so that a DIST named by mistake loses nothing else.
rm -f "$dist"/Quillmark-*-x86.exe "$dist"/Quillmark-*-x64.exe "$dist"/Quillmark-*-x86.msi \
  "$dist"/Quillmark-*-x64.msi "$dist/SHA256SUMS"
for arch in x86 x64; do
  build=build
  [ "$arch" = x86 ] || build=build-x64
  exe=$dist/Quillmark-$version-$arch.exe
  msi=$dist/Quillmark-$version-$arch.msi
  cp "$build/Quillmark.exe" "$exe"
  at_most "$exe" 65536 "unsigned executable"
  sign_file "$exe"
  bash cmake/msi.sh "$arch" "$version" "$exe" "$msi"
  sign_file "$msi"
  at_most "$msi" 131072 "package"
done
(cd "$dist" && sha256sum "Quillmark-$version-x86.exe" "Quillmark-$version-x64.exe" \
  "Quillmark-$version-x86.msi" "Quillmark-$version-x64.msi" >SHA256SUMS)

ls -l "$dist"
if [ ${#sign[@]} -gt 0 ]; then
  stamp=${QM_SIGN_TIMESTAMP_URL:+, timestamped by $QM_SIGN_TIMESTAMP_URL}
  echo "Release $version in $dist: signed with $key$stamp."
else
  echo "Release $version in $dist: NOT signed (no key: set QM_SIGN_PFX or QM_SIGN_PKCS11_MODULE)."
fi
