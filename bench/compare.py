#!/usr/bin/python3
"""Builds the benchmark groups, measures them and prints the tables."""
import json
import os
import subprocess
import sys

build, repeats = sys.argv[1], int(sys.argv[2])
here = os.path.dirname(os.path.abspath(__file__))
work = os.path.join(build, "bench")
kippdreh = os.path.join(build, "release", "kippdreh", "kippdreh")
glattzug = os.path.join(build, "release", "glattzug", "glattzug")


def picture(name, width, height, framed=False):
    path = os.path.join(work, name)
    if not os.path.exists(path):
        args = [os.path.join(work, "makebmp"), str(width), str(height), path] + (["framed"] if framed else [])
        subprocess.run(args, check=True)
    return name


def measure(commands):
    plan = {"cwd": work, "repeat": repeats, "commands": commands}
    out = subprocess.run(["/usr/bin/python3", os.path.join(here, "measure.py")], input=json.dumps(plan),
                         capture_output=True, text=True, check=True)
    return json.loads(out.stdout)


def table(title, commands, baselines):
    results = measure(commands)
    print(f"\n{title}")
    header = f"{'run':34} {'median s':>9} {'private MiB':>12}" + "".join(f" {'/ ' + b:>14}" for b in baselines)
    print(header)
    print("-" * len(header))
    for name, r in results.items():
        ratios = "".join(f" {r['median'] / results[b]['median']:14.2f}" for b in baselines)
        codes = "" if r["codes"] == [0] else f"  exit {r['codes']}"
        print(f"{name:34} {r['median']:9.3f} {r['memory']:12.1f}{ratios}{codes}")
    return results


def pillow(src, angle):
    return ["/usr/bin/python3", os.path.join(here, "pillow_rotate.py"), src, "pillow.bmp", str(angle)]


def rotation_group(src, label, peers):
    commands = {"cp": ["cp", src, "copy.bmp"]}
    for angle in ("1.5", "45", "90"):
        commands[f"kippdreh g={angle}"] = [kippdreh, src, f"g={angle}"]
        commands[f"pillow rotate {angle}"] = pillow(src, angle)
    if peers:
        if os.path.exists("/usr/bin/vips"):
            commands["vips rotate 1.5"] = ["/usr/bin/vips", "rotate", src, "vips.bmp", "1.5"]
        if os.path.exists("/usr/bin/convert"):
            commands["imagemagick -rotate 1.5"] = ["/usr/bin/convert", src, "-rotate", "1.5", "magick.bmp"]
    results = table(f"kippdreh, {label}", commands, ["cp"])
    print("ratio kippdreh / pillow:",
          ", ".join(f"{a} deg {results[f'kippdreh g={a}']['median'] / results[f'pillow rotate {a}']['median']:.2f}"
                    for a in ("1.5", "45", "90")))


rotation_group(picture("p6000.bmp", 6000, 4500), "6000 x 4500 (81 MB)", True)
rotation_group(picture("p12000.bmp", 12000, 9000), "12000 x 9000 (324 MB)", False)

framed = picture("f6000.bmp", 6000, 4500, framed=True)
table("glattzug, 6000 x 4500 framed (81 MB)",
      {"cp": ["cp", framed, "copy.bmp"], "glattzug h": [glattzug, framed, "h"],
       "glattzug v": [glattzug, framed, "v"], "glattzug v 47.5 55": [glattzug, framed, "v", "47.5", "55"]},
      ["cp"])

small = picture("p2000.bmp", 2000, 1500)
big = picture("f12000.bmp", 12000, 9000, framed=True)
table("memory at both ends of the size range",
      {"kippdreh g=45, 2000 x 1500": [kippdreh, small, "g=45"],
       "kippdreh g=45, 12000 x 9000": [kippdreh, "p12000.bmp", "g=45"],
       "glattzug v 47.5 55, 2000 x 1500": [glattzug, small, "v", "47.5", "55"],
       "glattzug v 47.5 55, 12000 x 9000": [glattzug, big, "v", "47.5", "55"]},
      [])
