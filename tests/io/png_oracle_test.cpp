// The PNG codec against other programs: files that Pillow and ImageMagick write in every colour
// type and depth read exactly as those programs decode them, flattened over the background
// the reader must use; the files we write pass pngcheck and read back in Pillow and ImageMagick
// with the expected mode, size, pixels, resolution and background.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/png_codec.h"
#include "imaging/proc/quantizer.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::As24;

namespace {

const std::string kPython = "/usr/bin/python3";
const std::string kConvert = "/usr/bin/convert";
const std::string kPngcheck = "/usr/bin/pngcheck";

bool HaveOracles() { return kxtest::Have(kPython) && kxtest::Have(kConvert) && kxtest::Have(kPngcheck); }

// Writes the source pictures: an 8-bit RGBA picture with every level of alpha, and the
// picture library's own files of each mode.
const char* kPillowWriter = R"(
import sys
from PIL import Image
mode, out = sys.argv[1], sys.argv[2]
w, h = 37, 23
im = Image.new("RGBA", (w, h))
im.putdata([((x * 37) % 256, (y * 51) % 256, (x * y * 13) % 256, (x * 40 + y * 9) % 256)
            for y in range(h) for x in range(w)])
options = {}
if mode == "source":
    pass
elif mode == "I":
    im = Image.new("I", (w, h))
    im.putdata([(x * 1777 + y * 911) % 65536 for y in range(h) for x in range(w)])
elif mode == "Ptrns":
    im = im.convert("RGB").quantize(16)
    options["transparency"] = bytes(range(0, 256, 16))
elif mode.startswith("P"):
    bits = int(mode[1:])
    im = im.convert("RGB").quantize(1 << bits)
    options["bits"] = bits
elif mode == "Ltrns":
    im = im.convert("L")
    options["transparency"] = 118
elif mode == "RGBdpi":
    im = im.convert("RGB")
    options["dpi"] = (300, 72)
else:
    im = im.convert(mode)
im.save(out, "PNG", **options)
)";

// The given program's decoding of a PNG file, flattened as the reader must flatten it, as PPM:
// alpha over the file's background chunk (at the file's depth) or else the given colour (times
// 256 for 16-bit files); 16-bit samples composited at 16 bits and then cut to their high byte.
const char* kDecoder = R"(
import struct, subprocess, sys
from PIL import Image
path, program, out = sys.argv[1], sys.argv[2], sys.argv[6]
screen = tuple(int(v) for v in sys.argv[3:6])
data = open(path, "rb").read()
chunks, at = {}, 8
while at + 12 <= len(data):
    n = struct.unpack(">I", data[at:at + 4])[0]
    chunks.setdefault(data[at + 4:at + 8], data[at + 8:at + 8 + n])
    at += 12 + n
w, h, depth, ctype = struct.unpack(">IIBB", chunks[b"IHDR"][:10])
alpha = ctype in (4, 6) or b"tRNS" in chunks
bg, bg16 = screen, tuple(c * 256 for c in screen)
if b"bKGD" in chunks:
    k = chunks[b"bKGD"]
    if ctype == 3:
        bg = tuple(chunks[b"PLTE"][3 * k[0]:3 * k[0] + 3])
    elif ctype in (0, 4):
        v = struct.unpack(">H", k[:2])[0]
        bg16 = (v,) * 3
        bg = (v >> 8 if depth == 16 else v * 255 // ((1 << depth) - 1),) * 3
    else:
        bg16 = struct.unpack(">HHH", k[:6])
        bg = tuple(x >> 8 if depth == 16 else x for x in bg16)
if program == "pillow":
    im = Image.open(path)
    if im.mode.startswith("I"):
        pixels = [(v,) * 3 + (65535,) for v in im.getdata()]
    else:
        pixels = [tuple(c * 257 for c in p) for p in im.convert("RGBA").getdata()]
else:
    raw = subprocess.run(["/usr/bin/convert", path, "-depth", "16", "-endian", "MSB", "rgba:-"], check=True,
                         capture_output=True).stdout
    v = struct.unpack(">%dH" % (len(raw) // 2), raw)
    pixels = [v[i:i + 4] for i in range(0, len(v), 4)]
res = bytearray()
for p in pixels:
    if not alpha:
        res += bytes(c >> 8 for c in p[:3])
    elif depth == 16:
        for c, b in zip(p[:3], bg16):
            t = c * p[3] + b * (65535 - p[3]) + 32768
            res.append(((t + (t >> 16)) >> 16) >> 8)
    else:
        a = p[3] >> 8
        for c, b in zip(p[:3], bg):
            t = (c >> 8) * a + b * (255 - a) + 128
            res.append((t + (t >> 8)) >> 8)
open(out, "wb").write(b"P6\n%d %d\n255\n" % (w, h) + bytes(res))
)";

std::string Py(const char* script) { return kPython + " -c " + kxtest::Quote(script); }

const std::string& SourcePicture() {
  static const std::string path = [] {
    std::string p = kxtest::TempPath(".png");
    EXPECT_EQ(kxtest::Run(Py(kPillowWriter) + " source " + kxtest::Quote(p)), 0);
    return p;
  }();
  return path;
}

struct TMade {
  const char* name;
  const char* maker;  // "pillow MODE" or ImageMagick's options ($SRC: the source picture)
  int depth, colour;
  bool interlaced, background;
  int32_t dpiX, dpiY;  // 0: no resolution chunk, the system's
  bool pillowDecodes;  // Pillow keeps all 16 bits only of gray without alpha
};

std::string Make(const TMade& m) {
  const std::string out = kxtest::TempPath(".png");
  const std::string maker = m.maker;
  std::string cmd;
  if (maker.rfind("pillow ", 0) == 0) {
    cmd = Py(kPillowWriter) + " " + maker.substr(7) + " " + kxtest::Quote(out);
  } else {
    std::string args = maker;
    const size_t src = args.find("$SRC");
    if (src != std::string::npos) args.replace(src, 4, kxtest::Quote(SourcePicture()));
    // A trailing "PNG8:" is a prefix of the output's name.
    const char* gap = args.back() == ':' ? "" : " ";
    cmd = kConvert + " " + args + gap + kxtest::Quote(out) + " 2>/dev/null";
  }
  EXPECT_EQ(kxtest::Run(cmd), 0) << cmd;
  return out;
}

TEST(PngOracle, FilesOfOtherProgramsReadAsTheyDecodeThem) {
  if (!HaveOracles()) GTEST_SKIP() << "Pillow, ImageMagick or pngcheck missing";
  const TMade cases[] = {
      {"pillow gray 8", "pillow L", 8, 0, false, false, 0, 0, true},
      {"pillow gray 1", "pillow 1", 1, 0, false, false, 0, 0, true},
      {"pillow gray 16", "pillow I", 16, 0, false, false, 0, 0, true},
      {"pillow gray trns", "pillow Ltrns", 8, 0, false, false, 0, 0, true},
      {"pillow palette 1", "pillow P1", 1, 3, false, false, 0, 0, true},
      {"pillow palette 2", "pillow P2", 2, 3, false, false, 0, 0, true},
      {"pillow palette 4", "pillow P4", 4, 3, false, false, 0, 0, true},
      {"pillow palette 8", "pillow P8", 8, 3, false, false, 0, 0, true},
      {"pillow palette trns", "pillow Ptrns", 4, 3, false, false, 0, 0, true},
      {"pillow rgb", "pillow RGB", 8, 2, false, false, 0, 0, true},
      {"pillow rgb dpi", "pillow RGBdpi", 8, 2, false, false, 300, 72, true},
      {"pillow gray alpha", "pillow LA", 8, 4, false, false, 0, 0, true},
      {"pillow rgba", "pillow RGBA", 8, 6, false, false, 0, 0, true},
      {"magick gray 1",
       "$SRC -alpha off -colorspace gray -threshold 50% -define png:color-type=0 -define png:bit-depth=1", 1, 0, false,
       true, 0, 0, true},
      {"magick gray 2", "$SRC -alpha off -colorspace gray -depth 2 -define png:color-type=0 -define png:bit-depth=2", 2,
       0, false, true, 0, 0, true},
      {"magick gray 4", "$SRC -alpha off -colorspace gray -depth 4 -define png:color-type=0 -define png:bit-depth=4", 4,
       0, false, true, 0, 0, true},
      {"magick gray 8", "$SRC -alpha off -colorspace gray -depth 8 -define png:color-type=0", 8, 0, false, true, 0, 0,
       true},
      {"magick gray 16", "-size 37x23 gradient:black-white -depth 16 -define png:color-type=0", 16, 0, false, true, 0,
       0, true},
      {"magick rgb 8", "$SRC -alpha off -define png:color-type=2", 8, 2, false, true, 0, 0, true},
      {"magick rgb 16 adam7", "-size 37x23 gradient:red-blue -depth 16 -define png:color-type=2 -interlace PNG", 16, 2,
       true, true, 0, 0, true},
      {"magick palette 1", "$SRC -alpha off -colors 2 -define png:bit-depth=1 PNG8:", 1, 3, false, false, 0, 0, true},
      {"magick palette 2", "$SRC -alpha off -colors 4 -define png:bit-depth=2 PNG8:", 2, 3, false, false, 0, 0, true},
      {"magick palette 4", "$SRC -alpha off -colors 16 -define png:bit-depth=4 PNG8:", 4, 3, false, false, 0, 0, true},
      {"magick palette 8", "$SRC -alpha off -colors 200 -type palette", 8, 3, false, true, 0, 0, true},
      {"magick palette trns", "$SRC -channel A -threshold 50% +channel -colors 64 -define png:color-type=3", 8, 3,
       false, true, 0, 0, true},
      {"magick gray alpha", "$SRC -colorspace gray -depth 8 -define png:color-type=4", 8, 4, false, true, 0, 0, true},
      {"magick rgba 8 adam7", "$SRC -interlace PNG", 8, 6, true, true, 0, 0, true},
      {"magick rgba 8 no background", "$SRC -define png:exclude-chunk=bKGD -define png:color-type=6", 8, 6, false,
       false, 0, 0, true},
      {"magick rgba 8 red background", "$SRC -background red -define png:color-type=6", 8, 6, false, true, 0, 0, true},
      {"magick rgba 16",
       "-size 37x23 'gradient:rgba(255,0,0,0.1)-rgba(0,0,255,0.9)' -depth 16 -define png:color-type=6", 16, 6, false,
       true, 0, 0, false},
      {"magick rgba 16 no background",
       "-size 37x23 'gradient:rgba(0,255,0,0.3)-rgba(9,0,255,1)' -depth 16 -define png:color-type=6 "
       "-define png:exclude-chunk=bKGD",
       16, 6, false, false, 0, 0, false},
      {"magick 72 dpi", "$SRC -alpha off -units PixelsPerInch -density 72", 8, 2, false, true, 72, 72, true},
      {"magick 118 per cm", "$SRC -alpha off -units PixelsPerCentimeter -density 118x40", 8, 2, false, true, 300, 102,
       true},
  };
  const TRGB screen{200, 30, 90};  // blue, green, red
  for (const TMade& m : cases) {
    SCOPED_TRACE(m.name);
    const std::string file = Make(m);
    const std::vector<uint8_t> bytes = kxtest::ReadFile(file);
    ASSERT_GT(bytes.size(), 33u);
    ASSERT_EQ(bytes[24], m.depth);
    ASSERT_EQ(bytes[25], m.colour);
    ASSERT_EQ(bytes[28] == 1, m.interlaced);
    const bool hasBackground = std::string(bytes.begin(), bytes.end()).find("bKGD") != std::string::npos;
    ASSERT_EQ(hasBackground, m.background);

    TBitmap ours;
    TIOParamsVals params;
    params.PNG_Background = screen;
    bool aborted = false;
    TProgressRec progress;
    progress.Aborting = &aborted;
    TFileStream stream(file, fmOpenRead);
    ReadPNGStream(stream, ours, params, false, progress);
    ASSERT_FALSE(aborted);
    EXPECT_EQ(params.BitsPerSample, m.depth);
    EXPECT_EQ(params.PNG_Interlaced, m.interlaced);
    if (m.dpiX) {
      EXPECT_EQ(params.DpiX, m.dpiX);
      EXPECT_EQ(params.DpiY, m.dpiY);
    }
    for (const char* program : {"pillow", "magick"}) {
      if (std::string(program) == "pillow" && !m.pillowDecodes) continue;
      SCOPED_TRACE(program);
      const std::string ppm = kxtest::TempPath(".ppm");
      ASSERT_EQ(kxtest::Run(Py(kDecoder) + " " + kxtest::Quote(file) + " " + program + " " + std::to_string(screen.r) +
                            " " + std::to_string(screen.g) + " " + std::to_string(screen.b) + " " + kxtest::Quote(ppm)),
                0);
      TBitmap theirs;
      ASSERT_TRUE(kxtest::ReadNetpbm(ppm, theirs));
      const kxtest::TDiff diff = kxtest::Compare(As24(ours), theirs);
      EXPECT_TRUE(diff.sameSize);
      EXPECT_EQ(diff.pixels, 0) << "largest difference " << diff.maxDelta;
    }
  }
}

// What Pillow says of a file: mode, size, dpi (rounded) and the pixels as RGB.
const char* kPillowReader = R"(
import sys
from PIL import Image
im = Image.open(sys.argv[1])
im.load()
dpi = im.info.get("dpi")
print(im.mode, im.size[0], im.size[1], "%d,%d" % tuple(round(d) for d in dpi) if dpi else "-")
im.convert("RGB").save(sys.argv[2], "PPM")
)";

struct TWritten {
  const char* name;
  int32_t bits, samples;
  bool interlaced;
  TIOPNGFilter filter;
  int32_t level;
  const char* pillowMode;
  const char* background;  // as pngcheck prints it; null: the quantizer's index
};

TEST(PngOracle, FilesWeWriteAreValidAndReadBackElsewhere) {
  if (!HaveOracles()) GTEST_SKIP() << "Pillow, ImageMagick or pngcheck missing";
  const TWritten cases[] = {
      {"rgb none 6", 8, 3, false, ioPNG_FILTER_NONE, 6, "RGB", "red = 0x000a, green = 0x0014, blue = 0x001e"},
      {"rgb sub 0", 8, 3, false, ioPNG_FILTER_SUB, 0, "RGB", "red = 0x000a, green = 0x0014, blue = 0x001e"},
      {"rgb paeth 9", 8, 3, false, ioPNG_FILTER_PAETH, 9, "RGB", "red = 0x000a, green = 0x0014, blue = 0x001e"},
      {"rgb interlaced", 8, 3, true, ioPNG_FILTER_PAETH, 1, "RGB", "red = 0x000a, green = 0x0014, blue = 0x001e"},
      {"palette", 8, 1, false, ioPNG_FILTER_NONE, 9, "P", nullptr},
      {"palette interlaced", 8, 1, true, ioPNG_FILTER_SUB, 6, "P", nullptr},
      {"one bit", 1, 1, false, ioPNG_FILTER_NONE, 6, "1", "gray = 0x0000"},
      {"one bit interlaced", 1, 1, true, ioPNG_FILTER_PAETH, 9, "1", "gray = 0x0000"},
  };
  TBitmap picture = kxtest::MakePicture(61, 45, 11);
  for (const TWritten& w : cases) {
    SCOPED_TRACE(w.name);
    TIOParamsVals params;
    params.BitsPerSample = w.bits;
    params.SamplesPerPixel = w.samples;
    params.PNG_Interlaced = w.interlaced;
    params.PNG_Filter = w.filter;
    params.PNG_Compression = w.level;
    params.PNG_Background = TRGB{30, 20, 10};
    params.DpiX = 300;
    params.DpiY = 150;
    const std::string file = kxtest::TempPath(".png");
    {
      TFileStream out(file, fmCreate);
      bool aborted = false;
      TProgressRec progress;
      progress.Aborting = &aborted;
      WritePNGStream(out, picture, params, progress);
      ASSERT_FALSE(aborted);
    }
    std::string check;
    EXPECT_EQ(kxtest::Run(kPngcheck + " -v " + kxtest::Quote(file), &check), 0) << check;

    // What the written pixels must be: the picture, its quantizer's colours, or the 1-bit
    // version read back by us (its ordered dither is checked elsewhere).
    TBitmap expected = picture;
    std::string background = w.background ? w.background : "";
    if (w.samples == 1 && w.bits == 8) {
      std::vector<TRGB> palette(256);
      TKXQuantizer quantizer(picture, palette, 256);
      for (int32_t y = 0; y < picture.Height(); ++y)
        for (int32_t x = 0; x < picture.Width(); ++x)
          expected.SetPixel(x, y, palette[quantizer.GetRGBIndex(picture.GetPixel(x, y))]);
      background = "index = " + std::to_string(quantizer.GetRGBIndex(params.PNG_Background));
    } else if (w.bits == 1) {
      TFileStream in(file, fmOpenRead);
      TIOParamsVals read;
      bool aborted = false;
      TProgressRec progress;
      progress.Aborting = &aborted;
      ReadPNGStream(in, expected, read, false, progress);
      ASSERT_EQ(expected.PixelFormat(), pf1bit);
      expected = As24(expected);
    }

    const std::string ppm = kxtest::TempPath(".ppm");
    std::string said;
    ASSERT_EQ(kxtest::Run(Py(kPillowReader) + " " + kxtest::Quote(file) + " " + kxtest::Quote(ppm), &said), 0);
    std::istringstream words(said);
    std::string mode, dpi;
    int32_t width = 0, height = 0;
    words >> mode >> width >> height >> dpi;
    EXPECT_EQ(mode, w.pillowMode);
    EXPECT_EQ(width, 61);
    EXPECT_EQ(height, 45);
    EXPECT_EQ(dpi, "300,150");
    EXPECT_NE(check.find("chunk bKGD at offset"), std::string::npos);
    EXPECT_NE(check.find("    " + background + "\n"), std::string::npos) << check;
    TBitmap pillows, magicks;
    ASSERT_TRUE(kxtest::ReadNetpbm(ppm, pillows));
    EXPECT_TRUE(kxtest::SameBitmap(pillows, expected));

    const std::string magickPpm = kxtest::TempPath(".ppm");
    ASSERT_EQ(kxtest::Run(kConvert + " " + kxtest::Quote(file) + " -depth 8 " + kxtest::Quote("ppm:" + magickPpm)), 0);
    ASSERT_TRUE(kxtest::ReadNetpbm(magickPpm, magicks));
    EXPECT_TRUE(kxtest::SameBitmap(magicks, expected));
    // 300 and 150 dpi are stored as 11811 and 5906 pixels per metre.
    std::string density;
    kxtest::Run("/usr/bin/identify -units PixelsPerCentimeter -format '%x %y' " + kxtest::Quote(file), &density);
    std::istringstream perCm(density);
    double x = 0, y = 0;
    perCm >> x >> y;
    EXPECT_NEAR(x, 118.11, 1e-9);
    EXPECT_NEAR(y, 59.06, 1e-9);
  }
}

}  // namespace
