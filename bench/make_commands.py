"""Writes a commands.xml with N commands, named as repeated runs of the tool name them.
With a third argument K, only every Kth command is the tool's, for a folder that is gone,
and the others are a user's own: what the removal companion has to sort out. A fourth
argument names that gone folder (default C:/apps/gone; off Windows a Linux path that does
not exist is gone however the tool comes to judge drive letters).

Usage: make_commands.py <N> <file> [K [gone folder]]"""
import sys

count, path = int(sys.argv[1]), sys.argv[2]
every = int(sys.argv[3]) if len(sys.argv) > 3 else 1
gone = sys.argv[4] if len(sys.argv) > 4 else "C:/apps/gone"
base = "TALVORN_Probe_Core_Inserter"
with open(path, "w", encoding="utf-8") as out:
    out.write('<?xml version="1.0" encoding="UTF-8"?>\n<custom_commands major="1" minor="0">\n')
    for i in range(count):
        ours = i % every == 0
        name = (base if i == 0 else f"{base}_{i + 1}") if ours else f"User_Command_{i}"
        folder = "C:/apps/tool" if every == 1 else (gone if ours else "C:/apps/user")
        out.write(f""" <custom_command>
  <position>{i}</position>
  <name>{name}</name>
  <menu_name>TALVORN Probe Core Inserter</menu_name>
  <command>source "{folder}/vivado_server.tcl" -notrace</command>
  <tooltip>Start TALVORN Probe Core Inserter</tooltip>
  <toolbar_icon>{folder}/Talvorn_CI_A.png</toolbar_icon>
  <show_on_toolbar>true</show_on_toolbar>
  <run_proc>true</run_proc>
  <source name="USER"/>
 </custom_command>
""")
    out.write("</custom_commands>\n")
