#!/usr/bin/python3
"""Writes the seeds of tiff_reader_fuzz, fax_g3_decoder_fuzz and fax_g4_decoder_fuzz to
fuzz/corpus/<target>/: small TIFF files in the layouts and codings the reader knows, made with
Pillow and tiffcp, and the coded strips of their fax pages behind the fax targets' three-byte
prefix (mode and bit order, row width). Files are named by the SHA-1 of their bytes."""
import hashlib
import os
import subprocess
import tempfile

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 21, 9


def out_dir(target):
    path = os.path.join(HERE, "corpus", target)
    os.makedirs(path, exist_ok=True)
    return path


def save(target, data):
    name = hashlib.sha1(data).hexdigest()
    with open(os.path.join(out_dir(target), name), "wb") as f:
        f.write(data)


def pictures(tmp):
    rgb = Image.new("RGB", (W, H))
    rgb.putdata([((x * 37) % 256, (y * 51) % 256, (x * y * 13) % 256) for y in range(H) for x in range(W)])
    bi = Image.new("1", (W, H))
    bi.putdata([255 if (x // 3 + y // 2) % 3 else 0 for y in range(H) for x in range(W)])
    paths = {}
    for name, im in (("rgb", rgb), ("gray", rgb.convert("L")), ("palette", rgb.quantize(16)), ("bi", bi)):
        paths[name] = os.path.join(tmp, name + ".tif")
        im.save(paths[name], "TIFF")
    return paths


def tiffcp(tmp, options, *sources):
    out = os.path.join(tmp, "out.tif")
    subprocess.run(["tiffcp"] + options + list(sources) + [out], check=True, stderr=subprocess.DEVNULL)
    with open(out, "rb") as f:
        return f.read()


def strip(data):
    """The first strip of a little-endian one-strip file written by tiffcp."""
    import io
    im = Image.open(io.BytesIO(data))
    offset, count = im.tag_v2[273][0], im.tag_v2[279][0]
    return data[offset:offset + count]


def main():
    with tempfile.TemporaryDirectory() as tmp:
        p = pictures(tmp)
        for options, source in (([], "rgb"), (["-c", "packbits"], "rgb"), (["-B"], "rgb"),
                                (["-t", "-w", "16", "-l", "16"], "rgb"), (["-p", "separate"], "rgb"),
                                (["-c", "lzw"], "rgb"), ([], "gray"), ([], "palette"),
                                (["-c", "packbits"], "bi"), (["-c", "g3"], "bi"), (["-c", "g3:2d"], "bi"),
                                (["-c", "g4", "-f", "lsb2msb"], "bi")):
            save("tiff_reader", tiffcp(tmp, options, p[source]))
        save("tiff_reader", tiffcp(tmp, [], p["rgb"], p["bi"], p["gray"]))
        prefix = bytes([0, W, 0])
        save("fax_g3_decoder", bytes([1, W, 0]) + strip(tiffcp(tmp, ["-c", "g3"], p["bi"])))
        save("fax_g3_decoder", bytes([2, W, 0]) + strip(tiffcp(tmp, ["-c", "g3:2d"], p["bi"])))
        save("fax_g4_decoder", prefix + strip(tiffcp(tmp, ["-c", "g4"], p["bi"])))


if __name__ == "__main__":
    main()
