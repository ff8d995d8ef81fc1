#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test headless.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing
build_all
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure)

# The installed folder holds the tool and its two companions, which run on their own.
sandbox="$(mktemp -d)"
cmake --install "$build" --prefix "$sandbox/install" >/dev/null
mkdir -p "$sandbox/.Xilinx/Vivado/2019.1/commands"
xml="$sandbox/.Xilinx/Vivado/2019.1/commands/commands.xml"
command="<command>source \"$sandbox/install/bin/vivado_server.tcl\" -notrace</command>"
# As over SSH: no display, the sandbox as the home folder.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export HOME="$sandbox"
"$sandbox/install/bin/VivadoIntegration" nofeedback
grep -q "$command" "$xml"
"$sandbox/install/bin/VivadoIntegrationRemove" nofeedback
! grep -q "$command" "$xml"
"$sandbox/install/bin/VivadoIntegrationRefresh" nofeedback
test "$(grep -c "$command" "$xml")" = 1
echo "installed tool, remover and refresh: ok"
rm -rf "$sandbox"
