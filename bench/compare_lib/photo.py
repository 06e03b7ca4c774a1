# The 12-megapixel photograph every whole-process table works on, made once per run as a PPM.
import os

from .common import HEIGHT, PYTHON, WIDTH, run

# Makes the photograph with Pillow's C routines (plain Python per pixel would take minutes), the
# same kind of picture as jpeg_bench makes: a smooth sky over textured ground of blotches and
# grain at three sizes, with hard-edged bright stones and faint sensor grain everywhere.
MAKE_PHOTO = r"""
import sys
from PIL import Image, ImageChops, ImageDraw, ImageOps
w, h, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
def blotches(cell, amplitude):
    # Noise on a coarse grid, enlarged smoothly: a signed texture around 128.
    n = ImageOps.autocontrast(Image.effect_noise((w // cell, h // cell), 64).resize((w, h), Image.BICUBIC))
    return n.point(lambda v: 128 + (v - 128) * amplitude // 128)
def gray3(im):
    return Image.merge("RGB", (im,) * 3)
ramp = Image.linear_gradient("L")
down = ramp.resize((w, h))
across = ramp.rotate(90).resize((w, h))
base = Image.merge("RGB", (across.point(lambda v: 60 + v // 2), down.point(lambda v: 150 - v // 3),
                           ImageOps.invert(down).point(lambda v: 40 + v * 3 // 5)))
coarse = blotches(97, 50)
texture = ImageChops.add(ImageChops.add(coarse, blotches(13, 36), offset=-128), blotches(3, 40), offset=-128)
grain = Image.effect_noise((w, h), 3)
ground = ImageChops.add(ImageChops.add(base, gray3(texture), offset=-128), gray3(grain), offset=-128)
stones = Image.new("L", (w, h), 0)
draw = ImageDraw.Draw(stones)
for y in range(h * 2 // 5 + 200, h, 400):
    for x in range(200, w, 400):
        draw.ellipse((x - 90, y - 90, x + 90, y + 90), fill=70)
ground = ImageChops.add(ground, gray3(stones))
sky = ImageChops.add(ImageChops.add(base, gray3(coarse.point(lambda v: 96 + v // 4)), offset=-128), gray3(grain),
                     offset=-128)
ground.paste(sky.crop((0, 0, w, h * 2 // 5)), (0, 0))
ground.save(out)
"""


def photo(tmp):
    """The photograph's path in `tmp`, made on the first call."""
    path = os.path.join(tmp, "photo.ppm")
    if not os.path.exists(path):
        run([PYTHON, "-c", MAKE_PHOTO, str(WIDTH), str(HEIGHT), path])
    return path
