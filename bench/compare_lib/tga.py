# The Targa tables: reading 24-bit files raw and run-length coded and 8-bit colour-mapped coded
# files, and writing them, as whole processes against ImageMagick, libvips and Pillow on the same
# files; then pcx_tga_bench's in-process figures. Laid out as the PCX tables are.
from .common import CONVERT, PYTHON
from .pcx import BENCHES, PIL_ENCODE, TFormatTables, report_tables  # noqa: F401 (BENCHES: the same program)

KINDS = {
    "24-bit RLE": [],
    "24-bit raw": ["--set", "TGA_Compressed=false"],
    "8-bit RLE": ["--set", "BitsPerSample=8", "--set", "SamplesPerPixel=1"],
}


def peer_writers(src, out, kind):
    rle = "RLE" in kind
    eight = ["-colors", "256", "-type", "palette"] if kind.startswith("8") else []
    commands = {
        "ImageMagick": [CONVERT, src] + eight + (["-compress", "RLE"] if rle else []) + [out],
        "Pillow": [PYTHON, "-c", PIL_ENCODE, src, out, "8" if eight else "24"] + (["rle"] if rle else []),
    }
    # libvips leaves the coding to ImageMagick's defaults, which write raw rows.
    if kind == "24-bit raw":
        commands["libvips"] = ["vips", "magicksave", src, out, "--format", "TGA"]
    return commands


def expect_tga(kind):
    image_type = (1 if kind.startswith("8") else 2) + (8 if "RLE" in kind else 0)

    def check(name, out):
        with open(out, "rb") as f:
            head = f.read(18)
        if head[2] != image_type:
            raise RuntimeError("%s wrote image type %d, not %d" % (name, head[2], image_type))
    return check


TABLES = TFormatTables("Targa", "tga", KINDS, peer_writers, expect_tga,
                       {"24-bit RLE": "Tga24Rle", "24-bit raw": "Tga24Raw", "8-bit RLE": "Tga8Rle"})


def report(session):
    report_tables(TABLES, session)
