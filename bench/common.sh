# Shared by the benchmark scripts: what scripts/common.sh gives, a work folder gone when
# the script ends ($work) and the start-up floor built there ($work/bareapp).
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"

bench_work() {
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
    g++ -O2 -fPIC "$root/bench/bareapp.cpp" $(pkg-config --cflags --libs Qt5Widgets) -o "$work/bareapp"
}
