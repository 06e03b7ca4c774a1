# How close each program's colour reduction stays to the picture: the mean absolute error per
# channel (over all pixels and the three channels) after reducing to 256 and to 16 colours,
# ours (median cut) against Pillow's median cut and, for reference, ImageMagick's octree, with
# dithering off everywhere. Pictures: the photograph, the repository's sample and a half-size
# downscale of the sample (the sample is small already, 320 x 240).
import os

from .color import PIL_COLOR
from .common import CONVERT, PYTHON, REPO, ppm_size, print_grid, run
from .photo import photo
from .pixel_stats import compare

BENCHES = []  # no in-process program: the table times nothing
COLORS = (256, 16)
PROGRAMS = ["kestrix", "Pillow", "ImageMagick"]


def commands(kestrix, src, out, colors):
    return {
        "kestrix": [kestrix, "convert", src, out, "--quiet", "--do", "ConvertTo", str(colors)],
        "Pillow": [PYTHON, "-c", PIL_COLOR, src, out, "quantize=%d" % colors],
        "ImageMagick": [CONVERT, src, "+dither", "-colors", str(colors), out],
    }


def pictures(kestrix, tmp):
    """(label, PPM path): every program reads the same decoded pixels."""
    sample = os.path.join(tmp, "sample.ppm")
    run([kestrix, "convert", os.path.join(REPO, "samples", "sample.jpg"), sample, "--quiet"])
    width, height = ppm_size(sample)
    half = os.path.join(tmp, "sample_half.ppm")
    run([kestrix, "convert", sample, half, "--quiet", "--do", "Resample", str(width // 2), str(height // 2),
         "rfTriangle"])
    result = []
    for label, path in (("photograph", photo(tmp)), ("sample.jpg", sample), ("sample.jpg, half size", half)):
        w, h = ppm_size(path)
        result.append(("%s %dx%d" % (label, w, h), path))
    return result


def report(session):
    out = os.path.join(session.tmp, "quantized.ppm")
    lines = [["picture", "colours"] + PROGRAMS]
    for label, path in pictures(session.build.kestrix, session.tmp):
        for colors in COLORS:
            cells = {}
            for name, argv in commands(session.build.kestrix, path, out, colors).items():
                run(argv)
                stats = compare(path, out, max_colors=colors)
                if stats["colors"] is None:
                    raise RuntimeError("%s left more than %d colours in %s" % (name, colors, label))
                cells[name] = stats
            ours, pillow = cells["kestrix"]["error"], cells["Pillow"]["error"]
            lines.append([label, str(colors)] + ["%.2f (%d)%s" % (cells[name]["error"], cells[name]["colors"],
                                                                  "!" if name == "kestrix" and ours > pillow else "")
                                                 for name in PROGRAMS])
    print_grid("Colour reduction quality: mean absolute error per channel (colours used); "
               "! = ours above Pillow's", lines)
