# The 3 x 3 convolution tables: every built-in preset and one kernel given on the command line,
# as whole processes on the PPM photograph against libvips, ImageMagick and Pillow with the same
# kernel, with plain copies for the net figures and filters_bench's in-process figures; then how
# far each peer's output lies from ours, which shows that every program did the same work.
import os
import shutil

from .common import CONVERT, HEIGHT, PYTHON, WIDTH, benchmark_mps, expect_ppm, find_benchmark, print_grid
from .net_table import print_net_table, time_with_copies
from .photo import photo
from .pixel_stats import compare

BENCHES = ["filters_bench"]
PROGRAMS = ["kestrix", "libvips", "ImageMagick", "Pillow"]
GOALS = {"libvips": 1.0, "ImageMagick": 3.0, "Pillow": 3.0}

# Our presets' kernels (row above, own row, row below) and divisors, for the peers.
PRESETS = [
    ("fpNone", [0, 0, 0, 0, 1, 0, 0, 0, 0], 0),
    ("fpBlur", [1, 1, 1, 1, 1, 1, 1, 1, 1], 9),
    ("fpEdge", [1, 1, 1, 1, -8, 1, 1, 1, 1], 1),
    ("fpEmboss", [-1, 0, 1, -1, 1, 1, -1, 0, 1], 1),
    ("fpHighPass1", [0, -1, 0, -1, 5, -1, 0, -1, 0], 1),
    ("fpHighPass2", [-1, -1, -1, -1, 9, -1, -1, -1, -1], 1),
    ("fpHighPass3", [1, -2, 1, -2, 5, -2, 1, -2, 1], 1),
    ("LowPass1", [1, 1, 1, 1, 1, 1, 1, 1, 1], 10),
    ("LowPass2", [1, 2, 1, 2, 4, 2, 1, 2, 1], 16),
]
# The kernel given as numbers: the application's sharpen step, the same as fpHighPass1, so the
# two rows also show that naming a preset costs nothing.
CUSTOM = ([0, -1, 0, -1, 5, -1, 0, -1, 0], 1)
# filters_bench's benchmark of the same kernel, by preset name.
BENCH_NAMES = {"fpBlur": "Blur", "fpHighPass1": "HighPass1", "LowPass2": "LowPass2"}

# Filters with the kernel and scale after the input and output; without them a plain copy.
PIL_FILTER = r"""
import sys
from PIL import Image, ImageFilter
im = Image.open(sys.argv[1])
if len(sys.argv) > 3:
    im = im.filter(ImageFilter.Kernel((3, 3), [int(v) for v in sys.argv[3:12]], scale=int(sys.argv[12])))
im.save(sys.argv[2])
"""


def commands(kestrix, src, out, ours, kernel, mask):
    """Each program's command for our `--do` arguments and the same (values, divisor), or for a
    plain copy when both are None. ImageMagick takes the kernel divided by the divisor (its
    Correlate applies the kernel as written, as we do; Convolve would turn it round), libvips
    an integer mask file, written to `mask`, with the divisor as its scale."""
    if ours is None:
        return {"kestrix": [kestrix, "convert", src, out, "--quiet"], "libvips": ["vips", "copy", src, out],
                "ImageMagick": [CONVERT, src, out], "Pillow": [PYTHON, "-c", PIL_FILTER, src, out]}
    values, divisor = kernel
    scale = divisor or 1
    with open(mask, "w") as f:
        f.write("3 3 %d 0\n" % scale + "".join("%d %d %d\n" % tuple(values[r * 3:r * 3 + 3]) for r in range(3)))
    return {
        "kestrix": [kestrix, "convert", src, out, "--quiet", "--do"] + ours,
        "libvips": ["vips", "conv", src, out, mask, "--precision", "integer"],
        "ImageMagick": [CONVERT, src, "-morphology", "Correlate",
                        "3x3: " + ",".join("%.9g" % (v / scale) for v in values), out],
        "Pillow": [PYTHON, "-c", PIL_FILTER, src, out] + [str(v) for v in values] + [str(scale)],
    }


def check_against_ours(ours_copy, differences):
    """The first-round check of one row: the size, then ours is kept (it runs first in every
    round) and each peer's output is measured against it into `differences`."""
    size_check = expect_ppm(WIDTH, HEIGHT)

    def check(name, path):
        size_check(name, path)
        if name == "kestrix":
            shutil.copyfile(path, ours_copy)
        else:
            differences[name] = compare(ours_copy, path, inner=True)["error"]
    return check


def in_process(filters_bench, quick):
    mps = benchmark_mps([filters_bench, "--benchmark_min_time=%s" % ("0.1" if quick else "0.5"),
                         "--benchmark_filter=" + "|".join(BENCH_NAMES.values())])
    return {preset: find_benchmark(mps, name) for preset, name in BENCH_NAMES.items()}


def report(session):
    tmp, kestrix = session.tmp, session.build.kestrix
    source = photo(tmp)
    out, ours_copy = os.path.join(tmp, "filtered.ppm"), os.path.join(tmp, "filtered_ours.ppm")
    bench = in_process(session.build.bench("filters_bench"), session.quick) if session.in_process else {}
    kernels = [(name, ["ApplyFilterPreset", name], (values, divisor), bench.get(name))
               for name, values, divisor in PRESETS]
    kernels.append(("kernel %s / %d" % (" ".join(map(str, CUSTOM[0])), CUSTOM[1]),
                    ["ApplyFilter"] + [str(v) for v in CUSTOM[0]] + [str(CUSTOM[1])], CUSTOM, bench.get("fpHighPass1")))

    rows, differences = [], []
    for n, (label, ours, kernel, in_proc) in enumerate(kernels):
        differences.append({})
        argvs = commands(kestrix, source, out, ours, kernel, os.path.join(tmp, "kernel%d.mat" % n))
        rows.append((label, argvs, check_against_ours(ours_copy, differences[-1]), in_proc, GOALS))
    copy_times, timed = time_with_copies(rows, commands(kestrix, source, out, None, None, None), out,
                                         session.repeats)
    print_net_table("3 x 3 filters, whole process on the PPM photograph (MP/s; net = without the program's own "
                    "copy time; ratios are ours / theirs, ! = goal missed on net)",
                    copy_times, timed, PROGRAMS, "filters_bench")
    lines = [["kernel"] + PROGRAMS[1:]]
    for (label, _, _, _), diff in zip(kernels, differences):
        lines.append([label] + ["%.3f" % diff[name] for name in PROGRAMS[1:]])
    print_grid("3 x 3 filters: each peer's output against ours (mean absolute difference per channel, "
               "pixels off the edge)", lines)
