"""The tool of a baseline commit against the current one, both built alike, in one run:
the two in turn, round after round (inturn.py), on the same files.

Usage: compare.py <work folder> <baseline name> <baseline binaries> <current binaries>
                  <gone folder> <rounds> <nothing-to-do rounds>
The binaries folders hold VivadoIntegration and VivadoIntegrationRemove; the work folder
100000.xml (make_commands.py 100000) and remove.xml (make_commands.py 100000 ... 10
<gone folder>). Progress goes to stderr, the markdown block to stdout."""
import os
import sys

from inturn import medians, run_once

work, baseline, baseline_bin, current_bin, gone = sys.argv[1:6]
rounds, idle_rounds = int(sys.argv[6]), int(sys.argv[7])
home = work
empty = f"{work}/empty"
target = f"{home}/.Xilinx/Vivado/2019.1/commands/commands.xml"
peer = f"{work}/peer.xml"
delete_script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "xmlstarlet_delete.sh")


def step(text):
    print(text, file=sys.stderr, flush=True)


def tool(folder, program, source):
    return [f"{folder}/{program}", "nofeedback"], {"HOME": home}, (f"{work}/{source}", target)


def idle(folder):
    return [f"{folder}/VivadoIntegration", "nofeedback"], {"HOME": empty}, None


xmlstarlet = ["bash", delete_script, gone, peer], {}, (f"{work}/remove.xml", peer)


def commands_in(path):
    with open(path, encoding="utf-8") as text:
        return text.read().count("<custom_command>")


def check(name, run, path, expected):
    """One run before the timing: it has to succeed and leave the file it should."""
    _, code = run_once(*run)
    found = commands_in(path) if path else None
    if code != 0 or found != expected:
        sys.exit(f"{name}: exit code {code}, {found} commands left, {expected} expected")
    step(f"checked {name}: exit code 0" + (f", {found} commands" if path else ""))


def counter(name, total):
    return lambda number: step(f"{name}: round {number}/{total}")


registration = [tool(baseline_bin, "VivadoIntegration", "100000.xml"),
                tool(current_bin, "VivadoIntegration", "100000.xml")]
removal = [tool(baseline_bin, "VivadoIntegrationRemove", "remove.xml"),
           tool(current_bin, "VivadoIntegrationRemove", "remove.xml"), xmlstarlet]
startup = [idle(baseline_bin), idle(current_bin)]

for name, run in zip([baseline, "current"], registration):
    check(f"registration, {name}", run, target, 100001)
for name, run in zip([baseline, "current"], removal):
    check(f"remover, {name}", run, target, 90000)
check("xmlstarlet -d", xmlstarlet, peer, 90000)
for name, run in zip([baseline, "current"], startup):
    check(f"nothing to do, {name}", run, None, None)
    if os.listdir(empty):
        sys.exit(f"nothing to do, {name}: it wrote into the empty profile")

step(f"registration, 100k commands: {rounds} rounds, baseline and current in turn")
register_base, register_current = medians(registration, rounds, 1, counter("registration", rounds))
step(f"nothing to do: {idle_rounds} rounds, baseline and current in turn")
idle_base, idle_current = medians(startup, idle_rounds, 5)
step(f"removal, 10k of 100k commands: {rounds} rounds, baseline, current and xmlstarlet -d in turn")
remove_base, remove_current, remove_star = medians(removal, rounds, 1, counter("removal", rounds))



def ms(value):
    return f"{value * 1000:.1f} ms"


print(f"Against {baseline}, same build, run in turn (medians of {rounds} rounds, "
      f"{idle_rounds} for nothing to do):")
print()
print(f"| case | {baseline} | current | current / {baseline} |")
print("|---|---|---|---|")
print(f"| tool, 100k commands | {ms(register_base)} | {ms(register_current)} | "
      f"{register_current / register_base:.2f} |")
print(f"| tool, nothing to do | {ms(idle_base)} | {ms(idle_current)} | {idle_current / idle_base:.2f} |")
print(f"| remover, 10k of 100k | {ms(remove_base)} | {ms(remove_current)} | "
      f"{remove_current / remove_base:.2f} |")
print()
print(f"- remover / xmlstarlet -d ({ms(remove_star)}), 10k of 100k commands removed: "
      f"{remove_current / remove_star:.2f} ({baseline}: {remove_base / remove_star:.2f})")

goals = [("tool 100k, current / baseline", register_current / register_base, 0.90),
         ("nothing to do, current / baseline", idle_current / idle_base, 1.0),
         ("remover / xmlstarlet -d", remove_current / remove_star, 2.0)]
for name, ratio, goal in goals:
    step(f"goal {name} <= {goal:.2f}: {ratio:.3f}, {'met' if ratio <= goal else 'not met'}")
