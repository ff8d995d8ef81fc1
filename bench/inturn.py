"""Timing commands in turn, round after round, shared by ratios.py and compare.py.

A slow spell of a shared machine, which lasts seconds, then weighs on every command of a
comparison alike, where timing all runs of one command and then all of the next would
charge it to one of them. The order of the commands is reversed every other round, so
that none of them always runs first or right after the same other one."""
import os
import shutil
import statistics
import time


def run_once(command, environment=None, copy=None):
    """Runs command (a list; the program looked up in PATH) with environment added to
    ours, output dropped, after copying copy's source over its target if given: every
    run of a command that edits a file starts from the same file. The copy is synced
    first, so that its write-back is no part of the run. Returns (seconds, exit code);
    the time is that of the program from its spawn to its exit, as hyperfine -N takes it."""
    if copy:
        shutil.copyfile(*copy)
        os.sync()
    with open(os.devnull, "wb") as null:
        actions = [(os.POSIX_SPAWN_DUP2, null.fileno(), 1), (os.POSIX_SPAWN_DUP2, null.fileno(), 2)]
        start = time.perf_counter()
        pid = os.posix_spawnp(command[0], command, {**os.environ, **(environment or {})},
                              file_actions=actions)
        _, status = os.waitpid(pid, 0)
        elapsed = time.perf_counter() - start
    return elapsed, os.waitstatus_to_exitcode(status)


def seconds(command, environment=None, copy=None):
    return run_once(command, environment, copy)[0]


def medians(runs, rounds, warmup=0, progress=None):
    """The median seconds of each run, a (command, environment, copy) triple, over
    rounds rounds that each run all of them once, after warmup rounds not counted.
    progress, if given, is called with the round's number after each counted round."""
    times = [[] for _ in runs]
    for number in range(warmup + rounds):
        order = list(range(len(runs)))
        if number % 2:
            order.reverse()
        for index in order:
            elapsed = seconds(*runs[index])
            if number >= warmup:
                times[index].append(elapsed)
        if number >= warmup and progress:
            progress(number - warmup + 1)
    return [statistics.median(t) for t in times]
