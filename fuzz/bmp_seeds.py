#!/usr/bin/env python3
"""Writes the seeds of bmp_reader_fuzz, ico_reader_fuzz and cur_reader_fuzz to
fuzz/corpus/{bmp,ico,cur}_reader/: one small file per layout the readers know (every depth,
header form and compression of a bitmap; every depth of an icon and cursor picture, a PNG entry
and a directory of two pictures)."""
import os
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def info(width, height, bits, compression=0, colours=0, size=40, masks=(), ppm=2835):
    if size == 12:
        return struct.pack("<IHHHH", 12, width, height, 1, bits)
    block = struct.pack("<IiiHHIIiiII", size, width, height, 1, bits, compression, 0, ppm, ppm, colours, 0)
    inside = size >= 52 and size != 64
    if inside:
        block += b"".join(struct.pack("<I", m) for m in masks)
    block += bytes(max(0, size - len(block)))
    if not inside:
        block += b"".join(struct.pack("<I", m) for m in masks)
    return block


def table(n, entry=4):
    return b"".join(bytes([i * 37 % 256, i * 91 % 256, i * 13 % 256, 0][:entry]) for i in range(n))


def rows(width, height, bits, fill=lambda i: i * 29 + 7):
    stride = (bits * width + 31) // 32 * 4
    return bytes(fill(i) & 0xFF for i in range(stride * height))


def bmp(header, pixels):
    return b"BM" + struct.pack("<IHHI", 14 + len(header) + len(pixels), 0, 0, 14 + len(header)) + header + pixels


def write(folder, name, data):
    path = os.path.join(ROOT, folder)
    os.makedirs(path, exist_ok=True)
    open(os.path.join(path, name), "wb").write(data)


RLE8 = bytes([3, 1, 0, 0, 0, 2, 2, 1, 0, 4, 1, 2, 3, 4, 5, 0, 0, 0, 0, 1])
RLE4 = bytes([5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 2, 1, 0, 2, 0x77, 0, 1])

BMP_SEEDS = {
    "bits1": bmp(info(9, 3, 1) + table(2), rows(9, 3, 1)),
    "bits1-white-black": bmp(info(9, 3, 1) + bytes([255, 255, 255, 0, 0, 0, 0, 0]), rows(9, 3, 1)),
    "bits4-odd": bmp(info(5, 3, 4) + table(16), rows(5, 3, 4)),
    "bits8": bmp(info(7, 3, 8, colours=20) + table(20), rows(7, 3, 8)),
    "bits8-rle": bmp(info(7, 5, 8, compression=1, colours=6) + table(6), RLE8),
    "bits4-rle": bmp(info(7, 4, 4, compression=2, colours=8) + table(8), RLE4),
    "bits16-555": bmp(info(5, 3, 16), rows(5, 3, 16)),
    "bits16-565": bmp(info(5, 3, 16, compression=3, masks=(0xF800, 0x07E0, 0x001F)), rows(5, 3, 16)),
    "bits16-v5": bmp(info(5, 3, 16, compression=3, size=124, masks=(0x0F00, 0x00F0, 0x000F)), rows(5, 3, 16)),
    "bits24": bmp(info(5, 3, 24), rows(5, 3, 24)),
    "bits24-top-down": bmp(info(5, -3, 24), rows(5, 3, 24)),
    "bits32": bmp(info(3, 2, 32), rows(3, 2, 32)),
    "bits32-masks": bmp(info(3, 2, 32, compression=3, masks=(0xFF, 0xFF00, 0xFF0000)), rows(3, 2, 32)),
    "os2v1-bits8": bmp(info(6, 2, 8, size=12) + table(256, 3), rows(6, 2, 8)),
    "os2v2-bits24": bmp(info(4, 2, 24, size=64), rows(4, 2, 24)),
}


def icon(kind, pictures):
    """pictures: (width, height, bits, colour count, entry fields 4 and 6, image bytes)"""
    head = struct.pack("<HHH", 0, kind, len(pictures))
    offset = 6 + 16 * len(pictures)
    entries, images = b"", b""
    for w, h, bits, colours, f4, f6, image in pictures:
        entries += struct.pack("<BBBBHHII", w % 256, h % 256, colours, 0, f4, f6, len(image), offset + len(images))
        images += image
    return head + entries + images


def picture(w, h, bits, colours=0):
    palette = table(colours or (1 << bits)) if bits <= 8 else b""
    return info(w, h * 2, bits, ppm=0) + palette + rows(w, h, bits) + rows(w, h, 1, lambda i: 0xF0 if i % 3 else 0)


PNG = bytes([0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A]) + bytes(30)

ICO_SEEDS = {
    "bits1": icon(1, [(8, 8, 1, 2, 1, 1, picture(8, 8, 1))]),
    "bits4": icon(1, [(16, 16, 4, 16, 1, 4, picture(16, 16, 4))]),
    "bits8": icon(1, [(8, 8, 8, 0, 1, 8, picture(8, 8, 8))]),
    "bits24": icon(1, [(4, 4, 24, 0, 1, 24, picture(4, 4, 24))]),
    "bits32-alpha": icon(1, [(4, 4, 32, 0, 1, 32, picture(4, 4, 32))]),
    "two-sizes": icon(1, [(4, 4, 4, 16, 1, 4, picture(4, 4, 4)), (8, 8, 8, 0, 1, 8, picture(8, 8, 8))]),
    "png-entry": icon(1, [(16, 16, 32, 0, 1, 32, PNG)]),
    "bitmap-file": BMP_SEEDS["bits24"],
}

CUR_SEEDS = {
    "bits1-hotspot": icon(2, [(8, 8, 2, 0, 5, 7, picture(8, 8, 1))]),
    "bits4": icon(2, [(16, 16, 16, 0, 0, 0, picture(16, 16, 4))]),
    "bits24": icon(2, [(4, 4, 0, 0, 1, 2, picture(4, 4, 24))]),
    "bits32": icon(2, [(4, 4, 0, 0, 3, 3, picture(4, 4, 32))]),
}

for name, data in BMP_SEEDS.items():
    write("bmp_reader", name, data)
for name, data in ICO_SEEDS.items():
    write("ico_reader", name, data)
for name, data in CUR_SEEDS.items():
    write("cur_reader", name, data)
