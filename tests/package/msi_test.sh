#!/usr/bin/env bash
# The release's package of ARCH installed silently under Wine over a lower version (on x64 also
# over the x86 package), then an older one refused over it and the whole removed.
#   msi_test.sh WORLD DIST BUILD ARCH
set -u
. "$1/env" && . "$(dirname "$0")/../../cmake/machine.sh"
src=$(cd "$(dirname "$0")/../.." && pwd) dist=$2 build=$3 arch=$4
tmp=$(mktemp -d) && trap 'rm -rf "$tmp"' EXIT
fail() { echo "$*" >&2; exit 1; }
version=$(sed -n 's/^#define QUILLMARK_VERSION_RECORD "\(.*\)"$/\1/p' \
  "$build/generated/version.h")
new=$dist/Quillmark-$version-$arch.msi old=$tmp/older.msi
pf=$WINEPREFIX/drive_c/Program\ Files/Quillmark
prop() { msiinfo export "$1" Property | tr -d '\r' | sed -n "s/^$2\t//p"; }
msi() { "$QM_WINE" msiexec "$@" /qn </dev/null; }
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
entry() { "$QM_WINE" reg query "$uninstall\\$(prop "$1" ProductCode)" | tr -d '\r' | grep '^ '; }
lnk() { find "$WINEPREFIX/drive_c" -name Quillmark.lnk; }
bash "$src/cmake/msi.sh" "$arch" 1.0.0.0 "${new%.msi}.exe" "$old" &&
  ! bash "$src/cmake/msi.sh" "$arch" 1.0.0.1 "${new%.msi}.exe" "$tmp/x" 2>/dev/null ||
  fail "1.0.0.0 refused or 1.0.0.1 taken"
x86=${pf/Files/Files (x86)}
[ "$arch" = x86 ] ||
  { msi /i "Z:$dist/Quillmark-$version-x86.msi" && [ -f "$x86/Quillmark.exe" ]; } ||
  fail "x86 not in $x86"
msi /i "Z:$old" && msi /i "Z:$new" && [ ! -e "$x86" ] && [ -z "$(entry "$old")" ] &&
  [ "$(ls "$pf")" = Quillmark.exe ] && cmp -s "$pf/Quillmark.exe" "${new%.msi}.exe" ||
  fail "the upgrade left others"
expected="^ +(DisplayName +REG_SZ +Quillmark|Publisher +REG_SZ +Quillmark|NoModify +REG_DWORD +0x1"
expected+="|DisplayVersion +REG_SZ +$version)$"
[ "$(entry "$new" | grep -cE "$expected")" = 4 ] || fail "uninstall entry: $(entry "$new")"
icon=$WINEPREFIX/drive_c/windows/Installer/$(prop "$new" ProductCode)
icon+=/$(prop "$new" ARPPRODUCTICON)
cmp -s "$icon" "$src/res/quillmark.ico" || fail "no icon for the uninstall entry"
strings -a "$(lnk)" | grep -qxF 'C:\Program Files\Quillmark\Quillmark.exe' &&
  strings -a -el "$(lnk)" | grep -qxF 'C:\Program Files\Quillmark\' ||
  fail "shortcut: wrong target or working folder"
(cd "$pf" && "$QM_WINE" "$build/window_tool.exe" 'C:\Program Files\Quillmark\Quillmark.exe' \
  "$(editor_title "$build")" "Z:$tmp/up" "Z:$tmp/up") ||
  fail "the installed program showed no editor"
! msi /i "Z:$old" && [ -n "$(entry "$new")" ] || fail "1.0.0.0 went over $version"
echo saved >"$pf/Tarnevo.log" && msi /x "$(prop "$new" ProductCode)" &&
  [ "$(ls -A "$pf")" = Tarnevo.log ] && [ -z "$(lnk)$(entry "$new")" ] ||
  fail "uninstall left more than Tarnevo.log, or not it"
