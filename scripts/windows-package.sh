#!/usr/bin/env bash
# Makes what a Windows user downloads, from a release build of the Windows cross build in
# build-win64-release/, into dist/:
#   tickora-<version>-win64.zip   the program folder, runnable where it is unpacked
#   tickora-<version>-setup.exe   a per-user installer of the same folder, made by NSIS
# The folder holds the stripped tickora.exe, exactly the DLLs that it and the plugins Qt loads
# by name import (walked through their import tables; the audit fails on one that is missing or
# unused), Qt's Chinese catalogues and the licences of all it ships. Two runs of one commit, at
# any two paths, give the same program, DLLs and zip: no link time, no build path, fixed file
# times and order. scripts/windows-check.sh checks the result under Wine.
#   scripts/windows-package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
. scripts/windows.sh

ensure_packages "${win64_packages[@]}" "${win64_package_packages[@]}"
prefixes=$(scripts/windows-toolchain.sh)
read -r qt_prefix curl_prefix <<< "$prefixes"
version=$(tickora_version)
# Every file's time is the release's, from debian/changelog; strip writes it into the program
# files' headers too, where it would put the time of the build.
epoch=$(dpkg-parsechangelog -S Timestamp)
export SOURCE_DATE_EPOCH=$epoch

build=${TICKORA_BUILD_DIR:-build-win64-release}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTICKORA_BUILD_TESTS=OFF \
    "-DCMAKE_TOOLCHAIN_FILE=$PWD/scripts/toolchain-win64.cmake" "-DCMAKE_FIND_ROOT_PATH=${prefixes// /;}" \
    "-DCMAKE_CXX_FLAGS=-ffile-prefix-map=$PWD=. -ffile-prefix-map=$(realpath -m "$build")=build"
cmake --build "$build" -j"$(nproc)" --target tickora

dist=$PWD/dist
folder=$dist/Tickora
rm -rf "$folder" "$dist/tickora-$version-win64.zip" "$dist/tickora-$version-setup.exe"
mkdir -p "$folder/platforms" "$folder/styles" "$folder/translations" "$folder/licences"
x86_64-w64-mingw32-strip -o "$folder/tickora.exe" "$build/app/tickora.exe"
for plugin in "${windows_plugins[@]}"; do
    x86_64-w64-mingw32-strip -o "$folder/$plugin" "$qt_prefix/plugins/$plugin"
done
# What the program and the plugins import, and what that imports in turn.
mapfile -t folders < <(dll_folders "$qt_prefix" "$curl_prefix")
queue=(tickora.exe "${windows_plugins[@]}")
while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    for dll in $(imports "$folder/$file"); do
        [ -f "$folder/$dll" ] && continue
        for from in "${folders[@]}"; do
            if [ -f "$from/$dll" ]; then
                x86_64-w64-mingw32-strip -o "$folder/$dll" "$from/$dll"
                queue+=("$dll")
                break
            fi
        done
    done
done
echo "The DLL audit of the program folder:"
audit_folder "$folder" "${windows_plugins[@]}"

cp /usr/share/qt5/translations/qtbase_zh_CN.qm /usr/share/qt5/translations/qtbase_zh_TW.qm "$folder/translations/"
# Beside the program, not where the build machine had them.
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' > "$folder/qt.conf"
cp LICENSE "$folder/licences/Tickora.txt"
# As .txt files, which Windows opens with a double click.
for part in qt:"$qt_prefix" curl:"$curl_prefix"; do
    mkdir "$folder/licences/${part%%:*}"
    for file in "${part#*:}"/share/licences/*; do
        cp "$file" "$folder/licences/${part%%:*}/$(basename "$file").txt"
    done
done
cp /usr/share/doc/libz-mingw-w64/copyright "$folder/licences/zlib.txt"
# libstdc++ and libgcc: the GCC Runtime Library Exception, in the copyright of Debian's GCC for
# MinGW-w64; winpthreads: MinGW-w64's own licence.
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$folder/licences/gcc-runtime.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$folder/licences/mingw-w64.txt"
find "$folder" -exec touch -h -d "@$epoch" {} +

(cd "$dist" && find Tickora | LC_ALL=C sort | TZ=UTC zip -q -X -D -@ "tickora-$version-win64.zip")

# The installer's file lists, in the same order: put in place, and removed again.
lists=$(realpath -m "$build/files")
(
    cd "$folder"
    find . -type d | LC_ALL=C sort | sed 's|^\.||; s|/|\\|g' | while read -r dir; do
        echo "SetOutPath \"\$INSTDIR$dir\""
        find ".${dir//\\//}" -maxdepth 1 -type f | LC_ALL=C sort | while read -r file; do
            echo "File \"$folder/${file#./}\""
        done
    done > "$lists.install.nsh"
    {
        find . -type f | LC_ALL=C sort | sed 's|^\./||; s|/|\\|g; s|.*|Delete "$INSTDIR\\&"|'
        find . -mindepth 1 -type d | LC_ALL=C sort -r | sed 's|^\./||; s|/|\\|g; s|.*|RMDir "$INSTDIR\\&"|'
    } > "$lists.uninstall.nsh"
)
makensis -V2 -INPUTCHARSET UTF8 "-DVERSION=$version" "-DVI_VERSION=$(echo "$version.0.0.0" | cut -d. -f1-4)" "-DICON=$PWD/resources/tickora.ico" "-DFILES=$lists" \
    "-DOUTFILE=$dist/tickora-$version-setup.exe" packaging/windows/tickora.nsi
touch -d "@$epoch" "$dist/tickora-$version-setup.exe" "$dist/tickora-$version-win64.zip"
ls -l "$dist/tickora-$version-setup.exe" "$dist/tickora-$version-win64.zip"
sha256sum "$dist/tickora-$version-setup.exe" "$dist/tickora-$version-win64.zip" "$folder/tickora.exe"
