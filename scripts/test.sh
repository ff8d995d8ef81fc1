#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test headless.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing
build_all
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure)

# The installed folder holds a tool that runs on its own.
sandbox="$(mktemp -d)"
cmake --install "$build" --prefix "$sandbox/install" >/dev/null
mkdir -p "$sandbox/AppData/Roaming/Xilinx/Vivado/2019.1/commands"
XDG_DATA_HOME="$sandbox/AppData/Roaming" QT_QPA_PLATFORM=offscreen "$sandbox/install/bin/VivadoIntegration" nofeedback
grep -q "<command>source \"$sandbox/install/bin/vivado_server.tcl\" -notrace</command>" \
    "$sandbox/AppData/Roaming/Xilinx/Vivado/2019.1/commands/commands.xml"
echo "installed tool: ok"
rm -rf "$sandbox"
