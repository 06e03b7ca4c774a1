// The GIF codec and its LZW coder against other programs. Files that ImageMagick, Pillow and
// giflib's gifbuild write (1 to 8 bits, interlaced, local tables, transparency, animations
// with frames smaller than the screen) read pixel-identical to each program's own decoding of
// every frame; the files we write pass giftext and read back in giflib, Pillow and ImageMagick
// with the pixels we read ourselves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/io/ioparams.h"
#include "tests/io/gif_test_files.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

class GifOracle : public kxtest::TWithLZWCoders {};

const std::string kPython = "/usr/bin/python3";
const std::string kConvert = "/usr/bin/convert";
const std::string kGifbuild = "/usr/bin/gifbuild";
const std::string kGiftext = "/usr/bin/giftext";
const std::string kGif2rgb = "/usr/bin/gif2rgb";

bool HaveOracles() {
  for (const std::string& p : {kPython, kConvert, kGifbuild, kGiftext, kGif2rgb})
    if (!kxtest::Have(p)) return false;
  return true;
}

// make-pillow KIND OUT, make-giflib KIND OUT: write a source file of the kind.
// decode-pillow IN FRAME OUT, decode-giflib IN FRAME OUT: that program's pixels of a frame as
// PPM; giflib's come from gifbuild's dump of the indices and the tables of every frame.
const char* kHelper = R"(
import subprocess, sys
from PIL import Image

def picture(w, h, seed):
    im = Image.new("RGB", (w, h))
    im.putdata([((x * 37 + seed * 11) % 256, (y * 51 + x * 3) % 256, (x * y * 13 + seed) % 256)
                for y in range(h) for x in range(w)])
    return im

def ppm(out, w, h, rgb):
    with open(out, "wb") as f:
        f.write(b"P6 %d %d 255\n" % (w, h) + bytes(rgb))

def make_pillow(kind, out):
    if kind.startswith("bits"):
        bits = int(kind[4:])
        picture(37, 23, bits).quantize(1 << bits).save(out, bits=bits)
    elif kind == "transparent":
        picture(30, 20, 5).quantize(16).save(out, transparency=3)
    elif kind == "interlaced":
        picture(41, 29, 6).quantize(200).save(out, interlace=True)
    elif kind == "animation":
        frames = [picture(24, 16, s).quantize(64) for s in range(3)]
        frames[0].save(out, save_all=True, append_images=frames[1:], duration=40, loop=0, optimize=False,
                       disposal=1)

def table(n, seed):
    return "".join("\trgb %03d %03d %03d is %x\n" % ((i * 37 + seed) % 256, (i * 91 + seed * 7) % 256,
                                                      (i * 13 + 200) % 256, i) for i in range(n))

def image(w, h, left, top, colors, seed, interlaced=False, local=None, control=None):
    text = ""
    if control:
        text += "graphics control\n\tdisposal mode 1\n\tdelay %d\n\ttransparent index %d\nend\n\n" % control
    text += "image\nimage left %d\nimage top %d\n" % (left, top)
    if interlaced:
        text += "image interlaced\n"
    if local:
        text += "image map\n" + table(local, seed) + "end\n\n"
    n = local or colors
    text += "image bits %d by %d hex\n" % (w, h)
    for y in range(h):
        text += "".join("%02x" % ((x * 7 + y * 3 + seed) % n) for x in range(w)) + "\n"
    return text + "\n"

def make_giflib(kind, out):
    w, h, colors = 33, 21, 256
    if kind.startswith("bits"):
        colors = 1 << int(kind[4:])
    text = "screen width %d\nscreen height %d\nscreen colors %d\nscreen background 1\n" % (w, h, colors)
    text += "pixel aspect byte 0\n\nscreen map\n" + table(colors, 3) + "end\n\n"
    if kind.startswith("bits"):
        text += image(w, h, 0, 0, colors, 1)
    elif kind == "interlaced":
        text += image(w, h, 0, 0, colors, 2, interlaced=True)
    elif kind == "local":
        text += image(w, h, 0, 0, colors, 4, local=8)
    elif kind == "transparent":
        text += image(w, h, 0, 0, colors, 5, control=(9, 4))
    elif kind == "animation":
        text += image(w, h, 0, 0, colors, 6, control=(10, 2))
        text += image(10, 7, 5, 3, colors, 7, local=4, control=(20, 1))
        text += image(20, 9, 13, 12, colors, 8, interlaced=True, control=(30, 0))
    subprocess.run(["/usr/bin/gifbuild"], input=text.encode(), stdout=open(out, "wb"), check=True)

def decode_pillow(path, frame, out):
    im = Image.open(path)
    im.seek(frame)
    im = im.convert("RGB")
    ppm(out, im.width, im.height, im.tobytes())

# The one-character indices of the dump of tables up to 64 entries.
DIGITS = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!\""

def decode_giflib(path, frame, out):
    dump = subprocess.run(["/usr/bin/gifbuild", "-d", path], capture_output=True, check=True).stdout.decode()
    lines = dump.splitlines()
    screen, images, at = [], [], 0
    while at < len(lines):
        line = lines[at].strip()
        if line in ("screen map", "image map"):
            entries = []
            at += 1
            while lines[at].strip() != "end":
                parts = lines[at].split()
                if parts[0] == "rgb":
                    entries.append(tuple(int(v) for v in parts[1:4]))
                at += 1
            if line == "screen map":
                screen = entries
            else:
                images.append({"map": entries})
        elif line.startswith("image #"):
            images.append({})
        elif line.startswith("image bits"):
            parts = line.split()
            w, h = int(parts[2]), int(parts[4])
            wide = parts[-1] == "hex"
            rows = [lines[at + 1 + y].strip() for y in range(h)]
            if wide:
                indices = [int(r[2 * x:2 * x + 2], 16) for r in rows for x in range(w)]
            else:
                indices = [DIGITS.index(r[x]) for r in rows for x in range(w)]
            images[-1]["pixels"] = (w, h, indices)
            at += h
        at += 1
    merged, pending = [], {}
    for i in images:
        pending.update(i)
        if "pixels" in pending:
            merged.append(pending)
            pending = {}
    im = merged[frame]
    colors = im.get("map") or screen
    w, h, indices = im["pixels"]
    rgb = []
    for k in indices:
        rgb.extend(colors[k] if k < len(colors) else (0, 0, 0))
    ppm(out, w, h, rgb)

{"make-pillow": make_pillow, "make-giflib": make_giflib}.get(sys.argv[1], lambda *a: None)(sys.argv[2], sys.argv[3])
if sys.argv[1] == "decode-pillow":
    decode_pillow(sys.argv[2], int(sys.argv[3]), sys.argv[4])
if sys.argv[1] == "decode-giflib":
    decode_giflib(sys.argv[2], int(sys.argv[3]), sys.argv[4])
)";

std::string Helper() {
  static const std::string path = [] {
    const std::string p = kxtest::TempPath(".py");
    const std::string text = kHelper;
    kxtest::WriteFile(p, std::vector<uint8_t>(text.begin(), text.end()));
    return p;
  }();
  return kPython + " " + path + " ";
}

// A program's decoding of a frame (read as PPM), or an empty bitmap.
TBitmap Oracle(const std::string& command) {
  const std::string out = kxtest::TempPath(".ppm");
  TBitmap b;
  if (kxtest::Run(command + " " + kxtest::Quote(out)) != 0 || !kxtest::ReadNetpbm(out, b)) ADD_FAILURE() << command;
  return b;
}

TBitmap Ours(const std::string& path, int32_t frame, bool* aborted = nullptr) {
  kxtest::TGifRead r = kxtest::ReadGifBytes(kxtest::ReadFile(path), frame);
  if (aborted) *aborted = r.Aborted;
  EXPECT_FALSE(r.Aborted) << path << " frame " << frame << ": " << r.Diagnostics.Reason;
  if (r.Bitmap.PixelFormat() == pf1bit) r.Bitmap.SetPixelFormat(pf24bit);
  return r.Bitmap;
}

void ExpectSame(const TBitmap& ours, const TBitmap& theirs, const std::string& what) {
  const kxtest::TDiff d = kxtest::Compare(ours, theirs);
  EXPECT_TRUE(d.sameSize && d.pixels == 0)
      << what << ": " << d.pixels << " pixels differ, size " << (d.sameSize ? "same" : "differs");
}

struct TSource {
  std::string maker;  // pillow, giflib or magick
  std::string kind;
  int32_t frames;
};

TEST_F(GifOracle, FilesOfOtherProgramsReadAsTheyDecodeThem) {
  if (!HaveOracles()) GTEST_SKIP() << "needs python3 with Pillow, ImageMagick and giflib's tools";
  std::vector<TSource> sources;
  for (int bits = 1; bits <= 8; ++bits) {
    sources.push_back({"pillow", "bits" + std::to_string(bits), 1});
    sources.push_back({"giflib", "bits" + std::to_string(bits), 1});
  }
  for (const char* kind : {"transparent", "interlaced", "animation"}) sources.push_back({"pillow", kind, 1});
  sources.back().frames = 3;
  for (const char* kind : {"interlaced", "local", "transparent", "animation"}) sources.push_back({"giflib", kind, 1});
  sources.back().frames = 3;
  for (const char* options : {"-colors 2", "-colors 4", "-colors 16", "-colors 256", "-colors 100 -interlace GIF"})
    sources.push_back({"magick", options, 1});
  const std::string photo = kxtest::TempPath(".ppm");
  TBitmap source = kxtest::MakePicture(57, 41);
  kxtest::WritePPM(photo, source);
  for (const TSource& s : sources) {
    SCOPED_TRACE(s.maker + " " + s.kind);
    const std::string gif = kxtest::TempPath(".gif");
    if (s.maker == "magick") {
      ASSERT_EQ(kxtest::Run(kConvert + " " + kxtest::Quote(photo) + " " + s.kind + " " + kxtest::Quote(gif)), 0);
    } else {
      ASSERT_EQ(kxtest::Run(Helper() + "make-" + s.maker + " " + s.kind + " " + kxtest::Quote(gif)), 0);
    }
    for (int32_t frame = 0; frame < s.frames; ++frame) {
      const TBitmap ours = Ours(gif, frame);
      // Every file against giflib's indices and tables; each against its maker's decoding too.
      ExpectSame(ours, Oracle(Helper() + "decode-giflib " + kxtest::Quote(gif) + " " + std::to_string(frame)),
                 "giflib, frame " + std::to_string(frame));
      if (s.maker == "pillow")
        ExpectSame(ours, Oracle(Helper() + "decode-pillow " + kxtest::Quote(gif) + " " + std::to_string(frame)),
                   "Pillow, frame " + std::to_string(frame));
      if (s.maker == "magick") ExpectSame(ours, Oracle(kConvert + " " + kxtest::Quote(gif)), "ImageMagick");
    }
  }
}

TEST_F(GifOracle, OtherProgramsReadTheFilesWeWrite) {
  if (!HaveOracles()) GTEST_SKIP() << "needs python3 with Pillow, ImageMagick and giflib's tools";
  struct TCase {
    const char* name;
    int32_t bits;
    bool interlaced;
    bool transparent;
  };
  const TCase cases[] = {{"8 bits", 8, false, false},
                         {"4 bits interlaced", 4, true, false},
                         {"black and white", 1, false, false},
                         {"6 bits with a transparent colour", 6, false, true}};
  TBitmap picture = kxtest::MakePicture(203, 117, 4);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TIOParamsVals params;
    params.BitsPerSample = c.bits;
    params.GIF_Interlaced = c.interlaced;
    params.GIF_Transparent = c.transparent;
    params.GIF_TransparentColor = picture.GetPixel(10, 10);
    const std::string gif = kxtest::TempPath(".gif");
    kxtest::WriteFile(gif, kxtest::WriteGifBytes(picture, params));
    const TBitmap ours = Ours(gif, 0);
    std::string text;
    EXPECT_EQ(kxtest::Run(kGiftext + " " + kxtest::Quote(gif) + " 2>&1", &text), 0) << text;
    EXPECT_EQ(text.find("error"), std::string::npos) << text;
    ExpectSame(ours, Oracle(Helper() + "decode-giflib " + kxtest::Quote(gif) + " 0"), "giflib's dump");
    ExpectSame(ours, Oracle(Helper() + "decode-pillow " + kxtest::Quote(gif) + " 0"), "Pillow");
    ExpectSame(ours, Oracle(kConvert + " " + kxtest::Quote(gif)), "ImageMagick");
    // gif2rgb paints the screen, which is the image here.
    const std::string rgb = kxtest::TempPath(".rgb");
    ASSERT_EQ(kxtest::Run(kGif2rgb + " -1 -o " + kxtest::Quote(rgb) + " " + kxtest::Quote(gif)), 0);
    const std::vector<uint8_t> raw = kxtest::ReadFile(rgb);
    ASSERT_EQ(raw.size(), size_t(3 * 203 * 117));
    int64_t differ = 0;
    for (int32_t y = 0; y < 117; ++y)
      for (int32_t x = 0; x < 203; ++x) {
        const TRGB p = ours.GetPixel(x, y);
        const uint8_t* q = &raw[size_t(3 * (y * 203 + x))];
        differ += p.r != q[0] || p.g != q[1] || p.b != q[2];
      }
    EXPECT_EQ(differ, 0) << "gif2rgb";
  }
}

}  // namespace
