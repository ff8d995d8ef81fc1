# Placeholder: the companion tool's Vivado server script is installed here.
puts "TALVORN Probe Core Inserter"
