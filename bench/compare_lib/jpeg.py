# The JPEG tables: decoding at every scale, encoding at two qualities baseline and progressive,
# and reading the parameters, as whole processes against libjpeg-turbo's tools, ImageMagick,
# libvips and Pillow; then jpeg_bench's in-process figures beside tjbench's on the same pixels.
import os

from .common import CONVERT, PIXELS, PYTHON, WIDTH, HEIGHT, best_time, benchmark_mps, expect_ppm, print_table, run
from .photo import photo

# The in-process programs of our side, built with the tool.
BENCHES = ["jpeg_bench"]
# Speed goals as ratios of our throughput to a peer's, checked in the same run.
GOALS = {"libjpeg-turbo": 0.95, "tjbench": 0.95, "ImageMagick": 1.5, "Pillow": 1.5}
PEERS = ["libjpeg-turbo", "ImageMagick", "libvips", "Pillow"]

PIL_DECODE = r"""
import sys
from PIL import Image
im = Image.open(sys.argv[1])
d = int(sys.argv[3])
if d > 1:
    im.draft("RGB", (im.width // d, im.height // d))
im.save(sys.argv[2])
"""

PIL_ENCODE = r"""
import sys
from PIL import Image
Image.open(sys.argv[1]).save(sys.argv[2], quality=int(sys.argv[3]), subsampling=2, progressive=sys.argv[4] == "1")
"""

PIL_INFO = r"""
import sys
from PIL import Image
print(Image.open(sys.argv[1]).size)
"""

SCALE_NAMES = {1: "ioJPEG_FULLSIZE", 2: "ioJPEG_HALF", 4: "ioJPEG_QUARTER", 8: "ioJPEG_EIGHTH"}


def decode_commands(kestrix, src, out, d):
    """The command line of every program that decodes `src` at 1/d into the PPM `out`."""
    return {
        "kestrix": [kestrix, "convert", src, out] + (["--set", "JPEG_Scale=" + SCALE_NAMES[d]] if d > 1 else []),
        "libjpeg-turbo": ["djpeg", "-pnm"] + (["-scale", "1/%d" % d] if d > 1 else []) + ["-outfile", out, src],
        # jpeg:size asks libjpeg for the smallest reduction that is still at least that size.
        "ImageMagick": [CONVERT] + (["-define", "jpeg:size=%dx%d" % (WIDTH // d, HEIGHT // d)] if d > 1 else [])
        + [src, out],
        "libvips": ["vips", "copy", src + ("[shrink=%d]" % d if d > 1 else ""), out],
        "Pillow": [PYTHON, "-c", PIL_DECODE, src, out, str(d)],
    }


def encode_commands(kestrix, src, out, quality, progressive):
    """The command line of every program that encodes the PPM `src` as a 4:2:0 JPEG `out`."""
    q = str(quality)
    return {
        "kestrix": [kestrix, "convert", src, out, "--set", "JPEG_Quality=" + q]
        + (["--set", "JPEG_Progressive=true"] if progressive else []),
        "libjpeg-turbo": ["cjpeg", "-quality", q] + (["-progressive"] if progressive else []) + ["-outfile", out, src],
        # ImageMagick drops chroma subsampling from quality 90 and computes optimal Huffman tables
        # by default; both are set back to what the others do.
        "ImageMagick": [CONVERT, src, "-quality", q, "-sampling-factor", "2x2", "-define", "jpeg:optimize-coding=false"]
        + (["-interlace", "JPEG"] if progressive else []) + [out],
        "libvips": ["vips", "jpegsave", src, out, "--Q", q, "--subsample-mode", "on"]
        + (["--interlace"] if progressive else []),
        "Pillow": [PYTHON, "-c", PIL_ENCODE, src, out, q, "1" if progressive else "0"],
    }


def info_commands(kestrix, src):
    return {
        "kestrix": [kestrix, "info", src],
        "ImageMagick": ["/usr/bin/identify", src],
        "libvips": ["vipsheader", src],
        "Pillow": [PYTHON, "-c", PIL_INFO, src],
    }


def expect_jpeg(progressive):
    def check(name, out):
        with open(out, "rb") as f:
            data = f.read()
        sof = b"\xff\xc2" if progressive else b"\xff\xc0"
        if not data.startswith(b"\xff\xd8") or sof not in data:
            raise RuntimeError("%s did not write a %s JPEG" % (name, "progressive" if progressive else "baseline"))
    return check


def whole_process(kestrix, tmp, repeats):
    source = photo(tmp)
    baseline = os.path.join(tmp, "photo_q90.jpg")
    progressive = os.path.join(tmp, "photo_q90_progressive.jpg")
    run([kestrix, "convert", source, baseline, "--set", "JPEG_Quality=90"])
    run([kestrix, "convert", source, progressive, "--set", "JPEG_Quality=90", "--set", "JPEG_Progressive=true"])
    out_ppm, out_jpg = os.path.join(tmp, "out.ppm"), os.path.join(tmp, "out.jpg")

    rows = []
    for d in (1, 2, 4, 8):
        check = expect_ppm(-(-WIDTH // d), -(-HEIGHT // d))
        rows.append(("decode q90 1/%d" % d,
                     best_time(decode_commands(kestrix, baseline, out_ppm, d), out_ppm, repeats, check)))
    rows.append(("decode q90 progressive", best_time(decode_commands(kestrix, progressive, out_ppm, 1), out_ppm,
                                                     repeats, expect_ppm(WIDTH, HEIGHT))))
    for prog in (False, True):
        for q in (60, 90):
            name = "encode q%d %s" % (q, "progressive" if prog else "baseline")
            rows.append((name, best_time(encode_commands(kestrix, source, out_jpg, q, prog), out_jpg, repeats,
                                         expect_jpeg(prog))))
    rows.append(("read parameters", best_time(info_commands(kestrix, baseline), None, repeats, lambda name, out: None)))
    sizes = "source %.1f MiB PPM; q90 %.2f bits/pixel baseline, %.2f progressive" % (
        os.path.getsize(source) / 2**20, os.path.getsize(baseline) * 8 / PIXELS,
        os.path.getsize(progressive) * 8 / PIXELS)
    return rows, sizes, baseline


def tjbench(args, quick):
    times = ["-benchtime", "0.3" if quick else "2", "-warmup", "0.1" if quick else "0.5"]
    out = run(["tjbench"] + args + ["-nowrite", "-quiet"] + times).stdout
    fields = [line.split() for line in out.splitlines() if line.startswith(("BGR", "RGB"))][-1]
    return fields


def in_process(jpeg_bench, tmp, baseline, quick):
    """jpeg_bench and tjbench on the same pixels: jpeg_bench decodes `baseline` with our reader
    and djpeg writes the same decoding as tjbench's input, so both encode and decode one picture."""
    env = dict(os.environ, KX_BENCH_JPEG=baseline)
    ours = benchmark_mps([jpeg_bench, "--benchmark_min_time=%s" % ("0.1" if quick else "1"),
                          "--benchmark_repetitions=%d" % (1 if quick else 3)], env=env)

    source = os.path.join(tmp, "source.ppm")
    run(["djpeg", "-pnm", "-outfile", source, baseline])
    tj = {}
    for q in (60, 90):
        for prog in (False, True):
            f = tjbench([source, str(q), "-subsamp", "420"] + (["-progressive"] if prog else []), quick)
            tj[(q, prog)] = (float(f[6]), float(f[8]))
    tj_jpeg = os.path.join(tmp, "tjbench_q90.jpg")
    run(["cjpeg", "-quality", "90", "-outfile", tj_jpeg, source])
    scaled = {d: float(tjbench([tj_jpeg, "-scale", "1/%d" % d], quick)[-1]) for d in (2, 4, 8)}

    rows = [("decode q90 1/1", ours.get("BM_JpegDecode/denominator:1"), tj[(90, False)][1])]
    for d in (2, 4, 8):
        rows.append(("decode q90 1/%d" % d, ours.get("BM_JpegDecode/denominator:%d" % d), scaled[d]))
    rows.append(("decode q90 progressive", ours.get("BM_JpegDecodeProgressive"), tj[(90, True)][1]))
    for prog in (False, True):
        for q in (60, 90):
            name = "BM_JpegEncode/quality:%d/progressive:%d" % (q, int(prog))
            rows.append(("encode q%d %s" % (q, "progressive" if prog else "baseline"), ours.get(name),
                         tj[(q, prog)][0]))
    rows.append(("read parameters", ours.get("BM_JpegReadParams"), None))
    return [(op, {"jpeg_bench": a, "tjbench": b}) for op, a, b in rows]


def report(session):
    rows, sizes, baseline = whole_process(session.build.kestrix, session.tmp, session.repeats)
    print("picture: %dx%d (%.1f MP), %s" % (WIDTH, HEIGHT, PIXELS / 1e6, sizes))
    mps = [(op, {name: PIXELS / 1e6 / t for name, t in times.items()}) for op, times in rows]
    print_table("Whole process (MP/s of the full-size picture; ratios are ours / theirs, ! = goal missed)",
                mps, ["kestrix"] + PEERS, "kestrix", GOALS)
    if session.in_process:
        print_table("In process (jpeg_bench against tjbench, same pixels)",
                    in_process(session.build.bench("jpeg_bench"), session.tmp, baseline, session.quick),
                    ["jpeg_bench", "tjbench"], "jpeg_bench", GOALS)
