// DIB blocks: the exact bytes export writes, round trips, the blocks other programs write
// (decoded by the same program for comparison), hand-made blocks for colour tables, bit
// fields, run-length streams and YUV codes, and malformed blocks that must change nothing.
#include "imaging/proc/dib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/core/byte_writer.h"
#include "imaging/proc/yuv.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::As24;

namespace {

using Bytes = std::vector<uint8_t>;

const std::string kConvert = "/usr/bin/convert";
const std::string kPython = "/usr/bin/python3";

uint32_t Le32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
void SetLe32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// The fields of a hand-made DIB; masks go after a 40-byte header and inside a longer one.
struct TDibFields {
  uint32_t HeaderSize = 40;
  int32_t Width = 1, Height = 1;
  uint16_t Bits = 24;
  uint32_t Compression = 0;
  uint32_t ColorsUsed = 0;
  std::vector<uint32_t> Masks;
  std::vector<TRGB> Table;
  Bytes Pixels;
};

Bytes BuildDib(const TDibFields& f) {
  TKXByteWriter w;
  w.U32LE(f.HeaderSize);
  if (f.HeaderSize == 12) {
    w.U16LE(uint16_t(f.Width));
    w.U16LE(uint16_t(f.Height));
    w.U16LE(1);
    w.U16LE(f.Bits);
  } else {
    w.I32LE(f.Width);
    w.I32LE(f.Height);
    w.U16LE(1);
    w.U16LE(f.Bits);
    w.U32LE(f.Compression);
    w.Zeros(12);
    w.U32LE(f.ColorsUsed);
    w.U32LE(0);
    for (uint32_t m : f.Masks) w.U32LE(m);
    if (f.HeaderSize > 40) w.Zeros(f.HeaderSize - 40 - 4 * f.Masks.size());
  }
  for (const TRGB& c : f.Table) {
    w.Bytes(&c, 3);
    if (f.HeaderSize != 12) w.U8(0);
  }
  w.Bytes(f.Pixels.data(), f.Pixels.size());
  return w.Result();
}

// A target that already holds a picture, to see that a refused block leaves it alone.
TBitmap Target() { return kxtest::MakePicture(5, 3, 7); }

void ExpectRefusedUnchanged(std::span<const uint8_t> dib, const std::string& what, std::span<const uint8_t> data = {}) {
  TBitmap target = Target();
  const TBitmap before = target;
  EXPECT_EQ(_CopyDIB2Bitmap(dib, target, data), 0) << what;
  EXPECT_TRUE(kxtest::SameBitmap(target, before)) << what;
}

// ------------------------------------------------------------------ export

TEST(DibExport, OnePixelAt24BitsIsHeaderPaddedRowAndFourZeros) {
  const Bytes dib = _CopyBitmaptoDIB(kxtest::Filled(1, 1, CreateRGB(0x30, 0x20, 0x10)), 0, 0, 0, 0);
  Bytes want(48, 0);
  want[0] = 40, want[4] = 1, want[8] = 1, want[12] = 1, want[14] = 24;
  want[40] = 0x10, want[41] = 0x20, want[42] = 0x30;
  EXPECT_EQ(dib, want);
}

TEST(DibExport, OneBitRowsCopyTheBitsFromTheLeftEdgeOfTheRectangle) {
  // Row 0 (top) has pixels 0, 3 and 8 of the exported span set, row 1 pixels 1 and 7.
  TBitmap mono(12, 2, pf1bit);
  const int32_t left = 3;
  for (int32_t x : {0, 3, 8}) mono.ScanLine(0)[(x + left) >> 3] |= uint8_t(0x80 >> ((x + left) & 7));
  for (int32_t x : {1, 7}) mono.ScanLine(1)[(x + left) >> 3] |= uint8_t(0x80 >> ((x + left) & 7));
  const Bytes dib = _CopyBitmaptoDIB(mono, left, 0, left + 8, 1);
  Bytes want(40 + 8 + 2 * 4 + 4, 0);
  want[0] = 40, want[4] = 9, want[8] = 2, want[12] = 1, want[14] = 1;
  want[44] = want[45] = want[46] = want[47] = 0xFF;
  want[48] = 0x41, want[49] = 0x00;  // bottom row first
  want[52] = 0x90, want[53] = 0x80;  // the ninth pixel in the top bit of the second byte
  EXPECT_EQ(dib, want);
}

TEST(DibExport, RectangleIsCutAndStoredBottomRowFirst) {
  const TBitmap picture = kxtest::CoordinatePicture(8, 8);
  const Bytes dib = _CopyBitmaptoDIB(picture, 2, 3, 4, 5);
  ASSERT_EQ(dib.size(), size_t(40 + 3 * 12 + 4));
  EXPECT_EQ(Le32(dib, 4), 3u);
  EXPECT_EQ(Le32(dib, 8), 3u);
  for (int32_t row = 0; row < 3; ++row)
    for (int32_t x = 0; x < 3; ++x) {
      const size_t at = size_t(40 + row * 12 + x * 3);
      EXPECT_EQ(dib[at], 7);
      EXPECT_EQ(dib[at + 1], 5 - row) << row;
      EXPECT_EQ(dib[at + 2], 2 + x);
    }
  for (size_t i = dib.size() - 4; i < dib.size(); ++i) EXPECT_EQ(dib[i], 0);

  // Zero corners mean the last column and row; corners beyond the picture are cut to it.
  for (auto [x2, y2] : {std::pair{0, 0}, std::pair{100, 50}}) {
    const Bytes tail = _CopyBitmaptoDIB(kxtest::CoordinatePicture(5, 4), 1, 1, x2, y2);
    EXPECT_EQ(Le32(tail, 4), 4u);
    EXPECT_EQ(Le32(tail, 8), 3u);
    EXPECT_EQ(tail[40 + 1], 3);  // first stored row = picture row 3
  }
  EXPECT_TRUE(_CopyBitmaptoDIB(picture, 9, 0, 12, 3).empty());
  EXPECT_TRUE(_CopyBitmaptoDIB(picture, 4, 4, 3, 5).empty());
  EXPECT_TRUE(_CopyBitmaptoDIB(TBitmap(), 0, 0, 0, 0).empty());
}

TEST(DibExport, OtherFormatsAreWrittenAt24Bits) {
  TBitmap gray(3, 1, pf8bit);
  gray.ScanLine(0)[0] = 0, gray.ScanLine(0)[1] = 128, gray.ScanLine(0)[2] = 255;
  const Bytes dib = _CopyBitmaptoDIB(gray, 0, 0, 0, 0);
  EXPECT_EQ(dib[14], 24);
  const Bytes want{0, 0, 0, 128, 128, 128, 255, 255, 255, 0, 0, 0};
  EXPECT_EQ(Bytes(dib.begin() + 40, dib.begin() + 52), want);
}

TEST(Dib, RoundTripsAtOneAnd24Bits) {
  TBitmap mono(37, 5, pf1bit);
  std::mt19937 random(3);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 37; ++x)
      if (random() & 1) mono.ScanLine(y)[x >> 3] |= uint8_t(0x80 >> (x & 7));
  for (const TBitmap& picture : {mono, kxtest::MakePicture(37, 11)}) {
    TBitmap back;
    EXPECT_EQ(_CopyDIB2Bitmap(_CopyBitmaptoDIB(picture, 0, 0, 0, 0), back), picture.BitCount());
    EXPECT_TRUE(kxtest::SameBitmap(back, picture));
  }
}

TEST(Dib, CopyBitsKeepsTheDestinationBitsOutsideTheRange) {
  const Bytes source{0xB3, 0x5A, 0xE1, 0x0F};
  auto bit = [](const uint8_t* p, int64_t i) { return (p[i >> 3] >> (7 - (i & 7))) & 1; };
  for (int64_t destBit = 0; destBit < 12; ++destBit)
    for (int64_t sourceBit = 0; sourceBit < 12; ++sourceBit)
      for (int64_t count = 0; count <= 20; ++count) {
        Bytes dest{0x6C, 0x93, 0xA5, 0x3C};
        Bytes want = dest;
        for (int64_t i = 0; i < count; ++i) {
          const uint8_t m = uint8_t(0x80 >> ((destBit + i) & 7));
          uint8_t& b = want[size_t((destBit + i) >> 3)];
          b = bit(source.data(), sourceBit + i) ? uint8_t(b | m) : uint8_t(b & ~m);
        }
        _CopyBits(dest.data(), source.data(), destBit, count, sourceBit);
        ASSERT_EQ(dest, want) << destBit << " " << sourceBit << " " << count;
      }
}

// ------------------------------------------------------------------ other programs' blocks

enum TOracle { kImageMagick, kPillow };
// How a written file is changed before it is read: rows turned top-down, or its bit fields
// (or its plain 16-bit pixels) moved to a 40-byte header.
enum TEdit { kAsWritten, kTopDown, kFieldsAfterV3Header, kPlainV3Header };

struct TOracleCase {
  const char* Name;
  TOracle Oracle;
  const char* Args;  // ImageMagick's options, or the Pillow expression of the image saved
  TEdit Edit;
  int32_t Bits;
  uint32_t HeaderSize;
  TPixelFormat Format;
};

const TOracleCase kOracleCases[] = {
    {"v4 1 bit", kImageMagick, "-monochrome", kAsWritten, 1, 108, pf1bit},
    {"v3 1 bit", kImageMagick, "-define bmp:format=bmp3 -monochrome", kAsWritten, 1, 40, pf1bit},
    {"pillow 1 bit", kPillow, "im.convert('1')", kAsWritten, 1, 40, pf1bit},
    {"pillow 1 bit top-down", kPillow, "im.convert('1')", kTopDown, 1, 40, pf1bit},
    {"v3 4 bits", kImageMagick, "-define bmp:format=bmp3 -colors 16 -type Palette", kAsWritten, 4, 40, pf24bit},
    {"v5 4 bits", kImageMagick, "-colors 16 -type Palette", kAsWritten, 4, 124, pf24bit},
    {"v3 4 bits top-down", kImageMagick, "-define bmp:format=bmp3 -colors 16 -type Palette", kTopDown, 4, 40, pf24bit},
    {"v3 8 bits", kImageMagick, "-define bmp:format=bmp3 -type Palette -compress None", kAsWritten, 8, 40, pf24bit},
    {"v5 rle8", kImageMagick, "-type Palette", kAsWritten, 8, 124, pf24bit},
    {"v3 rle8", kImageMagick, "-define bmp:format=bmp3 -type Palette", kAsWritten, 8, 40, pf24bit},
    {"core 8 bits", kImageMagick, "-define bmp:format=bmp2 -type Palette", kAsWritten, 8, 12, pf24bit},
    {"pillow palette", kPillow, "im.convert('P', palette=Image.ADAPTIVE, colors=200)", kAsWritten, 8, 40, pf24bit},
    {"pillow palette top-down", kPillow, "im.convert('P', palette=Image.ADAPTIVE, colors=200)", kTopDown, 8, 40,
     pf24bit},
    {"pillow gray", kPillow, "im.convert('L')", kAsWritten, 8, 40, pf24bit},
    {"v5 565", kImageMagick, "-define bmp:subtype=RGB565", kAsWritten, 16, 124, pf24bit},
    {"v5 565 top-down", kImageMagick, "-define bmp:subtype=RGB565", kTopDown, 16, 124, pf24bit},
    {"v3 565 fields", kImageMagick, "-define bmp:subtype=RGB565", kFieldsAfterV3Header, 16, 40, pf24bit},
    {"v5 555 fields", kImageMagick, "-define bmp:subtype=RGB555", kAsWritten, 16, 124, pf24bit},
    {"v3 555 plain", kImageMagick, "-define bmp:subtype=RGB555", kPlainV3Header, 16, 40, pf24bit},
    {"v3 24 bits", kImageMagick, "-define bmp:format=bmp3 -type TrueColor", kAsWritten, 24, 40, pf24bit},
    {"v5 24 bits", kImageMagick, "-define bmp:format=bmp4 -type TrueColor", kAsWritten, 24, 124, pf24bit},
    {"core 24 bits", kImageMagick, "-define bmp:format=bmp2", kAsWritten, 24, 12, pf24bit},
    {"pillow 24 bits", kPillow, "im.convert('RGB')", kAsWritten, 24, 40, pf24bit},
    {"pillow 24 bits top-down", kPillow, "im.convert('RGB')", kTopDown, 24, 40, pf24bit},
    {"v5 32 bit fields", kImageMagick, "-type TrueColorAlpha", kAsWritten, 32, 124, pf24bit},
    {"v3 32 bit fields", kImageMagick, "-type TrueColorAlpha", kFieldsAfterV3Header, 32, 40, pf24bit},
    {"pillow 32 bits", kPillow, "im.convert('RGBA')", kAsWritten, 32, 40, pf24bit},
    {"pillow 32 bits top-down", kPillow, "im.convert('RGBA')", kTopDown, 32, 40, pf24bit},
};

bool HaveOracle(TOracle oracle) { return kxtest::Have(oracle == kImageMagick ? kConvert : kPython); }

std::string Pillow(const std::string& script) {
  return kPython + " -c " + kxtest::Quote("from PIL import Image\n" + script);
}

bool WriteWithOracle(const TOracleCase& c, const std::string& source, const std::string& bmp) {
  if (c.Oracle == kImageMagick)
    return kxtest::Run(kConvert + " " + kxtest::Quote(source) + " " + c.Args + " " + kxtest::Quote("bmp:" + bmp)) == 0;
  const std::string script =
      "im = Image.open(" + kxtest::Quote(source) + ")\n" + c.Args + ".save(" + kxtest::Quote(bmp) + ", 'BMP')";
  return kxtest::Run(Pillow(script)) == 0;
}

bool DecodeWithOracle(TOracle oracle, const std::string& bmp, TBitmap& out) {
  const std::string ppm = kxtest::TempPath(".ppm");
  const std::string command =
      oracle == kImageMagick
          ? kConvert + " " + kxtest::Quote("bmp:" + bmp) + " -alpha off -depth 8 " + kxtest::Quote("ppm:" + ppm)
          : Pillow("Image.open(" + kxtest::Quote(bmp) + ").convert('RGB').save(" + kxtest::Quote(ppm) + ", 'PPM')");
  return kxtest::Run(command) == 0 && kxtest::ReadNetpbm(ppm, out);
}

// A file of the block, so that the oracle decodes exactly what we read.
void WriteBmpFile(const std::string& path, const Bytes& dib, uint32_t pixelOffset) {
  Bytes file{'B', 'M'};
  file.resize(14);
  SetLe32(file, 2, uint32_t(14 + dib.size()));
  SetLe32(file, 10, 14 + pixelOffset);
  file.insert(file.end(), dib.begin(), dib.end());
  kxtest::WriteFile(path, file);
}

// Applies `edit` to the block (header, then pixels from `offset`); returns the new block and
// moves `offset` to its pixels.
Bytes Edited(const Bytes& dib, TEdit edit, uint32_t& offset) {
  const int32_t width = int32_t(Le32(dib, 4)), height = int32_t(Le32(dib, 8));
  const int bits = dib[14];
  switch (edit) {
    case kAsWritten:
      return dib;
    case kTopDown: {
      Bytes out = dib;
      SetLe32(out, 8, uint32_t(-height));
      const size_t rowBytes = size_t((bits * width + 31) / 32 * 4);
      for (int32_t i = 0; i < height; ++i)
        std::memcpy(&out[offset + size_t(i) * rowBytes], &dib[offset + size_t(height - 1 - i) * rowBytes], rowBytes);
      return out;
    }
    case kFieldsAfterV3Header:
    case kPlainV3Header: {
      Bytes out(dib.begin(), dib.begin() + 40);
      SetLe32(out, 0, 40);
      if (edit == kFieldsAfterV3Header) {
        out.insert(out.end(), dib.begin() + 40, dib.begin() + 52);
      } else {
        SetLe32(out, 16, 0);
      }
      out.insert(out.end(), dib.begin() + offset, dib.end());
      offset = uint32_t(edit == kFieldsAfterV3Header ? 52 : 40);
      return out;
    }
  }
  return dib;
}

// Reads `dib` and compares it pixel by pixel with the oracle's own decoding of it.
void ExpectSameAsOracle(TOracle oracle, const Bytes& dib, uint32_t pixelOffset, int32_t bits, TPixelFormat format,
                        const std::string& what) {
  const std::string bmp = kxtest::TempPath(".bmp");
  WriteBmpFile(bmp, dib, pixelOffset);
  TBitmap reference;
  ASSERT_TRUE(DecodeWithOracle(oracle, bmp, reference)) << what;
  TBitmap ours = Target();
  ASSERT_EQ(_CopyDIB2Bitmap(dib, ours), bits) << what;
  EXPECT_EQ(ours.PixelFormat(), format) << what;
  const kxtest::TDiff diff = kxtest::Compare(As24(ours), reference);
  EXPECT_TRUE(diff.sameSize) << what;
  EXPECT_EQ(diff.pixels, 0) << what << ": largest difference " << diff.maxDelta;
}

TEST(DibImport, ReadsWhatOtherProgramsWriteAsTheyDecodeIt) {
  const std::string source = kxtest::TempPath(".ppm");
  kxtest::WritePPM(source, kxtest::MakePicture(13, 9));
  int ran = 0;
  for (const TOracleCase& c : kOracleCases) {
    if (!HaveOracle(c.Oracle)) continue;
    const std::string written = kxtest::TempPath(".bmp");
    ASSERT_TRUE(WriteWithOracle(c, source, written)) << c.Name;
    const Bytes file = kxtest::ReadFile(written);
    ASSERT_GT(file.size(), 54u) << c.Name;
    uint32_t offset = Le32(file, 10) - 14;
    const Bytes dib = Edited(Bytes(file.begin() + 14, file.end()), c.Edit, offset);
    ASSERT_EQ(Le32(dib, 0), c.HeaderSize) << c.Name;
    ExpectSameAsOracle(c.Oracle, dib, offset, c.Bits, c.Format, c.Name);
    ++ran;
  }
  if (ran == 0) GTEST_SKIP() << "neither ImageMagick nor Pillow";
}

// Nothing we have at hand writes RLE4, so the stream is made here and ImageMagick decodes it:
// runs of two alternating colours, an odd absolute run (padded to a 16-bit boundary), ends of
// line and the end code.
TEST(DibImport, ReadsRle4AsImageMagickDecodesIt) {
  if (!kxtest::Have(kConvert)) GTEST_SKIP() << "no ImageMagick";
  TDibFields f;
  f.Width = 7, f.Height = 3, f.Bits = 4, f.Compression = 2, f.ColorsUsed = 16;
  for (int i = 0; i < 16; ++i) f.Table.push_back(CreateRGB(uint8_t(i * 16), uint8_t(255 - i * 9), uint8_t(i * 5)));
  f.Pixels = {7, 0x12, 0,    0,                             // bottom row: 1 2 1 2 1 2 1
              0, 5,    0x34, 0x56, 0x70, 0, 2, 0xF9, 0, 0,  // 3 4 5 6 7, then 15 9
              4, 0xAB, 3,    0xCC, 0,    1};                // top row, then the end
  const Bytes dib = BuildDib(f);
  ExpectSameAsOracle(kImageMagick, dib, uint32_t(40 + 64), 4, pf24bit, "rle4");
}

// ------------------------------------------------------------------ hand-made blocks

TEST(DibImport, OneBitKeepsItsBitsOnlyForABlackThenWhiteTable) {
  TDibFields f;
  f.Width = 9, f.Height = 1, f.Bits = 1;
  f.Pixels = {0xA0, 0x80, 0, 0};  // pixels 0, 2 and 8 set
  f.Table = {CreateRGB(255, 255, 255), CreateRGB(0, 0, 0)};
  TBitmap out;
  ASSERT_EQ(_CopyDIB2Bitmap(BuildDib(f), out), 1);
  ASSERT_EQ(out.PixelFormat(), pf24bit);
  for (int32_t x = 0; x < 9; ++x) {
    const uint8_t v = x == 0 || x == 2 || x == 8 ? 0 : 255;
    EXPECT_EQ(out.GetPixel(x, 0), CreateRGB(v, v, v)) << x;
  }

  f.Table = {CreateRGB(0, 0, 0), CreateRGB(255, 255, 255)};
  ASSERT_EQ(_CopyDIB2Bitmap(BuildDib(f), out), 1);
  ASSERT_EQ(out.PixelFormat(), pf1bit);
  EXPECT_EQ(out.ScanLine(0)[0], 0xA0);
  EXPECT_EQ(out.ScanLine(0)[1], 0x80);

  f.HeaderSize = 12;  // a core header's 3-byte entries
  f.Table = {CreateRGB(10, 20, 30), CreateRGB(200, 100, 50)};
  ASSERT_EQ(_CopyDIB2Bitmap(BuildDib(f), out), 1);
  EXPECT_EQ(out.GetPixel(0, 0), CreateRGB(200, 100, 50));
  EXPECT_EQ(out.GetPixel(1, 0), CreateRGB(10, 20, 30));
}

TEST(DibImport, IndicesBeyondTheTableAreBlack) {
  const TRGB red = CreateRGB(255, 0, 0), green = CreateRGB(0, 255, 0);
  TDibFields eight;
  eight.Width = 4, eight.Bits = 8, eight.ColorsUsed = 2, eight.Table = {red, green};
  eight.Pixels = {1, 0, 2, 255};
  TDibFields four = eight;
  four.Bits = 4, four.Pixels = {0x10, 0x2F, 0, 0};
  for (const TDibFields& f : {eight, four}) {
    TBitmap out;
    ASSERT_EQ(_CopyDIB2Bitmap(BuildDib(f), out), f.Bits);
    EXPECT_EQ(out.GetPixel(0, 0), green);
    EXPECT_EQ(out.GetPixel(1, 0), red);
    EXPECT_EQ(out.GetPixel(2, 0), TRGB{});
    EXPECT_EQ(out.GetPixel(3, 0), TRGB{});
  }
}

TEST(DibImport, ColourTableAnnouncedAtHighDepthsIsSkipped) {
  TDibFields f;
  f.Width = 1, f.Bits = 24, f.ColorsUsed = 3;
  f.Table = {CreateRGB(1, 1, 1), CreateRGB(2, 2, 2), CreateRGB(3, 3, 3)};
  f.Pixels = {0x30, 0x20, 0x10, 0};
  TBitmap out;
  ASSERT_EQ(_CopyDIB2Bitmap(BuildDib(f), out), 24);
  EXPECT_EQ(out.GetPixel(0, 0), CreateRGB(0x10, 0x20, 0x30));
}

TEST(DibImport, BitFieldsScaleEachChannelByRepeatingItsBits) {
  struct Case {
    uint16_t Bits;
    uint32_t Compression;
    std::vector<uint32_t> Masks;
    uint32_t Pixel;
    TRGB Want;
  };
  const Case cases[] = {
      {16, 0, {}, 0x7FFF, CreateRGB(255, 255, 255)},
      {16, 0, {}, 0x7C00, CreateRGB(255, 0, 0)},
      {16, 0, {}, 0x0211, CreateRGB(0, 132, 140)},  // 10000 -> 10000100, 10001 -> 10001100
      {16, 3, {0xF800, 0x07E0, 0x001F}, 0x07E0, CreateRGB(0, 255, 0)},
      {16, 3, {0xF800, 0x07E0, 0x001F}, 0x0820, CreateRGB(8, 4, 0)},
      {32, 0, {}, 0xAA123456, CreateRGB(0x12, 0x34, 0x56)},
      {32, 3, {0x3FF00000, 0x000FFC00, 0x000003FF}, 0x3FF01000, CreateRGB(255, 1, 0)},
      {32, 3, {0x80000000, 0x00000000, 0x00000070}, 0x80000050, CreateRGB(255, 0, 182)},  // 101 -> 10110110
  };
  for (const Case& c : cases)
    for (uint32_t headerSize : {40u, 56u, 124u}) {
      if (c.Compression == 0 && headerSize != 40) continue;
      TDibFields f;
      f.HeaderSize = headerSize, f.Bits = c.Bits, f.Compression = c.Compression, f.Masks = c.Masks;
      for (int i = 0; i < 4; ++i) f.Pixels.push_back(uint8_t(i < c.Bits / 8 ? c.Pixel >> (8 * i) : 0));
      TBitmap out;
      ASSERT_EQ(_CopyDIB2Bitmap(BuildDib(f), out), c.Bits) << std::hex << c.Pixel;
      EXPECT_EQ(out.GetPixel(0, 0), c.Want) << std::hex << c.Pixel << std::dec << " header " << headerSize;
    }
}

// The first stored row of a 2 x 3 picture is white and the others black, so the row order shows.
TEST(DibImport, NegativeHeightStoresRowsTopDown) {
  for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    TDibFields f;
    f.Width = 2, f.Height = -3, f.Bits = bits;
    const int rowBytes = (bits * 2 + 31) / 32 * 4;
    if (bits <= 8) f.Table.assign(size_t(1) << bits, CreateRGB(255, 255, 255)), f.Table[0] = TRGB{};
    for (int row = 0; row < 3; ++row)
      for (int i = 0; i < rowBytes; ++i) f.Pixels.push_back(row == 0 && i < (bits * 2 + 7) / 8 ? 0xFF : 0);
    TBitmap out;
    ASSERT_EQ(_CopyDIB2Bitmap(BuildDib(f), out), bits);
    ASSERT_EQ(out.Height(), 3);
    const TBitmap rgb = As24(out);
    EXPECT_EQ(rgb.GetPixel(1, 0), CreateRGB(255, 255, 255)) << bits;
    EXPECT_EQ(rgb.GetPixel(1, 2), TRGB{}) << bits;
  }
}

// Runs longer than the row, absolute runs past it and deltas out of the picture all stop at
// its edges: nothing wraps into the next row and nothing is written outside.
TEST(DibImport, RunLengthStreamsStayInsideThePicture) {
  TDibFields f;
  f.Width = 3, f.Height = 3, f.Bits = 8, f.Compression = 1, f.ColorsUsed = 4;
  f.Table = {CreateRGB(0, 0, 0), CreateRGB(255, 0, 0), CreateRGB(0, 255, 0), CreateRGB(0, 0, 255)};
  f.Pixels = {200, 1,                        // bottom row red, the rest of the run dropped
              0,   0,                        // next row
              0,   5, 2,   3,   2, 3, 2, 0,  // absolute run of five, two beyond the row; padded
              0,   0, 0,   2,   1, 0,        // delta to x = 1 of the top row
              1,   3,                        // one blue pixel there
              0,   2, 250, 250,              // a delta far outside
              255, 1, 0,   1};
  TBitmap out;
  ASSERT_EQ(_CopyDIB2Bitmap(BuildDib(f), out), 8);
  const TRGB k{}, r = f.Table[1], g = f.Table[2], b = f.Table[3];
  const TRGB want[3][3] = {{k, b, k}, {g, b, g}, {r, r, r}};
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(out.GetPixel(x, y), want[y][x]) << x << "," << y;

  // RLE4 alike, with a delta inside the picture and a stream that just stops.
  f.Bits = 4, f.Compression = 2;
  f.Pixels = {9, 0x12, 0, 0, 0, 2, 1, 0, 0, 3, 0x31, 0x20};
  ASSERT_EQ(_CopyDIB2Bitmap(BuildDib(f), out), 4);
  const TRGB want4[3][3] = {{k, k, k}, {k, b, r}, {r, g, r}};
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(out.GetPixel(x, y), want4[y][x]) << x << "," << y;
}

TEST(DibImport, YuvCodesAreConvertedWithTheirOwnRowOrder) {
  // An 8 x 2 frame whose first stored row is white and second black, in each packed layout.
  struct Case {
    const char* Code;
    Bytes WhiteGroup, BlackGroup;  // one row of 8 pixels
    int32_t Height;
    bool WhiteOnTop;
  };
  auto repeat = [](Bytes group, int times) {
    Bytes row;
    for (int i = 0; i < times; ++i) row.insert(row.end(), group.begin(), group.end());
    return row;
  };
  const Bytes yuy2White = repeat({235, 128, 235, 128}, 4), yuy2Black = repeat({16, 128, 16, 128}, 4);
  const Bytes y41pWhite{128, 235, 128, 235, 128, 235, 128, 235, 235, 235, 235, 235};
  Bytes y41pBlack = y41pWhite;
  for (size_t i : {1, 3, 5, 7, 8, 9, 10, 11}) y41pBlack[i] = 16;
  const Case cases[] = {
      {"YUY2", yuy2White, yuy2Black, 2, true},
      {"YUY2", yuy2White, yuy2Black, -2, false},
      {"Y41P", y41pWhite, y41pBlack, 2, false},
      {"Y41P", y41pWhite, y41pBlack, -2, true},
      {"cyuv", repeat({128, 235, 128, 235}, 4), repeat({128, 16, 128, 16}, 4), 2, true},
      {"cyuv", repeat({128, 235, 128, 235}, 4), repeat({128, 16, 128, 16}, 4), -2, false},
  };
  for (const Case& c : cases) {
    Bytes frame = c.WhiteGroup;
    frame.insert(frame.end(), c.BlackGroup.begin(), c.BlackGroup.end());
    TDibFields f;
    f.Width = 8, f.Height = c.Height, f.Bits = 16;
    std::memcpy(&f.Compression, c.Code, 4);
    const Bytes header = BuildDib(f);
    f.Pixels = frame;
    const Bytes withPixels = BuildDib(f);
    for (int separate = 0; separate < 2; ++separate) {
      TBitmap out;
      ASSERT_EQ(_CopyDIB2Bitmap(separate ? header : withPixels, out, separate ? frame : Bytes{}), 16) << c.Code;
      const TRGB top = out.GetPixel(3, 0), bottom = out.GetPixel(3, 1);
      EXPECT_EQ(c.WhiteOnTop ? top : bottom, CreateRGB(255, 255, 255)) << c.Code << " " << c.Height;
      EXPECT_EQ(c.WhiteOnTop ? bottom : top, CreateRGB(0, 0, 0)) << c.Code << " " << c.Height;
    }
    frame.pop_back();
    ExpectRefusedUnchanged(header, std::string(c.Code) + " short data", frame);
  }
}

TEST(DibImport, EveryTruncationOfASmallBlockIsRefused) {
  TDibFields palette;
  palette.Width = 3, palette.Height = 2, palette.Bits = 8, palette.ColorsUsed = 2;
  palette.Table = {CreateRGB(1, 2, 3), CreateRGB(4, 5, 6)};
  palette.Pixels = {0, 1, 0, 0, 1, 1, 0, 0};
  TDibFields fields;
  fields.Width = 2, fields.Height = -2, fields.Bits = 16, fields.Compression = 3;
  fields.Masks = {0xF800, 0x07E0, 0x001F};
  fields.Pixels = Bytes(8, 0x5A);
  TDibFields core;
  core.HeaderSize = 12, core.Width = 5, core.Height = 1, core.Bits = 1;
  core.Table = {CreateRGB(0, 0, 0), CreateRGB(255, 255, 255)};
  core.Pixels = {0xF8, 0, 0, 0};
  TDibFields yuv;
  yuv.Width = 3, yuv.Height = 3, yuv.Bits = 12;
  std::memcpy(&yuv.Compression, "I420", 4);
  yuv.Pixels = Bytes(9 + 2 * 4, 0x80);
  for (const TDibFields& f : {palette, fields, core, yuv}) {
    const Bytes full = BuildDib(f);
    for (size_t length = 0; length < full.size(); ++length)
      ExpectRefusedUnchanged(std::span(full.data(), length),
                             "bits " + std::to_string(f.Bits) + " length " + std::to_string(length));
    TBitmap out;
    EXPECT_EQ(_CopyDIB2Bitmap(full, out), f.Bits);
  }
}

TEST(DibImport, AbsurdHeadersAreRefusedAndLeaveTheTargetAlone) {
  kxtest::TPixelLimitScope limit(1 << 16);
  TDibFields base;
  base.Width = 2, base.Height = 2, base.Bits = 24, base.Pixels = Bytes(16, 0x33);
  struct Case {
    const char* What;
    TDibFields Fields;
  };
  std::vector<Case> cases;
  auto add = [&](const char* what, auto change) {
    TDibFields f = base;
    change(f);
    cases.push_back({what, f});
  };
  add("height INT32_MIN", [](TDibFields& f) { f.Height = INT32_MIN; });
  add("width INT32_MAX", [](TDibFields& f) { f.Width = INT32_MAX; });
  add("above the pixel limit", [](TDibFields& f) { f.Width = 1 << 9, f.Height = 1 << 8; });
  add("negative width", [](TDibFields& f) { f.Width = -2; });
  add("width 0", [](TDibFields& f) { f.Width = 0; });
  add("height 0", [](TDibFields& f) { f.Height = 0; });
  add("colours used 2^31", [](TDibFields& f) { f.ColorsUsed = 1u << 31; });
  add("colours used 2^32 - 1 at 8 bits", [](TDibFields& f) { f.Bits = 8, f.ColorsUsed = 0xFFFFFFFF; });
  add("header size 41", [](TDibFields& f) { f.HeaderSize = 41; });
  add("7 bits", [](TDibFields& f) { f.Bits = 7; });
  add("0 bits", [](TDibFields& f) { f.Bits = 0; });
  add("fields at 24 bits", [](TDibFields& f) { f.Compression = 3, f.Masks = {0xFF, 0xFF00, 0xFF0000}; });
  add("rle8 at 4 bits", [](TDibFields& f) { f.Bits = 4, f.Compression = 1; });
  add("rle4 at 8 bits", [](TDibFields& f) { f.Bits = 8, f.Compression = 2; });
  add("rle8 top-down", [](TDibFields& f) { f.Bits = 8, f.Compression = 1, f.Height = -2; });
  add("unknown compression", [](TDibFields& f) { f.Compression = 0x12345678; });
  add("yuv above the pixel limit", [](TDibFields& f) {
    f.Width = 1 << 12, f.Height = 1 << 12, f.Bits = 16;
    std::memcpy(&f.Compression, "UYVY", 4);
  });
  add("yuv with too few pixels", [](TDibFields& f) {
    f.Width = 4, f.Height = 4;
    std::memcpy(&f.Compression, "IYU2", 4);
  });
  for (const Case& c : cases) ExpectRefusedUnchanged(BuildDib(c.Fields), c.What);
}

}  // namespace
