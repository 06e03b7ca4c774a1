// The Targa reader on files built byte by byte (every row order, packets across rows, colour
// maps, the footer inside and outside the picture's block, damaged and cut files), the content
// test, and the writer's bytes and round trips at every depth.
#include "imaging/io/tga_codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/proc/pixel_convert.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Header(uint8_t type, uint16_t width, uint16_t height, uint8_t depth, uint8_t descriptor, uint8_t mapType = 0,
              uint16_t mapLength = 0, uint8_t mapBits = 0, uint8_t idLength = 0) {
  return {idLength,
          mapType,
          type,
          0,
          0,
          uint8_t(mapLength),
          uint8_t(mapLength >> 8),
          mapBits,
          0,
          0,
          0,
          0,
          uint8_t(width),
          uint8_t(width >> 8),
          uint8_t(height),
          uint8_t(height >> 8),
          depth,
          descriptor};
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

void Read(const TBytes& bytes, TRead& r, bool preview = false, int64_t block = 0) {
  TMemoryStream stream(bytes);
  TProgressRec progress;
  progress.Aborting = &r.Aborted;
  progress.Diagnostics = &r.Diagnostics;
  ReadTGAStream(stream, r.Bitmap, r.Params, preview, progress, block);
}

TBytes Write(TBitmap& bitmap, TIOParamsVals& params) {
  TMemoryStream stream;
  TProgressRec progress = NullProgress();
  WriteTGAStream(stream, bitmap, params, progress);
  return stream.Bytes();
}

std::vector<TRGB> Row(const TBitmap& b, int32_t y) {
  std::vector<TRGB> row;
  for (int32_t x = 0; x < b.Width(); ++x) row.push_back(b.GetPixel(x, y));
  return row;
}

const TRGB kBlack{}, kWhite = CreateRGB(255, 255, 255), kRed = CreateRGB(255, 0, 0), kGreen = CreateRGB(0, 255, 0),
                     kBlue = CreateRGB(0, 0, 255), kGray = CreateRGB(128, 128, 128);

TEST(TgaReader, DescriptorBitsOrderRowsAndPixels) {
  // Stored rows: red green, then blue white.
  const TBytes pixels{0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
  struct TCase {
    uint8_t Descriptor;
    std::vector<TRGB> Top, Bottom;
  };
  const TCase cases[] = {
      {0x00, {kBlue, kWhite}, {kRed, kGreen}},
      {0x10, {kWhite, kBlue}, {kGreen, kRed}},
      {0x20, {kRed, kGreen}, {kBlue, kWhite}},
      {0x30, {kGreen, kRed}, {kWhite, kBlue}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(int(c.Descriptor));
    TRead r;
    Read(Concat(Header(2, 2, 2, 24, c.Descriptor), pixels), r);
    ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
    EXPECT_EQ(Row(r.Bitmap, 0), c.Top);
    EXPECT_EQ(Row(r.Bitmap, 1), c.Bottom);
  }
}

TEST(TgaReader, EveryDepthAndMapDecodes) {
  struct TCase {
    const char* Name;
    TBytes File;
    std::vector<TRGB> Pixels;
    int32_t Bits, Samples;
    bool Gray;
  };
  const TCase cases[] = {
      {"16-bit 5-5-5",
       Concat(Header(2, 3, 1, 16, 0x20), {0x00, 0x7C, 0xE0, 0x03, 0x10, 0x42}),
       {kRed, kGreen, CreateRGB(131, 131, 131)},
       5,
       3,
       false},
      {"32-bit", Concat(Header(2, 2, 1, 32, 0x20), {0, 0, 255, 9, 255, 0, 0, 0}), {kRed, kBlue}, 8, 4, false},
      {"8-bit gray", Concat(Header(3, 3, 1, 8, 0x20), {0, 128, 255}), {kBlack, kGray, kWhite}, 8, 1, true},
      {"gray and alpha", Concat(Header(3, 2, 1, 16, 0x20), {128, 0, 255, 255}), {kGray, kWhite}, 8, 2, true},
      {"mapped, 24-bit entries",
       Concat(Header(1, 2, 1, 8, 0x20, 1, 2, 24), {0, 0, 255, 255, 0, 0, 1, 0}),
       {kBlue, kRed},
       8,
       1,
       false},
      {"mapped, 16-bit entries",
       Concat(Header(1, 2, 1, 8, 0x20, 1, 2, 16), {0x00, 0x7C, 0x1F, 0x00, 0, 1}),
       {kRed, kBlue},
       8,
       1,
       false},
      {"4-bit mapped",
       Concat(Header(1, 3, 1, 4, 0x20, 1, 16, 24), Concat(TBytes(48, 255), {0x0F, 0x00})),
       {kWhite, kWhite, kWhite},
       4,
       1,
       false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TRead r;
    Read(c.File, r);
    ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
    EXPECT_EQ(Row(r.Bitmap, 0), c.Pixels);
    EXPECT_EQ(r.Params.BitsPerSample, c.Bits);
    EXPECT_EQ(r.Params.SamplesPerPixel, c.Samples);
    EXPECT_EQ(r.Params.TGA_GrayLevel, c.Gray);
  }
}

TEST(TgaReader, PacketsRunOnIntoTheNextRowButNotPastThePicture) {
  // 3 x 2: a run of 4 red crosses the first row's end, then raw green, blue and a spare pixel
  // whose packet ends outside the picture.
  const TBytes packets{0x83, 0, 0, 255, 0x02, 0, 255, 0, 255, 0, 0, 1, 2, 3};
  TRead r;
  Read(Concat(Header(10, 3, 2, 24, 0x20), packets), r);
  ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
  EXPECT_TRUE(r.Params.TGA_Compressed);
  EXPECT_EQ(Row(r.Bitmap, 0), (std::vector<TRGB>{kRed, kRed, kRed}));
  EXPECT_EQ(Row(r.Bitmap, 1), (std::vector<TRGB>{kRed, kGreen, kBlue}));
}

TEST(TgaReader, OneBitRowsStayOneBit) {
  TRead r;
  Read(Concat(Header(3, 10, 1, 1, 0x30), {0xC0, 0x40}), r);
  ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
  EXPECT_EQ(r.Bitmap.PixelFormat(), pf1bit);
  // Stored right to left: the set bits 0, 1 and 9 are pixels 9, 8 and 0.
  const std::vector<TRGB> row = Row(r.Bitmap, 0);
  for (int32_t x = 0; x < 10; ++x) EXPECT_EQ(row[size_t(x)], x == 0 || x == 8 || x == 9 ? kWhite : kBlack) << x;
}

TEST(TgaReader, TheFooterCountsOnlyInsideThePicturesBlock) {
  TBitmap b = kxtest::Filled(4, 3, kRed);
  TIOParamsVals p;
  p.TGA_Author = "Ann";
  const TBytes withFooter = Write(b, p);
  // Our picture in front of another one with a footer: without a block it is found, with the
  // first picture's block it is not.
  TBytes plain = Concat(Header(2, 1, 1, 24, 0), {1, 2, 3});
  const TBytes stream = Concat(plain, withFooter);
  TRead lone, inside;
  Read(stream, lone, true);
  Read(stream, inside, true, int64_t(plain.size()));
  EXPECT_FALSE(lone.Aborted);
  EXPECT_FALSE(inside.Aborted);
  EXPECT_EQ(inside.Params.TGA_Author, "");
  EXPECT_DOUBLE_EQ(inside.Params.TGA_Gamma, 2.2);
  // The second picture's offset does not point at an extension area from the first's start.
  EXPECT_EQ(lone.Params.TGA_Author, "");
  TRead second;
  TMemoryStream s(stream);
  s.SetPosition(int64_t(plain.size()));
  TProgressRec progress;
  progress.Aborting = &second.Aborted;
  ReadTGAStream(s, second.Bitmap, second.Params, false, progress);
  EXPECT_FALSE(second.Aborted);
  EXPECT_EQ(second.Params.TGA_Author, "Ann");
  EXPECT_TRUE(kxtest::SameBitmap(second.Bitmap, b));
}

TEST(TgaReader, DamagedHeadersAndCutDataAbort) {
  const TBytes good = Concat(Header(2, 2, 2, 24, 0), TBytes(12, 7));
  struct TCase {
    const char* Name;
    TBytes File;
  };
  const TCase cases[] = {
      {"type 4", Concat(Header(4, 2, 2, 24, 0), TBytes(12, 0))},
      {"depth 15", Concat(Header(2, 2, 2, 15, 0), TBytes(12, 0))},
      {"true colour at 8 bits", Concat(Header(2, 2, 2, 8, 0), TBytes(4, 0))},
      {"zero width", Header(2, 0, 2, 24, 0)},
      {"colour map of 7-bit entries", Concat(Header(1, 1, 1, 8, 0, 1, 1, 7), TBytes(4, 0))},
      {"colour map cut", Concat(Header(1, 1, 1, 8, 0, 1, 200, 24), TBytes(30, 0))},
      {"header cut", TBytes(good.begin(), good.begin() + 12)},
      {"rows cut", TBytes(good.begin(), good.end() - 2)},
      {"packets cut", Concat(Header(10, 2, 2, 24, 0), {0x81, 1, 2, 3, 0x01, 4})},
      {"coded 1-bit", Concat(Header(11, 8, 1, 1, 0), {0x80, 0xFF})},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TRead r;
    Read(c.File, r);
    EXPECT_TRUE(r.Aborted);
    EXPECT_FALSE(r.Diagnostics.Reason.empty());
  }
  TRead ok;
  Read(good, ok);
  EXPECT_FALSE(ok.Aborted);
}

TEST(TgaTry, KnownHeadersButNoAnymaps) {
  TMemoryStream tga(Concat(Header(10, 2, 2, 24, 0), TBytes(8, 0)));
  tga.SetPosition(0);
  EXPECT_TRUE(TryTGA(tga));
  EXPECT_EQ(tga.Position(), 0);
  // "P6\n" followed by bytes that pass as type 2, depth 24.
  TBytes anymap = Header(2, 2, 2, 24, 0);
  anymap[0] = 'P', anymap[1] = '6';
  anymap[2] = '\n';
  TMemoryStream pnm(anymap);
  EXPECT_FALSE(TryTGA(pnm));
  TMemoryStream shortStream(TBytes(10, 0));
  EXPECT_FALSE(TryTGA(shortStream));
}

TEST(TgaWriter, HeaderIdExtensionAndFooterBytes) {
  TBitmap b = kxtest::Filled(3, 2, kBlue);
  TIOParamsVals p;
  p.TGA_Description = "abcd";
  p.TGA_AspectRatio = 1.5;
  p.TGA_Gamma = 2.2;
  p.TGA_Background = CreateRGB(10, 20, 30);
  p.TGA_Date = 45000.5;  // 2023-03-15 12:00
  p.TGA_Name = std::string(60, 'n');
  TMemoryStream stream(TBytes(1000, 0));
  stream.SetPosition(1000);
  TProgressRec progress = NullProgress();
  WriteTGAStream(stream, b, p, progress);
  const TBytes all = stream.Bytes();
  const TBytes f(all.begin() + 1000, all.end());
  ASSERT_GT(f.size(), 18u + 495 + 26);
  EXPECT_EQ(f[0], 5);      // four characters and a zero
  EXPECT_EQ(f[2], 10);     // true colour, run-length coded
  EXPECT_EQ(f[17], 0x20);  // top row first
  EXPECT_EQ(std::string(f.begin() + 18, f.begin() + 23), std::string("abcd\0", 5));
  const size_t footer = f.size() - 26;
  const size_t ext = f[footer] | f[footer + 1] << 8 | f[footer + 2] << 16 | size_t(f[footer + 3]) << 24;
  EXPECT_EQ(ext + 495, footer);
  EXPECT_EQ(std::string(f.begin() + long(footer) + 8, f.end()), std::string("TRUEVISION-XFILE.\0", 18));
  auto u16 = [&](size_t at) { return f[ext + at] | f[ext + at + 1] << 8; };
  EXPECT_EQ(u16(0), 495);
  EXPECT_EQ(u16(474), 15000);
  EXPECT_EQ(u16(476), 10000);
  EXPECT_EQ(u16(478), 22000);
  EXPECT_EQ((std::vector<int>{u16(367), u16(369), u16(371), u16(373)}), (std::vector<int>{3, 15, 2023, 12}));
  EXPECT_EQ((TBytes(f.begin() + long(ext) + 470, f.begin() + long(ext) + 474)), (TBytes{30, 20, 10, 0}));
  EXPECT_EQ(f[ext + 379 + 39], 'n');
  EXPECT_EQ(f[ext + 379 + 40], 0);

  // Read back from the same stream position.
  TMemoryStream in(all);
  in.SetPosition(1000);
  TRead r;
  TProgressRec rp;
  rp.Aborting = &r.Aborted;
  ReadTGAStream(in, r.Bitmap, r.Params, false, rp);
  ASSERT_FALSE(r.Aborted);
  EXPECT_EQ(r.Params.TGA_Description, "abcd");
  EXPECT_DOUBLE_EQ(r.Params.TGA_AspectRatio, 1.5);
  EXPECT_DOUBLE_EQ(r.Params.TGA_Gamma, 2.2);
  EXPECT_EQ(r.Params.TGA_Background, p.TGA_Background);
  EXPECT_DOUBLE_EQ(r.Params.TGA_Date, 45000.5);
  EXPECT_EQ(r.Params.TGA_Name, std::string(40, 'n'));
}

TEST(TgaWriter, LongTextsAndLargeRatiosAreCut) {
  TBitmap b = kxtest::Filled(1, 1, kRed);
  TIOParamsVals p;
  p.TGA_Description = std::string(300, 'd');
  p.TGA_AspectRatio = 100;
  const TBytes f = Write(b, p);
  EXPECT_EQ(f[0], 255);
  TRead r;
  Read(f, r);
  ASSERT_FALSE(r.Aborted);
  EXPECT_EQ(r.Params.TGA_Description, std::string(254, 'd'));
  EXPECT_DOUBLE_EQ(r.Params.TGA_AspectRatio, 6.5535);
}

TEST(TgaWriter, EveryDepthReadsBackWithItsColours) {
  // Sixteen colours, so that 16- and 256-entry maps hold each one exactly.
  TBitmap source(37, 5, pf24bit);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 37; ++x)
      source.SetPixel(x, y, CreateRGB(uint8_t((x / 10) * 80), uint8_t((y / 3) * 160), uint8_t(x % 2 ? 200 : 30)));
  TBitmap grays(37, 5, pf24bit);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 37; ++x) grays.SetPixel(x, y, CreateRGB(uint8_t(x * 7), uint8_t(x * 7), uint8_t(x * 7)));
  // Gray files hold each pixel's gray value.
  TBitmap grayValues(grays), sourceGray(source);
  for (int32_t y = 0; y < 5; ++y) {
    KXGrayRow(reinterpret_cast<TRGB*>(grayValues.ScanLine(y)), 37);
    KXGrayRow(reinterpret_cast<TRGB*>(sourceGray.ScanLine(y)), 37);
  }
  TBitmap oneBit = kxtest::Uniform(37, 5, 0, pf1bit);
  for (int32_t x = 0; x < 37; x += 3) oneBit.SetPixel(x, x % 5, kWhite);
  struct TCase {
    int32_t Bits, Samples;
    bool Compressed, Gray;
    const TBitmap* Picture;
    uint8_t Type, Depth;
    const TBitmap* Expected = nullptr;  // when not the picture
  };
  const TCase cases[] = {
      {8, 3, true, false, &source, 10, 24},
      {8, 3, false, false, &source, 2, 24},
      {8, 1, true, false, &source, 9, 8},
      {8, 1, false, false, &source, 1, 8},
      {4, 1, true, false, &source, 1, 8},
      {1, 1, true, false, &oneBit, 3, 1},
      {8, 1, true, true, &grays, 11, 8, &grayValues},
      {16, 1, false, false, &grays, 3, 8, &grayValues},
      {8, 1, false, true, &source, 3, 8, &sourceGray},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Bits) + " x " + std::to_string(c.Samples) + (c.Compressed ? " rle" : " raw"));
    TBitmap picture(*c.Picture);
    TIOParamsVals p;
    p.BitsPerSample = c.Bits;
    p.SamplesPerPixel = c.Samples;
    p.TGA_Compressed = c.Compressed;
    p.TGA_GrayLevel = c.Gray;
    const TBytes f = Write(picture, p);
    ASSERT_GT(f.size(), 18u);
    EXPECT_EQ(f[2], c.Type);
    EXPECT_EQ(f[16], c.Depth);
    TRead r;
    Read(f, r);
    ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
    EXPECT_TRUE(kxtest::SameBitmap(r.Bitmap, c.Expected ? *c.Expected : *c.Picture));
  }
}

}  // namespace
