# The GIF tables: reading the photograph as an 8-bit GIF and writing it, as whole processes
# against giflib's gif2rgb, ImageMagick, libvips and Pillow on the same file, with the sizes of
# the files written and Pillow's size for the very palette and indices of ours; then
# gif_bench's in-process figures (the LZW coder alone, whole reads and writes, and a 100-frame
# 500 x 500 animation).
import os

from .common import CONVERT, PIXELS, PYTHON, WIDTH, HEIGHT, benchmark_mps, best_time, expect_ppm, print_grid, \
    print_table, run
from .photo import photo

BENCHES = ["gif_bench"]
# Speed goals as ratios of our throughput to a peer's, checked in the same run.
READ_GOALS = {"giflib": 1.0, "ImageMagick": 2.0, "Pillow": 2.0}
WRITE_GOALS = {"Pillow": 1.0}
# Our file may be no larger than Pillow's for the same palette and indices.
SIZE_GOAL = 1.0
READ_PEERS = ["giflib", "ImageMagick", "libvips", "Pillow"]
WRITE_PEERS = ["ImageMagick", "Pillow"]

PIL_DECODE = r"""
import sys
from PIL import Image
Image.open(sys.argv[1]).convert("RGB").save(sys.argv[2])
"""

PIL_ENCODE = r"""
import sys
from PIL import Image
Image.open(sys.argv[1]).quantize(256).save(sys.argv[2])
"""

# Pillow writing the palette and indices of a GIF again, as they are.
PIL_RESAVE = r"""
import sys
from PIL import Image
Image.open(sys.argv[1]).save(sys.argv[2], optimize=False)
"""


def expect_rgb(name, out):
    if os.path.getsize(out) != 3 * PIXELS:
        raise RuntimeError("%s wrote %d bytes, not %d" % (name, os.path.getsize(out), 3 * PIXELS))


def whole_process(kestrix, tmp, repeats):
    source = photo(tmp)
    gif = os.path.join(tmp, "photo.gif")
    run([kestrix, "convert", source, gif, "--quiet", "--set", "BitsPerSample=8"])
    out_ppm, out_rgb, out_gif = (os.path.join(tmp, "out." + e) for e in ("ppm", "rgb", "gif"))
    check_ppm = expect_ppm(WIDTH, HEIGHT)
    # gif2rgb writes raw RGB; the others a PPM.
    reads = best_time({"kestrix": [kestrix, "convert", gif, out_ppm, "--quiet"],
                       "ImageMagick": [CONVERT, gif, out_ppm],
                       "libvips": ["vips", "copy", gif, out_ppm],
                       "Pillow": [PYTHON, "-c", PIL_DECODE, gif, out_ppm]}, out_ppm, repeats, check_ppm)
    reads.update(best_time({"giflib": ["gif2rgb", "-1", "-o", out_rgb, gif]}, out_rgb, repeats, expect_rgb))
    sizes = {}

    def expect_gif(name, out):
        with open(out, "rb") as f:
            if f.read(3) != b"GIF":
                raise RuntimeError("%s did not write a GIF" % name)
        sizes[name] = os.path.getsize(out)

    writes = best_time({"kestrix": [kestrix, "convert", source, out_gif, "--quiet", "--set", "BitsPerSample=8"],
                        "ImageMagick": [CONVERT, source, "-colors", "256", out_gif],
                        "Pillow": [PYTHON, "-c", PIL_ENCODE, source, out_gif]}, out_gif, repeats, expect_gif)
    resaved = os.path.join(tmp, "resaved.gif")
    run([PYTHON, "-c", PIL_RESAVE, gif, resaved])
    sizes["Pillow, our palette"] = os.path.getsize(resaved)
    sizes["kestrix, our palette"] = os.path.getsize(gif)
    return reads, writes, sizes, gif


def print_sizes(sizes):
    lines = [["file", "bytes", "ours / theirs"]]
    for name in ("kestrix", "ImageMagick", "Pillow", "kestrix, our palette", "Pillow, our palette"):
        ours = sizes["kestrix, our palette" if "palette" in name else "kestrix"]
        r = ours / sizes[name]
        flag = "!" if name == "Pillow, our palette" and r > SIZE_GOAL else ""
        lines.append([name, str(sizes[name]), "%.3f%s" % (r, flag)])
    print_grid("Written file sizes (the same palette and indices on the last two rows; ! = ours larger)", lines)


def in_process(gif_bench, source_gif, quick):
    env = dict(os.environ, KX_BENCH_GIF=source_gif)
    ours = benchmark_mps([gif_bench, "--benchmark_min_time=%s" % ("0.1" if quick else "1"),
                          "--benchmark_repetitions=%d" % (1 if quick else 3)], env=env)
    names = [("LZW decode", "BM_GifLZWDecode"), ("LZW encode", "BM_GifLZWEncode"), ("read", "BM_GifDecode"),
             ("write (quantizer included)", "BM_GifEncode"),
             ("animation: read every frame by its index", "BM_GifAnimationDecode"),
             ("animation: write every frame", "BM_GifAnimationEncode")]
    return [(op, {"gif_bench": ours.get(name)}) for op, name in names]


def report(session):
    reads, writes, sizes, gif = whole_process(session.build.kestrix, session.tmp, session.repeats)
    print("picture: %dx%d (%.1f MP); 8-bit GIF %.1f MiB" % (WIDTH, HEIGHT, PIXELS / 1e6, os.path.getsize(gif) / 2**20))
    mps = lambda times: {name: PIXELS / 1e6 / t for name, t in times.items()}  # noqa: E731
    print_table("Whole process, reading the 8-bit GIF (MP/s; ratios are ours / theirs, ! = goal missed)",
                [("decode", mps(reads))], ["kestrix"] + READ_PEERS, "kestrix", READ_GOALS)
    print_table("Whole process, writing the photograph at 256 colours (MP/s)", [("encode", mps(writes))],
                ["kestrix"] + WRITE_PEERS, "kestrix", WRITE_GOALS)
    print_sizes(sizes)
    if session.in_process:
        print_table("In process (gif_bench, same file)", in_process(session.build.bench("gif_bench"), gif,
                                                                    session.quick), ["gif_bench"], "gif_bench", {})
