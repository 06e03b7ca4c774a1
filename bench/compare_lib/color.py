# The colour and tone tables: brightness, contrast, negative, gray and reduction to 256 colours
# as whole processes on the PPM photograph, against ImageMagick and Pillow doing work of the same
# kind (their brightness and contrast formulas are not ours), with plain copies for the net
# figures and color_bench's in-process figures.
import os

from .common import CONVERT, HEIGHT, PYTHON, WIDTH, benchmark_mps, expect_ppm, find_benchmark
from .net_table import print_net_table, time_with_copies
from .photo import photo

BENCHES = ["color_bench"]
PROGRAMS = ["kestrix", "ImageMagick", "Pillow"]
POINT_GOALS = {"ImageMagick": 3.0, "Pillow": 3.0}
QUANTIZE_GOALS = {"ImageMagick": 1.0, "Pillow": 1.0}

# Runs the operations named after the input and output, in order; none makes a plain copy.
# Pillow writes PPM only from RGB, so gray and the palette picture go back to RGB for the same
# bytes as the others write.
PIL_COLOR = r"""
import sys
from PIL import Image, ImageEnhance, ImageOps
im = Image.open(sys.argv[1])
for op in sys.argv[3:]:
    name, _, arg = op.partition("=")
    if name == "brightness":
        im = ImageEnhance.Brightness(im).enhance(float(arg))
    elif name == "contrast":
        im = ImageEnhance.Contrast(im).enhance(float(arg))
    elif name == "invert":
        im = ImageOps.invert(im)
    elif name == "gray":
        im = im.convert("L").convert("RGB")
    elif name == "quantize":
        im = im.quantize(int(arg), method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE).convert("RGB")
    else:
        sys.exit("unknown operation " + name)
im.save(sys.argv[2])
"""

# One row per operation: label, our `--do` operations, ImageMagick's arguments, Pillow's
# operations, the name of color_bench's benchmark of the same call (None: it has none), goals.
# ImageMagick's -colors dithers unless told not to; nobody else dithers, so +dither.
ROWS = [
    ("brightness +20", [["IntensityRGBall", "20", "20", "20"]], ["-brightness-contrast", "20x0"],
     ["brightness=1.2"], "IntensityRGBall", POINT_GOALS),
    ("contrast 30", [["Contrast", "30"]], ["-brightness-contrast", "0x30"], ["contrast=1.3"],
     "Contrast", POINT_GOALS),
    ("brightness +20, contrast 30", [["IntensityRGBall", "20", "20", "20"], ["Contrast", "30"]],
     ["-brightness-contrast", "20x30"], ["brightness=1.2", "contrast=1.3"], None, POINT_GOALS),
    ("negative", [["Negative"]], ["-negate"], ["invert"], "Negative", POINT_GOALS),
    ("gray", [["ConvertToGray"]], ["-colorspace", "Gray"], ["gray"], "ConvertToGray", POINT_GOALS),
    ("reduce to 256 colours", [["ConvertTo", "256"]], ["+dither", "-colors", "256"], ["quantize=256"],
     "ConvertTo256", QUANTIZE_GOALS),
]


def commands(kestrix, src, out, ours, magick, pil):
    return {
        "kestrix": [kestrix, "convert", src, out, "--quiet"] + [a for op in ours for a in ["--do"] + op],
        "ImageMagick": [CONVERT, src] + magick + [out],
        "Pillow": [PYTHON, "-c", PIL_COLOR, src, out] + pil,
    }


def in_process(color_bench, quick):
    """color_bench's MP/s for each row's benchmark name."""
    names = [row[4] for row in ROWS if row[4]]
    mps = benchmark_mps([color_bench, "--benchmark_min_time=%s" % ("0.1" if quick else "0.5"),
                         "--benchmark_filter=" + "|".join(names)])
    return {name: find_benchmark(mps, name) for name in names}


def report(session):
    source = photo(session.tmp)
    out = os.path.join(session.tmp, "color.ppm")
    kestrix = session.build.kestrix
    bench = in_process(session.build.bench("color_bench"), session.quick) if session.in_process else {}
    check = expect_ppm(WIDTH, HEIGHT)
    rows = [(label, commands(kestrix, source, out, ours, magick, pil), check, bench.get(name), goals)
            for label, ours, magick, pil, name, goals in ROWS]
    copy_times, timed = time_with_copies(rows, commands(kestrix, source, out, [], [], []), out, session.repeats)
    print_net_table("Colour and tone, whole process on the PPM photograph (MP/s; net = without the program's own "
                    "copy time; ratios are ours / theirs, ! = goal missed on net)",
                    copy_times, timed, PROGRAMS, "color_bench")
