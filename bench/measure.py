#!/usr/bin/python3
"""Runs commands several times, alternating, and reports the median wall time
and the peak private memory (anonymous resident memory: heap and anonymous
mappings; file pages of mapped inputs and outputs do not count). The timed
runs are left alone; the memory is sampled from /proc in one further run of
each command, so that the sampling takes no processor time from the timed ones.
Every run starts without output files and its outputs are removed after it,
so that no run pays for truncating or writing back the pages of an earlier one."""
import glob
import json
import os
import statistics
import subprocess
import sys
import time


def remove_outputs(cwd, patterns):
    for pattern in patterns:
        for path in glob.glob(os.path.join(cwd, pattern)):
            os.remove(path)


def timed_run(command, cwd, outputs):
    remove_outputs(cwd, outputs)
    start = time.perf_counter()
    code = subprocess.run(command, cwd=cwd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode
    elapsed = time.perf_counter() - start
    remove_outputs(cwd, outputs)
    return elapsed, code


def peak_private_memory(command, cwd):
    process = subprocess.Popen(command, cwd=cwd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    peak = 0
    status_path = f"/proc/{process.pid}/status"
    while process.poll() is None:
        try:
            with open(status_path) as status:
                for line in status:
                    if line.startswith("RssAnon:"):
                        peak = max(peak, int(line.split()[1]))
        except (FileNotFoundError, ProcessLookupError, ValueError):
            pass
        time.sleep(0.001)
    return peak / 1024.0


def main():
    plan = json.load(sys.stdin)
    results = {name: {"times": [], "codes": set()} for name in plan["commands"]}
    for name, command in plan["commands"].items():  # a warm-up run each: the page cache holds the input
        timed_run(command, plan["cwd"], plan["outputs"])
    for _ in range(plan["repeat"]):
        for name, command in plan["commands"].items():
            elapsed, code = timed_run(command, plan["cwd"], plan["outputs"])
            results[name]["times"].append(elapsed)
            results[name]["codes"].add(code)
    out = {}
    for name, r in results.items():
        memory = peak_private_memory(plan["commands"][name], plan["cwd"])
        remove_outputs(plan["cwd"], plan["outputs"])
        out[name] = {"median": statistics.median(r["times"]), "memory": memory, "codes": sorted(r["codes"])}
    json.dump(out, sys.stdout)


if __name__ == "__main__":
    main()
