// The PCX reader on files built byte by byte (every kind, runs carried across lines, padding,
// the palette trailer found or missing, damaged and cut files) and the writer's bytes and round
// trips at every depth, raw and run-length coded.
#include "imaging/io/pcx_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "platform/screen.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

using TBytes = std::vector<uint8_t>;

struct TPcxLayout {
  uint8_t Manufacturer = 10;
  uint8_t Version = 5;
  uint8_t Encoding = 1;
  uint8_t Bits = 8;
  uint8_t Planes = 1;
  int32_t XMin = 0, YMin = 0, XMax = 0, YMax = 0;
  uint16_t DpiX = 72, DpiY = 72;
  uint16_t BytesPerLine = 0;
  TBytes Palette;  // header palette, red, green, blue
};

void Put16(TBytes& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}

TBytes Header(const TPcxLayout& l) {
  TBytes b(128, 0);
  b[0] = l.Manufacturer;
  b[1] = l.Version;
  b[2] = l.Encoding;
  b[3] = l.Bits;
  Put16(b, 4, uint32_t(l.XMin));
  Put16(b, 6, uint32_t(l.YMin));
  Put16(b, 8, uint32_t(l.XMax));
  Put16(b, 10, uint32_t(l.YMax));
  Put16(b, 12, l.DpiX);
  Put16(b, 14, l.DpiY);
  std::copy(l.Palette.begin(), l.Palette.end(), b.begin() + 16);
  b[65] = l.Planes;
  Put16(b, 66, l.BytesPerLine);
  return b;
}

TBytes Concat(TBytes a, const TBytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct TRead {
  TBitmap Bitmap;
  TIOParamsVals Params;
  bool Aborted = false;
  TKXDiagnostics Diagnostics;
};

void Read(const TBytes& bytes, TRead& r, bool preview = false) {
  TMemoryStream stream(bytes);
  TProgressRec progress;
  progress.Aborting = &r.Aborted;
  progress.Diagnostics = &r.Diagnostics;
  ReadPcxStream(stream, r.Bitmap, r.Params, preview, progress, stream.Size());
}

TBytes Write(TBitmap& bitmap, TIOParamsVals& params, bool* aborted = nullptr) {
  TMemoryStream stream;
  bool flag = false;
  TProgressRec progress;
  progress.Aborting = aborted ? aborted : &flag;
  WritePcxStream(stream, bitmap, params, progress);
  return stream.Bytes();
}

std::vector<TRGB> Row(const TBitmap& b, int32_t y) {
  std::vector<TRGB> row;
  for (int32_t x = 0; x < b.Width(); ++x) row.push_back(b.GetPixel(x, y));
  return row;
}

const TRGB kBlack{}, kWhite = CreateRGB(255, 255, 255), kRed = CreateRGB(255, 0, 0), kGreen = CreateRGB(0, 255, 0),
                     kBlue = CreateRGB(0, 0, 255);

// Sixteen header colours: entry i is (16 i, 255 - 16 i, 8 i).
TBytes SixteenColours() {
  TBytes p;
  for (int i = 0; i < 16; ++i) p.insert(p.end(), {uint8_t(i * 16), uint8_t(255 - i * 16), uint8_t(i * 8)});
  return p;
}
TRGB Colour(int i) { return CreateRGB(uint8_t(i * 16), uint8_t(255 - i * 16), uint8_t(i * 8)); }

TEST(PcxReader, FourPlanesOfOneBitGiveSixteenColours) {
  TPcxLayout l{.Encoding = 0, .Bits = 1, .Planes = 4, .XMax = 7, .YMax = 0, .BytesPerLine = 2};
  l.Palette = SixteenColours();
  // Plane k's bit contributes 2^k: pixel x gets index x * 2 + 1 for x < 8 (mod 16).
  TBytes lines = {0xFF, 0, 0xAA, 0, 0xCC, 0, 0xF0, 0};
  TRead r;
  Read(Concat(Header(l), lines), r);
  ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
  EXPECT_EQ(r.Bitmap.PixelFormat(), pf24bit);
  EXPECT_EQ(r.Params.BitsPerSample, 4);
  EXPECT_EQ(r.Params.SamplesPerPixel, 1);
  EXPECT_EQ(r.Params.ColorMapCount, 16);
  std::vector<TRGB> expected;
  for (int x = 0; x < 8; ++x) {
    const int index = 1 | (x % 2 == 0 ? 2 : 0) | (x % 4 < 2 ? 4 : 0) | (x < 4 ? 8 : 0);
    expected.push_back(Colour(index));
  }
  EXPECT_EQ(Row(r.Bitmap, 0), expected);
}

TEST(PcxReader, EveryKindPlacesItsPixels) {
  struct TCase {
    const char* Name;
    TPcxLayout Layout;
    TBytes Data;
    TPixelFormat Format;
    std::vector<TRGB> Pixels;
  };
  TBytes trailer{0x0C};
  for (int i = 0; i < 256; ++i) trailer.insert(trailer.end(), {uint8_t(i), uint8_t(255 - i), 7});
  const TCase cases[] = {
      {"1 x 1",
       {.Encoding = 0, .Bits = 1, .XMax = 4, .BytesPerLine = 2},
       {0xA8, 0},
       pf1bit,
       {kWhite, kBlack, kWhite, kBlack, kWhite}},
      {"4 x 1, odd width",
       {.Encoding = 0, .Bits = 4, .XMax = 2, .BytesPerLine = 2, .Palette = SixteenColours()},
       {0x1F, 0x30},
       pf24bit,
       {Colour(1), Colour(15), Colour(3)}},
      {"8 x 1 with trailer",
       {.Encoding = 0, .Bits = 8, .XMax = 2, .BytesPerLine = 4},
       Concat({0, 200, 17, 0}, trailer),
       pf24bit,
       {CreateRGB(0, 255, 7), CreateRGB(200, 55, 7), CreateRGB(17, 238, 7)}},
      {"8 x 3",
       {.Encoding = 0, .Bits = 8, .Planes = 3, .XMax = 2, .BytesPerLine = 4},
       {255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0},
       pf24bit,
       {kRed, kGreen, kBlue}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TRead r;
    Read(Concat(Header(c.Layout), c.Data), r);
    ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
    EXPECT_EQ(r.Bitmap.PixelFormat(), c.Format);
    EXPECT_EQ(Row(r.Bitmap, 0), c.Pixels);
  }
}

TEST(PcxReader, ARunPastALineEndCarriesIntoTheNextLine) {
  // 3 bytes left in line 1 when 0xC5 0x20 comes: 3 of them end line 1, 2 start line 2.
  TPcxLayout l{.Encoding = 1, .Bits = 8, .XMax = 3, .YMax = 1, .BytesPerLine = 4};
  TBytes data{7, 0xC5, 0x20, 9, 9};
  TBytes trailer(769, 0);
  trailer[0] = 0x0C;
  for (int i = 0; i < 256; ++i) trailer[size_t(1 + 3 * i)] = uint8_t(i);
  TRead r;
  Read(Concat(Concat(Header(l), data), trailer), r);
  ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
  auto red = [](uint8_t v) { return CreateRGB(v, 0, 0); };
  EXPECT_EQ(Row(r.Bitmap, 0), (std::vector<TRGB>{red(7), red(0x20), red(0x20), red(0x20)}));
  EXPECT_EQ(Row(r.Bitmap, 1), (std::vector<TRGB>{red(0x20), red(0x20), red(9), red(9)}));
}

TEST(PcxReader, AMissingPaletteTrailerGivesGrayLevels) {
  TPcxLayout l{.Encoding = 0, .Bits = 8, .XMax = 2, .BytesPerLine = 4};
  TRead r;
  Read(Concat(Header(l), {0, 128, 255, 0}), r);
  ASSERT_FALSE(r.Aborted);
  EXPECT_EQ(Row(r.Bitmap, 0), (std::vector<TRGB>{kBlack, CreateRGB(128, 128, 128), kWhite}));
  EXPECT_EQ(r.Params.ColorMapCount, 256);
}

TEST(PcxReader, HeaderFieldsAndScreenResolution) {
  TPcxLayout l{.Version = 3,
               .Encoding = 0,
               .Bits = 8,
               .Planes = 3,
               .XMin = 10,
               .YMin = 20,
               .XMax = 11,
               .YMax = 22,
               .DpiX = 0,
               .DpiY = 300,
               .BytesPerLine = 2};
  TRead r;
  Read(Concat(Header(l), TBytes(18, 0)), r, true);
  ASSERT_FALSE(r.Aborted);
  EXPECT_EQ(r.Params.Width, 2);
  EXPECT_EQ(r.Params.Height, 3);
  EXPECT_EQ(r.Params.DpiX, gSystemDPIX);
  EXPECT_EQ(r.Params.DpiY, gSystemDPIY);
  EXPECT_EQ(r.Params.PCX_Version, 3);
  EXPECT_EQ(r.Params.ColorMapCount, 0);
  EXPECT_TRUE(r.Bitmap.Empty());
}

TEST(PcxReader, DamagedHeadersAndCutDataAbort) {
  const TPcxLayout good{.Encoding = 0, .Bits = 8, .Planes = 3, .XMax = 2, .YMax = 1, .BytesPerLine = 4};
  struct TCase {
    const char* Name;
    TBytes File;
  };
  auto with = [&](auto change) {
    TPcxLayout l = good;
    change(l);
    return Concat(Header(l), TBytes(24, 0));
  };
  const TBytes header = Header(good);
  const TCase cases[] = {
      {"manufacturer", with([](TPcxLayout& l) { l.Manufacturer = 11; })},
      {"encoding 2", with([](TPcxLayout& l) { l.Encoding = 2; })},
      {"16 bits", with([](TPcxLayout& l) { l.Bits = 16; })},
      {"x max below x min", with([](TPcxLayout& l) { l.XMin = 5; })},
      {"y max below y min", with([](TPcxLayout& l) { l.YMin = 2; })},
      {"lines shorter than the width", with([](TPcxLayout& l) { l.BytesPerLine = 2; })},
      {"2 bits x 1 plane", with([](TPcxLayout& l) { l.Bits = 2, l.Planes = 1; })},
      {"8 bits x 4 planes", with([](TPcxLayout& l) { l.Planes = 4; })},
      {"header cut", TBytes(header.begin(), header.begin() + 100)},
      {"data cut", Concat(Header(good), TBytes(20, 0))},
      {"run cut", Concat(Header(good), TBytes{0xC9})},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TRead r;
    Read(c.File, r);
    EXPECT_TRUE(r.Aborted);
    EXPECT_FALSE(r.Diagnostics.Reason.empty());
  }
}

TEST(PcxWriter, BytesOfRunsPaddingAndTrailer) {
  // A 3-pixel 8-bit picture: lines of 4 bytes; coded lines end with an encoded 0.
  TBitmap b(3, 1, pf24bit);
  b.SetPixel(0, 0, kRed);
  b.SetPixel(1, 0, kRed);
  b.SetPixel(2, 0, kBlue);
  TIOParamsVals p;
  p.BitsPerSample = 8;
  p.SamplesPerPixel = 1;
  p.PCX_Version = 3;
  const TBytes rle = Write(b, p);
  ASSERT_EQ(rle.size(), 128u + 4 + 769);
  EXPECT_EQ(rle[1], 5);  // a 256-colour palette needs version 5
  EXPECT_EQ(rle[66], 4);
  EXPECT_EQ(rle[128], 0xC2);
  EXPECT_NE(rle[129], rle[130]);
  EXPECT_EQ(rle[131], 0);
  EXPECT_EQ(rle[128 + 4], 0x0C);
  p.PCX_Compression = ioPCX_UNCOMPRESSED;
  const TBytes raw = Write(b, p);
  ASSERT_EQ(raw.size(), 128u + 4 + 769);
  EXPECT_EQ(raw[2], 0);
  EXPECT_EQ(raw[128], raw[129]);

  // A byte of 0xC0 and above is always written as a pair.
  TBitmap gray(2, 1, pf24bit);
  gray.SetPixel(0, 0, CreateRGB(0xC0, 0, 0));
  gray.SetPixel(1, 0, CreateRGB(0x10, 0, 0));
  TIOParamsVals rgb;
  const TBytes planes = Write(gray, rgb);
  EXPECT_EQ((TBytes(planes.begin() + 128, planes.begin() + 135)), (TBytes{0xC1, 0xC0, 0x10, 0xC2, 0, 0xC2, 0}));
  EXPECT_EQ(planes[65], 3);
}

TEST(PcxWriter, EveryDepthReadsBackWithItsColours) {
  // Sixteen colours, so that 4- and 8-bit palettes hold each one exactly.
  TBitmap source(37, 5, pf24bit);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 37; ++x)
      source.SetPixel(x, y, CreateRGB(uint8_t((x / 10) * 80), uint8_t((y / 3) * 160), uint8_t(x % 2 ? 200 : 30)));
  TBitmap twoColour(37, 5, pf24bit);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 37; ++x) twoColour.SetPixel(x, y, (x + y) % 3 ? kWhite : kBlack);
  struct TCase {
    int32_t Bits, Samples;
    TIOPCXCompression Compression;
    const TBitmap* Picture;
  };
  const TCase cases[] = {
      {8, 3, ioPCX_RLE, &source},
      {8, 3, ioPCX_UNCOMPRESSED, &source},
      {8, 1, ioPCX_RLE, &source},
      {8, 1, ioPCX_UNCOMPRESSED, &source},
      {4, 1, ioPCX_RLE, &source},
      {4, 1, ioPCX_UNCOMPRESSED, &source},
      {1, 1, ioPCX_RLE, &twoColour},
      {1, 1, ioPCX_UNCOMPRESSED, &twoColour},
      // No PCX kind for 16 bits: true colour.
      {16, 1, ioPCX_RLE, &source},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Bits) + " x " + std::to_string(c.Samples) + " rle " + std::to_string(c.Compression));
    TBitmap picture(*c.Picture);
    TIOParamsVals p;
    p.BitsPerSample = c.Bits;
    p.SamplesPerPixel = c.Samples;
    p.PCX_Compression = c.Compression;
    TRead r;
    Read(Write(picture, p), r);
    ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
    TBitmap back(r.Bitmap);
    back.SetPixelFormat(pf24bit);
    EXPECT_TRUE(kxtest::SameBitmap(back, *c.Picture));
  }
}

TEST(PcxWriter, SidesTheHeaderCannotHoldWriteNothing) {
  TBitmap wide(65536, 1, pf1bit);
  TIOParamsVals p;
  bool aborted = false;
  EXPECT_TRUE(Write(wide, p, &aborted).empty());
  EXPECT_TRUE(aborted);
}

TEST(PcxWriter, AStoppedWriteHasNoPaletteTrailer) {
  TBitmap b = kxtest::MakePicture(16, 8);
  TIOParamsVals p;
  p.SamplesPerPixel = 1;
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
  TMemoryStream stream;
  WritePcxStream(stream, b, p, progress);
  ASSERT_TRUE(aborted);
  // The header and two coded rows of at most 16 bytes and their runs.
  EXPECT_LE(stream.Size(), 128 + 2 * 32);
}

TEST(PcxFile, WriteAndReadAFile) {
  const std::string path = kxtest::TempPath(".pcx");
  TBitmap b = kxtest::MakePicture(21, 9);
  TIOParamsVals p;
  TProgressRec progress = NullProgress();
  WritePcx(path, b, p, progress);
  TBitmap back;
  TIOParamsVals q;
  ReadPcx(path, back, q, progress);
  EXPECT_FALSE(progress.Aborted());
  EXPECT_TRUE(kxtest::SameBitmap(back, b));
}

}  // namespace
