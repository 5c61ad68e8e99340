#!/usr/bin/env bash
# Writes the Windows Installer package of one architecture from res/quillmark.wxs with wixl.
#   msi.sh x86|x64 VERSION EXE OUT.msi
# Each architecture has a fixed UpgradeCode; the ProductCode is a name-based UUID of it and
# the version, so a rebuild of a version keeps the code that detection rules name.
set -euo pipefail
arch=$1 version=$2 exe=$3 out=$4
res=$(cd "$(dirname "$0")/../res" && pwd)
x86_code=2526D124-2565-4C52-B14E-F5919708280C
x64_code=279F3EB4-72E1-4300-99CF-9EB28F9FEA7C
case "$arch" in
x86) code=$x86_code other=$x64_code ;;
x64) code=$x64_code other=$x86_code ;;
*) echo "msi.sh: unknown architecture: $arch" >&2; exit 2 ;;
esac
# Windows Installer compares the first three fields of a version only: a release that differs
# in the fourth alone would install beside the one before instead of replacing it.
if ! [[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+\.0$ ]]; then
  echo "msi.sh: version $version: the fourth field must be 0 (Windows Installer ignores it)" >&2
  exit 1
fi
product=$(python3 -c 'import sys, uuid
print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' "$code" "$version")

# wixl takes sources by relative path only: they are staged beside each other.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$exe" "$stage/Quillmark.exe"
cp "$res/quillmark.ico" "$stage/"
(cd "$stage" && wixl -a "$arch" -D Arch="$arch" -D Version="$version" -D ProductCode="$product" \
  -D UpgradeCode="$code" -D OtherUpgradeCode="$other" -o package.msi "$res/quillmark.wxs")
mv "$stage/package.msi" "$out"
