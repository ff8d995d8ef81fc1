#!/usr/bin/env bash
# The tool of a baseline commit against the current tree, both built with the same flags
# and timed in one run, in turn round after round: registration on 100,000 commands, a
# run with nothing to do, and the remover taking 10,000 entries out of 100,000, the last
# also against xmlstarlet -d deleting the same entries. Prints a markdown block.
# Usage: bench/compare.sh [baseline commit, default 8593a6a] [rounds, default 9]
#                         [rounds of the run with nothing to do, default 60]
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
baseline="${1:-8593a6a}"
rounds="${2:-9}"
idle_rounds="${3:-60}"
packages+=(xmlstarlet python3)
install_missing

commit="$(git -C "$root" rev-parse --verify --short "$baseline^{commit}")"
work="$(mktemp -d)"
cleanup() {
    git -C "$root" worktree remove --force "$work/baseline-src" 2>/dev/null || true
    git -C "$root" worktree prune
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# build_all's flags for both; the tests left out, BUILD_TESTING set in the cache first.
build_without_tests() { # source folder, build folder
    cmake -S "$1" -B "$2" -DBUILD_TESTING=OFF >/dev/null
    root="$1" build="$2" build_all
}

echo "== worktree of $commit in $work/baseline-src"
git -C "$root" worktree add --quiet --detach "$work/baseline-src" "$commit"
echo "== building $commit"
build_without_tests "$work/baseline-src" "$work/baseline-build"
current="$(git -C "$root" rev-parse --short HEAD)"
[ -z "$(git -C "$root" status --porcelain -- src CMakeLists.txt cmake)" ] || current+=" with uncommitted changes"
echo "== building the current tree ($current)"
build_without_tests "$root" "$root/build-compare"

echo "== writing the files"
gone=/nonexistent/apps/gone
python3 "$root/bench/make_commands.py" 100000 "$work/100000.xml"
python3 "$root/bench/make_commands.py" 100000 "$work/remove.xml" 10 "$gone"
mkdir -p "$work/.Xilinx/Vivado/2019.1/commands" "$work/empty"

echo "== timing $commit and the current tree in turn"
export QT_QPA_PLATFORM=offscreen
python3 "$root/bench/compare.py" "$work" "$commit" "$work/baseline-build/src" "$root/build-compare/src" \
    "$gone" "$rounds" "$idle_rounds" >"$work/report.md"
echo
echo "Measured on: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), $(uname -sr); current: $current"
echo
cat "$work/report.md"
