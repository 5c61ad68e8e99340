#!/usr/bin/env bash
# scripts/release.sh signed with a certificate made here, unsigned, and with half a key; leaves
# OUT/signed for the package test.   release_test.sh OUT
set -u
src=$(cd "$(dirname "$0")/../.." && pwd) && rm -rf "$1" && mkdir -p "$1" && cd "$1" || exit 1
unset QM_SIGN_PFX QM_SIGN_PASSWORD_FILE QM_SIGN_PKCS11_MODULE QM_SIGN_PKCS11_KEY QM_SIGN_CERT \
  QM_SIGN_TIMESTAMP_URL
fail() { echo "$*" >&2; exit 1; }
openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=Test -addext extendedKeyUsage=codeSigning \
  -keyout key.pem -out cert.pem 2>/dev/null && echo pw >password &&
  openssl pkcs12 -export -inkey key.pem -in cert.pem -passout file:password -out key.pfx ||
  fail "no certificate"
release() { DIST=$1 "$src/scripts/release.sh" 2>&1 | tail -n1; }
[[ $(QM_SIGN_PFX=key.pfx QM_SIGN_PASSWORD_FILE=password release signed) = *"signed with the PFX"* &&
  $(release unsigned) = *"NOT signed"* ]] || fail "a release misread its key"
QM_SIGN_PFX=key.pfx DIST=half "$src/scripts/release.sh" >/dev/null 2>&1 &&
  fail "half a key was taken"
for file in {signed,unsigned}/*.{exe,msi}; do
  got=unsigned
  osslsigncode verify -CAfile cert.pem -in "$file" >/dev/null 2>&1 && got=signed
  # One byte of the description, which each file holds where its signature covers it.
  off=$(grep -obaF 'Quillmark logon notice editor' "$file" | head -n1 | cut -d: -f1)
  cp "$file" changed && printf x | dd of=changed bs=1 seek="$off" conv=notrunc 2>/dev/null
  [ $got = "${file%/*}" ] && ! osslsigncode verify -CAfile cert.pem -in changed >/dev/null 2>&1 ||
    fail "$file: $got?"
done
# Without its signature a signed executable is the unsigned one but for the header's checksum
# (4 bytes, 88 into the PE header; cmp counts from 1).
for exe in signed/*.exe; do
  sum=$(($(od -An -tu4 -j60 -N4 "$exe") + 89)) && rm -f bare &&
    osslsigncode remove-signature -in "$exe" -out bare >/dev/null &&
    [ -z "$(cmp -l bare "un$exe" 2>&1 | awk -v c=$sum '!($1 >= c && $1 < c + 4)')" ] ||
    fail "$exe: more than a signature"
done
code() { msiinfo export "$1"/*x64.msi Property | grep ProductCode; }
[ "$(ls signed | wc -l)" = 5 ] &&
  [ "$(cd signed && sha256sum -c SHA256SUMS | grep -c ': OK$')" = 4 ] &&
  [ "$(code signed)" = "$(code unsigned)" ] ||
  fail "not five files, not four good sums, or a ProductCode that changed"
