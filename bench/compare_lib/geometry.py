# The geometry tables: resampling, quarter turns, rotation and flips on PPM files through
# `kestrix convert --do` against libvips, ImageMagick and Pillow, and geometry_bench's quarter
# turn and flips against a plain copy of the same bytes.
import os
import shutil

from .common import CONVERT, HEIGHT, PIXELS, PYTHON, WIDTH, benchmark_mps, best_time, expect_ppm, ppm_size, \
    print_table, run
from .photo import photo

BENCHES = ["geometry_bench"]
PEERS = ["libvips", "ImageMagick", "Pillow"]
RESAMPLE_GOALS = {"libvips": 1.0, "ImageMagick": 2.0, "Pillow": 2.0}
# Quarter turns and flips in process: at most 3 times the time of copying the same bytes.
COPY_GOAL = 1 / 3
SMALL_WIDTH, SMALL_HEIGHT, LARGE_WIDTH = 540, 405, 2000

# One row per filter: our name, then the peers' nearest kernel where they have one (vips
# kernel, ImageMagick arguments before the size, Pillow filter).
FILTERS = [
    ("rfNone", "nearest", ["-sample"], "NEAREST"),
    ("rfTriangle", "linear", ["-filter", "Triangle", "-resize"], "BILINEAR"),
    ("rfHermite", None, ["-filter", "Hermite", "-resize"], None),
    ("rfBell", None, None, None),
    ("rfBSpline", None, None, None),
    ("rfLanczos3", "lanczos3", ["-filter", "Lanczos", "-resize"], "LANCZOS"),
    ("rfMitchell", "cubic", ["-filter", "Mitchell", "-resize"], "BICUBIC"),
]

PIL_GEOMETRY = r"""
import sys
from PIL import Image
im = Image.open(sys.argv[1])
op = sys.argv[3]
if op == "resize":
    im = im.resize((int(sys.argv[4]), int(sys.argv[5])), getattr(Image.Resampling, sys.argv[6]))
elif op == "rotate":
    im = im.rotate(float(sys.argv[4]), Image.Resampling.BILINEAR, expand=True)
else:
    im = im.transpose(getattr(Image.Transpose, op))
im.save(sys.argv[2])
"""


def geometry_commands(kestrix, src, out, ours, vips, magick, pil):
    """The same geometry operation for each program: our `--do` arguments, the vips command's
    arguments after the input and output, ImageMagick's arguments, Pillow's; None = not offered."""
    argvs = {"kestrix": [kestrix, "convert", src, out, "--quiet", "--do"] + ours}
    if vips and shutil.which("vips"):
        argvs["libvips"] = ["vips", vips[0], src, out] + vips[1:]
    if magick:
        argvs["ImageMagick"] = [CONVERT, src] + magick + [out]
    if pil:
        argvs["Pillow"] = [PYTHON, "-c", PIL_GEOMETRY, src, out] + pil
    return argvs


def whole_process(kestrix, tmp, source, repeats):
    """Whole-process geometry rows: (operation, {program: seconds}, megapixels of the source)."""
    small = os.path.join(tmp, "small.ppm")
    run([kestrix, "convert", source, small, "--quiet", "--do", "Resample", str(SMALL_WIDTH), "-1", "rfTriangle"])
    out = os.path.join(tmp, "geometry.ppm")
    rows = []
    for src, w, h, label in ((source, SMALL_WIDTH, SMALL_HEIGHT, "resample 12 MP to %d" % SMALL_WIDTH),
                             (small, LARGE_WIDTH, LARGE_WIDTH * SMALL_HEIGHT // SMALL_WIDTH,
                              "enlarge %d to %d" % (SMALL_WIDTH, LARGE_WIDTH))):
        sw, sh = ppm_size(src)
        for ours, kernel, magick, pil in FILTERS:
            argvs = geometry_commands(kestrix, src, out, ["Resample", str(w), "-1", ours],
                                      ["resize", "%.9f" % (w / sw), "--kernel", kernel] if kernel else None,
                                      magick + ["%dx%d!" % (w, h)] if magick else None,
                                      ["resize", str(w), str(h), pil] if pil else None)
            rows.append(("%s %s" % (label, ours), best_time(argvs, out, repeats, expect_ppm(w, h)), sw * sh / 1e6))
    turns = [
        ("rotate 90", ["Rotate", "90", "false"], ["rot", "d270"], ["-rotate", "-90"], ["ROTATE_90"],
         expect_ppm(HEIGHT, WIDTH)),
        ("rotate 30 antialiased", ["Rotate", "30", "true"], ["rotate", "30"], ["-rotate", "-30"], ["rotate", "30"],
         lambda name, out: ppm_size(out)),
        ("flip vertical", ["Flip", "fdVertical"], ["flip", "vertical"], ["-flip"], ["FLIP_TOP_BOTTOM"],
         expect_ppm(WIDTH, HEIGHT)),
        ("flip horizontal", ["Flip", "fdHorizontal"], ["flip", "horizontal"], ["-flop"], ["FLIP_LEFT_RIGHT"],
         expect_ppm(WIDTH, HEIGHT)),
    ]
    copy = {"kestrix": [kestrix, "convert", source, out, "--quiet"]}
    rows.append(("copy (no operation)", best_time(copy, out, repeats, expect_ppm(WIDTH, HEIGHT)), PIXELS / 1e6))
    for label, ours, vips, magick, pil, check in turns:
        rows.append((label, best_time(geometry_commands(kestrix, source, out, ours, vips, magick, pil), out, repeats,
                                      check), PIXELS / 1e6))
    return rows


def in_process(geometry_bench, quick):
    """geometry_bench's quarter turn and flips beside its plain copy of the same bytes."""
    mps = benchmark_mps([geometry_bench, "--benchmark_min_time=%s" % ("0.1" if quick else "0.5"),
                         "--benchmark_filter=BM_(Copy|Rotate90|Flip)"])
    copy = mps.get("BM_Copy")
    return [(name.removeprefix("BM_"), {"geometry_bench": mps.get(name), "copy": copy})
            for name in ("BM_Rotate90", "BM_FlipVertical", "BM_FlipHorizontal")]


def report(session):
    rows = whole_process(session.build.kestrix, session.tmp, photo(session.tmp), session.repeats)
    mps = [(op, {name: mp / t for name, t in times.items()}) for op, times, mp in rows]
    resampling = [row for row in mps if row[0].startswith(("resample", "enlarge"))]
    print_table("Geometry, whole process on PPM files (MP/s of the source; ! = goal missed)",
                resampling, ["kestrix"] + PEERS, "kestrix", RESAMPLE_GOALS)
    print_table("Turns and flips, whole process on PPM files (MP/s of the source)",
                [row for row in mps if row not in resampling], ["kestrix"] + PEERS, "kestrix", {})
    if session.in_process:
        print_table("Turns and flips in process (geometry_bench against a copy of the same bytes)",
                    in_process(session.build.bench("geometry_bench"), session.quick), ["geometry_bench", "copy"],
                    "geometry_bench", {"copy": COPY_GOAL})
