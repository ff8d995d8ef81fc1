"""Prints the benchmark table from hyperfine's JSON files and the peak-memory list."""
import json
import sys

folder = sys.argv[1]
medians = {}
for name in ["startup", "xml-1k", "xml-10k", "xml-100k", "remove-100k", "profile-200"]:
    with open(f"{folder}/{name}.json") as f:
        for result in json.load(f)["results"]:
            medians[result["command"]] = result["median"]
memory = dict(line.rstrip("\n").split("\t") for line in open(f"{folder}/memory.txt"))

print(f"| case | median | peak memory |\n|---|---|---|")
for command, median in medians.items():
    print(f"| {command} | {median * 1000:.1f} ms | {int(memory.get(command, 0)) // 1024} MiB |")

start_up = medians["tool, nothing to do"] / medians["bare QApplication"]
print(f"\n- nothing to do / bare QApplication: {start_up:.2f} (hyperfine, 60 runs each)")
