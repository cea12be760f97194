# What the Windows build links and ships, built from Debian's source packages with the posix
# mingw-w64 toolchain: Qt (the modules the manager and its tests use), libxml2 (loaded by the
# network screen, linked by the simulated device) and OpenSSL (the simulated device signs with
# it). It goes into a prefix under ~/.cache/vexor named after the source versions and this
# recipe, and is built again only when that prefix is missing.
# Needs install_packages from common.sh.

WINDOWS_PREFIX_PACKAGES=(dpkg-dev qt6-base-dev-tools perl make xz-utils ninja-build cmake
                         g++-mingw-w64-x86-64-posix)
WINDOWS_PREFIX_SOURCES=(qt6-base libxml2 openssl)
WINDOWS_TRIPLET=x86_64-w64-mingw32
WINDOWS_PREFIX_RECIPE="${BASH_SOURCE[0]}"

# Adds a deb-src entry beside each deb entry of the configured Debian mirror, once, so that
# apt-get source finds the sources of the packages this machine installs.
windows_enable_sources() {
    apt-cache showsrc qt6-base 2>/dev/null | grep -q '^Version:' && return 0
    local sudo=() list=/etc/apt/sources.list.d/vexor-deb-src.sources
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    local file entries=""
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] && [ "$file" != "$list" ] || continue
        entries+=$(sed 's/^Types:.*\bdeb\b.*/Types: deb-src/' "$file")$'\n\n'
    done
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list |
            "${sudo[@]}" tee /etc/apt/sources.list.d/vexor-deb-src.list >/dev/null
    fi
    [ -n "$entries" ] && printf '%s' "$entries" | "${sudo[@]}" tee "$list" >/dev/null
    "${sudo[@]}" apt-get update -qq
}

WINDOWS_SOURCES_DIR="${XDG_CACHE_HOME:-$HOME/.cache}/vexor/sources"

# windows_source_version <package>: downloads, once, the newest version of the source package
# that the mirror really serves (the security archive lists versions whose files it no longer
# has) and prints that version.
windows_source_version() {
    local package=$1 version
    for version in $(apt-cache showsrc "$package" 2>/dev/null | sed -n 's/^Version: //p' |
                     sort -V -r | uniq); do
        local dir="$WINDOWS_SOURCES_DIR/${package}_$version"
        if [ ! -f "$dir/.fetched" ]; then
            rm -rf "$dir"
            mkdir -p "$dir"
            (cd "$dir" && apt-get source --download-only -qq "$package=$version" \
                 >/dev/null 2>&1) || { rm -rf "$dir"; continue; }
            touch "$dir/.fetched"
        fi
        echo "$version"
        return 0
    done
    echo "No version of the source package $package could be downloaded." >&2
    return 1
}

# Prints the prefix's folder for the sources the mirror serves and this recipe; characters a
# folder name should not hold are made '_'.
windows_prefix_path() {
    local name=win64 package version recipe
    for package in "${WINDOWS_PREFIX_SOURCES[@]}"; do
        version=$(windows_source_version "$package") || return 1
        name+="-${package%6-base}-${version//[^A-Za-z0-9.-]/_}"
    done
    recipe=$(sha256sum "$WINDOWS_PREFIX_RECIPE" | cut -c1-12)
    echo "${XDG_CACHE_HOME:-$HOME/.cache}/vexor/$name-$recipe"
}

# windows_fetch <package> <work>: unpacks the downloaded source package, Debian's patches
# applied, into <work>/<package> and prints that folder.
windows_fetch() {
    local package=$1 work=$2 version
    version=$(windows_source_version "$package") || return 1
    rm -rf "${work:?}/$package"
    dpkg-source --no-check -x "$WINDOWS_SOURCES_DIR/${package}_$version/${package}_${version#*:}.dsc" \
        "$work/$package" >/dev/null || return 1
    echo "$work/$package"
}

# The CMake toolchain the prefix's parts are built with: the project's own, but linking the
# compiler's runtime as DLLs, as Qt's DLLs are.
windows_prefix_toolchain() {
    local file=$1 out=$2
    cat >"$file" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $WINDOWS_TRIPLET-gcc-posix)
set(CMAKE_CXX_COMPILER $WINDOWS_TRIPLET-g++-posix)
set(CMAKE_RC_COMPILER $WINDOWS_TRIPLET-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$WINDOWS_TRIPLET $out)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
}

# Qt's modules Core, Gui, Widgets and Test with the windows and offscreen platforms; what the
# manager does not use is switched off to keep the build short. Debian's source leaves out
# src/3rdparty/wintab and sqlite: tablet input and SQL are off. The accessibility of the windows
# platform goes through UI Automation, not the iaccessible2 folder that is also left out.
# OpenGL stays on: the windows platform of 6.4 does not build without it, and on Windows it is
# loaded at run time.
windows_build_qt() {
    local source=$1 out=$2 work=$3
    cmake -S "$source" -B "$work/qt-build" -G Ninja -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$out" -DBUILD_SHARED_LIBS=ON \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_printsupport=OFF -DFEATURE_vulkan=OFF \
        -DFEATURE_tabletevent=OFF -DFEATURE_direct2d1_1=OFF -DFEATURE_jpeg=OFF \
        -DFEATURE_testlib=ON -DFEATURE_widgets=ON >"$work/qt-configure.log" 2>&1 || {
        tail -n 40 "$work/qt-configure.log" >&2; return 1; }
    nice -n 10 cmake --build "$work/qt-build" -j2 >"$work/qt-build.log" 2>&1 || {
        grep -B2 -A12 'FAILED\|error:' "$work/qt-build.log" | head -n 60 >&2; return 1; }
    cmake --install "$work/qt-build" >/dev/null
}

windows_build_libxml2() {
    local source=$1 out=$2 work=$3
    cmake -S "$source" -B "$work/xml-build" -G Ninja -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$out" -DBUILD_SHARED_LIBS=ON \
        -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ICU=OFF -DLIBXML2_WITH_LZMA=OFF \
        -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_TESTS=OFF \
        -DLIBXML2_WITH_PROGRAMS=OFF >"$work/xml-configure.log" 2>&1 || {
        tail -n 40 "$work/xml-configure.log" >&2; return 1; }
    cmake --build "$work/xml-build" -j2 >"$work/xml-build.log" 2>&1 || {
        tail -n 40 "$work/xml-build.log" >&2; return 1; }
    cmake --install "$work/xml-build" >/dev/null
}

# libcrypto and libssl as DLLs, without OpenSSL's program and tests.
windows_build_openssl() {
    local source=$1 out=$2 work=$3
    (
        cd "$source"
        ./Configure mingw64 shared no-tests --cross-compile-prefix="$WINDOWS_TRIPLET-" \
            --prefix="$out" --libdir=lib CC=gcc-posix CXX=g++-posix >"$work/ssl-configure.log" 2>&1 &&
        nice -n 10 make -j2 build_libs >"$work/ssl-build.log" 2>&1 &&
        make install_dev >"$work/ssl-install.log" 2>&1
    ) || { tail -n 40 "$work"/ssl-*.log >&2; return 1; }
}

# windows_prefix: prints the prefix's folder, building it first when it is missing. A build
# that stops half way leaves no prefix behind: it is assembled under another name and renamed.
windows_prefix() {
    install_packages "${WINDOWS_PREFIX_PACKAGES[@]}" >&2 || return 1
    windows_enable_sources >&2 || return 1
    local prefix
    prefix=$(windows_prefix_path) || return 1
    if [ -f "$prefix/.complete" ]; then
        echo "$prefix"
        return 0
    fi
    local work="$prefix.work" out="$prefix.partial" started=$SECONDS
    rm -rf "$work" "$out"
    mkdir -p "$work" "$out"
    echo "Building Qt, libxml2 and OpenSSL for Windows into $prefix (once)" >&2
    windows_prefix_toolchain "$work/toolchain.cmake" "$out"
    local source
    source=$(windows_fetch libxml2 "$work") && windows_build_libxml2 "$source" "$out" "$work" &&
    source=$(windows_fetch openssl "$work") && windows_build_openssl "$source" "$out" "$work" &&
    source=$(windows_fetch qt6-base "$work") && windows_build_qt "$source" "$out" "$work" || {
        echo "The Windows prefix could not be built; the logs are in $work." >&2
        return 1
    }
    # The prefix is found at its final name: CMake's package files of Qt name their own
    # folder relative to themselves, libxml2's and OpenSSL's pkg-config files do not.
    grep -rlF "$out" "$out" --include='*.pc' --include='*.cmake' 2>/dev/null |
        xargs -r sed -i "s|$out|$prefix|g"
    rm -rf "$prefix"
    mv "$out" "$prefix"
    touch "$prefix/.complete"
    rm -rf "$work"
    echo "The Windows prefix took $((SECONDS - started)) s." >&2
    echo "$prefix"
}
