# The effects table: merging with a second photograph, the lens and waves, and the gray-ranked
# morphology at radius 1, 3 and 10, as whole processes on the PPM photograph against the nearest
# work of ImageMagick (-compose blend, -implode, -wave, -morphology with a square) and libvips
# (composite2, morph with a square mask), with plain copies for the net figures and
# effects_bench's in-process figures. The peers' morphology works on each channel apart and
# their implode and wave bend differently, so the outputs are only checked for their size.
# ImageMagick's square morphology slows with the radius (about 45 s per pass at radius 10 here),
# so its radius-10 two-pass rows are left to the in-process figures.
import os

from .common import CONVERT, HEIGHT, WIDTH, benchmark_mps, expect_ppm, find_benchmark, run
from .net_table import print_net_table, time_with_copies
from .photo import photo

BENCHES = ["effects_bench"]
PROGRAMS = ["kestrix", "ImageMagick", "libvips"]
GOALS = {"ImageMagick": 3.0}

# Our kinds, ImageMagick's name for each, and whether libvips does it in one pass.
MORPHOLOGY = [("Maximum", "Dilate", "dilate"), ("Minimum", "Erode", "erode"), ("Opening", "Open", None),
              ("Closing", "Close", None)]
RADII = [1, 3, 10]
WAVE_AMPLITUDE = 10


def square_mask(path, radius):
    """A libvips morphology mask: a (2r + 1) square whose every element must be set."""
    side = 2 * radius + 1
    with open(path, "w") as f:
        f.write("%d %d\n" % (side, side) + ("255 " * side + "\n") * side)
    return path


def rows_for(kestrix, tmp, src, other, out, bench):
    """(label, {program: argv}, in-process MP/s) for each row."""
    ours = [kestrix, "convert", src, out, "--quiet", "--do"]
    rows = [
        ("Merge 50 %", {"kestrix": ours + ["Merge", other, "50"],
                        "ImageMagick": [CONVERT, src, other, "-compose", "blend", "-define", "compose:args=50",
                                        "-composite", out],
                        "libvips": ["vips", "composite2", src, other, out, "over"]}, bench.get("Merge")),
        ("BumpMapping", {"kestrix": ours + ["BumpMapping", "2000", "1500", "1500", "1500", "30", "255,240,200"]},
         bench.get("BumpMapping")),
        ("Lens / implode", {"kestrix": ours + ["Lens", "2000", "1500", "3600", "2800", "1.6"],
                            "ImageMagick": [CONVERT, src, "-implode", "0.5", out]}, bench.get("Lens")),
        ("Wave", {"kestrix": ours + ["Wave", str(WAVE_AMPLITUDE), "40", "0", "false"],
                  "ImageMagick": [CONVERT, src, "-wave", "%dx80" % WAVE_AMPLITUDE, out]}, bench.get("Wave")),
    ]
    for kind, magick, vips in MORPHOLOGY:
        for r in RADII:
            argvs = {"kestrix": ours + [kind, str(r)]}
            if r < 10 or vips:
                argvs["ImageMagick"] = [CONVERT, src, "-morphology", magick, "Square:%d" % r, out]
            if vips:
                mask = square_mask(os.path.join(tmp, "square%d.mat" % r), r)
                argvs["libvips"] = ["vips", "morph", src, out, mask, vips]
            rows.append(("%s %d" % (kind, r), argvs, bench.get("%s/%d" % (kind, r))))
    return rows


def in_process(effects_bench, quick):
    mps = benchmark_mps([effects_bench, "--benchmark_min_time=%s" % ("0.1" if quick else "0.5")])
    names = ["Merge", "BumpMapping", "Lens", "Wave"] + ["%s/%d" % (k, r) for k, _, _ in MORPHOLOGY for r in RADII]
    return {name: find_benchmark(mps, name) for name in names}


def report(session):
    tmp, kestrix = session.tmp, session.build.kestrix
    source = photo(tmp)
    other = os.path.join(tmp, "photo_flipped.ppm")
    run([CONVERT, source, "-flip", other])
    out = os.path.join(tmp, "effect.ppm")
    bench = in_process(session.build.bench("effects_bench"), session.quick) if session.in_process else {}
    same_size = expect_ppm(WIDTH, HEIGHT)
    # ImageMagick's wave adds its amplitude above and below the picture.
    taller = expect_ppm(WIDTH, HEIGHT + 2 * WAVE_AMPLITUDE)

    def check_for(label):
        return lambda name, path: (taller if label == "Wave" and name == "ImageMagick" else same_size)(name, path)
    rows = [(label, argvs, check_for(label), in_proc, GOALS)
            for label, argvs, in_proc in rows_for(kestrix, tmp, source, other, out, bench)]
    copies = {"kestrix": [kestrix, "convert", source, out, "--quiet"], "ImageMagick": [CONVERT, source, out],
              "libvips": ["vips", "copy", source, out]}
    copy_times, timed = time_with_copies(rows, copies, out, session.repeats)
    print_net_table("Effects, whole process on the PPM photograph (MP/s; net = without the program's own copy "
                    "time; ratios are ours / theirs, ! = goal missed on net)", copy_times, timed, PROGRAMS,
                    "effects_bench")
