#!/usr/bin/env bash
# Builds what the Windows build links: Qt 5.15 and libcurl, cross-compiled with MinGW-w64 from
# Debian's own source packages (Debian's patches, its security fixes among them, applied by
# dpkg-source). Each goes into a prefix outside the work tree whose name holds a key of its
# source version, the compiler's version and the options, so a prefix is reused while they stay
# the same and a changed one is built anew; a stale toolchain is never used. The last line
# printed on standard output is the two prefixes, Qt's and libcurl's; all else goes to standard
# error.
#   scripts/windows-toolchain.sh            build what is missing, or reuse it
#   scripts/windows-toolchain.sh --fetch    only install the packages and fetch the sources
#   scripts/windows-toolchain.sh --fetched  build from what --fetch got, without apt, so that
#                                           it can run beside other work that uses apt
# TICKORA_TOOLCHAIN_CACHE (default ~/.cache/tickora) is where the prefixes and sources live.
set -euo pipefail
cd "$(dirname "$0")/.."
exec 3>&1 1>&2
. scripts/packages.sh

cache=${TICKORA_TOOLCHAIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tickora}
mode=${1:-}
mkdir -p "$cache/win64"
exec 4> "$cache/win64/lock"
if ! flock -n 4; then
    echo "Waiting for another run's use of $cache/win64"
    flock 4
fi
if [ "$mode" != --fetched ]; then
    ensure_packages "${win64_toolchain_packages[@]}"
    ensure_mingw_posix
    ensure_deb_src qtbase-opensource-src
fi
target=x86_64-w64-mingw32
compiler=$(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix)
zlib=$(dpkg-query -W -f='${Version}' libz-mingw-w64-dev)

# Only what Tickora and its tests use: Core, Gui, Widgets and Test, the windows and offscreen
# platforms and the windowsvista style. No OpenGL, no network, no database, no D-Bus; the
# bundled zlib, libpng, FreeType (for the offscreen platform's fonts), HarfBuzz and PCRE2. The
# windowsvista style includes the input dialog's and the command link button's headers, so
# those two widgets stay.
# Debian's tarball lacks src/3rdparty/sqlite and wintab, hence the two -no- options that name them.
qt_options=(-xplatform win32-g++ -device-option "CROSS_COMPILE=$target-"
    -release -shared -opensource -confirm-license -nomake examples -nomake tests
    -no-opengl -no-dbus -no-icu -no-openssl -no-sql-sqlite -no-feature-tabletevent -no-pkg-config
    -qt-zlib -qt-libpng -qt-freetype -qt-harfbuzz -qt-pcre -no-libjpeg -no-gif
    -no-feature-pdf -no-feature-textodfwriter -no-feature-movie -no-feature-textmarkdownreader
    -no-feature-textmarkdownwriter -no-feature-systemtrayicon -no-feature-sessionmanager
    -no-feature-imageformat_ppm -no-feature-imageformat_xbm
    -no-feature-graphicsview -no-feature-calendarwidget -no-feature-datetimeedit -no-feature-mdiarea
    -no-feature-wizard -no-feature-undocommand -no-feature-undostack -no-feature-undogroup
    -no-feature-undoview -no-feature-fontdialog -no-feature-colordialog -no-feature-fontcombobox
    -no-feature-errormessage -no-feature-progressdialog
    -no-feature-splashscreen -no-feature-lcdnumber -no-feature-dial -no-feature-keysequenceedit
    -no-feature-syntaxhighlighter -no-feature-textbrowser -no-feature-toolbox
    -no-feature-columnview -no-feature-datawidgetmapper
    # No link time in the DLLs, so that two builds give the same bytes.
    "QMAKE_LFLAGS+=-Wl,--no-insert-timestamp")
qt_modules=(src/winmain src/corelib src/gui src/widgets src/testlib)
qt_plugins=(src/plugins/platforms/windows src/plugins/platforms/offscreen src/plugins/styles/windowsvista)

# HTTP and HTTPS with Schannel, Windows' own certificate store; zlib for gzip and deflate.
curl_options=(--host=$target --enable-shared --disable-static --with-schannel
    "--with-zlib=/usr/$target" --without-libpsl --without-libidn2 --without-nghttp2 --without-brotli
    --without-zstd --without-libssh2 --without-librtmp --disable-ldap --disable-ldaps --disable-rtsp
    --disable-dict --disable-telnet --disable-tftp --disable-pop3 --disable-imap --disable-smtp
    --disable-gopher --disable-mqtt --disable-smb --disable-ftp --disable-manual
    "LDFLAGS=-Wl,--no-insert-timestamp")

# source_version PACKAGE: the version apt-get source would fetch.
source_version() {
    apt-get source --print-uris "$1" 2>/dev/null | sed -n "s/.* $1_\(.*\)\.dsc .*/\1/p" | head -n 1
}
key() { printf '%s\n' "$@" | sha256sum | cut -c1-12; }

if [ "$mode" = --fetched ]; then
    read -r qt_version curl_version < "$cache/win64/fetched"
else
    qt_version=$(source_version qtbase-opensource-src)
    curl_version=$(source_version curl)
fi
[ -n "$qt_version" ] && [ -n "$curl_version" ] || { echo "apt-get source finds no qtbase or curl" >&2; exit 1; }

# fetch PACKAGE VERSION: Debian's source package, downloaded once into the cache.
fetch() {
    local into=$cache/win64/sources/$1_$2
    [ -f "$into/.fetched" ] && return 0
    rm -rf "$into"
    mkdir -p "$into"
    (cd "$into" && apt-get source --download-only -qq "$1=$2") && touch "$into/.fetched"
}

# unpack PACKAGE VERSION DIR: the fetched source package, its patches applied, in DIR/src.
unpack() {
    fetch "$1" "$2"
    dpkg-source -x --no-check "$cache/win64/sources/$1_$2"/*.dsc "$3/src" > /dev/null
}

build_qt() {
    local work=$1 directory
    unpack qtbase-opensource-src "$qt_version" "$work"
    mkdir "$work/build"
    cd "$work/build"
    MAKEFLAGS=-j$(nproc) nice ../src/configure -prefix "$qt_prefix" "${qt_options[@]}"
    nice make sub-src-qmake_all > /dev/null
    nice make -j"$(nproc)" -C src sub-winmain sub-testlib sub-widgets sub-platformsupport
    for directory in "${qt_plugins[@]}"; do
        nice make -j"$(nproc)" -C "$(dirname "$directory")" "sub-$(basename "$directory")"
    done
    # The modules, the plugins and the host's tools, with what Qt's CMake files look for: qmake
    # and the mkspecs.
    for directory in "${qt_modules[@]}" "${qt_plugins[@]}" src/tools/moc src/tools/rcc src/tools/uic; do
        make -C "$directory" install > /dev/null
    done
    make sub-qmake-qmake-aux-pro-install_subtargets install_mkspecs > /dev/null
    licences "$work/src" "$qt_prefix" LICENSE.LGPL3 LICENSE.GPL3 LICENSE.GPL2
}

# licences SOURCE PREFIX FILE...: what a program shipping this library must carry with it, in
# PREFIX/share/licences: the named licence texts, Debian's copyright file of the source package
# (every file's licence, those of the bundled code included) and where that source is.
licences() {
    local source=$1 prefix=$2 package version
    shift 2
    mkdir -p "$prefix/share/licences"
    (cd "$source" && cp "$@" "$prefix/share/licences/")
    cp "$source/debian/copyright" "$prefix/share/licences/copyright.debian"
    package=$(dpkg-parsechangelog -l "$source/debian/changelog" -S Source)
    version=$(dpkg-parsechangelog -l "$source/debian/changelog" -S Version)
    printf 'Built unchanged from the Debian source package %s, version %s:\n  apt-get source %s=%s\nor https://snapshot.debian.org/package/%s/%s/\n' \
        "$package" "$version" "$package" "$version" "$package" "$version" > "$prefix/share/licences/SOURCE"
}

build_curl() {
    local work=$1
    unpack curl "$curl_version" "$work"
    cd "$work/src"
    ./configure --prefix="$curl_prefix" "${curl_options[@]}" > /dev/null
    nice make -j"$(nproc)" -C lib > /dev/null
    make -C lib install > /dev/null
    make -C include install > /dev/null
    make install-pkgconfigDATA > /dev/null
    licences "$work/src" "$curl_prefix" COPYING
}

# The steps are part of each key, as bash prints them: a changed recipe is a new prefix.
qt_prefix=$cache/win64/qt-${qt_version%%+*}-$(key "$qt_version" "$compiler" "${qt_options[@]}" "${qt_modules[@]}" \
    "${qt_plugins[@]}" "$(declare -f unpack build_qt licences)")
curl_prefix=$cache/win64/curl-${curl_version%%-*}-$(key "$curl_version" "$compiler" "$zlib" "${curl_options[@]}" \
    "$(declare -f unpack build_curl licences)")

# ensure NAME PREFIX: builds NAME into PREFIX unless a finished build is there.
ensure() {
    local name=$1 prefix=$2 work start old
    if [ -f "$prefix/.built" ]; then
        echo "Reusing $name in $prefix"
        touch "$prefix/.used"
        return 0
    fi
    echo "Building $name into $prefix"
    start=$SECONDS
    rm -rf "$prefix" "$cache/win64/build-$name".*
    mkdir -p "$cache/win64"
    work=$(mktemp -d "$cache/win64/build-$name.XXXXXX")
    ("build_$name" "$work")
    rm -rf "$work"
    touch "$prefix/.built" "$prefix/.used"
    # Prefixes of other sources or recipes are of no further use once no run has used them for a
    # day (another checkout may still build against one).
    for old in "$cache/win64/$name"-*; do
        [ "$old" != "$prefix" ] && [ -d "$old" ] || continue
        [ -n "$(find "$old" -maxdepth 1 -name .used -mmin -1440)" ] || rm -rf "$old"
    done
    echo "Built $name in $(( (SECONDS - start) / 60 )) min $(( (SECONDS - start) % 60 )) s"
}

if [ "$mode" = --fetch ]; then
    [ -f "$qt_prefix/.built" ] || fetch qtbase-opensource-src "$qt_version"
    [ -f "$curl_prefix/.built" ] || fetch curl "$curl_version"
    echo "$qt_version $curl_version" > "$cache/win64/fetched.new"
    mv "$cache/win64/fetched.new" "$cache/win64/fetched"
    exit 0
fi
ensure qt "$qt_prefix"
ensure curl "$curl_prefix"
echo "$qt_prefix $curl_prefix" >&3
