// The GIF reader and writer: parameters and pixels of every kind of image, the control
// extension's association with the next image, tables that are short or missing, the writer's
// bit counts, black-and-white saves, transparency and screen, and damaged files.
#include "imaging/io/gif_codec.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/stream.h"
#include "imaging/io/format_io.h"
#include "imaging/io/ioparams.h"
#include "tests/io/gif_test_files.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::BuildGif;
using kxtest::ReadGifBytes;
using kxtest::TGifImage;
using kxtest::WriteGifBytes;

namespace {

class GifReader : public kxtest::TWithLZWCoders {};
class GifWriter : public kxtest::TWithLZWCoders {};
class GifFormat : public kxtest::TWithLZWCoders {};

const TRGB kRed{0, 0, 255}, kGreen{0, 255, 0}, kBlue{255, 0, 0}, kBlack{0, 0, 0}, kWhite{255, 255, 255};

// A picture of `count` colours in distinct cells of the quantizer's histogram, so that any
// table of at least `count` entries holds them exactly.
TBitmap FewColors(int32_t width, int32_t height, int count) {
  TBitmap b(width, height, pf24bit);
  for (int32_t y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<TRGB*>(b.ScanLine(y));
    for (int32_t x = 0; x < width; ++x) {
      const int k = (x / 3 + y / 2) % count;
      row[x] = TRGB{uint8_t(k * 16), uint8_t(255 - k * 8), uint8_t((k * 40) % 256)};
    }
  }
  return b;
}

TEST_F(GifReader, ReadsTheParametersAndPixelsOfAnImage) {
  TGifImage im;
  im.Width = 3;
  im.Height = 2;
  im.Indices = {0, 1, 2, 3, 2, 1};
  im.Control = true;
  im.ControlPacked = 0x09;
  im.Delay = 42;
  im.TransparentIndex = 2;
  im.Interlaced = true;
  std::vector<uint8_t> file = BuildGif(10, 7, {kRed, kGreen, kBlue, kWhite}, {im}, 1);
  file[12] = 49;  // aspect
  const kxtest::TGifRead r = ReadGifBytes(file);
  ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
  EXPECT_EQ(r.Count, 1);
  EXPECT_EQ(r.Params.GIF_Version, std::string("GIF89a\0", 7));
  EXPECT_EQ(r.Params.GIF_ScreenWidth, 10);
  EXPECT_EQ(r.Params.GIF_ScreenHeight, 7);
  EXPECT_EQ(r.Params.GIF_AspectRatio, 49);
  EXPECT_EQ(r.Params.GIF_Background, kGreen);
  EXPECT_EQ(r.Params.GIF_DelayTime, 42);
  EXPECT_TRUE(r.Params.GIF_Transparent);
  EXPECT_EQ(r.Params.GIF_TransparentColor, kBlue);
  EXPECT_TRUE(r.Params.GIF_Interlaced);
  EXPECT_EQ(r.Params.BitsPerSample, 2);
  EXPECT_EQ(r.Params.SamplesPerPixel, 1);
  EXPECT_EQ(r.Params.ColorMapCount, 4);
  ASSERT_EQ(r.Bitmap.PixelFormat(), pf24bit);
  const TRGB expected[] = {kRed, kGreen, kBlue, kWhite, kBlue, kGreen};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(r.Bitmap.GetPixel(i % 3, i / 3), expected[i]) << i;
}

TEST_F(GifReader, BlackThenWhiteIsOneBitAndWhiteThenBlackIsColour) {
  TGifImage im;
  im.Width = 10;
  im.Height = 1;
  im.Indices = {0, 1, 1, 0, 0, 0, 1, 1, 1, 0};
  const kxtest::TGifRead bw = ReadGifBytes(BuildGif(10, 1, {kBlack, kWhite}, {im}));
  ASSERT_EQ(bw.Bitmap.PixelFormat(), pf1bit);
  EXPECT_EQ(bw.Bitmap.ScanLine(0)[0], 0b01100011);
  EXPECT_EQ(bw.Bitmap.ScanLine(0)[1], 0b10000000);
  const kxtest::TGifRead wb = ReadGifBytes(BuildGif(10, 1, {kWhite, kBlack}, {im}));
  ASSERT_EQ(wb.Bitmap.PixelFormat(), pf24bit);
  EXPECT_EQ(wb.Bitmap.GetPixel(1, 0), kBlack);
}

TEST_F(GifReader, AControlExtensionBelongsToTheNextImageOnly) {
  TGifImage first, second;
  first.Control = true;
  first.ControlPacked = 1;
  first.Delay = 7;
  first.TransparentIndex = 1;
  second.Indices = {1};
  const std::vector<uint8_t> file = BuildGif(1, 1, {kRed, kGreen}, {first, second});
  const kxtest::TGifRead r0 = ReadGifBytes(file, 0), r1 = ReadGifBytes(file, 1);
  EXPECT_EQ(r0.Params.GIF_DelayTime, 7);
  EXPECT_TRUE(r0.Params.GIF_Transparent);
  EXPECT_EQ(r1.Params.GIF_DelayTime, 0);
  EXPECT_FALSE(r1.Params.GIF_Transparent);
  EXPECT_EQ(r1.Bitmap.GetPixel(0, 0), kGreen);
  EXPECT_EQ(r0.Count, 2);
  EXPECT_EQ(r1.Count, 2);
}

TEST_F(GifReader, LocalTablesShortTablesAndNoTables) {
  TGifImage local;
  local.Width = 4;
  local.Indices = {0, 1, 2, 3};
  local.LocalTable = {kBlue, kWhite, kRed, kGreen};
  TGifImage beyond;  // indices 2 and 3 of a two-entry table
  beyond.Width = 4;
  beyond.Indices = {0, 1, 2, 3};
  beyond.CodeBits = 2;
  const std::vector<uint8_t> file = BuildGif(4, 1, {kRed, kGreen}, {local, beyond});
  const kxtest::TGifRead a = ReadGifBytes(file, 0), b = ReadGifBytes(file, 1);
  EXPECT_EQ(a.Bitmap.GetPixel(0, 0), kBlue);
  EXPECT_EQ(a.Bitmap.GetPixel(3, 0), kGreen);
  EXPECT_EQ(a.Params.ColorMapCount, 4);
  ASSERT_FALSE(b.Aborted);
  EXPECT_EQ(b.Bitmap.GetPixel(1, 0), kGreen);
  EXPECT_EQ(b.Bitmap.GetPixel(2, 0), kBlack);
  EXPECT_EQ(b.Bitmap.GetPixel(3, 0), kBlack);
  // Neither a global nor a local table: a gray ramp over the code size's indices.
  TGifImage bare = beyond;
  const kxtest::TGifRead c = ReadGifBytes(BuildGif(4, 1, {}, {bare}));
  ASSERT_FALSE(c.Aborted);
  EXPECT_EQ(c.Bitmap.GetPixel(1, 0), (TRGB{85, 85, 85}));
  EXPECT_EQ(c.Bitmap.GetPixel(3, 0), kWhite);
}

TEST_F(GifReader, AnIndexPastTheLastImageAbortsAndChangesNothing) {
  const std::vector<uint8_t> file = BuildGif(1, 1, {kRed, kGreen}, {TGifImage{}, TGifImage{}});
  kxtest::TGifRead r;
  r.Bitmap = kxtest::Filled(5, 3, kBlue);
  r.Params.GIF_ImageIndex = 2;
  TMemoryStream stream(file);
  TProgressRec progress = NullProgress();
  progress.Aborting = &r.Aborted;
  ReadGifStream(stream, r.Bitmap, r.Count, r.Params, progress, false);
  EXPECT_TRUE(r.Aborted);
  EXPECT_EQ(r.Count, 2);
  EXPECT_TRUE(kxtest::SameBitmap(r.Bitmap, kxtest::Filled(5, 3, kBlue)));
}

TEST_F(GifReader, DamagedFilesAbortCleanly) {
  TGifImage big;
  big.Width = 40;
  big.Height = 30;
  big.Indices.assign(1200, 0);
  for (size_t i = 0; i < big.Indices.size(); ++i) big.Indices[i] = uint8_t(i * 7 % 4);
  big.Control = true;
  const std::vector<uint8_t> file = BuildGif(40, 30, {kRed, kGreen, kBlue, kWhite}, {big}, 3);
  // Cut at every byte: each read aborts, unless all that is lost is the end code, the empty
  // sub-block and the trailer, and then the picture is whole.
  const kxtest::TGifRead whole = ReadGifBytes(file);
  const size_t dataEnd = file.size() - 2;
  for (size_t cut = 0; cut < dataEnd; ++cut) {
    const kxtest::TGifRead r = ReadGifBytes({file.begin(), file.begin() + int64_t(cut)});
    if (cut + 2 < dataEnd)
      ASSERT_TRUE(r.Aborted) << cut;
    else if (!r.Aborted)
      EXPECT_TRUE(kxtest::SameBitmap(r.Bitmap, whole.Bitmap)) << cut;
  }
  // An image without its empty sub-block and trailer is still whole.
  EXPECT_FALSE(ReadGifBytes({file.begin(), file.begin() + int64_t(dataEnd)}).Aborted);

  // A code past the table in the middle: the rows decoded stay, the rest is the background.
  std::vector<uint8_t> broken = BuildGif(4, 2, {kRed, kGreen, kBlue, kWhite}, {}, 3);
  broken.pop_back();
  const uint8_t tail[] = {0x2C, 0, 0, 0, 0, 4, 0, 2, 0, 0,
                          // codes (3 bits): clear 4, 1, then 7 while 6 is the next free
                          2, 2, 0b11001100, 0b00000001, 0, 0x3B};
  broken.insert(broken.end(), std::begin(tail), std::end(tail));
  const kxtest::TGifRead r = ReadGifBytes(broken);
  EXPECT_TRUE(r.Aborted);
  ASSERT_EQ(r.Bitmap.Width(), 4);
  EXPECT_EQ(r.Bitmap.GetPixel(0, 0), kGreen);
  EXPECT_EQ(r.Bitmap.GetPixel(1, 0), kWhite);
  EXPECT_EQ(r.Bitmap.GetPixel(3, 1), kWhite);

  // Image data that is only the empty sub-block, and an extension whose sub-blocks run off the end.
  std::vector<uint8_t> empty = BuildGif(4, 2, {kRed, kGreen}, {}, 0);
  empty.pop_back();
  const uint8_t none[] = {0x2C, 0, 0, 0, 0, 4, 0, 2, 0, 0, 2, 0, 0x3B};
  empty.insert(empty.end(), std::begin(none), std::end(none));
  EXPECT_TRUE(ReadGifBytes(empty).Aborted);
  std::vector<uint8_t> endless = BuildGif(1, 1, {kRed, kGreen}, {}, 0);
  endless.pop_back();
  const uint8_t comment[] = {0x21, 0xFE, 200, 'x'};
  endless.insert(endless.end(), std::begin(comment), std::end(comment));
  EXPECT_TRUE(ReadGifBytes(endless).Aborted);
}

TEST_F(GifReader, AnImageLargerThanTheScreenIsReadWhole) {
  TGifImage im;
  im.Width = 9;
  im.Height = 5;
  im.Indices.assign(45, 1);
  const kxtest::TGifRead r = ReadGifBytes(BuildGif(2, 2, {kRed, kGreen}, {im}));
  ASSERT_FALSE(r.Aborted);
  EXPECT_EQ(r.Bitmap.Width(), 9);
  EXPECT_EQ(r.Bitmap.Height(), 5);
}

TEST_F(GifReader, SizesAboveThePixelLimitAndMissingDecodersAbort) {
  TGifImage im;
  im.Width = 300;
  im.Height = 300;
  im.Indices.assign(90000, 1);
  const std::vector<uint8_t> file = BuildGif(300, 300, {kRed, kGreen}, {im});
  {
    kxtest::TPixelLimitScope limit(1000);
    const kxtest::TGifRead r = ReadGifBytes(file);
    EXPECT_TRUE(r.Aborted);
    EXPECT_EQ(r.Diagnostics.Reason, KXPixelsRefusal(300, 300));
    EXPECT_FALSE(ReadGifBytes(file, 0, true).Aborted);
  }
  kxtest::TGifRead r;
  r.Params.GIF_LZWDecompress = nullptr;
  TMemoryStream stream(file);
  TProgressRec progress = NullProgress();
  progress.Aborting = &r.Aborted;
  ReadGifStream(stream, r.Bitmap, r.Count, r.Params, progress, false);
  EXPECT_TRUE(r.Aborted);
  EXPECT_TRUE(r.Bitmap.Empty());
}

TEST_F(GifWriter, RoundTripsEveryBitCountAndInterlacing) {
  for (int bits = 2; bits <= 8; ++bits)
    for (bool interlaced : {false, true}) {
      SCOPED_TRACE(testing::Message() << bits << " bits" << (interlaced ? ", interlaced" : ""));
      TBitmap picture = FewColors(61, 37, 1 << bits);
      TIOParamsVals params;
      params.BitsPerSample = bits;
      params.GIF_Interlaced = interlaced;
      params.GIF_DelayTime = 25;
      const kxtest::TGifRead r = ReadGifBytes(WriteGifBytes(picture, params));
      ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
      EXPECT_TRUE(kxtest::SameBitmap(r.Bitmap, picture));
      EXPECT_EQ(r.Params.BitsPerSample, bits);
      EXPECT_EQ(r.Params.GIF_Interlaced, interlaced);
      EXPECT_EQ(r.Params.GIF_DelayTime, 25);
    }
}

TEST_F(GifWriter, OneBitSavesAreBlackAndWhite) {
  // A 1-bit picture as it is; two colours with the darker as black; anything else dithered.
  TBitmap oneBit = kxtest::Uniform(19, 3, 255, pf1bit);
  oneBit.ScanLine(1)[0] = 0x5A;
  TBitmap two = kxtest::Filled(8, 2, kGreen);
  two.SetPixel(3, 1, kBlue);
  TBitmap photo = kxtest::MakePicture(16, 16);
  TIOParamsVals params;
  params.BitsPerSample = 1;
  const kxtest::TGifRead a = ReadGifBytes(WriteGifBytes(oneBit, params));
  EXPECT_TRUE(kxtest::SameBitmap(a.Bitmap, oneBit));
  const kxtest::TGifRead b = ReadGifBytes(WriteGifBytes(two, params));
  ASSERT_EQ(b.Bitmap.PixelFormat(), pf1bit);
  EXPECT_EQ(b.Bitmap.ScanLine(1)[0], 0xEF);
  EXPECT_EQ(b.Bitmap.ScanLine(0)[0], 0xFF);
  const kxtest::TGifRead c = ReadGifBytes(WriteGifBytes(photo, params));
  EXPECT_EQ(c.Bitmap.PixelFormat(), pf1bit);
  EXPECT_EQ(c.Params.ColorMapCount, 2);
}

TEST_F(GifWriter, FixesTheHeaderScreenAndBitCount) {
  TBitmap picture = FewColors(20, 10, 300);
  TIOParamsVals params;
  params.GIF_Version = "GIF87a";
  params.GIF_ScreenWidth = 999;
  params.GIF_HorizPosition = 5;
  params.GIF_VertPosition = 2;
  params.BitsPerSample = 16;
  const std::vector<uint8_t> file = WriteGifBytes(picture, params);
  // The control extension every file carries needs 89a.
  EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF89a");
  const kxtest::TGifRead r = ReadGifBytes(file);
  EXPECT_EQ(r.Params.GIF_ScreenWidth, 25);
  EXPECT_EQ(r.Params.GIF_ScreenHeight, 12);
  EXPECT_EQ(r.Params.GIF_HorizPosition, 5);
  EXPECT_EQ(r.Params.BitsPerSample, 8);
  EXPECT_EQ(r.Params.ColorMapCount, 256);
}

TEST_F(GifWriter, TheTransparentColourHasAnEntryOfItsOwn) {
  // Two near colours that a four-entry table would merge; the transparent one keeps its own.
  TBitmap picture = kxtest::Filled(12, 4, kRed);
  const TRGB nearRed{8, 8, 248};
  for (int32_t x = 0; x < 6; ++x) picture.SetPixel(x, 1, nearRed);
  picture.SetPixel(0, 3, kBlue);
  picture.SetPixel(1, 3, kGreen);
  picture.SetPixel(2, 3, kWhite);
  TIOParamsVals params;
  params.BitsPerSample = 2;
  params.GIF_Transparent = true;
  params.GIF_TransparentColor = nearRed;
  const kxtest::TGifRead r = ReadGifBytes(WriteGifBytes(picture, params));
  ASSERT_TRUE(r.Params.GIF_Transparent);
  EXPECT_EQ(r.Params.GIF_TransparentColor, nearRed);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 12; ++x)
      EXPECT_EQ(r.Bitmap.GetPixel(x, y) == nearRed, picture.GetPixel(x, y) == nearRed) << x << "," << y;
}

TEST_F(GifWriter, WithoutAnEncoderTheFileEndsAfterTheDescriptor) {
  TBitmap picture = FewColors(5, 5, 4);
  TIOParamsVals params;
  params.BitsPerSample = 2;
  params.GIF_LZWCompress = nullptr;
  bool aborted = false;
  const std::vector<uint8_t> file = WriteGifBytes(picture, params, &aborted);
  EXPECT_TRUE(aborted);
  EXPECT_EQ(file.size(), 13u + 3 * 4 + 8 + 10);
}

TEST_F(GifWriter, ReadsAndWritesReportTheirStepsAndStopWhenAsked) {
  TBitmap picture = FewColors(9, 9, 16);
  TIOParamsVals params;
  params.BitsPerSample = 4;
  kxtest::TProgressLog log;
  bool aborted = false;
  TProgressRec progress = NullProgress();
  progress.Aborting = &aborted;
  progress.fOnProgress = TProgressEvent::Bind<&kxtest::TProgressLog::Handler>(&log);
  TMemoryStream stream;
  WriteGifStream(stream, picture, params, progress);
  EXPECT_EQ(log.values, (std::vector<int>{0, 30, 70, 100}));
  log.values.clear();
  stream.SetPosition(0);
  TBitmap read;
  TIOParamsVals readParams;
  int32_t count = 0;
  ReadGifStream(stream, read, count, readParams, progress, false);
  EXPECT_EQ(log.values, (std::vector<int>{0, 30, 70, 100}));
  EXPECT_FALSE(aborted);
  // An abort set before the call stops it at once.
  aborted = true;
  log.values.clear();
  TMemoryStream none;
  WriteGifStream(none, picture, params, progress);
  EXPECT_EQ(none.Size(), 0);
  EXPECT_EQ(log.values, (std::vector<int>{0}));
}

TEST_F(GifFormat, TheRegistryRowReadsAndWrites) {
  const TKXFormatAbilities gif = KXFileFormatAbilities(ioGIF);
  EXPECT_TRUE(gif.Reads);
  EXPECT_TRUE(gif.Writes);
  TBitmap picture = FewColors(9, 9, 16);
  TIOParamsVals params;
  params.BitsPerSample = 4;
  TMemoryStream stream(WriteGifBytes(picture, params));
  EXPECT_EQ(FindStreamFormat(stream), ioGIF);
}

}  // namespace
