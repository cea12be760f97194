#!/usr/bin/env bash
# check-packages.sh <folder>: installs the two packages from the folder, runs vexor status and
# vexor logs against the simulated device from the installed files alone, and removes both
# packages again, whatever happened. Needs root (or sudo) and apt-get.
set -euo pipefail
folder=$(readlink -f "$1")
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)

manager=$(ls "$folder"/vexor-manager_*_amd64.deb)
simulator=$(ls "$folder"/vexor-simulator_*_amd64.deb)
work=$(mktemp -d)
cleanup() {
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get purge -y -qq vexor-simulator vexor-manager \
        >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "$manager" "$simulator"

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# Only what the packages installed: no build folder on any search path.
cd "$work"
export PATH=/usr/bin:/bin
export SATSIM_STATE="$work/satsim-state.txt"
unset LD_LIBRARY_PATH
[ -x /usr/bin/vexor ] || fail "vexor is not installed"
[ -f /usr/share/man/man1/vexor.1.gz ] || fail "the manual page is not installed"
[ -f /usr/lib/vexor-simulator/libdllsat.so ] || fail "the simulated device is not installed"

# Without the simulator's folder no device library is found.
set +e
vexor status --kind not-activated >/dev/null 2>&1
missing=$?
set -e
[ "$missing" -eq 2 ] || fail "vexor status without a device library exited $missing, not 2"

export LD_LIBRARY_PATH=/usr/lib/vexor-simulator
# A factory-new simulated device answers its status to the default code.
vexor status --kind not-activated >status.txt 2>status-warnings.txt || fail "vexor status exited $?"
grep -qx 'Número de Série: 900004019' status.txt || fail "vexor status: $(cat status.txt)"
grep -q '^Status: ' status.txt || fail "vexor status shows no lock state"

vexor logs --kind not-activated -o log.txt >logs.txt || fail "vexor logs exited $?"
[ -s logs.txt ] || fail "vexor logs printed no line"
grep -q '^1 ' logs.txt || fail "vexor logs: $(head -3 logs.txt)"
# The saved file holds the same lines, CR LF ended.
[ "$(tr -d '\r' <log.txt)" = "$(iconv -f UTF-8 -t WINDOWS-1252 logs.txt)" ] ||
    fail "the saved log differs from the lines shown"

echo "The installed packages work: vexor status and vexor logs against the simulated device."
