"""Writes a commands.xml with N commands, named as repeated runs of the tool name them."""
import sys

count, path = int(sys.argv[1]), sys.argv[2]
base = "TALVORN_Probe_Core_Inserter"
with open(path, "w", encoding="utf-8") as out:
    out.write('<?xml version="1.0" encoding="UTF-8"?>\n<custom_commands major="1" minor="0">\n')
    for i in range(count):
        name = base if i == 0 else f"{base}_{i + 1}"
        out.write(f""" <custom_command>
  <position>{i}</position>
  <name>{name}</name>
  <menu_name>TALVORN Probe Core Inserter</menu_name>
  <command>source "C:/apps/tool/vivado_server.tcl" -notrace</command>
  <tooltip>Start TALVORN Probe Core Inserter</tooltip>
  <toolbar_icon>C:/apps/tool/Talvorn_CI_A.png</toolbar_icon>
  <show_on_toolbar>true</show_on_toolbar>
  <run_proc>true</run_proc>
  <source name="USER"/>
 </custom_command>
""")
    out.write("</custom_commands>\n")
