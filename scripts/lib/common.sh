# Shared by scripts/run, scripts/test and scripts/fuzz.

# Debian/Ubuntu packages the build needs; libxml2 is also what the manager loads at run time
# to build the network configuration. OpenSSL signs the simulated device's CF-e; xmlsec1
# checks those signatures in the tests; g++-multilib builds the 32-bit host and test device.
BUILD_PACKAGES=(cmake ninja-build g++ g++-multilib pkg-config qt6-base-dev qt6-svg-dev
                qt6-qpa-plugins libxml2 libxml2-dev libgtest-dev googletest libbenchmark-dev
                fonts-dejavu-core libssl-dev xmlsec1 libxcb1-dev xvfb xauth)

# What scripts/package needs beside the build: the package checker and gzip for manual pages.
PACKAGE_PACKAGES=(lintian gzip dpkg-dev)

# What scripts/fuzz needs: clang with its sanitizer and libFuzzer runtime (libclang-rt-14-dev
# on Debian 12) and libxml2, without Qt.
FUZZ_PACKAGES=(cmake ninja-build clang libclang-rt-dev pkg-config libxml2 libxml2-dev)

# What scripts/check-format needs: the formatter of Debian 12, whose layout .clang-format is
# written for.
FORMAT_PACKAGES=(clang-format-14)

# What the Windows cross builds and their run under Wine need (scripts/lib/windows.sh): the
# icons are drawn into PNG files (Qt SVG is not built for Windows), the offscreen platform's
# fonts are the host's; the installer is made with NSIS and tried on a virtual display.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 librsvg2-bin
                  fonts-dejavu-core nsis xvfb xauth xdotool)

# The oldest systems whose packages are new enough: CMake 3.25 and Qt 6.4.
MINIMUM_CMAKE=3.25

# Says at once, and stops, when the system is older than what the build needs.
check_system() {
    local release=${1:-/etc/os-release}
    local id="" version=""
    if [ -r "$release" ]; then
        id=$(. "$release" && echo "${ID:-}")
        version=$(. "$release" && echo "${VERSION_ID:-}")
    fi
    local too_old=""
    case "$id" in
        debian) [ -n "$version" ] && [ "${version%%.*}" -lt 12 ] 2>/dev/null && too_old="Debian $version" ;;
        ubuntu) [ -n "$version" ] && version_less "$version" 23.04 && too_old="Ubuntu $version" ;;
    esac
    if [ -n "$too_old" ]; then
        echo "$too_old is older than what the build needs (CMake $MINIMUM_CMAKE and Qt 6.4)." >&2
        echo "Use Debian 12, Ubuntu 23.04 or a later release." >&2
        exit 1
    fi
}

# Whether version $1 is lower than version $2 (dotted numbers).
version_less() {
    [ "$1" != "$2" ] && [ "$(printf '%s\n%s\n' "$1" "$2" | sort -V | head -n 1)" = "$1" ]
}

# After the packages are in: the CMake found must be recent enough (other systems than the two
# named above get here).
check_cmake() {
    local found
    found=$(cmake --version 2>/dev/null | sed -n 's/^cmake version \([0-9.]*\).*/\1/p')
    if [ -z "$found" ] || version_less "$found" "$MINIMUM_CMAKE"; then
        echo "The build needs CMake $MINIMUM_CMAKE or later; this system has ${found:-none}." >&2
        exit 1
    fi
}

# Installs the packages that are not installed yet, with sudo when not root.
install_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if ! command -v apt-get >/dev/null; then
        echo "Please install these packages first: ${missing[*]}" >&2
        return 1
    fi
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}
