# The Windows part of scripts/test: the Qt-free layers and their tests cross-built with
# mingw-w64, the 64-bit tests run under wine64, the 32-bit build's export tables checked.
# Where the tools cannot be had it says "skipped: ..." and does not fail.
# Needs run_suite and RESULTS from scripts/test.

windows_skipped() {
    echo "skipped: $1"
    RESULTS+=("Windows: skipped: $1")
}

# Returns non-zero when a Windows build or test failed.
windows_suite() {
    if ! install_packages "${WINDOWS_PACKAGES[@]}"; then
        echo "The Windows packages could not be installed." >&2
    fi
    local tool failed=0
    for tool in x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix; do
        if ! command -v "$tool" >/dev/null; then
            windows_skipped "$tool is not available, so the Windows cross builds were not made"
            return 0
        fi
    done

    if cmake --preset win64 >/dev/null && cmake --build --preset win64; then
        if command -v wine64 >/dev/null || [ -x /usr/lib/wine/wine64 ]; then
            run_suite "Windows x86_64 under wine64" ctest --preset win64 || failed=1
        else
            windows_skipped "wine64 is not available, so the Windows tests were built but not run"
        fi
    else
        RESULTS+=("Windows x86_64: the build FAILED")
        failed=1
    fi

    if cmake --preset win32 >/dev/null && cmake --build --preset win32; then
        run_suite "Windows i686 export tables" ctest --preset win32 || failed=1
    else
        RESULTS+=("Windows i686: the build FAILED")
        failed=1
    fi
    return $failed
}
