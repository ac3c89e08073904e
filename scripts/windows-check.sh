#!/usr/bin/env bash
# Checks what scripts/windows-package.sh made in dist/, under Wine in a fresh prefix and an X
# server of its own, as a Windows user meets it:
# - the program folder: its DLL audit, and the program file's icons (a 48 by 48 one of 32 bits);
#   with another program's plugin folders named in QT_PLUGIN_PATH and QT_QPA_PLATFORM_PLUGIN_PATH,
#   the platform plugin loaded is still its own;
# - the installer, run silently: the files, the Start-menu shortcut and the uninstall key are
#   there, the installed program shows a quote of the local stand-in service and ends with exit
#   code 0 when its window is closed; installed a second time over the first, the same; then
#   uninstalled silently, nothing of it is left but a file of the user's own in its folder;
#   installed with /D= into a folder holding another program's uninstall.exe, that one is not run;
# - the zip, unpacked: the program shows a quote and ends cleanly as well.
# Each start goes through debian/tests/window-shows-a-quote, the Linux package's own test.
#   scripts/windows-check.sh
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
. scripts/windows.sh
ensure_packages "${win64_packages[@]}" "${win64_check_packages[@]}"
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$@"
fi

version=$(tickora_version)
setup=$PWD/dist/tickora-$version-setup.exe
zip=$PWD/dist/tickora-$version-win64.zip
[ -f "$setup" ] && [ -f "$zip" ] || { echo "run scripts/windows-package.sh first" >&2; exit 1; }
work=$(mktemp -d)
trap 'wineserver -k 2> /dev/null || true; rm -rf "$work"' EXIT
use_wine_prefix "$work/prefix"
unset WINEPATH # the program must find everything in its own folder
user=$WINEPREFIX/drive_c/users/$(id -un)
installed=$user/AppData/Local/Programs/Tickora
shortcut="$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tickora.lnk"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tickora'

fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo; echo "== $*"; }

# shows_a_quote FOLDER: the program in FOLDER shows the stand-in's quote and ends with 0.
shows_a_quote() {
    TICKORA_PROGRAM=$1/tickora.exe debian/tests/window-shows-a-quote wine
}

step "the program folder, from the zip"
unzip -q "$zip" -d "$work/zip"
audit_folder "$work/zip/Tickora" "${windows_plugins[@]}"
wrestool -x --type=14 "$work/zip/Tickora/tickora.exe" > "$work/tickora.ico"
icotool -l "$work/tickora.ico"
icotool -l "$work/tickora.ico" | grep -q -- '--width=48 --height=48 --bit-depth=32' ||
    fail "tickora.exe carries no 48 by 48 icon of 32 bits"
shows_a_quote "$work/zip/Tickora"

step "another program's Qt plugins named in the user's environment"
# As another program's installer may set them: a folder with a loadable platform plugin of its
# own. The program loads the one in its own folder all the same. (Under Wine, a variable reaches
# a Windows program as QT_... only when named WINEQT_... here.)
mkdir -p "$WINEPREFIX/drive_c/Other/plugins/platforms"
cp "$work/zip/Tickora/platforms/qwindows.dll" "$WINEPREFIX/drive_c/Other/plugins/platforms/"
WINEQT_PLUGIN_PATH='C:\Other\plugins' WINEQT_QPA_PLATFORM_PLUGIN_PATH='C:\Other\plugins\platforms' \
    WINEQT_DEBUG_PLUGINS=1 WINEQT_FORCE_STDERR_LOGGING=1 shows_a_quote "$work/zip/Tickora" 2> "$work/plugins.log"
loaded=$(grep -i 'loaded library.*qwindows' "$work/plugins.log" | tr -d '\r' || true)
echo "${loaded:-Qt names no platform plugin it loaded}"
[[ "$loaded" == *Tickora/platforms/qwindows.dll* ]] && [[ "$loaded" != *Other* ]] ||
    fail "the platform plugin was not the program folder's own"
rm -rf "$WINEPREFIX/drive_c/Other"

step "installed silently"
wine "$setup" /S
wineserver -w
for file in tickora.exe uninstall.exe Qt5Core.dll platforms/qwindows.dll translations/qtbase_zh_CN.qm qt.conf; do
    [ -f "$installed/$file" ] || fail "$file was not installed"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
lnkinfo "$shortcut" | tr -d '\r' | tee "$work/shortcut" | grep -E 'Working directory|Local path'
grep -q 'Working directory[[:space:]]*: C:\\users\\.*\\Programs\\Tickora$' "$work/shortcut" ||
    fail "the shortcut does not start in the program folder"
wine reg query "$key" | tr -d '\r' | tee "$work/key"
for value in DisplayName DisplayIcon DisplayVersion Publisher UninstallString EstimatedSize; do
    grep -q "^ *$value " "$work/key" || fail "the uninstall key lacks $value"
done
shows_a_quote "$installed"

step "installed again over the first"
echo "the user's own" > "$installed/notes.txt"
wine "$setup" /S
wineserver -w
[ -f "$installed/tickora.exe" ] && [ -f "$shortcut" ] || fail "the second install left no program or shortcut"
wine reg query "$key" > /dev/null || fail "the second install left no uninstall key"
shows_a_quote "$installed"

step "uninstalled silently"
wine "$installed/uninstall.exe" /S
wineserver -w
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is left"
! wine reg query "$key" > /dev/null 2>&1 || fail "the uninstall key is left"
! wine reg query 'HKCU\Software\Tickora' > /dev/null 2>&1 || fail "HKCU\\Software\\Tickora is left"
left=$(cd "$installed" && find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' ')
[ "$left" = "./notes.txt " ] || fail "the folder holds more than the user's own file: $left"
echo "nothing is left but the user's own notes.txt"

step "installed into another program's folder"
# A stand-in for that program's uninstaller: it leaves a mark when run.
mkdir -p "$WINEPREFIX/drive_c/Other"
printf '#include <stdio.h>\nint main(void) { FILE *f = fopen("C:\\\\Other\\\\ran.txt", "w"); return f ? 0 : 1; }\n' |
    x86_64-w64-mingw32-gcc -x c -o "$WINEPREFIX/drive_c/Other/uninstall.exe" -
wine "$setup" /S '/D=C:\Other'
wineserver -w
[ -f "$WINEPREFIX/drive_c/Other/tickora.exe" ] || fail "nothing was installed into C:\\Other"
[ ! -e "$WINEPREFIX/drive_c/Other/ran.txt" ] || fail "the installer ran another program's uninstall.exe"
echo "the other program's uninstall.exe was not run"
wine 'C:\Other\uninstall.exe' /S
wineserver -w
[ ! -e "$WINEPREFIX/drive_c/Other/tickora.exe" ] || fail "Tickora's uninstaller left tickora.exe in C:\\Other"
