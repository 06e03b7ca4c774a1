// The bitmap reader on files built byte by byte: every depth, the bit-field masks, RLE runs,
// literals, moves and clipping, top-down rows, palettes shorter than their indices, sizes that
// are no picture, and damaged or cut files (which abort, never crash, and leave unreached
// pixels black).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/stream.h"
#include "imaging/io/bmp_codec.h"
#include "imaging/io/ioparams.h"
#include "tests/io/bmp_test_files.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::BmpFile;
using kxtest::ReadBmp;
using kxtest::TBmpLayout;
using kxtest::TBmpRead;

namespace {

const TRGB kRed = CreateRGB(255, 0, 0), kGreen = CreateRGB(0, 255, 0), kBlue = CreateRGB(0, 0, 255);
const TRGB kBlack{}, kWhite = CreateRGB(255, 255, 255), kGray = CreateRGB(128, 128, 128);

// The pixels of one bitmap row, left to right.
std::vector<TRGB> Row(const TBitmap& b, int32_t y) {
  std::vector<TRGB> row;
  for (int32_t x = 0; x < b.Width(); ++x) row.push_back(b.GetPixel(x, y));
  return row;
}

TEST(BmpReader, FourBitRowsShowEveryPixelOfOddAndEvenWidths) {
  for (int32_t width : {4, 5}) {
    SCOPED_TRACE(width);
    TBmpLayout s{.Width = width, .Height = 2, .Bits = 4, .Palette = {kBlack, kRed, kGreen, kBlue, kWhite}};
    // Bottom row 1 2 3 4 (1), top row 4 3 2 1 (4); rows padded to 4 bytes.
    s.Pixels = {0x12, 0x34, 0x10, 0, 0x43, 0x21, 0x40, 0};
    TBmpRead r;
    ReadBmp(BmpFile(s), r);
    ASSERT_FALSE(r.Aborted);
    std::vector<TRGB> top{kWhite, kBlue, kGreen, kRed, kWhite}, bottom{kRed, kGreen, kBlue, kWhite, kRed};
    top.resize(size_t(width));
    bottom.resize(size_t(width));
    EXPECT_EQ(Row(r.Bitmap, 0), top);
    EXPECT_EQ(Row(r.Bitmap, 1), bottom);
  }
}

TEST(BmpReader, EveryDepthDecodesItsPixels) {
  struct TCase {
    const char* Name;
    TBmpLayout Layout;
    TPixelFormat Format;
    std::vector<TRGB> Pixels;  // the one row
    int32_t BitsPerSample, SamplesPerPixel;
  };
  const TCase cases[] = {
      {"1 bit black, white",
       {.Width = 3, .Bits = 1, .Palette = {kBlack, kWhite}, .Pixels = {0xA0, 0, 0, 0}},
       pf1bit,
       {kWhite, kBlack, kWhite},
       1,
       1},
      {"1 bit white, black",
       {.Width = 3, .Bits = 1, .Palette = {kWhite, kBlack}, .Pixels = {0x40, 0, 0, 0}},
       pf1bit,
       {kWhite, kBlack, kWhite},
       1,
       1},
      {"1 bit in colour",
       {.Width = 3, .Bits = 1, .Palette = {kRed, kBlue}, .Pixels = {0xA0, 0, 0, 0}},
       pf24bit,
       {kBlue, kRed, kBlue},
       1,
       1},
      {"8 bit",
       {.Width = 3, .Bits = 8, .Palette = {kBlack, kRed, kGreen}, .Pixels = {2, 1, 0, 0}},
       pf24bit,
       {kGreen, kRed, kBlack},
       8,
       1},
      {"16 bit 555",
       {.Width = 2, .Bits = 16, .Pixels = {0xE0, 0x03, 0x10, 0x42}},
       pf24bit,
       {kGreen, CreateRGB(132, 132, 132)},
       5,
       3},
      {"16 bit 565",
       {.Width = 2,
        .Bits = 16,
        .Compression = 3,
        .Masks = {0xF800, 0x07E0, 0x001F},
        .Pixels = {0xE0, 0x07, 0x1F, 0x00}},
       pf24bit,
       {kGreen, kBlue},
       5,
       3},
      {"16 bit masks in a V5 header",
       {.Width = 1,
        .Bits = 16,
        .Compression = 3,
        .HeaderSize = 124,
        .Masks = {0x000F, 0x00F0, 0x0F00},
        .Pixels = {0x8F, 0x00, 0, 0}},
       pf24bit,
       {CreateRGB(255, 136, 0)},
       5,
       3},
      {"24 bit", {.Width = 1, .Bits = 24, .Pixels = {1, 2, 3, 0}}, pf24bit, {CreateRGB(3, 2, 1)}, 8, 3},
      {"32 bit", {.Width = 1, .Bits = 32, .Pixels = {1, 2, 3, 4}}, pf24bit, {CreateRGB(3, 2, 1)}, 8, 3},
      {"32 bit masks",
       {.Width = 1, .Bits = 32, .Compression = 3, .Masks = {0xFF, 0xFF00, 0xFF0000}, .Pixels = {1, 2, 3, 4}},
       pf24bit,
       {CreateRGB(1, 2, 3)},
       8,
       3},
      {"OS/2 1 header",
       {.Width = 2, .Bits = 1, .HeaderSize = 12, .Palette = {kBlack, kRed}, .Pixels = {0x80, 0, 0, 0}},
       pf24bit,
       {kRed, kBlack},
       1,
       1},
      {"OS/2 2 header",
       {.Width = 1, .Bits = 24, .HeaderSize = 64, .Pixels = {1, 2, 3, 0}},
       pf24bit,
       {CreateRGB(3, 2, 1)},
       8,
       3},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TBmpRead r;
    ReadBmp(BmpFile(c.Layout), r);
    ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
    EXPECT_EQ(r.Bitmap.PixelFormat(), c.Format);
    EXPECT_EQ(Row(r.Bitmap, 0), c.Pixels);
    EXPECT_EQ(r.Params.BitsPerSample, c.BitsPerSample);
    EXPECT_EQ(r.Params.SamplesPerPixel, c.SamplesPerPixel);
  }
}

TEST(BmpReader, HeaderSizesGiveTheVersion) {
  const std::pair<uint32_t, TIOBMPVersion> cases[] = {
      {12, ioBMP_BMOS2V1}, {40, ioBMP_BM3}, {64, ioBMP_BMOS2V2}, {108, ioBMP_BM}, {124, ioBMP_BM}};
  for (const auto& [size, version] : cases) {
    TBmpRead r;
    ReadBmp(BmpFile({.Bits = 24, .HeaderSize = size, .PixelsPerMetre = 2835, .Pixels = {0, 0, 0, 0}}), r);
    ASSERT_FALSE(r.Aborted) << size;
    EXPECT_EQ(r.Params.BMP_Version, version) << size;
    if (size != 12) {
      EXPECT_EQ(r.Params.DpiX, 72) << size;
    }
  }
}

TEST(BmpReader, TopDownFilesStoreTheTopRowFirst) {
  TBmpRead r;
  ReadBmp(BmpFile({.Width = 1, .Height = -2, .Bits = 8, .Palette = {kRed, kBlue}, .Pixels = {0, 0, 0, 0, 1, 0, 0, 0}}),
          r);
  ASSERT_FALSE(r.Aborted);
  EXPECT_EQ(r.Params.Height, 2);
  EXPECT_EQ(r.Bitmap.GetPixel(0, 0), kRed);
  EXPECT_EQ(r.Bitmap.GetPixel(0, 1), kBlue);
}

TEST(BmpReader, IndicesBeyondThePaletteAreBlack) {
  TBmpRead r;
  ReadBmp(BmpFile({.Width = 3, .Bits = 8, .ColorsUsed = 1, .Palette = {kRed}, .Pixels = {0, 1, 255, 0}}), r);
  ASSERT_FALSE(r.Aborted);
  EXPECT_EQ(Row(r.Bitmap, 0), (std::vector<TRGB>{kRed, kBlack, kBlack}));
  EXPECT_EQ(r.Params.ColorMapCount, 1);
}

TEST(BmpReader, LongPalettesKeep256EntriesAndSkipTheRest) {
  TBmpLayout s{.Width = 1, .Bits = 8, .Pixels = {255, 0, 0, 0}};
  s.Palette.assign(300, kGreen);
  s.Palette[255] = kBlue;
  TBmpRead r;
  ReadBmp(BmpFile(s), r);
  ASSERT_FALSE(r.Aborted);
  EXPECT_EQ(r.Params.ColorMapCount, 256);
  EXPECT_EQ(r.Bitmap.GetPixel(0, 0), kBlue);
}

// An 8 x 3 RLE8 picture over a palette of black, red, green, blue, gray.
std::vector<TRGB> RleRows(const std::vector<uint8_t>& data, bool four, bool* aborted = nullptr, int32_t width = 8) {
  TBmpRead r;
  ReadBmp(BmpFile({.Width = width,
                   .Height = 3,
                   .Bits = four ? 4 : 8,
                   .Compression = four ? 2u : 1u,
                   .Palette = {kBlack, kRed, kGreen, kBlue, kGray},
                   .Pixels = data}),
          r);
  if (aborted) *aborted = r.Aborted;
  std::vector<TRGB> all;
  for (int32_t y = 2; y >= 0; --y)
    for (const TRGB& c : Row(r.Bitmap, y)) all.push_back(c);
  return all;  // bottom row first, as the file stores them
}

TEST(BmpReader, RleCodesRunsLiteralsMovesAndClipping) {
  const TRGB K = kBlack, R = kRed, G = kGreen, B = kBlue, Y = kGray;
  struct TCase {
    const char* Name;
    bool Four;
    std::vector<uint8_t> Data;
    std::vector<TRGB> Rows;
  };
  const TCase cases[] = {
      {"runs and end of line", false, {3, 1, 0, 0, 2, 2, 0, 1}, {R, R, R, K, K, K, K, K, G, G, K, K,
                                                                 K, K, K, K, K, K, K, K, K, K, K, K}},
      {"a move of 3 right and 1 up", false, {1, 1, 0, 2, 3, 1, 1, 2, 0, 1}, {R, K, K, K, K, K, K, K, K, K, K, K,
                                                                             G, K, K, K, K, K, K, K, K, K, K, K}},
      {"literals of 3 (padded) and 4", false, {0, 3, 1, 2, 3, 0, 0, 4, 4, 3, 2, 1, 0, 1}, {R, G, B, Y, B, G, R, K,
                                                                                           K, K, K, K, K, K, K, K,
                                                                                           K, K, K, K, K, K, K, K}},
      {"a run past the row end is clipped", false, {20, 3, 0, 0, 1, 1, 0, 1}, {B, B, B, B, B, B, B, B, R, K, K, K,
                                                                               K, K, K, K, K, K, K, K, K, K, K, K}},
      {"a literal past the row end is clipped", false, {6, 1, 0, 4, 2, 3, 4, 2, 0, 1}, {R, R, R, R, R, R, G, B,
                                                                                        K, K, K, K, K, K, K, K,
                                                                                        K, K, K, K, K, K, K, K}},
      {"a move above the top row ends the picture", false, {1, 1, 0, 2, 0, 9, 1, 2, 0, 1}, {R, K, K, K, K, K, K, K,
                                                                                            K, K, K, K, K, K, K, K,
                                                                                            K, K, K, K, K, K, K, K}},
      // Short runs store pixels ahead of themselves: what no code reaches must still be black.
      {"a move right within the row after a short run",
       false,
       {1, 1, 0, 2, 2, 0, 1, 2, 0, 1},
       {R, K, K, G, K, K, K, K, K, K, K, K, K, K, K, K, K, K, K, K, K, K, K, K}},
      {"a short run before the end of the bitmap", false, {2, 3, 0, 1}, {B, B, K, K, K, K, K, K, K, K, K, K,
                                                                         K, K, K, K, K, K, K, K, K, K, K, K}},
      {"a short literal before the end of a line",
       false,
       {0, 3, 1, 2, 3, 0, 0, 0, 1, 4, 0, 1},
       {R, G, B, K, K, K, K, K, Y, K, K, K, K, K, K, K, K, K, K, K, K, K, K, K}},
      {"a short run before a move up", false, {1, 4, 0, 2, 1, 1, 1, 1, 0, 1}, {Y, K, K, K, K, K, K, K, K, K, R, K,
                                                                               K, K, K, K, K, K, K, K, K, K, K, K}},
      {"RLE4 runs alternate nibbles", true, {5, 0x12, 0, 0, 0, 3, 0x34, 0x10, 0, 1}, {R, G, R, G, R, K, K, K,
                                                                                      B, Y, R, K, K, K, K, K,
                                                                                      K, K, K, K, K, K, K, K}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    bool aborted = true;
    EXPECT_EQ(RleRows(c.Data, c.Four, &aborted), c.Rows);
    EXPECT_FALSE(aborted);
  }
}

TEST(BmpReader, RleDataThatEndsEarlyAbortsAndLeavesTheRestBlack) {
  bool aborted = false;
  const std::vector<TRGB> rows = RleRows({2, 1, 0, 0, 0, 5, 2, 2}, false, &aborted);
  EXPECT_TRUE(aborted);
  std::vector<TRGB> expected(24, kBlack);
  expected[0] = expected[1] = kRed;
  EXPECT_EQ(rows, expected);
}

TEST(BmpReader, PixelsTheFileNeverReachesAreBlackWhateverTheBitmapHeld) {
  TBmpRead r;
  r.Bitmap = kxtest::Filled(8, 3, kWhite);
  ReadBmp(
      BmpFile(
          {.Width = 8, .Height = 3, .Bits = 8, .Compression = 1, .Palette = {kBlack, kRed}, .Pixels = {1, 1, 0, 1}}),
      r);
  ASSERT_FALSE(r.Aborted);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 8; ++x)
      EXPECT_EQ(r.Bitmap.GetPixel(x, y), y == 2 && x == 0 ? kRed : kBlack) << x << ", " << y;
}

TEST(BmpReader, SizesThatAreNoPictureAbortBeforeAllocating) {
  const kxtest::TPixelLimitScope limit(1 << 20);
  const std::pair<int32_t, int32_t> sizes[] = {{0, 5}, {-3, 5}, {5, 0}, {100000, 100000}, {1 << 21, 1}};
  for (const auto& [w, h] : sizes) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    TBmpRead r;
    ReadBmp(BmpFile({.Width = w, .Height = h, .Bits = 24}), r);
    EXPECT_TRUE(r.Aborted);
    EXPECT_EQ(r.Diagnostics.Reason, KXPixelsRefusal(w, h));
    EXPECT_TRUE(r.Bitmap.Empty());
  }
}

TEST(BmpReader, UnknownDepthsAndCompressionsAbortWithTheirReason) {
  const std::pair<TBmpLayout, const char*> cases[] = {
      {{.Bits = 7}, "unsupported bitmap depth of 7 bits"},
      {{.Bits = 24, .Compression = 1}, "unsupported bitmap compression 1"},
      {{.Bits = 8, .Compression = 2}, "unsupported bitmap compression 2"},
      {{.Bits = 24, .Compression = 4}, "unsupported bitmap compression 4"},
  };
  for (const auto& [layout, reason] : cases) {
    TBmpRead r;
    ReadBmp(BmpFile(layout), r);
    EXPECT_TRUE(r.Aborted);
    EXPECT_EQ(r.Diagnostics.Reason, reason);
  }
}

TEST(BmpReader, NotABitmapAborts) {
  TBmpRead r;
  ReadBmp({'B', 'A', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0}, r);
  EXPECT_TRUE(r.Aborted);
  EXPECT_EQ(r.Diagnostics.Reason, "not a bitmap file");
}

// Cutting a file anywhere aborts (the headers and the palette are needed whole, and so is every
// row) and never reads outside it; the rows before the cut are kept.
TEST(BmpReader, FilesCutAtEveryLengthAbort) {
  TBmpLayout paletted{
      .Width = 3, .Height = 2, .Bits = 8, .Palette = {kRed, kGreen, kBlue}, .Pixels = {0, 1, 2, 0, 2, 1, 0, 0}};
  TBmpLayout rle{.Width = 3,
                 .Height = 2,
                 .Bits = 8,
                 .Compression = 1,
                 .Palette = {kRed, kGreen},
                 .Pixels = {3, 1, 0, 0, 0, 3, 0, 1, 0, 0, 0, 1}};
  TBmpLayout masks{.Width = 1,
                   .Height = 2,
                   .Bits = 16,
                   .Compression = 3,
                   .Masks = {0xF800, 0x07E0, 0x001F},
                   .Pixels = {0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0}};
  TBmpLayout os2{.Width = 2,
                 .Height = 1,
                 .Bits = 4,
                 .HeaderSize = 12,
                 .Palette = std::vector<TRGB>(16, kGreen),
                 .Pixels = {0x12, 0, 0, 0}};
  for (const TBmpLayout* layout : {&paletted, &rle, &masks, &os2}) {
    const std::vector<uint8_t> whole = BmpFile(*layout);
    TBmpRead full;
    ReadBmp(whole, full);
    ASSERT_FALSE(full.Aborted) << full.Diagnostics.Reason;
    for (size_t n = 0; n < whole.size(); ++n) {
      SCOPED_TRACE(n);
      TBmpRead r;
      ReadBmp(std::vector<uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(n)), r);
      EXPECT_TRUE(r.Aborted);
    }
  }
  // The bottom row survives a cut in the top row.
  std::vector<uint8_t> cut = BmpFile(paletted);
  cut.resize(cut.size() - 2);
  TBmpRead r;
  ReadBmp(cut, r);
  EXPECT_TRUE(r.Aborted);
  EXPECT_EQ(r.Diagnostics.Reason, "truncated bitmap data");
  EXPECT_EQ(Row(r.Bitmap, 1), (std::vector<TRGB>{kRed, kGreen, kBlue}));
  EXPECT_EQ(Row(r.Bitmap, 0), (std::vector<TRGB>{kBlack, kBlack, kBlack}));
}

TEST(BmpReader, DamagedHeaderSizesAbort) {
  for (uint32_t size : {0u, 4u, 11u, 13u, 15u}) {
    TBmpRead r;
    ReadBmp(BmpFile({.Bits = 24, .HeaderSize = size, .Pixels = {0, 0, 0, 0}}), r);
    EXPECT_TRUE(r.Aborted) << size;
    EXPECT_EQ(r.Diagnostics.Reason, "damaged bitmap header") << size;
  }
  // A header longer than the file.
  std::vector<uint8_t> huge = BmpFile({.Bits = 24, .Pixels = {0, 0, 0, 0}});
  huge[14] = huge[15] = huge[16] = huge[17] = 0xFF;
  TBmpRead r;
  ReadBmp(huge, r);
  EXPECT_TRUE(r.Aborted);
}

TEST(BmpReader, PreviewFillsOnlyTheParameters) {
  TBmpRead r;
  r.Bitmap = kxtest::Filled(2, 2, kGreen);
  ReadBmp(BmpFile({.Width = 3,
                   .Height = 2,
                   .Bits = 8,
                   .Compression = 1,
                   .PixelsPerMetre = 3937,
                   .Palette = {kRed},
                   .Pixels = {0, 1}}),
          r, true);
  ASSERT_FALSE(r.Aborted);
  EXPECT_EQ(r.Params.Width, 3);
  EXPECT_EQ(r.Params.Height, 2);
  EXPECT_EQ(r.Params.DpiX, 100);
  EXPECT_EQ(r.Params.BMP_Compression, ioBMP_RLE);
  EXPECT_TRUE(kxtest::SameBitmap(r.Bitmap, kxtest::Filled(2, 2, kGreen)));
}

TEST(BmpReader, ProgressRisesRowByRowAndTheAbortFlagStopsTheRead) {
  TBmpLayout s{.Width = 1, .Height = 4, .Bits = 24, .Pixels = std::vector<uint8_t>(16, 0xFF)};
  const std::vector<uint8_t> bytes = BmpFile(s);
  kxtest::TProgressLog log;
  TBitmap bitmap;
  TIOParamsVals params;
  bool aborting = false;
  TProgressRec progress{};
  progress.Aborting = &aborting;
  progress.fOnProgress = TProgressEvent::Bind<&kxtest::TProgressLog::Handler>(&log);
  TMemoryStream stream(bytes);
  BMPReadStream(stream, bitmap, 0, params, false, progress);
  EXPECT_EQ(log.values, (std::vector<int>{0, 25, 50, 75}));

  // A handler that stops after the second row leaves the rest black.
  struct TStopper {
    bool* flag;
    int calls = 0;
    void Handler(void*, int) {
      if (++calls == 3) *flag = true;
    }
  } stopper{&aborting};
  aborting = false;
  progress.fOnProgress = TProgressEvent::Bind<&TStopper::Handler>(&stopper);
  TMemoryStream again(bytes);
  BMPReadStream(again, bitmap, 0, params, false, progress);
  EXPECT_TRUE(aborting);
  EXPECT_EQ(bitmap.GetPixel(0, 3), kWhite);
  EXPECT_EQ(bitmap.GetPixel(0, 2), kWhite);
  EXPECT_EQ(bitmap.GetPixel(0, 1), kBlack);
}

TEST(BmpReader, BlockSizeBoundsTheRleData) {
  // The end-of-bitmap code lies beyond the block: the data ends early.
  const std::vector<uint8_t> bytes = BmpFile(
      {.Width = 2, .Height = 1, .Bits = 8, .Compression = 1, .Palette = {kBlack, kRed}, .Pixels = {2, 1, 0, 1}});
  TBitmap bitmap;
  TIOParamsVals params;
  bool aborting = false;
  TProgressRec progress{};
  progress.Aborting = &aborting;
  TMemoryStream stream(bytes);
  BMPReadStream(stream, bitmap, int64_t(bytes.size()) - 2, params, false, progress);
  EXPECT_TRUE(aborting);
  EXPECT_EQ(bitmap.GetPixel(1, 0), kRed);
}

TEST(BmpReader, UnreadRowsOfWhiteOnBlackFilesAreBlackToo) {
  // Palette white, black: the stored zeros of the bottom row are white; the top row is cut off.
  std::vector<uint8_t> bytes =
      BmpFile({.Width = 8, .Height = 2, .Bits = 1, .Palette = {kWhite, kBlack}, .Pixels = {0, 0, 0, 0, 0, 0, 0, 0}});
  bytes.resize(bytes.size() - 4);
  TBmpRead r;
  ReadBmp(bytes, r);
  EXPECT_TRUE(r.Aborted);
  ASSERT_EQ(r.Bitmap.PixelFormat(), pf1bit);
  EXPECT_EQ(r.Bitmap.GetPixel(3, 1), kWhite);
  EXPECT_EQ(r.Bitmap.GetPixel(3, 0), kBlack);
}

}  // namespace
