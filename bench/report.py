"""Prints the benchmark table from hyperfine's JSON files and the peak-memory list."""
import json
import sys

folder = sys.argv[1]
medians = {}
for name in ["startup", "xml-1k", "xml-10k", "xml-100k", "profile-200"]:
    with open(f"{folder}/{name}.json") as f:
        for result in json.load(f)["results"]:
            medians[result["command"]] = result["median"]
memory = dict(line.rstrip("\n").split("\t") for line in open(f"{folder}/memory.txt"))

print(f"| case | median | peak memory |\n|---|---|---|")
for command, median in medians.items():
    print(f"| {command} | {median * 1000:.1f} ms | {int(memory.get(command, 0)) // 1024} MiB |")

def ratio(a, b):
    return medians[a] / medians[b]

print()
print(f"- tool / xmlstarlet, 100k commands: {ratio('tool 100k', 'xmlstarlet 100k'):.2f}")
print(f"- tool / ElementTree, 100k commands: {ratio('tool 100k', 'elementtree 100k'):.2f}")
print(f"- tool 100k / tool 10k: {ratio('tool 100k', 'tool 10k'):.1f} (10x the commands)")
print(f"- tool 10k / tool 1k: {ratio('tool 10k', 'tool 1k'):.1f} (10x the commands)")
print(f"- nothing to do / bare QApplication: {ratio('tool, nothing to do', 'bare QApplication'):.2f}")
