#!/usr/bin/python3
"""Builds the benchmark groups, measures them and prints the tables, then the
summary of ratios against the goals."""
import json
import os
import subprocess
import sys

build, repeats = sys.argv[1], int(sys.argv[2])
here = os.path.dirname(os.path.abspath(__file__))
work = os.path.join(build, "bench")
kippdreh = os.path.join(build, "bench", "tools", "kippdreh", "kippdreh")
glattzug = os.path.join(build, "bench", "tools", "glattzug", "glattzug")
passnetz = os.path.join(build, "bench", "tools", "passnetz", "passnetz")
turns = ["g=1.5", "g=45", "g=90", "x=40", "y=-40"]
rectifications = [["h"], ["v"], ["v", "47.5", "55"]]


def picture(name, width, height, framed=False):
    path = os.path.join(work, name)
    if not os.path.exists(path):
        args = [os.path.join(work, "makebmp"), str(width), str(height), path] + (["framed"] if framed else [])
        subprocess.run(args, check=True)
    return name


def measure(commands):
    plan = {"cwd": work, "repeat": repeats, "commands": commands,
            "outputs": ["*.TMP", "copy.bmp", "pillow.bmp", "*.tif", "*.vrt", "*.points"]}
    out = subprocess.run(["/usr/bin/python3", os.path.join(here, "measure.py")], input=json.dumps(plan),
                         capture_output=True, text=True, check=True)
    return json.loads(out.stdout)


def table(title, commands):
    results = measure(commands)
    print(f"\n{title}")
    header = f"{'run':34} {'median s':>9} {'private MiB':>12} {'/ cp':>8}"
    print(header)
    print("-" * len(header))
    for name, r in results.items():
        codes = "" if r["codes"] == [0] else f"  exit {r['codes']}"
        print(f"{name:34} {r['median']:9.3f} {r['memory']:12.1f} {r['median'] / results['cp']['median']:8.2f}{codes}")
    return results


def turn_group(src, label, with_pillow):
    commands = {"cp": ["cp", src, "copy.bmp"]}
    for argument in turns:
        commands[f"kippdreh {argument}"] = [kippdreh, src, argument]
    if with_pillow:
        commands["pillow rotate 90"] = ["/usr/bin/python3", os.path.join(here, "pillow_rotate.py"), src,
                                        "pillow.bmp", "90"]
    return table(f"kippdreh, {label}", commands)


def rectify_group(src, label):
    commands = {"cp": ["cp", src, "copy.bmp"]}
    for mode in rectifications:
        commands["glattzug " + " ".join(mode)] = [glattzug, src] + mode
    return table(f"glattzug, {label}", commands)


def calibration(name, width, height, west, east, north, south):
    """The .INF of a map with these edges, as messkart writes it (four decimals)."""
    import math
    s = lambda degrees: math.sinh(math.radians(degrees))
    a = width / (east - west)
    c = -height / (s(north) - s(south))
    numbers = [a, -a * west - 0.5, c, -c * s(north) - 0.5]
    with open(os.path.join(work, name), "w", newline="") as inf:
        inf.write("".join(f"{v:.4f}\r\n" for v in numbers) + f"{width}\r\n{height}\r\n")


def geotiff_group(src, label):
    # Germany on the picture: the GeoTIFF gets about 5 % more rows than the picture.
    calibration(src[:-4] + ".INF", 6000, 4500, 5.8, 15.1, 55.1, 47.2)
    return table(f"passnetz, {label}", {"cp": ["cp", src, "copy.bmp"], "passnetz": [passnetz, src]})


turn6 = turn_group(picture("p6000.bmp", 6000, 4500), "6000 x 4500 (81 MB)", True)
turn12 = turn_group(picture("p12000.bmp", 12000, 9000), "12000 x 9000 (324 MB)", False)
rect6 = rectify_group(picture("f6000.bmp", 6000, 4500, framed=True), "6000 x 4500 framed (81 MB)")
rect12 = rectify_group(picture("f12000.bmp", 12000, 9000, framed=True), "12000 x 9000 framed (324 MB)")
tiff6 = geotiff_group(picture("p6000.bmp", 6000, 4500), "6000 x 4500 (81 MB), Germany")
small = table("the smallest size", {
    "cp": ["cp", picture("p2000.bmp", 2000, 1500), "copy.bmp"],
    "kippdreh g=45, 2000 x 1500": [kippdreh, "p2000.bmp", "g=45"],
    "glattzug v 47.5 55, 2000 x 1500": [glattzug, picture("f2000.bmp", 2000, 1500, framed=True), "v", "47.5", "55"]})


def ratios(results, names):
    return " / ".join(f"{results[n]['median'] / results['cp']['median']:.2f}" for n in names)


def worst(results, names):
    return max(results[n]["median"] / results["cp"]["median"] for n in names)


turn_names = [f"kippdreh {a}" for a in turns]
rect_names = ["glattzug " + " ".join(m) for m in rectifications]
quarter = turn6["kippdreh g=90"]["median"] / turn6["pillow rotate 90"]["median"]
memory = max(r["memory"] for group in (turn6, turn12, rect6, rect12, tiff6, small) for n, r in group.items()
             if n.startswith(("kippdreh", "glattzug", "passnetz")))
rows = [
    ("kippdreh / cp, 6000 x 4500, " + ", ".join(turns), ratios(turn6, turn_names), "<= 3", worst(turn6, turn_names) <= 3),
    ("the same at 12000 x 9000", ratios(turn12, turn_names), "<= 3.5", worst(turn12, turn_names) <= 3.5),
    ("kippdreh g=90 / pillow rotate 90", f"{quarter:.2f}", "<= 0.5", quarter <= 0.5),
    ("glattzug h, v, v 47.5 55 / cp, 6000 x 4500", ratios(rect6, rect_names), "<= 1.5", worst(rect6, rect_names) <= 1.5),
    ("the same at 12000 x 9000", ratios(rect12, rect_names), "<= 1.5", worst(rect12, rect_names) <= 1.5),
    ("passnetz (GeoTIFF, VRT, points) / cp, 6000 x 4500", ratios(tiff6, ["passnetz"]), "<= 1.5",
     worst(tiff6, ["passnetz"]) <= 1.5),
    ("private memory (RssAnon), MiB, largest", f"{memory:.1f}", "<= 64", memory <= 64),
]
print("\nsummary (medians of", repeats, "alternating runs)")
header = f"{'what':58} {'measured':>30} {'goal':>7}  met"
print(header)
print("-" * len(header))
for what, measured, goal, met in rows:
    print(f"{what:58} {measured:>30} {goal:>7}  {'yes' if met else 'NO'}")
