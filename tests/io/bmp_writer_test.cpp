// The bitmap writer: the headers and palettes of every depth and version, the run-length codes
// it chooses (runs, literal stretches of 1, 2, 3 and more than 255 pixels, the row and picture
// ends), the resolution, the two colours of 1-bit files, refused sizes and a stopped write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/byte_reader.h"
#include "imaging/core/stream.h"
#include "imaging/io/bmp_codec.h"
#include "imaging/io/ioparams.h"
#include "tests/io/bmp_test_files.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::ReadBmp;
using kxtest::TBmpRead;

namespace {

struct TWritten {
  std::vector<uint8_t> Bytes;
  TIOParamsVals Params;
  bool Aborted = false;
};

TWritten Write(TBitmap& bitmap, int32_t bitsPerSample, int32_t samples, TIOBMPVersion version = ioBMP_BM3,
               TIOBMPCompression compression = ioBMP_UNCOMPRESSED) {
  TWritten w;
  w.Params.BitsPerSample = bitsPerSample;
  w.Params.SamplesPerPixel = samples;
  w.Params.BMP_Version = version;
  w.Params.BMP_Compression = compression;
  w.Params.DpiX = 72;
  w.Params.DpiY = 300;
  TMemoryStream stream;
  TProgressRec progress{};
  progress.Aborting = &w.Aborted;
  BMPWriteStream(stream, bitmap, w.Params, progress);
  w.Bytes = stream.Bytes();
  return w;
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
  TKXByteReader r({b.data() + at, 4});
  return r.U32LE();
}
uint16_t U16At(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

// A picture whose 8-bit palette holds every colour exactly: colour i of `colours` in distinct
// cells of the quantizer's histogram.
TRGB Colour(int32_t i) { return CreateRGB(uint8_t(i % 8 * 32), uint8_t(i / 8 % 8 * 32), uint8_t(i / 64 * 32)); }

// The palette index the writer gave colour `c`.
uint8_t IndexOf(const TIOParamsVals& params, TRGB c) {
  return uint8_t(std::find(params.ColorMap.begin(), params.ColorMap.end(), c) - params.ColorMap.begin());
}

TEST(BmpWriter, HeadersOfEveryDepthAndVersion) {
  struct TCase {
    int32_t Bits, Samples;
    TIOBMPVersion Version;
    TIOBMPCompression Compression;
    uint32_t HeaderSize;
    uint16_t BitCount;
    uint32_t CompressionCode, PaletteEntries;
  };
  const TCase cases[] = {
      {8, 3, ioBMP_BM3, ioBMP_UNCOMPRESSED, 40, 24, 0, 0},
      {8, 3, ioBMP_BM, ioBMP_RLE, 40, 24, 0, 0},
      {8, 3, ioBMP_BMOS2V2, ioBMP_UNCOMPRESSED, 64, 24, 0, 0},
      {8, 1, ioBMP_BM3, ioBMP_UNCOMPRESSED, 40, 8, 0, 256},
      {8, 1, ioBMP_BM3, ioBMP_RLE, 40, 8, 1, 256},
      {4, 1, ioBMP_BM3, ioBMP_RLE, 40, 4, 2, 16},
      {4, 1, ioBMP_BMOS2V2, ioBMP_UNCOMPRESSED, 64, 4, 0, 16},
      {1, 1, ioBMP_BM3, ioBMP_RLE, 40, 1, 0, 2},
      {8, 1, ioBMP_BMOS2V1, ioBMP_RLE, 12, 8, 0, 256},
      {1, 1, ioBMP_BMOS2V1, ioBMP_UNCOMPRESSED, 12, 1, 0, 2},
  };
  TBitmap picture = kxtest::MakePicture(13, 5);
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Bits) + "/" + std::to_string(c.Samples) + " version " + std::to_string(c.Version));
    const TWritten w = Write(picture, c.Bits, c.Samples, c.Version, c.Compression);
    ASSERT_FALSE(w.Aborted);
    const std::vector<uint8_t>& b = w.Bytes;
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(U32At(b, 2), b.size());
    EXPECT_EQ(U32At(b, 14), c.HeaderSize);
    const uint32_t entry = c.HeaderSize == 12 ? 3 : 4;
    EXPECT_EQ(U32At(b, 10), 14 + c.HeaderSize + entry * c.PaletteEntries);
    if (c.HeaderSize == 12) {
      EXPECT_EQ(U16At(b, 18), 13);
      EXPECT_EQ(U16At(b, 20), 5);
      EXPECT_EQ(U16At(b, 24), c.BitCount);
    } else {
      EXPECT_EQ(U32At(b, 18), 13u);
      EXPECT_EQ(U32At(b, 22), 5u);
      EXPECT_EQ(U16At(b, 28), c.BitCount);
      EXPECT_EQ(U32At(b, 30), c.CompressionCode);
      EXPECT_EQ(U32At(b, 34), b.size() - U32At(b, 10));
      EXPECT_EQ(U32At(b, 38), 2835u);  // 72 dpi
      EXPECT_EQ(U32At(b, 42), 11811u);
      EXPECT_EQ(U32At(b, 46), c.PaletteEntries);
    }
    EXPECT_EQ(w.Params.ColorMapCount, int32_t(c.PaletteEntries));
    TBmpRead back;
    ReadBmp(b, back);
    ASSERT_FALSE(back.Aborted) << back.Diagnostics.Reason;
    EXPECT_EQ(back.Params.BMP_Version, c.Version == ioBMP_BM ? ioBMP_BM3 : c.Version);
    if (c.Bits == 8 && c.Samples == 3) {
      EXPECT_TRUE(kxtest::SameBitmap(back.Bitmap, picture));
    }
  }
}

TEST(BmpWriter, Rle8WritesRowEndsThePictureEndAndItsOwnLength) {
  TBitmap picture(6, 3, pf24bit);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 6; ++x) picture.SetPixel(x, y, Colour(x < 3 ? y : 5));
  const TWritten w = Write(picture, 8, 1, ioBMP_BM3, ioBMP_RLE);
  ASSERT_FALSE(w.Aborted);
  const uint8_t a = IndexOf(w.Params, Colour(2)), b = IndexOf(w.Params, Colour(1)), c = IndexOf(w.Params, Colour(0)),
                d = IndexOf(w.Params, Colour(5));
  const std::vector<uint8_t> expected{3, a, 3, d, 0, 0, 3, b, 3, d, 0, 0, 3, c, 3, d, 0, 0, 0, 1};
  const size_t offset = U32At(w.Bytes, 10);
  EXPECT_EQ(std::vector<uint8_t>(w.Bytes.begin() + std::ptrdiff_t(offset), w.Bytes.end()), expected);
  TBmpRead back;
  ReadBmp(w.Bytes, back);
  ASSERT_FALSE(back.Aborted);
  EXPECT_TRUE(kxtest::SameBitmap(back.Bitmap, picture));
}

// Literal stretches of 1, 2 and 3 pixels between runs, in both codings.
TEST(BmpWriter, ShortLiteralStretchesAndRuns) {
  // Colours: p q q r s s s t u v w w
  const int32_t pattern[] = {0, 1, 1, 2, 3, 3, 3, 4, 5, 6, 7, 7};
  TBitmap picture(12, 1, pf24bit);
  for (int32_t x = 0; x < 12; ++x) picture.SetPixel(x, 0, Colour(pattern[x]));
  for (int32_t bits : {8, 4}) {
    SCOPED_TRACE(bits);
    const TWritten w = Write(picture, bits, 1, ioBMP_BM3, ioBMP_RLE);
    ASSERT_FALSE(w.Aborted);
    uint8_t i[8];
    for (int32_t k = 0; k < 8; ++k) i[k] = IndexOf(w.Params, Colour(k));
    std::vector<uint8_t> expected;
    if (bits == 8)
      expected = {1, i[0], 2, i[1], 1, i[2], 3, i[3], 0, 3, i[4], i[5], i[6], 0, 2, i[7], 0, 0, 0, 1};
    else
      expected = {1,
                  uint8_t(i[0] << 4),
                  2,
                  uint8_t(i[1] * 17),
                  1,
                  uint8_t(i[2] << 4),
                  3,
                  uint8_t(i[3] * 17),
                  0,
                  3,
                  uint8_t(i[4] << 4 | i[5]),
                  uint8_t(i[6] << 4),
                  2,
                  uint8_t(i[7] * 17),
                  0,
                  0,
                  0,
                  1};
    const size_t offset = U32At(w.Bytes, 10);
    EXPECT_EQ(std::vector<uint8_t>(w.Bytes.begin() + std::ptrdiff_t(offset), w.Bytes.end()), expected);
    TBmpRead back;
    ReadBmp(w.Bytes, back);
    ASSERT_FALSE(back.Aborted);
    EXPECT_TRUE(kxtest::SameBitmap(back.Bitmap, picture));
  }
  // Two different pixels alone: RLE8 codes them as two single pixels, RLE4 as one pair.
  TBitmap two(2, 1, pf24bit);
  two.SetPixel(1, 0, Colour(9));
  const TWritten w8 = Write(two, 8, 1, ioBMP_BM3, ioBMP_RLE);
  const TWritten w4 = Write(two, 4, 1, ioBMP_BM3, ioBMP_RLE);
  const uint8_t p8 = IndexOf(w8.Params, Colour(0)), q8 = IndexOf(w8.Params, Colour(9));
  const uint8_t p4 = IndexOf(w4.Params, Colour(0)), q4 = IndexOf(w4.Params, Colour(9));
  EXPECT_EQ(std::vector<uint8_t>(w8.Bytes.end() - 8, w8.Bytes.end()), (std::vector<uint8_t>{1, p8, 1, q8, 0, 0, 0, 1}));
  EXPECT_EQ(std::vector<uint8_t>(w4.Bytes.end() - 6, w4.Bytes.end()),
            (std::vector<uint8_t>{2, uint8_t(p4 << 4 | q4), 0, 0, 0, 1}));
}

TEST(BmpWriter, LongRowsOfChangingPixelsSplitIntoLiteralsOfAtMost255) {
  TBitmap picture(600, 2, pf24bit);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 600; ++x) picture.SetPixel(x, y, Colour((x + y) % 200));
  const TWritten w = Write(picture, 8, 1, ioBMP_BM3, ioBMP_RLE);
  ASSERT_FALSE(w.Aborted);
  // Walk the codes: every literal stretch is at most 255 pixels, and the first row's are
  // 255, 255 and 90.
  std::vector<int> literals;
  TKXByteReader in({w.Bytes.data() + U32At(w.Bytes, 10), w.Bytes.size() - U32At(w.Bytes, 10)});
  while (in.Remaining() > 0) {
    const uint8_t n = in.U8(), v = in.U8();
    if (n == 0 && v >= 3) {
      literals.push_back(v);
      in.Skip(v + (v & 1));
    }
  }
  ASSERT_TRUE(in.Ok());
  EXPECT_EQ(literals, (std::vector<int>{255, 255, 90, 255, 255, 90}));
  TBmpRead back;
  ReadBmp(w.Bytes, back);
  ASSERT_FALSE(back.Aborted);
  EXPECT_TRUE(kxtest::SameBitmap(back.Bitmap, picture));
}

TEST(BmpWriter, OneBitFilesKeepTwoColoursDarkerFirstAndDitherPhotographs) {
  TBitmap twoColours = kxtest::Filled(9, 2, CreateRGB(255, 0, 0));
  twoColours.SetPixel(4, 1, CreateRGB(0, 0, 255));
  const TWritten w = Write(twoColours, 1, 1);
  ASSERT_FALSE(w.Aborted);
  EXPECT_EQ(w.Params.ColorMap, (std::vector<TRGB>{CreateRGB(0, 0, 255), CreateRGB(255, 0, 0)}));
  TBmpRead back;
  ReadBmp(w.Bytes, back);
  EXPECT_EQ(back.Params.ColorMap, w.Params.ColorMap);
  EXPECT_TRUE(kxtest::SameBitmap(back.Bitmap, twoColours));

  TBitmap photo = kxtest::MakePicture(32, 16);
  const TWritten dithered = Write(photo, 1, 1);
  EXPECT_EQ(dithered.Params.ColorMap, (std::vector<TRGB>{TRGB{}, CreateRGB(255, 255, 255)}));
  TBmpRead dots;
  ReadBmp(dithered.Bytes, dots);
  EXPECT_EQ(dots.Bitmap.PixelFormat(), pf1bit);

  // A 1-bit picture goes out bit for bit.
  TBitmap bits = kxtest::Uniform(10, 3, 255, pf1bit);
  bits.SetPixel(3, 1, TRGB{});
  const TWritten plain = Write(bits, 1, 1);
  TBmpRead plainBack;
  ReadBmp(plain.Bytes, plainBack);
  EXPECT_TRUE(kxtest::SameBitmap(plainBack.Bitmap, bits));
}

TEST(BmpWriter, OneBitPicturesWriteAtEveryOtherDepth) {
  TBitmap bits = kxtest::Uniform(7, 3, 255, pf1bit);
  bits.SetPixel(2, 2, TRGB{});
  TBitmap expected(bits);
  expected.SetPixelFormat(pf24bit);
  for (int32_t depth : {4, 8, 24}) {
    const TWritten w = Write(bits, depth == 24 ? 8 : depth, depth == 24 ? 3 : 1);
    TBmpRead back;
    ReadBmp(w.Bytes, back);
    ASSERT_FALSE(back.Aborted) << depth;
    EXPECT_TRUE(kxtest::SameBitmap(back.Bitmap, expected)) << depth;
  }
}

TEST(BmpWriter, Os2Version1RefusesSidesAbove65535) {
  const kxtest::TPixelLimitScope limit(int64_t(1) << 20);
  TBitmap wide(70000, 1, pf1bit);
  TIOParamsVals params;
  params.BitsPerSample = 1;
  params.BMP_Version = ioBMP_BMOS2V1;
  TMemoryStream stream;
  bool aborted = false;
  TKXDiagnostics diagnostics;
  TProgressRec progress{};
  progress.Aborting = &aborted;
  progress.Diagnostics = &diagnostics;
  BMPWriteStream(stream, wide, params, progress);
  EXPECT_TRUE(aborted);
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(diagnostics.Reason, "an OS/2 1 bitmap holds at most 65535 x 65535 pixels");
  // The Windows header takes it.
  params.BMP_Version = ioBMP_BM3;
  aborted = false;
  BMPWriteStream(stream, wide, params, progress);
  EXPECT_FALSE(aborted);
}

TEST(BmpWriter, AStoppedWriteLeavesThePlaceholderHeaders) {
  TBitmap picture = kxtest::MakePicture(4, 6);
  TIOParamsVals params;
  TMemoryStream stream;
  bool aborted = false;
  struct TStopper {
    bool* flag;
    int calls = 0;
    void Handler(void*, int) {
      if (++calls == 3) *flag = true;
    }
  } stopper{&aborted};
  TProgressRec progress{};
  progress.Aborting = &aborted;
  progress.fOnProgress = TProgressEvent::Bind<&TStopper::Handler>(&stopper);
  BMPWriteStream(stream, picture, params, progress);
  ASSERT_TRUE(aborted);
  const std::vector<uint8_t>& b = stream.Bytes();
  ASSERT_EQ(b.size(), 14u + 40u + 2u * 12u);  // two rows went out
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(U32At(b, 2), 0u);
  EXPECT_EQ(U32At(b, 10), 0u);
  EXPECT_EQ(U16At(b, 28), 0);
}

TEST(BmpWriter, EmptyPicturesAreRefused) {
  TBitmap empty;
  const TWritten w = Write(empty, 8, 3);
  EXPECT_TRUE(w.Aborted);
  EXPECT_TRUE(w.Bytes.empty());
}

}  // namespace
