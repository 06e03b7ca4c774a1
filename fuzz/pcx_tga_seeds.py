#!/usr/bin/python3
"""Writes the seeds of pcx_reader_fuzz and tga_reader_fuzz to fuzz/corpus/pcx_reader/ and
fuzz/corpus/tga_reader/: one small Pillow picture per kind each format stores, and a few made
by hand for what Pillow does not write (PCX with four 1-bit planes, a run carried from one line
into the next, Targa rows stored right to left, packets running across rows, an extension
area)."""
import io
import os
import struct

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))


def picture(mode, width=7, height=5):
    im = Image.new("RGB", (width, height))
    im.putdata([((x * 37) % 256, (y * 51) % 256, (x * y * 13) % 256) for y in range(height) for x in range(width)])
    if mode == "P":
        return im.quantize(16)
    return im.convert(mode)


def saved(im, fmt, **options):
    out = io.BytesIO()
    im.save(out, fmt, **options)
    return out.getvalue()


def pcx_header(bits, planes, width, height, bpl, encoding=1, palette=b""):
    head = struct.pack("<BBBBHHHHHH", 10, 5, encoding, bits, 0, 0, width - 1, height - 1, 72, 72)
    head += palette.ljust(48, b"\0") + bytes([0, planes]) + struct.pack("<HH", bpl, 1)
    return head.ljust(128, b"\0")


def pcx_seeds():
    yield "pil-1bit", saved(picture("1"), "PCX")
    yield "pil-8bit-palette", saved(picture("P"), "PCX")
    yield "pil-8bit-gray", saved(picture("L"), "PCX")
    yield "pil-24bit", saved(picture("RGB"), "PCX")
    palette = bytes(v for i in range(16) for v in (i * 16, 255 - i * 16, i * 8))
    # 8 x 2 pixels, four 1-bit planes, raw lines of 2 bytes (one padding byte each).
    planes = bytes([0xF0, 0, 0xCC, 0, 0xAA, 0, 0x0F, 0] * 2)
    yield "planes16-raw", pcx_header(1, 4, 8, 2, 2, 0, palette) + planes
    # 4 bits x 1 plane, 5 x 2 pixels; the second line's run starts in the first.
    yield "nibbles-run-across-lines", pcx_header(4, 1, 5, 2, 4, 1, palette) + bytes([0x12, 0x34, 0xC6, 0x56])
    # 8 bits with its palette marker missing.
    yield "indexed-no-trailer", pcx_header(8, 1, 3, 2, 4, 0) + bytes(range(8))


def tga_header(id_length, map_type, image_type, map_length, map_bits, width, height, depth, descriptor):
    return struct.pack("<BBBHHBHHHHBB", id_length, map_type, image_type, 0, map_length, map_bits, 0, 0, width, height,
                       depth, descriptor)


def tga_seeds():
    for mode in ("L", "P", "RGB", "RGBA", "LA", "1"):
        for rle in (False, True):
            if mode == "1" and rle:
                continue
            options = {"compression": "tga_rle"} if rle else {}
            yield "pil-%s%s" % (mode.lower(), "-rle" if rle else ""), saved(picture(mode), "TGA", **options)
    # 16-bit 5-5-5, 3 x 2 pixels, rows right to left and top row first.
    pixels = struct.pack("<6H", 0x7C00, 0x03E0, 0x001F, 0x7FFF, 0, 0x4210)
    yield "word555-mirrored-top-down", tga_header(0, 0, 2, 0, 0, 3, 2, 16, 0x30) + pixels
    # 24-bit run-length coded, 3 x 2 pixels; one run of 4 crosses the first row's end.
    packets = bytes([0x83, 10, 20, 30, 0x01, 40, 50, 60, 70, 80, 90])
    yield "rle-across-rows", tga_header(0, 0, 10, 0, 0, 3, 2, 24, 0) + packets
    # Colour-mapped with a 16-bit map, then an extension area and footer.
    body = tga_header(3, 1, 1, 2, 16, 2, 1, 8, 0x20) + b"id\0" + struct.pack("<2H", 0x7C00, 0x001F) + bytes([0, 1])
    area = struct.pack("<H", 495) + b"author".ljust(41, b"\0") + bytes(324)
    area += struct.pack("<6H", 12, 31, 2020, 23, 59, 58) + b"job".ljust(41, b"\0") + bytes(6 + 41 + 3)
    area += bytes([1, 2, 3, 0]) + struct.pack("<4H", 3, 2, 22, 10) + bytes(13)
    footer = struct.pack("<II", len(body), 0) + b"TRUEVISION-XFILE.\0"
    yield "mapped-extension", body + area + footer


def write(folder, seeds):
    out = os.path.join(HERE, "corpus", folder)
    os.makedirs(out, exist_ok=True)
    for name, data in seeds:
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    write("pcx_reader", pcx_seeds())
    write("tga_reader", tga_seeds())
