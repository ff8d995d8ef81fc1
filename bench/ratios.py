"""The large-file ratios, measured again with the commands of each ratio run in turn,
round after round (inturn.py): a slow spell of a shared machine, which lasts seconds,
then weighs on both sides alike, where hyperfine's runs of one command after another
would charge it to one side.

Usage: ratios.py <work folder> <tool> <ElementTree script> <remover> <gone folder>
(the folder of the tool's entries in <work folder>/remove.xml, which the remover takes out)"""
import os
import sys

from inturn import medians

work, tool, elementtree, remover, gone = sys.argv[1:6]
target = f"{work}/.Xilinx/Vivado/2019.1/commands/commands.xml"
peer = f"{work}/peer.xml"
delete = ["bash", os.path.join(os.path.dirname(os.path.abspath(__file__)), "xmlstarlet_delete.sh"), gone]


def tool_on(count, program=tool):
    return [program, "nofeedback"], {"HOME": work}, (f"{work}/{count}.xml", target)


def peer_on(count, command):
    return command + [peer], {}, (f"{work}/{count}.xml", peer)


xmlstarlet = ["xmlstarlet", "ed", "-L", "-s", "/custom_commands", "-t", "elem", "-n", "custom_command", "-v", "x"]
tool100k, star100k, tree100k, tool10k, tool1k = medians(
    [tool_on(100000), peer_on(100000, xmlstarlet), peer_on(100000, ["python3", elementtree]),
     tool_on(10000), tool_on(1000)], 5)

remove, star_remove = medians([tool_on("remove", remover), peer_on("remove", delete)], 5)

print(f"- tool / xmlstarlet, 100k commands: {tool100k / star100k:.2f}")
print(f"- remover / xmlstarlet -d, 10k of 100k commands removed: {remove / star_remove:.2f}")
print(f"- tool / ElementTree, 100k commands: {tool100k / tree100k:.2f}")
print(f"- tool 100k / tool 10k: {tool100k / tool10k:.1f} (10x the commands)")
print(f"- tool 10k / tool 1k: {tool10k / tool1k:.1f} (10x the commands)")
