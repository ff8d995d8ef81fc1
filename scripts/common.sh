# Shared by demo.sh and test.sh: install what a fresh Debian 12 lacks, then build.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
packages=(cmake g++ make qtbase5-dev libqt5xml5 qttools5-dev-tools)

install_missing() {
    command -v dpkg-query >/dev/null || return 0
    local missing=() package
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
}

# The checks' verdicts: each prints a line, and finish fails the script if any failed.
failures=0
check() { # description, then a command that must succeed
    local what="$1"; shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
finish() { # what was checked
    [ "$failures" -eq 0 ] && echo "$1 passed" || { echo "$failures of $1 failed"; exit 1; }
}

build_all() {
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DWARNINGS_AS_ERRORS=ON
    cmake --build "$build" -j"$(nproc)"
}
