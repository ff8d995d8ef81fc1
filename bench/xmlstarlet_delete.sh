#!/usr/bin/env bash
# xmlstarlet deleting, in place, what the remover takes out of a file of make_commands.py
# with only every Kth command the tool's: the tool's entries for the folder that is gone.
# Usage: xmlstarlet_delete.sh <gone folder> <file>
exec xmlstarlet ed -L -d "/custom_commands/custom_command[starts-with(name,'TALVORN_Probe_Core_Inserter') and command='source \"$1/vivado_server.tcl\" -notrace']" "$2"
