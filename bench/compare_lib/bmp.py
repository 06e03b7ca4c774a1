# The BMP tables: reading 24-bit, 8-bit and RLE8 files and writing them, as whole processes
# against ImageMagick, libvips and Pillow on the same files; then bmp_bench's in-process figures,
# the uncompressed read beside a plain copy of the same bytes.
import os

from .common import CONVERT, PIXELS, PYTHON, WIDTH, HEIGHT, best_time, benchmark_mps, expect_ppm, print_table, run
from .photo import photo

BENCHES = ["bmp_bench"]
# Speed goals as ratios of our throughput to a peer's, checked in the same run; the uncompressed
# read in process within twice the time of copying its bytes.
GOALS = {"ImageMagick": 3.0, "Pillow": 3.0, "libvips": 1.0, "plain copy": 0.5}
PEERS = ["ImageMagick", "libvips", "Pillow"]

PIL_DECODE = r"""
import sys
from PIL import Image
Image.open(sys.argv[1]).convert("RGB").save(sys.argv[2])
"""

PIL_ENCODE = r"""
import sys
from PIL import Image
im = Image.open(sys.argv[1])
if sys.argv[3] == "8":
    im = im.quantize(256)
im.save(sys.argv[2])
"""

# Our settings for each kind of file.
KINDS = {
    "24-bit": [],
    "8-bit": ["--set", "BitsPerSample=8", "--set", "SamplesPerPixel=1"],
    "RLE8": ["--set", "BitsPerSample=8", "--set", "SamplesPerPixel=1", "--set", "BMP_Compression=ioBMP_RLE"],
}


def decode_commands(kestrix, src, out):
    return {
        "kestrix": [kestrix, "convert", src, out, "--quiet"],
        "ImageMagick": [CONVERT, src, out],
        "libvips": ["vips", "copy", src, out],
        "Pillow": [PYTHON, "-c", PIL_DECODE, src, out],
    }


def encode_commands(kestrix, src, out, kind):
    """Every program that writes the PPM `src` as a BMP of `kind`; peers without such a writer
    are left out (Pillow writes no RLE, libvips no palette)."""
    commands = {"kestrix": [kestrix, "convert", src, out, "--quiet"] + KINDS[kind]}
    if kind == "24-bit":
        commands["ImageMagick"] = [CONVERT, src, "BMP3:" + out]
        commands["libvips"] = ["vips", "magicksave", src, out, "--format", "BMP3"]
        commands["Pillow"] = [PYTHON, "-c", PIL_ENCODE, src, out, "24"]
    elif kind == "8-bit":
        commands["ImageMagick"] = [CONVERT, src, "-colors", "256", "-compress", "None", "BMP3:" + out]
        commands["Pillow"] = [PYTHON, "-c", PIL_ENCODE, src, out, "8"]
    else:
        commands["ImageMagick"] = [CONVERT, src, "-colors", "256", "-compress", "RLE", "BMP3:" + out]
    return commands


def expect_bmp(bits, compression):
    def check(name, out):
        with open(out, "rb") as f:
            head = f.read(34)
        got = (int.from_bytes(head[28:30], "little"), int.from_bytes(head[30:34], "little"))
        if head[:2] != b"BM" or got != (bits, compression):
            raise RuntimeError("%s wrote %s bits, compression %s, not %d, %d" % (name, got[0], got[1], bits,
                                                                                   compression))
    return check


KIND_CODES = {"24-bit": (24, 0), "8-bit": (8, 0), "RLE8": (8, 1)}


def whole_process(kestrix, tmp, repeats):
    source = photo(tmp)
    files = {}
    for kind, settings in KINDS.items():
        files[kind] = os.path.join(tmp, "photo_%s.bmp" % kind)
        run([kestrix, "convert", source, files[kind], "--quiet"] + settings)
    out_ppm, out_bmp = os.path.join(tmp, "out.ppm"), os.path.join(tmp, "out.bmp")
    rows = []
    for kind, path in files.items():
        rows.append(("read " + kind, best_time(decode_commands(kestrix, path, out_ppm), out_ppm, repeats,
                                               expect_ppm(WIDTH, HEIGHT))))
    for kind in KINDS:
        rows.append(("write " + kind, best_time(encode_commands(kestrix, source, out_bmp, kind), out_bmp, repeats,
                                                expect_bmp(*KIND_CODES[kind]))))
    sizes = ", ".join("%s %.1f MiB" % (kind, os.path.getsize(path) / 2**20) for kind, path in files.items())
    return rows, sizes


def in_process(bmp_bench, quick):
    mps = benchmark_mps([bmp_bench, "--benchmark_min_time=%s" % ("0.1" if quick else "1"),
                         "--benchmark_repetitions=%d" % (1 if quick else 3)])
    copy = mps.get("BM_BmpPlainCopy24")
    rows = [("read 24-bit", {"bmp_bench": mps.get("BM_BmpRead24"), "plain copy": copy})]
    for op, name in (("read 8-bit", "BM_BmpRead8"), ("read RLE8", "BM_BmpReadRle8"), ("write 24-bit", "BM_BmpWrite24"),
                     ("write 8-bit", "BM_BmpWrite8"), ("write RLE8", "BM_BmpWriteRle8")):
        rows.append((op, {"bmp_bench": mps.get(name)}))
    return rows


def report(session):
    rows, sizes = whole_process(session.build.kestrix, session.tmp, session.repeats)
    print("picture: %dx%d (%.1f MP), files: %s" % (WIDTH, HEIGHT, PIXELS / 1e6, sizes))
    mps = [(op, {name: PIXELS / 1e6 / t for name, t in times.items()}) for op, times in rows]
    print_table("BMP whole process (MP/s; ratios are ours / theirs, ! = goal missed)", mps, ["kestrix"] + PEERS,
                "kestrix", GOALS)
    if session.in_process:
        print_table("BMP in process (bmp_bench; the 24-bit read beside a plain copy of its bytes)",
                    in_process(session.build.bench("bmp_bench"), session.quick), ["bmp_bench", "plain copy"],
                    "bmp_bench", GOALS)
