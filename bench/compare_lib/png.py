# The PNG tables: decoding RGB and palette files written at zlib levels 1, 6 and 9, encoding
# the photograph at those levels with one row filter (none, then Paeth) for all but Pillow,
# which picks its own filters and is listed for information, and reading the parameters; whole
# processes against libvips, Pillow and ImageMagick, with the sizes of the files each wrote and
# the filters found in their rows (this ImageMagick writes no filter when asked for a single
# one). Then png_bench's in-process figures.
import os
import struct
import zlib

from .common import CONVERT, PIXELS, PYTHON, WIDTH, HEIGHT, benchmark_mps, best_time, expect_ppm, print_grid, \
    print_table, run
from .photo import photo

BENCHES = ["png_bench"]
# Speed goals as ratios of our throughput to a peer's, checked in the same run.
READ_GOALS = {"libvips": 1.0, "ImageMagick": 1.5, "Pillow": 1.5}
WRITE_GOALS = {"libvips": 1.0, "ImageMagick": 1.0}
# Our file may be at most this much larger than a peer's at the same level and filter.
SIZE_GOAL = 1.01
PEERS = ["libvips", "ImageMagick", "Pillow"]
LEVELS = (1, 6, 9)
# Our filter names, libvips's, and ImageMagick's filter numbers.
FILTERS = {"none": ("ioPNG_FILTER_NONE", "none", 0), "Paeth": ("ioPNG_FILTER_PAETH", "paeth", 4)}

PIL_DECODE = r"""
import sys
from PIL import Image
Image.open(sys.argv[1]).convert("RGB").save(sys.argv[2])
"""

PIL_ENCODE = r"""
import sys
from PIL import Image
Image.open(sys.argv[1]).save(sys.argv[2], compress_level=int(sys.argv[3]))
"""

PIL_INFO = r"""
import sys
from PIL import Image
print(Image.open(sys.argv[1]).size)
"""


def decode_commands(kestrix, src, out):
    return {
        "kestrix": [kestrix, "convert", src, out],
        "libvips": ["vips", "copy", src, out],
        "ImageMagick": [CONVERT, src, out],
        "Pillow": [PYTHON, "-c", PIL_DECODE, src, out],
    }


def encode_commands(kestrix, src, out, level, filter_name):
    """Every program writing the PPM `src` as an RGB PNG at zlib `level` with one filter (Pillow
    with its own choice)."""
    ours, vips, magick = FILTERS[filter_name]
    return {
        "kestrix": [kestrix, "convert", src, out, "--set", "PNG_Compression=%d" % level, "--set", "PNG_Filter=" + ours],
        "libvips": ["vips", "pngsave", src, out, "--compression", str(level), "--filter", vips],
        "ImageMagick": [CONVERT, src, "-define", "png:compression-level=%d" % level,
                        "-define", "png:compression-filter=%d" % magick, out],
        "Pillow": [PYTHON, "-c", PIL_ENCODE, src, out, str(level)],
    }


def info_commands(kestrix, src):
    return {
        "kestrix": [kestrix, "info", src],
        "libvips": ["vipsheader", src],
        "ImageMagick": ["/usr/bin/identify", src],
        "Pillow": [PYTHON, "-c", PIL_INFO, src],
    }


FILTER_NAMES = "NSUAP"  # none, sub, up, average, Paeth


def row_filters(data, width):
    """The filter types of the first rows of an 8-bit RGB, non-interlaced PNG, as letters."""
    at, idat = 8, b""
    while at + 12 <= len(data):
        n = struct.unpack(">I", data[at:at + 4])[0]
        if data[at + 4:at + 8] == b"IDAT":
            idat += data[at + 8:at + 8 + n]
        at += 12 + n
    stride = width * 3 + 1
    rows = zlib.decompressobj().decompress(idat, stride * 64)
    return "".join(sorted({FILTER_NAMES[rows[i]] for i in range(0, len(rows) - stride + 1, stride)}))


def expect_png(sizes, filters):
    """Checks that a program wrote a PNG and keeps its size and row filters."""
    def check(name, out):
        with open(out, "rb") as f:
            data = f.read()
        if not data.startswith(b"\x89PNG\r\n\x1a\n"):
            raise RuntimeError("%s did not write a PNG" % name)
        sizes[name] = len(data)
        filters[name] = row_filters(data, WIDTH)
    return check


def whole_process(kestrix, tmp, repeats):
    source = photo(tmp)
    out_ppm, out_png = os.path.join(tmp, "out.ppm"), os.path.join(tmp, "out.png")
    rows, size_rows, files = [], [], {}
    for level in LEVELS:
        for palette in (False, True):
            name = os.path.join(tmp, "photo_%s_l%d.png" % ("palette" if palette else "rgb", level))
            run([kestrix, "convert", source, name, "--set", "PNG_Compression=%d" % level,
                 "--set", "PNG_Filter=ioPNG_FILTER_PAETH"] + (["--set", "SamplesPerPixel=1"] if palette else []))
            files[(palette, level)] = name
            rows.append(("decode %s level %d" % ("palette" if palette else "RGB", level),
                         best_time(decode_commands(kestrix, name, out_ppm), out_ppm, repeats,
                                   expect_ppm(WIDTH, HEIGHT))))
    for filter_name in FILTERS:
        for level in LEVELS:
            sizes, filters = {}, {}
            op = "RGB level %d %s" % (level, filter_name)
            rows.append(("encode " + op, best_time(encode_commands(kestrix, source, out_png, level, filter_name),
                                                   out_png, repeats, expect_png(sizes, filters))))
            size_rows.append((op, sizes, filters))
    rows.append(("read parameters", best_time(info_commands(kestrix, files[(False, 6)]), None, repeats,
                                              lambda name, out: None)))
    return rows, size_rows, files


def print_sizes(size_rows):
    programs = ["kestrix"] + PEERS
    lines = [["file"] + programs + ["/" + p for p in PEERS]]
    for op, sizes, filters in size_rows:
        cells = [op] + ["%.2f %s" % (sizes[p] / 2**20, filters[p]) if p in sizes else "-" for p in programs]
        for p in PEERS:
            r = sizes["kestrix"] / sizes[p]
            cells.append("%.3f%s" % (r, "!" if p in WRITE_GOALS and r > SIZE_GOAL else ""))
        lines.append(cells)
    print_grid("Written file sizes (MiB and the row filters found: None, Sub, Up, Average, Paeth; ratios are "
               "ours / theirs, ! = more than 1 % larger; Pillow chooses its own filters)", lines)


def in_process(png_bench, source_png, quick):
    env = dict(os.environ, KX_BENCH_PNG=source_png)
    ours = benchmark_mps([png_bench, "--benchmark_min_time=%s" % ("0.1" if quick else "1"),
                          "--benchmark_repetitions=%d" % (1 if quick else 3)], env=env)
    rows = []
    for kind, palette in (("RGB", 0), ("palette", 1)):
        for level in LEVELS:
            rows.append(("decode %s level %d" % (kind, level),
                         {"png_bench": ours.get("BM_PngDecode/palette:%d/level:%d" % (palette, level))}))
    for kind, palette in (("RGB", 0), ("palette", 1)):
        for level in LEVELS:
            rows.append(("encode %s level %d" % (kind, level),
                         {"png_bench": ours.get("BM_PngEncode/palette:%d/level:%d" % (palette, level))}))
    rows.append(("read parameters", {"png_bench": ours.get("BM_PngReadParams/palette:0/level:6")}))
    return rows


def report(session):
    rows, size_rows, files = whole_process(session.build.kestrix, session.tmp, session.repeats)
    print("picture: %dx%d (%.1f MP); RGB level 6 file %.1f MiB, palette level 6 file %.1f MiB" % (
        WIDTH, HEIGHT, PIXELS / 1e6, os.path.getsize(files[(False, 6)]) / 2**20,
        os.path.getsize(files[(True, 6)]) / 2**20))
    mps = [(op, {name: PIXELS / 1e6 / t for name, t in times.items()}) for op, times in rows]
    reads = [r for r in mps if not r[0].startswith("encode")]
    writes = [r for r in mps if r[0].startswith("encode")]
    print_table("Whole process, reading (MP/s; ratios are ours / theirs, ! = goal missed)", reads,
                ["kestrix"] + PEERS, "kestrix", READ_GOALS)
    # A peer that wrote other row filters than the one asked (this machine's ImageMagick does for
    # some) did other work; its figure is shown but holds no goal.
    other_filters = {("encode " + op, p) for op, _, filters in size_rows for p in filters
                     if p != "kestrix" and filters[p] != filters["kestrix"]}
    print_table("Whole process, writing at one filter (MP/s; Pillow with its own filters, for information; "
                "* = wrote other filters than asked, no goal)", writes, ["kestrix"] + PEERS, "kestrix", WRITE_GOALS,
                other_filters)
    print_sizes(size_rows)
    if session.in_process:
        print_table("In process (png_bench, same pixels)",
                    in_process(session.build.bench("png_bench"), files[(False, 6)], session.quick),
                    ["png_bench"], "png_bench", {})
