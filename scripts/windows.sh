# shellcheck shell=bash
# Sourced by the scripts that build, package and run the Windows program: Wine prefixes, where
# the DLLs come from, and the audit of a program folder's DLLs.

# The plugins Qt loads by name, which no import table names: the platform and the style.
windows_plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll)

# The version in the file names of what a Windows user downloads.
tickora_version() {
    sed -n 's/^project(Tickora VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt
}

# use_wine_prefix DIR makes DIR a Wine prefix if it is not one yet and runs Wine in it from now
# on: quietly, and without offering to install Mono or Gecko, which nothing here uses.
use_wine_prefix() {
    export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i > /dev/null 2>&1
        wineserver -w
    fi
}

# start_wine keeps Wine's server running until stop_wine, and starts its services and desktop
# process now, with their output away from ours: started by a test, they would inherit its
# output and hold it open after the test ends, and CTest would wait for them.
start_wine() {
    wineserver -p
    wineboot > /dev/null 2>&1
}

stop_wine() {
    wineserver -k 2> /dev/null || true
}

# dll_folders QT-PREFIX CURL-PREFIX prints, one a line, the folders the shipped DLLs come from:
# Qt's and libcurl's, the compiler's runtime (libstdc++, libgcc, winpthreads) and MinGW's zlib.
dll_folders() {
    printf '%s\n' "$1/bin" "$2/bin" \
        "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")" \
        /usr/x86_64-w64-mingw32/lib
}

# wine_dll_path QT-PREFIX CURL-PREFIX lets the programs of a build find their DLLs under Wine.
# This machine's programs come after them on the PATH, so that a test starts the X tools by name.
wine_dll_path() {
    local folder path=""
    while read -r folder; do
        path+="Z:$folder;"
    done < <(dll_folders "$@")
    export WINEPATH="${path}Z:/usr/bin"
}

# imports FILE: the DLLs a program or DLL names in its import table.
imports() {
    x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\tDLL Name: //p'
}

# Windows' own DLLs, which every Windows the program runs on has (7 SP1 and later): a program
# folder never ships one. Named here, since Wine's folder of DLLs also holds what a clean
# Windows lacks, such as the MSVC runtimes (vcruntime140.dll, msvcp140.dll); an import of
# anything else must be shipped.
windows_dlls=(advapi32 bcrypt comctl32 comdlg32 crypt32 d3d11 dwmapi dxgi gdi32 imm32 kernel32 mpr
    msvcrt netapi32 ole32 oleaut32 secur32 shell32 shlwapi user32 userenv uxtheme version winhttp
    winmm wtsapi32 ws2_32)
windows_dll() {
    local name=${1,,}
    [[ " ${windows_dlls[*]} " == *" ${name%.dll} "* ]]
}

# audit_folder DIR PLUGIN...: every DLL that a program file in DIR imports is in DIR or is
# Windows' own, and every DLL in DIR is imported by one of them or is one of the PLUGINs Qt
# loads by name. Prints what imports what; fails, saying why, on a DLL missing or unused.
audit_folder() {
    local dir=$1 file dll failed=0
    shift
    declare -A used=()
    for file in "$@"; do used[${file,,}]=plugin; done
    while read -r file; do
        for dll in $(imports "$dir/$file"); do
            if [ -f "$dir/$dll" ]; then
                used[${dll,,}]=$file
            elif ! windows_dll "$dll"; then
                echo "missing: $dll, imported by $file" >&2
                failed=1
            fi
        done
        echo "$file: $(imports "$dir/$file" | tr '\n' ' ')"
    done < <(cd "$dir" && find . -iname '*.exe' -o -iname '*.dll' | sed 's|^\./||' | LC_ALL=C sort)
    while read -r file; do
        [ -n "${used[${file,,}]:-}" ] || { echo "unused: $file, which nothing imports" >&2; failed=1; }
    done < <(cd "$dir" && find . -iname '*.dll' | sed 's|^\./||' | LC_ALL=C sort)
    return $failed
}
