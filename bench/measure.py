#!/usr/bin/python3
"""Runs commands several times, alternating, and reports the median wall time
and the peak private memory (anonymous resident memory: heap and anonymous
mappings; file pages of mapped inputs and outputs do not count), sampled from
/proc while each run lasts."""
import json
import os
import statistics
import subprocess
import sys
import time


def run_once(command, cwd):
    start = time.perf_counter()
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
        time.sleep(0.0005)
    elapsed = time.perf_counter() - start
    return elapsed, peak / 1024.0, process.returncode


def main():
    plan = json.load(sys.stdin)
    results = {name: {"times": [], "memory": [], "codes": set()} for name in plan["commands"]}
    for _ in range(plan["repeat"]):
        for name, command in plan["commands"].items():
            elapsed, memory, code = run_once(command, plan["cwd"])
            results[name]["times"].append(elapsed)
            results[name]["memory"].append(memory)
            results[name]["codes"].add(code)
    out = {}
    for name, r in results.items():
        out[name] = {"median": statistics.median(r["times"]), "memory": max(r["memory"]),
                     "codes": sorted(r["codes"])}
    json.dump(out, sys.stdout)


if __name__ == "__main__":
    main()
