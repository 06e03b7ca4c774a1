# What every table of bench/compare shares: the peers' program paths, the picture size, building
# our programs, timing commands in turns, reading a Google Benchmark report, printing a table.
import json
import os
import re
import subprocess
import time
from dataclasses import dataclass

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RELEASE = os.path.join("build", "release")
PYTHON = "/usr/bin/python3"
CONVERT = "/usr/bin/convert"  # ImageMagick's own, not another convert earlier on PATH
WIDTH, HEIGHT = 4000, 3000
PIXELS = WIDTH * HEIGHT


def run(argv, **kwargs):
    return subprocess.run(argv, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, **kwargs)


class Build:
    """Our programs in one build folder (relative to the repository), configured when the folder
    is new and brought up to date for the given targets."""

    def __init__(self, folder, targets):
        self.path = os.path.join(REPO, folder)
        release = os.path.normpath(folder) == RELEASE
        if not os.path.exists(os.path.join(self.path, "CMakeCache.txt")):
            run(["cmake", "--preset", "release"] if release else
                ["cmake", "-S", REPO, "-B", self.path, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo"], cwd=REPO)
        # A no-op when the build is current; it keeps the figures from describing stale code.
        run(["cmake", "--build"] + (["--preset", "release"] if release else [self.path]) + ["--target"] + targets,
            cwd=REPO)
        self.kestrix = os.path.join(self.path, "tools", "kestrix")

    def bench(self, name):
        return os.path.join(self.path, "bench", name)


@dataclass
class Session:
    """What one run of the script hands every table: our programs, the scratch folder and the
    options that set how long each table runs."""
    build: Build
    tmp: str
    repeats: int
    quick: bool
    in_process: bool


def ppm_size(path):
    with open(path, "rb") as f:
        head = f.read(256)
    fields = b" ".join(line.split(b"#")[0] for line in head.split(b"\n")[:4]).split()
    if fields[0] != b"P6":
        raise RuntimeError(path + " is not a binary PPM")
    return int(fields[1]), int(fields[2])


def best_time(argvs, out, repeats, check):
    """Best wall time of each program over `repeats` rounds; the programs take turns so that a
    burst of load elsewhere hurts them alike. The first round also checks each one's output."""
    best = {name: float("inf") for name in argvs}
    for round_no in range(repeats + 1):
        for name, argv in argvs.items():
            if out and os.path.exists(out):
                os.remove(out)
            start = time.perf_counter()
            result = subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
            elapsed = time.perf_counter() - start
            if result.returncode != 0:
                raise RuntimeError("%s failed: %s\n%s" % (name, " ".join(argv), result.stderr))
            if round_no == 0:
                check(name, out)  # the first round warms the file cache and is not counted
            else:
                best[name] = min(best[name], elapsed)
    return best


def expect_ppm(width, height):
    def check(name, out):
        if ppm_size(out) != (width, height):
            raise RuntimeError("%s wrote %s, not %dx%d" % (name, ppm_size(out), width, height))
    return check


def benchmark_mps(argv, env=None):
    """Runs a Google Benchmark program (`argv` without the format option) and returns the MP/s
    counter of each benchmark, the best of its repetitions."""
    report = json.loads(run(argv[:1] + ["--benchmark_format=json"] + argv[1:], env=env).stdout)
    mps = {}
    for b in report["benchmarks"]:
        if b.get("run_type", "iteration") == "iteration" and "MP/s" in b:
            name = b.get("run_name", b["name"]).removesuffix("/real_time")
            mps[name] = max(mps.get(name, 0.0), b["MP/s"])
    return mps


def find_benchmark(mps, word):
    """The MP/s of the first benchmark whose name holds `word` as a whole word ("Blur" in
    "BM_Blur" or "BM_Filter/Blur", not in "BM_BlurPolygon"), or None; benchmarks get renamed
    and regrouped, their operations' names stay."""
    pattern = re.compile(r"(?<![A-Za-z0-9])%s(?![A-Za-z0-9])" % re.escape(word))
    return next((v for name, v in mps.items() if pattern.search(name)), None)


def ratio_cell(ours, theirs, goal):
    if ours is None or theirs is None:
        return "-"
    r = ours / theirs
    return "%.2f%s" % (r, "!" if goal is not None and r < goal else "")


def print_grid(title, lines):
    """Prints `lines` (the header first, then one list of cells per row) in aligned columns:
    the first left-aligned, the others right-aligned."""
    widths = [max(len(line[i]) for line in lines) for i in range(len(lines[0]))]
    print("\n" + title)
    for n, line in enumerate(lines):
        print("  ".join(cell.ljust(widths[i]) if i == 0 else cell.rjust(widths[i]) for i, cell in enumerate(line)))
        if n == 0:
            print("  ".join("-" * w for w in widths))


def print_table(title, rows, columns, ours_name, goals, exempt=()):
    """rows: (operation, {program: MP/s}); one MP/s column per program, then ours / each peer.
    The (operation, peer) pairs in `exempt` did other work than asked: their ratio is marked * and
    held to no goal."""
    peers = [c for c in columns if c != ours_name]
    lines = [["operation"] + columns + ["/" + p for p in peers]]
    for op, mps in rows:
        cells = [op] + ["%.1f" % mps[c] if mps.get(c) else "-" for c in columns]
        cells += [ratio_cell(mps.get(ours_name), mps.get(p), None) + "*" if (op, p) in exempt and mps.get(p)
                  else ratio_cell(mps.get(ours_name), mps.get(p), goals.get(p)) for p in peers]
        lines.append(cells)
    print_grid(title, lines)
