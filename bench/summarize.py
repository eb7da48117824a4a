#!/usr/bin/python3
"""The tables of docs/performance.md from one run of scripts/bench.sh.

  summarize.py RESULTS_DIR      (BUILD_DIR/bench-results)

Reads pipeline.json (medians when the benchmarks were repeated) and
peers.csv, and prints Markdown tables: the stages, the whole run in
process per source pixel, and the whole processes side by side.
"""

import csv
import json
import os
import sys

SIZES = [(1920, 1080), (2560, 1440), (3840, 2160), (7680, 4320)]
TARGETS = [(1200, 1200), (1200, 675), (0, 0)]


def load_benchmarks(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    aggregated = any(r.get("run_type") == "aggregate" for r in runs)
    found = {}
    for r in runs:
        if aggregated and r.get("aggregate_name") != "median":
            continue
        parts = r["run_name"].split("/")
        fields = tuple(int(p.split(":")[1]) for p in parts[1:] if ":" in p)
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[r["time_unit"]]
        found[(parts[0][3:],) + fields] = (r["real_time"] * scale, r.get("px/s"))
    return found


def target_name(t, size):
    return "unscaled" if t == (0, 0) else "%dx%d" % t


def rate(pixels_per_second):
    return "%.2f G" % (pixels_per_second / 1e9) if pixels_per_second else "-"


def stage_table(bench):
    print("| stage | " + " | ".join("%dx%d" % s for s in SIZES) + " |")
    print("|---|" + "---|" * len(SIZES))
    rows = [("DecodeDib", "DecodeDib", None)]
    rows += [("ScalePicture to %dx%d" % t, "ScalePicture", t) for t in TARGETS[:2]]
    rows += [("ConvertRowToRgb, every line", "ConvertRowToRgb", None)]
    rows += [("JpegWriteFile, %s" % target_name(t, None), "JpegWriteFile", t) for t in TARGETS]
    for label, name, target in rows:
        cells = []
        for s in SIZES:
            key = (name,) + s + (target if target else ())
            if key in bench:
                ms, pps = bench[key]
                cells.append("%.2f ms (%s px/s)" % (ms, rate(pps)))
            else:
                cells.append("-")
        print("| %s | %s |" % (label, " | ".join(cells)))


def run_table(bench, name):
    print("| written | " + " | ".join("%dx%d" % s for s in SIZES) + " |")
    print("|---|" + "---|" * len(SIZES))
    for t in TARGETS:
        cells = []
        for s in SIZES:
            key = (name,) + s + t
            if key in bench:
                ms, _ = bench[key]
                cells.append("%.1f ms, %.2f ns/px" % (ms, ms * 1e6 / (s[0] * s[1])))
            else:
                cells.append("-")
        print("| %s | %s |" % (target_name(t, None), " | ".join(cells)))


def peers_table(path, wanted_set):
    with open(path) as f:
        rows = [r for r in csv.DictReader(f) if r["set"] == wanted_set]
    ours = {r["case"]: float(r["wall_ms"]) for r in rows if r["program"] == "dib2jpeg"}
    print("| case | program | wall ms | CPU ms | wall / dib2jpeg |")
    print("|---|---|---|---|---|")
    for r in rows:
        ratio = float(r["wall_ms"]) / ours[r["case"]] if r["case"] in ours else float("nan")
        print("| %s | %s | %.1f | %.1f | %.2f |" % (r["case"].replace("->", " to "), r["program"],
                                                  float(r["wall_ms"]), float(r["cpu_ms"]), ratio))


def main():
    results = sys.argv[1]
    bench = load_benchmarks(os.path.join(results, "pipeline.json"))
    print("### Stages (median wall time, source pixels per second; JPEG and row conversion: written pixels)\n")
    stage_table(bench)
    print("\n### TakeScreenshot on the simulated desktop (median wall time; ns per source pixel)\n")
    run_table(bench, "TakeScreenshot")
    print("\n### Capture, scaling and JPEG without emptying the clipboard (CaptureScaleSave)\n")
    run_table(bench, "CaptureScaleSave")
    peers = os.path.join(results, "peers.csv")
    if os.path.exists(peers):
        print("\n### Whole processes, 3840x2160\n")
        peers_table(peers, "headline")
        print("\n### Whole processes, the four screens\n")
        peers_table(peers, "series")


if __name__ == "__main__":
    main()
