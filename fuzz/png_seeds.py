#!/usr/bin/python3
"""Writes the seeds of png_reader_fuzz to fuzz/corpus/png_reader/: one small picture per colour
type and depth the reader knows, interlaced or not, with and without transparency, background
and resolution chunks. Files are named by the SHA-1 of their bytes."""
import hashlib
import io
import os
import struct
import zlib

from PIL import Image

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "png_reader")


def picture(mode, width=7, height=5):
    im = Image.new("RGBA", (width, height))
    im.putdata([((x * 37) % 256, (y * 51) % 256, (x * y * 13) % 256, (x * 40 + y * 9) % 256)
                for y in range(height) for x in range(width)])
    if mode == "P":
        return im.convert("RGB").quantize(16)
    return im.convert(mode)


def seeds():
    yield picture("RGB"), {}
    yield picture("RGB"), {"interlace": 1, "dpi": (96, 72)}
    yield picture("RGBA"), {}
    yield picture("RGBA"), {"interlace": 1}
    yield picture("LA"), {}
    yield picture("L"), {"transparency": 17}
    yield picture("1"), {}
    yield picture("P"), {"transparency": 3}
    yield picture("P"), {"bits": 2}
    yield picture("P", 19, 3), {"bits": 1}


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def raw(width, height, depth, colour, samples, extra=b""):
    """A file written chunk by chunk, for what the picture library does not write: 16-bit
    colour with alpha, a background chunk, compressed text."""
    row = bytes((width * samples * depth + 7) // 8)
    data = zlib.compress(b"".join(b"\0" + bytes((i * 29 + y) % 256 for i in range(len(row)))
                                  for y in range(height)))
    head = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + extra + chunk(b"IDAT", data) +
            chunk(b"IEND", b""))


def raw_seeds():
    yield raw(6, 4, 16, 6, 4, chunk(b"bKGD", struct.pack(">HHH", 65535, 0, 0)))
    yield raw(6, 4, 16, 2, 3, chunk(b"pHYs", struct.pack(">IIB", 3780, 3780, 1)))
    yield raw(5, 5, 16, 0, 1)
    yield raw(9, 3, 2, 0, 1, chunk(b"zTXt", b"Comment\0\0" + zlib.compress(b"x" * 5000)))


def main():
    os.makedirs(OUT, exist_ok=True)
    for im, options in seeds():
        options = {k: v for k, v in options.items() if v is not None}
        buf = io.BytesIO()
        im.save(buf, "PNG", **options)
        write(buf.getvalue())
    for data in raw_seeds():
        write(data)


def write(data):
    with open(os.path.join(OUT, hashlib.sha1(data).hexdigest()), "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
