#!/usr/bin/env bash
# The installer under Wine, in a fresh prefix of its own: the silent install puts keblor.exe, its
# help pages, README and LICENSE under Program Files\CW Keblor, the Start menu shortcut
# "CW Keblor" running keblor.exe --settings-in-config, and the uninstall entry; the installed
# keblor.exe prints its version to the pipe it was started with, and for a bad option one line on
# standard error and status 2; the silent uninstall leaves none of these behind, and the user's
# settings in %APPDATA%\CW Keblor stay as they were.
# Needs a display (Wine's desktop process takes one): run it under on_private_display.sh.
# Usage: installer_wine.sh <keblor-VERSION-win64-setup.exe>
set -euo pipefail

SETUP=$(readlink -f "${1:?usage: installer_wine.sh <keblor-VERSION-win64-setup.exe>}")
VERSION=$(basename "$SETUP" | sed -nE 's/^keblor-(.*)-win64-setup\.exe$/\1/p')
[ -n "$VERSION" ] || { echo "FAIL: $SETUP is not named keblor-VERSION-win64-setup.exe"; exit 1; }

# No Mono or Gecko prompts, and no Linux menu entries made from the Start menu's shortcuts.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
WORK=$(mktemp -d /tmp/keblor-setup.XXXXXX)
export WINEPREFIX=$WORK/prefix
PASSED=0
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ "$PASSED" = 1 ]; then rm -rf "$WORK"; else echo "the prefix is kept in $WORK"; fi
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\CW Keblor'
PROGRAM_DIR="$WINEPREFIX/drive_c/Program Files/CW Keblor"
SHORTCUT="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/CW Keblor.lnk"
KEBLOR='C:\Program Files\CW Keblor\keblor.exe'

start=$SECONDS
wineboot -i >"$WORK/wineboot.log" 2>&1 || fail "wineboot failed: $(cat "$WORK/wineboot.log")"
wineserver -w
echo "a fresh prefix after $((SECONDS - start)) s"

echo "== silent install"
wine "$SETUP" /S
wineserver -w
for file in keblor.exe uninstall.exe README.md LICENSE help/index.html help/style.css; do
  [ -f "$PROGRAM_DIR/$file" ] || fail "the install lacks Program Files\\CW Keblor\\$file"
done
[ -f "$SHORTCUT" ] || fail "no Start menu shortcut \"CW Keblor\""
# The shortcut's target and arguments are UTF-16 text in the .lnk file.
shortcut_text=$(tr -d '\0' <"$SHORTCUT")
grep -qaF 'CW Keblor\keblor.exe' <<<"$shortcut_text" || fail "the shortcut does not start keblor.exe"
grep -qaF -- '--settings-in-config' <<<"$shortcut_text" || fail "the shortcut does not pass --settings-in-config"
entry=$(wine reg query "$UNINSTALL_KEY" 2>/dev/null | tr -d '\r') || fail "no uninstall entry $UNINSTALL_KEY"
grep -qE 'DisplayName +REG_SZ +CW Keblor$' <<<"$entry" || fail "the uninstall entry has no DisplayName: $entry"
grep -qF 'UninstallString    REG_SZ    "C:\Program Files\CW Keblor\uninstall.exe"' <<<"$entry" ||
  fail "the uninstall entry does not name the uninstaller: $entry"
echo "installed: $(find "$PROGRAM_DIR" -type f | wc -l) files, the shortcut and the uninstall entry"

echo "== the installed program's command line"
version=$(wine "$KEBLOR" --version 2>"$WORK/version.err" | tr -d '\r')
[ "$version" = "keblor (CW Keblor) $VERSION" ] || fail "--version printed '$version' ($(cat "$WORK/version.err"))"
status=0
wine "$KEBLOR" --bogus >"$WORK/bogus.out" 2>"$WORK/bogus.err" || status=$?
[ "$status" -eq 2 ] || fail "a bad option ended with status $status, not 2"
[ ! -s "$WORK/bogus.out" ] || fail "a bad option printed to standard output: $(cat "$WORK/bogus.out")"
[ "$(tr -d '\r' <"$WORK/bogus.err")" = "keblor: --bogus: unknown option (see keblor --help)" ] ||
  fail "a bad option printed: $(cat -A "$WORK/bogus.err")"
echo "--version: $version; --bogus: status 2 and one line"

echo "== silent uninstall"
appdata=$(winepath -u "$(wine cmd /c echo %APPDATA% | tr -d '\r')")
mkdir -p "$appdata/CW Keblor"
printf '[General]\r\nChannels=2\r\n' >"$appdata/CW Keblor/keblor.ini"
cp "$appdata/CW Keblor/keblor.ini" "$WORK/settings.before"
wine "$PROGRAM_DIR/uninstall.exe" /S
wineserver -w
[ ! -e "$PROGRAM_DIR" ] || fail "the uninstall left $(find "$PROGRAM_DIR" | sed "s|$WINEPREFIX/||")"
[ ! -e "$SHORTCUT" ] || fail "the uninstall left the Start menu shortcut"
if wine reg query "$UNINSTALL_KEY" >/dev/null 2>&1; then fail "the uninstall left its entry in the registry"; fi
cmp -s "$appdata/CW Keblor/keblor.ini" "$WORK/settings.before" || fail "the uninstall touched the user's settings"
echo "uninstalled: nothing of ours left, the user's settings kept"

PASSED=1
echo "installer under Wine: passed in $((SECONDS - start)) s"
