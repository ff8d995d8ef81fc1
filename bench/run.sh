#!/usr/bin/env bash
# Times the tool against its peers on large commands.xml files and a profile with 200
# Vivado versions, and the remover against xmlstarlet deleting the same entries:
# hyperfine medians, peak memory (GNU time) and ratios, as a table.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
packages+=(hyperfine xmlstarlet time python3 pkg-config)
install_missing
build_all

bench_work
tool="$build/src/VivadoIntegration"
remover="$build/src/VivadoIntegrationRemove"
export QT_QPA_PLATFORM=offscreen
target="$work/.Xilinx/Vivado/2019.1/commands/commands.xml"
mkdir -p "$(dirname "$target")" "$work/empty"

# Every run starts from the same file: the tool and its peers all append to it. The copy
# is synced first, so that writing it back does not share the machine with the run.
for count in 1000 10000 100000; do
    python3 "$root/bench/make_commands.py" "$count" "$work/$count.xml"
done
# Every tenth command the tool's, for a folder that is gone: the remover takes those out,
# and xmlstarlet_delete.sh the same entries.
gone=/nonexistent/apps/gone
python3 "$root/bench/make_commands.py" 100000 "$work/remove.xml" 10 "$gone"

# Both without a shell or env(1) in between: the empty profile is set for both.
HOME="$work/empty" hyperfine -N -w 5 -r 60 --export-json "$work/startup.json" \
    -n "bare QApplication" "$work/bareapp" \
    -n "tool, nothing to do" "$tool nofeedback"
for count in 1000 10000 100000; do
    label="$((count / 1000))k"
    runs=$([ "$count" -eq 100000 ] && echo 5 || echo 10)
    hyperfine -w 1 -r "$runs" --export-json "$work/xml-$label.json" \
        -n "tool $label" --prepare "cp $work/$count.xml $target && sync" "HOME=$work $tool nofeedback" \
        -n "xmlstarlet $label" --prepare "cp $work/$count.xml $work/peer.xml && sync" \
        "xmlstarlet ed -L -s /custom_commands -t elem -n custom_command -v x $work/peer.xml" \
        -n "elementtree $label" --prepare "cp $work/$count.xml $work/peer.xml && sync" \
        "python3 $root/bench/elementtree_append.py $work/peer.xml"
done

hyperfine -w 1 -r 5 --export-json "$work/remove-100k.json" \
    -n "remover, 10k of 100k" --prepare "cp $work/remove.xml $target && sync" "HOME=$work $remover nofeedback" \
    -n "xmlstarlet -d, 10k of 100k" --prepare "cp $work/remove.xml $work/peer.xml && sync" \
    "bash $root/bench/xmlstarlet_delete.sh $gone $work/peer.xml"

profile="$work/profile/.Xilinx/Vivado"
for major in $(seq 2010 2209); do mkdir -p "$profile/$major.1/commands"; done
hyperfine -w 1 -r 10 --export-json "$work/profile-200.json" -n "tool, 200 versions" \
    --prepare "rm -f $profile/*/commands/*" "HOME=$work/profile $tool nofeedback"

peak() { # name, command...
    local name="$1"; shift
    /usr/bin/time -f "%M" -o "$work/kb" "$@" >/dev/null 2>&1 || true
    printf '%s\t%s\n' "$name" "$(tail -n 1 "$work/kb")" >> "$work/memory.txt"
}
for count in 1000 10000 100000; do
    label="$((count / 1000))k"
    cp "$work/$count.xml" "$target"
    peak "tool $label" env HOME="$work" "$tool" nofeedback
    cp "$work/$count.xml" "$work/peer.xml"
    peak "xmlstarlet $label" xmlstarlet ed -L -s /custom_commands -t elem -n custom_command -v x "$work/peer.xml"
    cp "$work/$count.xml" "$work/peer.xml"
    peak "elementtree $label" python3 "$root/bench/elementtree_append.py" "$work/peer.xml"
done
cp "$work/remove.xml" "$target"
peak "remover, 10k of 100k" env HOME="$work" "$remover" nofeedback
cp "$work/remove.xml" "$work/peer.xml"
peak "xmlstarlet -d, 10k of 100k" bash "$root/bench/xmlstarlet_delete.sh" "$gone" "$work/peer.xml"
peak "bare QApplication" "$work/bareapp"
peak "tool, nothing to do" env HOME="$work/empty" "$tool" nofeedback
peak "tool, 200 versions" env HOME="$work/profile" "$tool" nofeedback

echo
echo "Measured on: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), $(uname -sr)"
python3 "$root/bench/report.py" "$work"
echo
echo "Large files, both sides run in turn:"
python3 "$root/bench/ratios.py" "$work" "$tool" "$root/bench/elementtree_append.py" "$remover" "$gone"
