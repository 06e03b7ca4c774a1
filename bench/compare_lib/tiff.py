# The TIFF tables: the photograph read, written and copied (same compression in and out)
# uncompressed and with PackBits, and an A4 300 dpi text page copied in each fax coding, turned
# into an uncompressed page and written from one, as whole processes against libtiff's tiffcp,
# ImageMagick, libvips and Pillow where each has the coding; then tiff_bench's in-process figures.
import os

from .common import CONVERT, PIXELS, PYTHON, WIDTH, HEIGHT, benchmark_mps, best_time, expect_ppm, print_table, run
from .photo import photo

BENCHES = ["tiff_bench"]
# Speed goals as ratios of our throughput to a peer's, checked in the same run: libtiff's only
# for the fax codings, where tiffcp decodes and encodes as we do (it copies uncompressed strips).
GOALS = {"ImageMagick": 3.0, "Pillow": 1.0}
FAX_GOALS = dict(GOALS, tiffcp=1.0)
PEERS = ["tiffcp", "ImageMagick", "libvips", "Pillow"]
TIFFCP = "/usr/bin/tiffcp"
PAGE_WIDTH, PAGE_HEIGHT = 2480, 3508

# A text-like page: lines of letter-like strokes with gaps between words, and a frame.
MAKE_PAGE = r"""
import random, sys
from PIL import Image, ImageDraw
w, h, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
im = Image.new("1", (w, h), 1)
d = ImageDraw.Draw(im)
r = random.Random(7)
line = h // 60
glyph = line * 2 // 3
for y in range(line, h - line - glyph, line):
    x = w // 12
    while x < w - w // 12:
        gw = glyph // 2 + r.randrange(glyph)
        d.rectangle([x, y, x + gw // 4, y + glyph], fill=0)
        by = y + r.randrange(glyph)
        d.rectangle([x, by, x + gw, by + glyph // 6], fill=0)
        x += gw + glyph // 4 + (glyph if r.randrange(6) == 0 else 0)
d.rectangle([0, 0, w - 1, h - 1], outline=0, width=2)
im.save(out, "TIFF")
"""

PIL_DECODE = r"""
import sys
from PIL import Image
Image.open(sys.argv[1]).convert("RGB").save(sys.argv[2])
"""

PIL_SAVE = r"""
import sys
from PIL import Image
im = Image.open(sys.argv[1])
im.save(sys.argv[2], "TIFF", **({"compression": sys.argv[3]} if sys.argv[3] != "none" else {}))
"""

# Each coding: our parameter value, tiffcp's, ImageMagick's, libvips's and Pillow's names
# (None where the program has no such writer).
CODINGS = {
    "none": ("ioTIFF_UNCOMPRESSED", "none", "None", "none", "none"),
    "PackBits": ("ioTIFF_PACKBITS", "packbits", "RLE", "packbits", "packbits"),
    "G3": ("ioTIFF_G3FAX1D", "g3", "Fax", None, None),
    "G3 2-D": ("ioTIFF_G3FAX2D", "g3:2d", None, None, None),
    "G4": ("ioTIFF_G4FAX", "g4", "Group4", "ccittfax4", "group4"),
}


def write_commands(kestrix, src, out, coding, bilevel, with_tiffcp):
    ours, libtiff, magick, vips, pil = CODINGS[coding]
    sets = ["--set", "TIFF_Compression=" + ours]
    if bilevel:
        sets += ["--set", "BitsPerSample=1", "--set", "SamplesPerPixel=1"]
    commands = {"kestrix": [kestrix, "convert", src, out, "--quiet"] + sets}
    if with_tiffcp:
        commands["tiffcp"] = [TIFFCP, "-c", libtiff, src, out]
    if magick:
        commands["ImageMagick"] = [CONVERT, src, "-compress", magick, out]
    if vips:
        commands["libvips"] = ["vips", "tiffsave", src, out, "--compression", vips] + (["--bitdepth", "1"] if bilevel
                                                                                        else [])
    if pil:
        commands["Pillow"] = [PYTHON, "-c", PIL_SAVE, src, out, pil]
    return commands


def read_commands(kestrix, src, out):
    return {
        "kestrix": [kestrix, "convert", src, out, "--quiet"],
        "ImageMagick": [CONVERT, src, out],
        "libvips": ["vips", "copy", src, out],
        "Pillow": [PYTHON, "-c", PIL_DECODE, src, out],
    }


def expect_tiff(name, out):
    with open(out, "rb") as f:
        if f.read(2) not in (b"II", b"MM"):
            raise RuntimeError(name + " wrote no TIFF file")


def whole_process(kestrix, tmp, repeats):
    source = photo(tmp)
    out_ppm, out_tif = os.path.join(tmp, "out.ppm"), os.path.join(tmp, "out.tif")
    photos, pages = {}, {}
    for coding in ("none", "PackBits"):
        photos[coding] = os.path.join(tmp, "photo_%s.tif" % coding)
        run([kestrix, "convert", source, photos[coding], "--quiet", "--set",
             "TIFF_Compression=" + CODINGS[coding][0]])
    page = os.path.join(tmp, "page.tif")
    run([PYTHON, "-c", MAKE_PAGE, str(PAGE_WIDTH), str(PAGE_HEIGHT), page])
    for coding in ("G3", "G3 2-D", "G4"):
        pages[coding] = os.path.join(tmp, "page_%s.tif" % coding.replace(" ", ""))
        run([TIFFCP, "-c", CODINGS[coding][1], page, pages[coding]])
    photo_rows, page_rows = [], []
    for coding, path in photos.items():
        photo_rows.append(("read " + coding, best_time(read_commands(kestrix, path, out_ppm), out_ppm, repeats,
                                                       expect_ppm(WIDTH, HEIGHT))))
        photo_rows.append(("write " + coding, best_time(write_commands(kestrix, source, out_tif, coding, False,
                                                                        False), out_tif, repeats, expect_tiff)))
        photo_rows.append(("copy " + coding, best_time(write_commands(kestrix, path, out_tif, coding, False, True),
                                                       out_tif, repeats, expect_tiff)))
    for coding, path in pages.items():
        page_rows.append(("copy " + coding, best_time(write_commands(kestrix, path, out_tif, coding, True, True),
                                                      out_tif, repeats, expect_tiff)))
        page_rows.append((coding + " to none", best_time(write_commands(kestrix, path, out_tif, "none", True, True),
                                                         out_tif, repeats, expect_tiff)))
        page_rows.append(("write " + coding, best_time(write_commands(kestrix, page, out_tif, coding, True, True),
                                                       out_tif, repeats, expect_tiff)))
    sizes = ", ".join("%s %.1f MiB" % (c, os.path.getsize(p) / 2**20) for c, p in photos.items())
    sizes += "; page " + ", ".join("%s %d KiB" % (c, os.path.getsize(p) // 1024) for c, p in pages.items())
    return photo_rows, page_rows, sizes


def in_process(tiff_bench, quick):
    mps = benchmark_mps([tiff_bench, "--benchmark_min_time=%s" % ("0.1" if quick else "1"),
                         "--benchmark_repetitions=%d" % (1 if quick else 3)])
    rows = []
    for code, coding in ((0, "none"), (8, "PackBits"), (2, "G3"), (3, "G3 2-D"), (4, "G4")):
        for op, name in (("read", "BM_TiffRead"), ("write", "BM_TiffWrite")):
            rows.append(("%s %s" % (op, coding), {"tiff_bench": mps.get("%s/compression:%d" % (name, code))}))
    return rows


def report(session):
    photo_rows, page_rows, sizes = whole_process(session.build.kestrix, session.tmp, session.repeats)
    print("photograph: %dx%d (%.1f MP), A4 page %dx%d; files: %s" % (WIDTH, HEIGHT, PIXELS / 1e6, PAGE_WIDTH,
                                                                     PAGE_HEIGHT, sizes))
    page_pixels = PAGE_WIDTH * PAGE_HEIGHT
    for title, rows, pixels, goals in (("photograph", photo_rows, PIXELS, GOALS),
                                       ("A4 page", page_rows, page_pixels, FAX_GOALS)):
        mps = [(op, {name: pixels / 1e6 / t for name, t in times.items()}) for op, times in rows]
        print_table("TIFF %s whole process (MP/s; ratios are ours / theirs, ! = goal missed)" % title, mps,
                    ["kestrix"] + PEERS, "kestrix", goals)
    if session.in_process:
        print_table("TIFF in process (tiff_bench)", in_process(session.build.bench("tiff_bench"), session.quick),
                    ["tiff_bench"], "tiff_bench", GOALS)
