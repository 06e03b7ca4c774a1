// Pictures large enough to be compressed on two threads, at sizes around the threshold and the
// segment length: each filter and level is read back pixel-identical by us and by Pillow, keeps
// the chosen filter on every row, is at most 0.1 % larger than the same filtered rows deflated
// as one stream by libpng, and is the same bytes on a second run.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/png_codec.h"
#include "imaging/proc/quantizer.h"
#include "tests/io/png_test_files.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

using TBytes = std::vector<uint8_t>;

const std::string kPython = "/usr/bin/python3";
const std::string kPngcheck = "/usr/bin/pngcheck";

// Prints the file's length, that of the file libpng would write from the same filtered rows as
// one stream with the writer's settings (in IDAT chunks of its 8 KiB), and whether every row
// starts with the filter byte; writes Pillow's pixels as PPM.
const char* kInspector = R"(
import struct, sys, zlib
from PIL import Image
path, level, strategy, filt, out = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
data, at, stream, chunks = open(path, "rb").read(), 8, b"", 0
while at < len(data):
    n = struct.unpack(">I", data[at:at + 4])[0]
    if data[at + 4:at + 8] == b"IDAT":
        stream += data[at + 8:at + 8 + n]
        chunks += 1
    at += 12 + n
w, h, depth, ctype = struct.unpack(">IIBB", data[16:26])
raw = zlib.decompress(stream)
row = 1 + (w * (3 if ctype == 2 else 1) * depth + 7) // 8
same = len(raw) == row * h and all(raw[y * row] == filt for y in range(h))
z = zlib.compressobj(level, zlib.DEFLATED, 15, 8, strategy)
single = z.compress(raw) + z.flush()
Image.open(path).convert("RGB").save(out, "PPM")
others = len(data) - len(stream) - 12 * chunks
print(len(data), others + len(single) + 12 * -(-len(single) // 8192), int(same))
)";

// A 1-bit picture of noise; its pixels are as the file has them whatever our reader does.
TBitmap OneBitNoise(int32_t width, int32_t height) {
  TBitmap bits(width, height, pf1bit);
  uint32_t state = 7;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      if (state >> 31) bits.SetPixel(x, y, TRGB{255, 255, 255});
    }
  return bits;
}

struct TCase {
  const char* name;
  int32_t width, height;
  int samples, bits;
};

TEST(PngTwoThreads, EveryFilterAndLevelReadsBackAndStaysAsSmallAsOneStream) {
  if (!kxtest::Have(kPython)) GTEST_SKIP() << "Python with Pillow missing";
  // Filtered RGB rows of 904 bytes: the threshold of 256 KiB falls between 289 and 290 rows (two
  // parts of 192 KiB and more), a segment of 4 MiB holds 4639 rows in four parts, so 9279 rows
  // end with a segment of one row. The palette picture has three parts, the 1-bit one two.
  const TCase cases[] = {
      {"rgb below the threshold", 301, 289, 3, 8},
      {"rgb at the threshold", 301, 290, 3, 8},
      {"rgb three segments, the last of one row", 301, 9279, 3, 8},
      {"palette", 999, 700, 1, 8},
      {"one bit", 4093, 600, 1, 1},
  };
  for (const TCase& c : cases) {
    TBitmap picture = c.bits == 1 ? OneBitNoise(c.width, c.height) : kxtest::MakePicture(c.width, c.height, 3);
    TBitmap expected = kxtest::As24(picture);
    if (c.samples == 1 && c.bits == 8) {
      std::vector<TRGB> palette(256);
      TKXQuantizer quantizer(picture, palette, 256);
      for (int32_t y = 0; y < picture.Height(); ++y)
        for (int32_t x = 0; x < picture.Width(); ++x)
          expected.SetPixel(x, y, palette[quantizer.GetRGBIndex(picture.GetPixel(x, y))]);
    }
    for (TIOPNGFilter filter : {ioPNG_FILTER_NONE, ioPNG_FILTER_SUB, ioPNG_FILTER_PAETH}) {
      for (int level : {0, 1, 6, 9}) {
        SCOPED_TRACE(std::string(c.name) + " filter " + std::to_string(filter) + " level " + std::to_string(level));
        TIOParamsVals params;
        params.SamplesPerPixel = c.samples;
        params.BitsPerSample = c.bits;
        params.PNG_Filter = filter;
        params.PNG_Compression = level;
        const TBytes file = kxtest::EncodePng(picture, params);
        EXPECT_EQ(kxtest::EncodePng(picture, params), file);
        const kxtest::TPngDecoded back = kxtest::DecodePng(file);
        EXPECT_FALSE(back.aborted);
        EXPECT_TRUE(kxtest::SameBitmap(kxtest::As24(back.bitmap), expected));

        const std::string path = kxtest::TempPath(".png"), ppm = kxtest::TempPath(".ppm");
        kxtest::WriteFile(path, file);
        if (kxtest::Have(kPngcheck)) {
          EXPECT_EQ(kxtest::Run(kPngcheck + " -q " + kxtest::Quote(path)), 0);
        }
        const int code = filter == ioPNG_FILTER_NONE ? 0 : filter == ioPNG_FILTER_SUB ? 1 : 4;
        const int strategy = filter == ioPNG_FILTER_NONE ? 0 : 1;  // zlib's default or filtered
        std::string said;
        ASSERT_EQ(kxtest::Run(kPython + " -c " + kxtest::Quote(kInspector) + " " + kxtest::Quote(path) + " " +
                                  std::to_string(level) + " " + std::to_string(strategy) + " " + std::to_string(code) +
                                  " " + kxtest::Quote(ppm),
                              &said),
                  0)
            << said;
        std::istringstream words(said);
        size_t ours = 0, single = 0;
        int sameFilter = 0;
        words >> ours >> single >> sameFilter;
        EXPECT_EQ(sameFilter, 1);
        EXPECT_LE(double(ours), double(single) * 1.001) << ours << " against " << single;
        TBitmap pillows;
        ASSERT_TRUE(kxtest::ReadNetpbm(ppm, pillows));
        EXPECT_TRUE(kxtest::SameBitmap(pillows, expected));
      }
    }
  }
}

}  // namespace
