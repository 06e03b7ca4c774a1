# Measures a program's output against a reference picture with Pillow's C routines: the mean
# absolute difference per channel and, for reduced pictures, the number of colours used.
import json

from .common import PYTHON, run

PIL_STATS = r"""
import json, sys
from PIL import Image, ImageChops
reference, picture = (Image.open(p).convert("RGB") for p in sys.argv[1:3])
inner, max_colors = sys.argv[3] == "inner", int(sys.argv[4])
if inner:
    box = (1, 1, picture.width - 1, picture.height - 1)
    reference, picture = reference.crop(box), picture.crop(box)
histogram = ImageChops.difference(reference, picture).histogram()
error = sum((level % 256) * count for level, count in enumerate(histogram)) / (picture.width * picture.height * 3)
colors = picture.getcolors(max_colors) if max_colors else None
print(json.dumps({"error": error, "colors": len(colors) if colors else None}))
"""


def compare(reference, picture, inner=False, max_colors=0):
    """{"error": mean absolute difference per channel over all pixels (the inner ones, one pixel in
    from each edge, with `inner`), "colors": distinct colours of `picture` if at most `max_colors`,
    else None}."""
    return json.loads(run([PYTHON, "-c", PIL_STATS, reference, picture, "inner" if inner else "all",
                           str(max_colors)]).stdout)
