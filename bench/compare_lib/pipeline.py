# The application's job as whole processes: the 12-megapixel photograph fitted to 540 pixels with
# a nearest stretch, written as a quality-60 progressive JPEG and read back, by `quillop
# --prepare` and by the peers each in their own way, beside a plain full-size decode by
# libjpeg-turbo, the floor of any job that starts from the whole photograph. Time and peak memory
# for each; then pipeline_bench's in-process figures for the steps of the window.
import json
import os
import subprocess
import time

from .common import CONVERT, HEIGHT, PIXELS, PYTHON, WIDTH, print_grid, run
from .photo import photo

BENCHES = ["pipeline_bench"]
# The programs of our side that are not in-process benchmarks, built with the tool.
TOOLS = ["quillop"]
TIME = "/usr/bin/time"
SIDE = 540
QUALITY = 60
FLOOR = "libjpeg-turbo decode"
# The peers' speed goal: our time at most a third of theirs.
PEER_GOAL = 3.0
# Our time at most this many times the floor's.
FLOOR_GOAL = 1.3
# Our peak memory at most this many decoded pictures (3 bytes a pixel) plus a fixed allowance.
MEMORY_PICTURES = 1.5
MEMORY_ALLOWANCE = 20 * 2**20
# In process: the live preview under 1 ms, the preview rebuild under 10 ms.
BENCH_GOALS_MS = {"BM_LivePreview": 1.0, "BM_SaveTempJpeg": 10.0}

# Pillow's job: a nearest resize to the fitted size, a quality-60 progressive save, a full read.
PIL_JOB = r"""
import sys
from PIL import Image
src, out, side, quality = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
im = Image.open(src)
w, h = im.size
size = (side, max(1, side * h // w)) if w > h else (max(1, side * w // h), side)
im.resize(size, Image.NEAREST).save(out, quality=quality, progressive=True)
Image.open(out).load()
"""


def fit_size(width, height, side):
    """The working copy's size, as the pipeline fits it: the longer side becomes `side`."""
    if width > height:
        return side, max(1, side * height // width)
    return max(1, side * width // height), side


def commands(quillop, src, out, tmp):
    """Each program's job as a list of command lines run one after the other; the peers that
    write the JPEG in one process read it back in a second one."""
    q = str(QUALITY)
    box = "%dx%d" % (SIDE, SIDE)
    decoded = os.path.join(tmp, "pipeline_decoded.v")
    return {
        "quillop": [[quillop, "--prepare", src, out]],
        FLOOR: [["/usr/bin/djpeg", "-outfile", "/dev/null", src]],
        "Pillow": [[PYTHON, "-c", PIL_JOB, src, out, str(SIDE), q]],
        # The same work as ours: the whole photograph decoded, then a nearest reduction.
        "libvips resize": [["vips", "resize", src, "%s[Q=%s,interlace]" % (out, q), str(SIDE / max(WIDTH, HEIGHT)),
                            "--kernel", "nearest"], ["vips", "copy", out, decoded]],
        # libvips' own way to a small picture: it decodes the photograph at 1/2, 1/4 or 1/8 scale
        # first, then reduces the rest with its default filter.
        "libvips thumbnail": [["vipsthumbnail", src, "--size", box, "-o", "%s[Q=%s,interlace]" % (out, q)],
                              ["vips", "copy", out, decoded]],
        "ImageMagick": [[CONVERT, src, "-sample", box, "-quality", q, "-interlace", "JPEG", out],
                        [CONVERT, out, "null:"]],
    }


def run_measured(argvs, tmp):
    """Runs the command lines in turn; returns their wall time together and the largest peak
    resident set of any of them, in bytes. The peak comes from /usr/bin/time: a child of this
    script would count the script's own pages, which it holds until the program replaces them."""
    elapsed, peak = 0.0, 0
    rss = os.path.join(tmp, "pipeline_rss.txt")
    for argv in argvs:
        start = time.perf_counter()
        result = subprocess.run([TIME, "-f", "%M", "-o", rss] + argv, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, text=True)
        elapsed += time.perf_counter() - start
        if result.returncode != 0:
            raise RuntimeError("%s failed: %s" % (" ".join(argv), result.stderr))
        with open(rss) as f:
            peak = max(peak, int(f.read().split()[-1]) * 1024)  # kibibytes
    return elapsed, peak


def jpeg_frame(path):
    """(width, height, progressive) of the JPEG at `path`, from its first frame header."""
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(b"\xff\xd8"):
        raise RuntimeError(path + " is not a JPEG")
    pos = 2
    while pos + 4 <= len(data):
        marker, length = data[pos + 1], int.from_bytes(data[pos + 2:pos + 4], "big")
        if marker in (0xC0, 0xC1, 0xC2):
            height, width = int.from_bytes(data[pos + 5:pos + 7], "big"), int.from_bytes(data[pos + 7:pos + 9], "big")
            return width, height, marker == 0xC2
        pos += 2 + length
    raise RuntimeError(path + " has no frame header")


def measure(jobs, out, tmp, repeats):
    """Best time and peak memory of each job over `repeats` rounds, the jobs taking turns; the
    first round checks every output (the fitted size, progressive) and is not counted."""
    expected = fit_size(WIDTH, HEIGHT, SIDE) + (True,)
    best = {name: float("inf") for name in jobs}
    peak = {name: 0 for name in jobs}
    sizes = {}
    for round_no in range(repeats + 1):
        for name, argvs in jobs.items():
            if os.path.exists(out):
                os.remove(out)
            elapsed, rss = run_measured(argvs, tmp)
            peak[name] = max(peak[name], rss)
            if round_no > 0:
                best[name] = min(best[name], elapsed)
            elif name != FLOOR:  # the floor writes nothing to check
                if jpeg_frame(out) != expected:
                    raise RuntimeError("%s wrote %s, not %s" % (name, jpeg_frame(out), expected))
                sizes[name] = os.path.getsize(out)
    return best, peak, sizes


def photo_jpeg(kestrix, tmp):
    """The photograph as the quality-90 baseline JPEG that the codec tables read, made once."""
    path = os.path.join(tmp, "photo_q90.jpg")
    if not os.path.exists(path):
        run([kestrix, "convert", photo(tmp), path, "--set", "JPEG_Quality=90"])
    return path


def in_process(pipeline_bench, jpeg, quick):
    """pipeline_bench's best time of each benchmark (milliseconds) and its label, on `jpeg`."""
    env = dict(os.environ, KX_BENCH_JPEG=jpeg)
    report = json.loads(run([pipeline_bench, "--benchmark_format=json",
                             "--benchmark_min_time=%s" % ("0.1" if quick else "1"),
                             "--benchmark_repetitions=%d" % (1 if quick else 3)], env=env).stdout)
    to_ms = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
    best = {}
    for b in report["benchmarks"]:
        if b.get("run_type", "iteration") != "iteration":
            continue
        name = b.get("run_name", b["name"]).removesuffix("/real_time")
        ms = b["real_time"] * to_ms[b["time_unit"]]
        if name not in best or ms < best[name][0]:
            best[name] = (ms, b.get("label", ""))
    return best


def report(session):
    quillop = os.path.join(session.build.path, "app", "quillop", "quillop")
    src = photo_jpeg(session.build.kestrix, session.tmp)
    out = os.path.join(session.tmp, "pipeline_out.jpg")
    best, peak, sizes = measure(commands(quillop, src, out, session.tmp), out, session.tmp, session.repeats)

    decoded = WIDTH * HEIGHT * 3
    memory_goal = MEMORY_PICTURES * decoded + MEMORY_ALLOWANCE
    ours = best["quillop"]
    lines = [["program", "best ms", "peak MiB", "out KiB", "their time / ours"]]
    for name in best:
        ratio = best[name] / ours
        goal = None if name == "quillop" else 1 / FLOOR_GOAL if name == FLOOR else PEER_GOAL
        lines.append([name, "%.1f" % (best[name] * 1e3), "%.1f" % (peak[name] / 2**20),
                      "%.1f" % (sizes[name] / 1024) if name in sizes else "-",
                      "-" if goal is None else "%.2f%s" % (ratio, "!" if ratio < goal else "")])
    w, h = fit_size(WIDTH, HEIGHT, SIDE)
    print("picture: %dx%d (%.1f MP) quality-90 baseline JPEG, %.2f MiB; fitted to %dx%d, quality %d progressive" % (
        WIDTH, HEIGHT, PIXELS / 1e6, os.path.getsize(src) / 2**20, w, h, QUALITY))
    print_grid("The application's job, whole processes (best of %d; ratios above 1: we are faster, "
               "! = goal missed)" % session.repeats, lines)

    floor_ratio = ours / best[FLOOR]
    missed = [name for name in best if name not in ("quillop", FLOOR) and best[name] / ours < PEER_GOAL]
    print("goals for quillop:")
    print("  time %.2f x the decode floor's (at most %.1f): %s" % (
        floor_ratio, FLOOR_GOAL, "met" if floor_ratio <= FLOOR_GOAL else "MISSED"))
    print("  peak memory %.1f MiB (at most %.1f: %.1f x the %.1f MiB decoded picture + %d MiB): %s" % (
        peak["quillop"] / 2**20, memory_goal / 2**20, MEMORY_PICTURES, decoded / 2**20, MEMORY_ALLOWANCE // 2**20,
        "met" if peak["quillop"] <= memory_goal else "MISSED"))
    print("  at least %.0f x faster than each peer: %s" % (
        PEER_GOAL, "met" if not missed else "MISSED against " + ", ".join(missed)))

    if session.in_process:
        bench = in_process(session.build.bench("pipeline_bench"), src, session.quick)
        lines = [["step (pipeline_bench)", "best ms", "goal ms", "label"]]
        for name, (ms, label) in bench.items():
            goal = BENCH_GOALS_MS.get(name)
            lines.append([name, "%.3f%s" % (ms, "!" if goal is not None and ms > goal else ""),
                          "%.0f" % goal if goal else "-", label])
        print_grid("In process (the whole job on the same file; the live preview and the rebuild on a %d x %d "
                   "working copy; ! = goal missed)" % (SIDE, SIDE), lines)
