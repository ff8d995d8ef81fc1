#!/usr/bin/env bash
# The logon refresh with nothing to change, over ten Vivado versions (seven commands.xml
# of a dozen commands, three commands.paini), against a bare QApplication start, the two
# run in turn round after round. Fails if the refresh rewrote a file.
# Usage: bench/refresh.sh [rounds, default 100]
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
rounds="${1:-100}"
packages+=(python3 pkg-config)
install_missing
build_all

bench_work
refresh="$build/src/VivadoIntegrationRefresh"
export QT_QPA_PLATFORM=offscreen HOME="$work"

echo "== a profile of ten versions, put in order by one refresh"
vivado="$HOME/.Xilinx/Vivado"
for version in 2018.1 2018.3 2019.1 2019.2 2020.1 2021.2 2022.1; do
    mkdir -p "$vivado/$version/commands"
    python3 "$root/bench/make_commands.py" 11 "$vivado/$version/commands/commands.xml"
done
for version in 2016.4 2017.2 2017.4; do
    mkdir -p "$vivado/$version/commands"
    printf 'VERSION=1\n0=user%%20command source%%20u.tcl\n1=other source%%20o.tcl\n' >"$vivado/$version/commands/commands.paini"
done
"$refresh" nofeedback 2>/dev/null
"$refresh" nofeedback 2>/dev/null || { echo "FAILED: the refresh of an ordered profile failed"; exit 1; }
state() { find "$vivado" -type f -printf '%T@ %s %p\n' | sort; find "$vivado" -type f -exec md5sum {} + | sort; }
state >"$work/before"

echo "== timing, $rounds rounds in turn"
BENCH_DIR="$root/bench" python3 - "$work/bareapp" "$refresh" "$rounds" <<'PYTHON'
import os, sys
sys.path.insert(0, os.environ["BENCH_DIR"])
from inturn import medians
bare, refresh, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
bare_s, refresh_s = medians([([bare], None, None), ([refresh, "nofeedback"], None, None)], rounds, warmup=5)
print(f"| bare QApplication | {bare_s * 1000:.1f} ms |")
print(f"| refresh, 10 versions in order | {refresh_s * 1000:.1f} ms |")
print(f"- refresh / bare QApplication: {refresh_s / bare_s:.2f}")
PYTHON
state >"$work/after"
cmp -s "$work/before" "$work/after" || { echo "FAILED: the refresh rewrote a file"; exit 1; }
echo "no file was rewritten"
