"""The ElementTree peer: parse commands.xml, append one custom_command, write it back."""
import sys
import xml.etree.ElementTree as ET

tree = ET.parse(sys.argv[1])
ET.SubElement(tree.getroot(), "custom_command").text = "x"
tree.write(sys.argv[1], encoding="UTF-8", xml_declaration=True)
