#!/usr/bin/env bash
# Installs what is missing, builds, and runs the tool silently against a sandbox home
# folder with Vivado 2017.4 and 2019.1, then its removal companion,
# then the logon refresh twice (the second finds everything in order).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing
build_all

sandbox="$(mktemp -d)"
vivado="$sandbox/.Xilinx/Vivado"
mkdir -p "$vivado/2017.4/commands" "$vivado/2019.1/commands"

echo
echo "== VivadoIntegration nofeedback, home folder $sandbox"
set +e
HOME="$sandbox" QT_QPA_PLATFORM=offscreen "$build/src/VivadoIntegration" nofeedback \
    2>"$sandbox/log.txt"
status=$?
set -e
grep -v '^QStandardPaths: XDG_RUNTIME_DIR' "$sandbox/log.txt" || true
echo "exit code: $status"
for file in "$vivado"/*/commands/*; do
    echo
    echo "== $file (NUL shown as ^@)"
    cat -v "$file"
done

echo
echo "== VivadoIntegrationRemove nofeedback: the entries go again"
set +e
HOME="$sandbox" QT_QPA_PLATFORM=offscreen "$build/src/VivadoIntegrationRemove" nofeedback 2>/dev/null
status=$?
set -e
echo "exit code: $status"
for file in "$vivado"/*/commands/*; do
    echo
    echo "== $file"
    cat -v "$file"
done

echo
echo "== VivadoIntegrationRefresh nofeedback, twice: one entry each, the second run writes nothing"
for run in first second; do
    before="$(stat -c %.9Y "$vivado"/*/commands/* | tr '\n' ' ')"
    set +e
    HOME="$sandbox" QT_QPA_PLATFORM=offscreen "$build/src/VivadoIntegrationRefresh" nofeedback 2>/dev/null
    status=$?
    set -e
    after="$(stat -c %.9Y "$vivado"/*/commands/* | tr '\n' ' ')"
    echo "$run run: exit code $status, files $([ "$before" = "$after" ] && echo "not written" || echo "written")"
done
for file in "$vivado"/*/commands/*; do
    echo "$file: $(grep -ac 'vivado_server.tcl' "$file") entry of the tool's"
done
