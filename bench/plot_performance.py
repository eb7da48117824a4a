#!/usr/bin/python3
"""Time against source pixels: Pictarn and the other programs.

  plot_performance.py PIPELINE.json PEERS.csv OUT.png

PIPELINE.json is pictarn_bench's --benchmark_out (TakeScreenshot in
process); PEERS.csv is scripts/bench-peers --csv (whole processes). Needs
Debian's python3-matplotlib.
"""

import csv
import json
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402


def take_screenshot_series(path):
    """{target: [(source pixels, ms)]} of BM_TakeScreenshot, medians when repeated."""
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    aggregated = any(r.get("run_type") == "aggregate" for r in runs)
    series = {}
    for r in runs:
        if not r["name"].startswith("BM_TakeScreenshot/"):
            continue
        if aggregated and r.get("aggregate_name") != "median":
            continue
        fields = dict(part.split(":") for part in r["run_name"].split("/")[1:] if ":" in part)
        w, h, tw, th = (int(fields[k]) for k in ("w", "h", "to_w", "to_h"))
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[r["time_unit"]]
        target = "unscaled" if tw == 0 else "%dx%d" % (tw, th)
        series.setdefault(target, []).append((w * h, r["real_time"] * scale))
    return {k: sorted(v) for k, v in series.items()}


def peer_series(path):
    """{(program, scaled or unscaled): [(source pixels, wall ms)]} of the size series."""
    series = {}
    with open(path) as f:
        for row in csv.DictReader(f):
            if row["set"] != "series":
                continue
            source, target = row["case"].split("->")
            kind = "unscaled" if source == target else target
            series.setdefault((row["program"], kind), []).append((int(row["source_pixels"]), float(row["wall_ms"])))
    return {k: sorted(v) for k, v in series.items()}


def main():
    pipeline, peers, out = sys.argv[1:4]
    inprocess = take_screenshot_series(pipeline)
    processes = peer_series(peers)

    fig, ax = plt.subplots(figsize=(10, 6.2), dpi=100)
    styles = {
        "ImageMagick": ("tab:red", "o"), "vips": ("tab:orange", "s"), "Pillow": ("tab:purple", "^"),
        "dib2jpeg": ("tab:blue", "D"), "cjpeg": ("tab:gray", "v"),
    }
    for (program, kind), points in sorted(processes.items()):
        colour, marker = styles.get(program, ("black", "x"))
        xs, ys = zip(*points)
        label = "%s, whole process, %s" % (program, "scaled to " + kind if kind != "unscaled" else "unscaled")
        ax.plot([x / 1e6 for x in xs], ys, color=colour, marker=marker,
                linestyle="-" if kind != "unscaled" else "--", label=label)
    for kind, dash in (("1200x675", ":"), ("1200x1200", "-."), ("unscaled", (0, (1, 3)))):
        if kind in inprocess:
            xs, ys = zip(*inprocess[kind])
            ax.plot([x / 1e6 for x in xs], ys, color="tab:green", marker=".", linestyle=dash,
                    label="Pictarn TakeScreenshot in process, %s" % ("scaled to " + kind if kind != "unscaled" else "unscaled"))

    ax.set_xscale("log")
    ax.set_yscale("log")
    pixels = sorted({p for points in list(processes.values()) + list(inprocess.values()) for p, _ in points})
    ax.set_xticks([p / 1e6 for p in pixels])
    ax.set_xticklabels(["%.1f" % (p / 1e6) for p in pixels])
    ax.minorticks_off()
    ax.set_xlabel("source picture, megapixels (1920x1080, 2560x1440, 3840x2160, 7680x4320)")
    ax.set_ylabel("time, ms (median wall time)")
    ax.set_title("Screen picture to JPEG at quality 70: Pictarn and other programs")
    ax.grid(True, which="major", alpha=0.3)
    ax.legend(fontsize=8, loc="upper left")
    fig.tight_layout()
    fig.savefig(out)


if __name__ == "__main__":
    main()
