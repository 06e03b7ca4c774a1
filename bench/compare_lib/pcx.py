# The PCX tables: reading 24-bit files raw and run-length coded and 8-bit palette files, and
# writing them, as whole processes against ImageMagick, libvips (which reads and writes both
# formats through its ImageMagick loader) and Pillow on the same files; then the in-process
# figures of pcx_tga_bench. The Targa tables (tga.py) are laid out by the same functions.
import os

from .common import CONVERT, PIXELS, PYTHON, WIDTH, HEIGHT, best_time, benchmark_mps, expect_ppm, print_table, run
from .photo import photo

BENCHES = ["pcx_tga_bench"]
# Speed goals as ratios of our throughput to a peer's, checked in the same run.
GOALS = {"ImageMagick": 3.0, "Pillow": 1.5}
PEERS = ["ImageMagick", "libvips", "Pillow"]

PIL_DECODE = r"""
import sys
from PIL import Image
Image.open(sys.argv[1]).convert("RGB").save(sys.argv[2])
"""

# Pillow writing the PPM argv[1] as argv[2]: "8" quantises to 256 colours first, "rle" codes the
# rows where the format leaves a choice.
PIL_ENCODE = r"""
import sys
from PIL import Image
im = Image.open(sys.argv[1])
if "8" in sys.argv[3:]:
    im = im.quantize(256)
options = {"compression": "tga_rle"} if "rle" in sys.argv[3:] and sys.argv[2].endswith(".tga") else {}
im.save(sys.argv[2], **options)
"""


class TFormatTables:
    """What the tables of one format need: its name and extension, our settings and each peer's
    command per kind of file, the peers that cannot read a kind, the header check of a written
    file, and the in-process benchmark names per kind."""

    def __init__(self, name, extension, kinds, peer_writers, check, benchmarks, unread=None):
        self.name, self.extension, self.kinds = name, extension, kinds
        self.peer_writers, self.check, self.benchmarks = peer_writers, check, benchmarks
        self.unread = unread or {}


def decode_commands(kestrix, src, out):
    return {
        "kestrix": [kestrix, "convert", src, out, "--quiet"],
        "ImageMagick": [CONVERT, src, out],
        "libvips": ["vips", "copy", src, out],
        "Pillow": [PYTHON, "-c", PIL_DECODE, src, out],
    }


def whole_process(tables, kestrix, tmp, repeats):
    source = photo(tmp)
    files = {}
    for kind, settings in tables.kinds.items():
        files[kind] = os.path.join(tmp, "photo_%s.%s" % (kind, tables.extension))
        run([kestrix, "convert", source, files[kind], "--quiet"] + settings)
    out_ppm, out_file = os.path.join(tmp, "out.ppm"), os.path.join(tmp, "out." + tables.extension)
    rows = []
    for kind, path in files.items():
        commands = {name: argv for name, argv in decode_commands(kestrix, path, out_ppm).items()
                    if name not in tables.unread.get(kind, ())}
        rows.append(("read " + kind, best_time(commands, out_ppm, repeats, expect_ppm(WIDTH, HEIGHT))))
    for kind, settings in tables.kinds.items():
        commands = {"kestrix": [kestrix, "convert", source, out_file, "--quiet"] + settings}
        commands.update(tables.peer_writers(source, out_file, kind))
        rows.append(("write " + kind, best_time(commands, out_file, repeats, tables.check(kind))))
    sizes = ", ".join("%s %.1f MiB" % (kind, os.path.getsize(path) / 2**20) for kind, path in files.items())
    return rows, sizes


def in_process(tables, bench, quick):
    mps = benchmark_mps([bench, "--benchmark_min_time=%s" % ("0.1" if quick else "1"),
                         "--benchmark_repetitions=%d" % (1 if quick else 3)])
    rows = []
    for op in ("Read", "Write"):
        for kind, name in tables.benchmarks.items():
            rows.append(("%s %s" % (op.lower(), kind), {"pcx_tga_bench": mps.get("BM_%s%s" % (name, op))}))
    return rows


def report_tables(tables, session):
    rows, sizes = whole_process(tables, session.build.kestrix, session.tmp, session.repeats)
    print("picture: %dx%d (%.1f MP), files: %s" % (WIDTH, HEIGHT, PIXELS / 1e6, sizes))
    mps = [(op, {name: PIXELS / 1e6 / t for name, t in times.items()}) for op, times in rows]
    print_table("%s whole process (MP/s; ratios are ours / theirs, ! = goal missed)" % tables.name, mps,
                ["kestrix"] + PEERS, "kestrix", GOALS)
    if session.in_process:
        print_table("%s in process (pcx_tga_bench)" % tables.name,
                    in_process(tables, session.build.bench("pcx_tga_bench"), session.quick), ["pcx_tga_bench"],
                    "pcx_tga_bench", {})


KINDS = {
    "24-bit RLE": [],
    "24-bit raw": ["--set", "PCX_Compression=ioPCX_UNCOMPRESSED"],
    "8-bit RLE": ["--set", "BitsPerSample=8", "--set", "SamplesPerPixel=1"],
}


def peer_writers(src, out, kind):
    """The peers that write `kind`: ImageMagick and Pillow code every PCX file, so the raw kind
    is ours alone, and libvips writes no palette."""
    if kind == "24-bit raw":
        return {}
    eight = ["-colors", "256"] if kind.startswith("8") else []
    commands = {
        "ImageMagick": [CONVERT, src] + eight + [out],
        "Pillow": [PYTHON, "-c", PIL_ENCODE, src, out, "8" if eight else "24", "rle"],
    }
    if not eight:
        commands["libvips"] = ["vips", "magicksave", src, out, "--format", "PCX"]
    return commands


def expect_pcx(kind):
    planes, encoding = (1 if kind.startswith("8") else 3), (0 if "raw" in kind else 1)

    def check(name, out):
        with open(out, "rb") as f:
            head = f.read(128)
        if head[0] != 10 or (head[65], head[2]) != (planes, encoding):
            raise RuntimeError("%s wrote %d planes, encoding %d, not %d, %d" % (name, head[65], head[2], planes,
                                                                               encoding))
    return check


# Pillow decodes every PCX file as run-length coded, which a raw one is not.
TABLES = TFormatTables("PCX", "pcx", KINDS, peer_writers, expect_pcx,
                       {"24-bit RLE": "Pcx24Rle", "24-bit raw": "Pcx24Raw", "8-bit RLE": "Pcx8Rle"},
                       unread={"24-bit raw": ("Pillow",)})


def report(session):
    report_tables(TABLES, session)
