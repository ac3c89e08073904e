#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands there and that the desktop
# entry, the AppStream metadata and the manual pages are sound. (The Debian package adds the
# copyright file and changelog from debian/, and compresses the manual pages.)
set -euo pipefail
# Every failing command says what failed: set -e alone would end the check without a word.
trap 'echo "install check failed (line $LINENO): $BASH_COMMAND" >&2' ERR
for tool in cmake identify desktop-file-validate appstreamcli groff; do
    command -v "$tool" > /dev/null || { echo "$tool is not installed; the install check runs it" >&2; exit 1; }
done
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null
actual=$(cd "$prefix" && find . -type f | sort)
expected="./bin/tickora
./share/applications/org.tickora.Tickora.desktop
./share/icons/hicolor/32x32/apps/org.tickora.Tickora.png
./share/icons/hicolor/48x48/apps/org.tickora.Tickora.png
./share/man/man1/tickora.1
./share/man/zh_CN/man1/tickora.1
./share/metainfo/org.tickora.Tickora.metainfo.xml"
if [ "$actual" != "$expected" ]; then
    printf 'installed files differ\n--- expected\n%s\n--- actual\n%s\n' "$expected" "$actual"
    exit 1
fi
test -x "$prefix/bin/tickora"
identify -format '%w %h\n' "$prefix/share/icons/hicolor/32x32/apps/org.tickora.Tickora.png" | grep -qx '32 32'
identify -format '%w %h\n' "$prefix/share/icons/hicolor/48x48/apps/org.tickora.Tickora.png" | grep -qx '48 48'
desktop-file-validate "$prefix/share/applications/org.tickora.Tickora.desktop"
# The project has no home page yet, and an address must not be made up: appstream 1.0 warns of the
# missing one (url-homepage-missing), which alone is taken as information. Older validators have
# no such check and refuse to override a check they do not know.
appstream=(appstreamcli validate --no-net)
version=$(appstreamcli --version | sed -n 's/^AppStream version: //p')
dpkg --compare-versions "$version" lt 1.0 || appstream+=(--override=url-homepage-missing=info)
"${appstream[@]}" "$prefix/share/metainfo/org.tickora.Tickora.metainfo.xml"
# What a Chinese reader finds in a software centre and in the menu, in Simplified Chinese.
metainfo="$prefix/share/metainfo/org.tickora.Tickora.metainfo.xml"
for line in '<name xml:lang="zh_CN">禾澜迷你股票监控器</name>' '<summary xml:lang="zh_CN">在小窗口中查看沪深股票行情</summary>' \
            '<p xml:lang="zh_CN">' '<keyword xml:lang="zh_CN">股票</keyword>'; do
    grep -qF "$line" "$metainfo" || { echo "the AppStream metadata lacks $line"; exit 1; }
done
grep -qx 'Name\[zh_CN\]=禾澜迷你股票监控器' "$prefix/share/applications/org.tickora.Tickora.desktop"
grep -qx 'Comment\[zh_CN\]=在小窗口中查看沪深股票行情' "$prefix/share/applications/org.tickora.Tickora.desktop"
# The manual pages, English and Chinese, format without a single warning.
for page in man1 zh_CN/man1; do
    warnings=$(groff -Kutf8 -ww -z -Tutf8 -man "$prefix/share/man/$page/tickora.1" 2>&1)
    [ -z "$warnings" ] || { printf 'manual page warnings (%s):\n%s\n' "$page" "$warnings"; exit 1; }
done
grep -qx '\.SH 名称' "$prefix/share/man/zh_CN/man1/tickora.1"
echo "install check passed"
