#!/usr/bin/env python3
"""Writes the seed blocks of dib_fuzz to fuzz/corpus/dib/: one small DIB per layout the reader
knows. Each seed starts with the fuzzer's split byte: below 128 the rest is one block; 127 + n
makes the block n x 8 bytes long, followed by separate pixel data."""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "dib")


def header(width, height, bits, compression=0, colours=0, size=40, masks=()):
    if size == 12:
        return struct.pack("<IhhHH", 12, width, height, 1, bits)
    block = struct.pack("<IiiHHIIiiII", size, width, height, 1, bits, compression, 0, 0, 0, colours, 0)
    block += b"".join(struct.pack("<I", m) for m in masks)
    return block + bytes(max(0, size - len(block)))


def rows(width, height, bits, fill):
    stride = (bits * width + 31) // 32 * 4
    return bytes(fill(i) & 0xFF for i in range(stride * height))


def table(n, entry=4):
    return b"".join(bytes([i * 37 % 256, i * 91 % 256, i * 13 % 256, 0][:entry]) for i in range(n))


def fourcc(code):
    return struct.unpack("<I", code.encode())[0]


PATTERN = lambda i: i * 29 + 7
SEEDS = {
    "bits1": header(9, 3, 1, colours=2) + bytes([0, 0, 0, 0, 255, 255, 255, 0]) + rows(9, 3, 1, PATTERN),
    "bits1-table": header(9, 3, 1, colours=2) + table(2) + rows(9, 3, 1, PATTERN),
    "bits4": header(5, 3, 4, colours=16) + table(16) + rows(5, 3, 4, PATTERN),
    "bits8": header(5, 3, 8, colours=7) + table(7) + rows(5, 3, 8, PATTERN),
    "core8": header(5, 3, 8, size=12) + table(256, 3) + rows(5, 3, 8, PATTERN),
    "bits16-555": header(5, 3, 16) + rows(5, 3, 16, PATTERN),
    "bits16-565-fields": header(5, 3, 16, 3, masks=(0xF800, 0x07E0, 0x001F)) + rows(5, 3, 16, PATTERN),
    "bits24": header(5, 3, 24) + rows(5, 3, 24, PATTERN),
    "bits24-top-down": header(5, -3, 24) + rows(5, 3, 24, PATTERN),
    "bits32": header(5, 3, 32) + rows(5, 3, 32, PATTERN),
    "v4-bits32-fields": header(5, 3, 32, 3, size=108, masks=(0xFF0000, 0xFF00, 0xFF)) + rows(5, 3, 32, PATTERN),
    "v5-bits16-fields": header(5, -3, 16, 3, size=124, masks=(0x7C00, 0x03E0, 0x001F)) + rows(5, 3, 16, PATTERN),
    "rle8": header(6, 3, 8, 1, colours=4) + table(4)
    + bytes([3, 1, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 1, 2, 3, 0, 1]),
    "rle4": header(7, 3, 4, 2, colours=16) + table(16)
    + bytes([7, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 2, 1, 0, 3, 0xAB, 0, 1]),
    "yuy2": header(4, 2, 16, fourcc("YUY2")) + bytes(range(0, 256, 16)),
    "y41p": header(8, -2, 12, fourcc("Y41P")) + bytes(range(0, 240, 10)),
    "cljr": header(4, 2, 8, fourcc("CLJR")) + bytes([0x41, 0x73, 0x9C, 0x2E, 0x10, 0xF0, 0x0F, 0xAA]),
}
# I420 with its pixels beside the block: a 40-byte block (split byte 127 + 5), then 3 x 3 + 2 x 4.
SPLIT_SEEDS = {"i420-separate": (header(3, 3, 12, fourcc("I420")), bytes(range(100, 117)))}

os.makedirs(OUT, exist_ok=True)
for name, block in SEEDS.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(bytes([0]) + block)
for name, (block, pixels) in SPLIT_SEEDS.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(bytes([127 + len(block) // 8]) + block + pixels)
