// The PNG codec's own behaviour on memory streams, over files made chunk by chunk: colour
// types and depths, backgrounds, resolution, interlacing and its progress, the writer's colour
// types, filters and levels, damaged input, limits and failing streams.
#include "imaging/io/png_codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "platform/screen.h"
#include "tests/io/png_test_files.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::DecodePng;
using kxtest::EncodePng;
using kxtest::TPngDecoded;

namespace {

using TBytes = std::vector<uint8_t>;

void Put32(TBytes& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

TBytes Chunk(const char* kind, const TBytes& data) {
  TBytes out;
  Put32(out, uint32_t(data.size()));
  TBytes body(kind, kind + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  Put32(out, uint32_t(crc32(0, body.data(), uInt(body.size()))));
  return out;
}

TBytes Deflate(const TBytes& raw) {
  uLongf size = compressBound(uLong(raw.size()));
  TBytes out(size);
  compress2(out.data(), &size, raw.data(), uLong(raw.size()), 6);
  out.resize(size);
  return out;
}

// A non-interlaced file whose rows (filter byte 0 added here) are `rows`, with `extra` chunks
// between the header and the image data.
struct TPngFile {
  uint32_t width = 1, height = 1;
  uint8_t depth = 8, colour = 2;
  std::vector<TBytes> rows = {};
  TBytes extra = {};
  TBytes Bytes() const {
    TBytes out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    TBytes head;
    Put32(head, width);
    Put32(head, height);
    head.insert(head.end(), {depth, colour, 0, 0, 0});
    TBytes raw;
    for (const TBytes& row : rows) {
      raw.push_back(0);
      raw.insert(raw.end(), row.begin(), row.end());
    }
    for (const TBytes& c : {Chunk("IHDR", head), extra, Chunk("IDAT", Deflate(raw)), Chunk("IEND", {})})
      out.insert(out.end(), c.begin(), c.end());
    return out;
  }
};

TRGB Bgr(uint8_t r, uint8_t g, uint8_t b) { return TRGB{b, g, r}; }

// The chunk types of a file in order.
std::vector<std::string> ChunkTypes(const TBytes& file) {
  std::vector<std::string> types;
  for (size_t at = 8; at + 12 <= file.size();) {
    const uint32_t length = uint32_t(file[at]) << 24 | uint32_t(file[at + 1]) << 16 | file[at + 2] << 8 | file[at + 3];
    types.emplace_back(reinterpret_cast<const char*>(&file[at + 4]), 4);
    at += 12 + length;
  }
  return types;
}

// The data of the chunks of `kind`, joined.
TBytes ChunkData(const TBytes& file, const std::string& kind) {
  TBytes data;
  for (size_t at = 8; at + 12 <= file.size();) {
    const uint32_t length = uint32_t(file[at]) << 24 | uint32_t(file[at + 1]) << 16 | file[at + 2] << 8 | file[at + 3];
    if (std::string(reinterpret_cast<const char*>(&file[at + 4]), 4) == kind)
      data.insert(data.end(), file.begin() + long(at) + 8, file.begin() + long(at + 8 + length));
    at += 12 + length;
  }
  return data;
}

TEST(PngTryStream, MatchesTheSignatureAndRestoresThePosition) {
  TBitmap pic = kxtest::MakePicture(4, 3);
  TBytes file = EncodePng(pic, TIOParamsVals());
  file.insert(file.begin(), {1, 2});
  TMemoryStream stream(file);
  stream.SetPosition(2);
  EXPECT_TRUE(IsPNGStream(stream));
  EXPECT_EQ(stream.Position(), 2);
  stream.SetPosition(0);
  EXPECT_FALSE(IsPNGStream(stream));
  EXPECT_EQ(stream.Position(), 0);
  TMemoryStream shortStream(TBytes(file.begin() + 2, file.begin() + 9));
  EXPECT_FALSE(IsPNGStream(shortStream));
  EXPECT_EQ(shortStream.Position(), 0);
}

// Every colour type and depth, with the pixels and parameters they must give.
TEST(PngRead, ColourTypesAndDepths) {
  struct TCase {
    const char* name;
    TPngFile file;
    TPixelFormat format;
    int32_t bits, samples;
    std::vector<TRGB> pixels;  // the first row
  };
  const TBytes plte = Chunk("PLTE", {255, 255, 255, 0, 0, 0, 10, 20, 30, 200, 100, 50});
  const TCase cases[] = {
      {"gray 1", {.width = 3, .depth = 1, .colour = 0, .rows = {{0b10100000}}}, pf1bit, 1, 1, {}},
      {"gray 2",
       {.width = 4, .depth = 2, .colour = 0, .rows = {{0b00011011}}},
       pf24bit,
       2,
       1,
       {Bgr(0, 0, 0), Bgr(85, 85, 85), Bgr(170, 170, 170), Bgr(255, 255, 255)}},
      {"gray 4",
       {.width = 2, .depth = 4, .colour = 0, .rows = {{0x1F}}},
       pf24bit,
       4,
       1,
       {Bgr(17, 17, 17), Bgr(255, 255, 255)}},
      {"gray 16",
       {.width = 2, .depth = 16, .colour = 0, .rows = {{0x12, 0xFF, 0xAB, 0x00}}},
       pf24bit,
       16,
       1,
       {Bgr(0x12, 0x12, 0x12), Bgr(0xAB, 0xAB, 0xAB)}},
      {"rgb 8", {.width = 1, .depth = 8, .colour = 2, .rows = {{10, 20, 30}}}, pf24bit, 8, 3, {Bgr(10, 20, 30)}},
      {"rgb 16", {.width = 1, .depth = 16, .colour = 2, .rows = {{1, 2, 3, 4, 5, 6}}}, pf24bit, 16, 3, {Bgr(1, 3, 5)}},
      // The palette of white then black keeps its colours instead of showing inverted.
      {"palette 1",
       {.width = 2, .depth = 1, .colour = 3, .rows = {{0b01000000}}, .extra = plte},
       pf24bit,
       1,
       1,
       {Bgr(255, 255, 255), Bgr(0, 0, 0)}},
      {"palette 2",
       {.width = 4, .depth = 2, .colour = 3, .rows = {{0b11100100}}, .extra = plte},
       pf24bit,
       2,
       1,
       {Bgr(200, 100, 50), Bgr(10, 20, 30), Bgr(0, 0, 0), Bgr(255, 255, 255)}},
      {"palette 8",
       {.width = 2, .depth = 8, .colour = 3, .rows = {{3, 2}}, .extra = plte},
       pf24bit,
       8,
       1,
       {Bgr(200, 100, 50), Bgr(10, 20, 30)}},
      {"gray alpha 8",
       {.width = 1, .depth = 8, .colour = 4, .rows = {{100, 255}}},
       pf24bit,
       8,
       2,
       {Bgr(100, 100, 100)}},
      {"rgba 8", {.width = 1, .depth = 8, .colour = 6, .rows = {{7, 8, 9, 255}}}, pf24bit, 8, 4, {Bgr(7, 8, 9)}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TPngDecoded d = DecodePng(c.file.Bytes());
    ASSERT_FALSE(d.aborted) << d.diagnostics.Reason;
    EXPECT_EQ(d.bitmap.PixelFormat(), c.format);
    EXPECT_EQ(d.params.BitsPerSample, c.bits);
    EXPECT_EQ(d.params.SamplesPerPixel, c.samples);
    EXPECT_EQ(d.bitmap.Width(), int32_t(c.file.width));
    for (size_t x = 0; x < c.pixels.size(); ++x) EXPECT_EQ(d.bitmap.GetPixel(int32_t(x), 0), c.pixels[x]) << x;
    // libpng drops the entries that the depth cannot index.
    EXPECT_EQ(d.params.ColorMapCount, c.file.colour == 3 ? std::min(4, 1 << c.file.depth) : 0);
  }
}

TEST(PngRead, BlackAndWhitePicturesStayOneBit) {
  const TBytes bits = {0b10100000};
  TPngFile gray{.width = 3, .depth = 1, .colour = 0, .rows = {bits}};
  TPngFile palette{
      .width = 3, .depth = 1, .colour = 3, .rows = {bits}, .extra = Chunk("PLTE", {0, 0, 0, 255, 255, 255})};
  for (const TPngFile& file : {gray, palette}) {
    TPngDecoded d = DecodePng(file.Bytes());
    ASSERT_FALSE(d.aborted);
    ASSERT_EQ(d.bitmap.PixelFormat(), pf1bit);
    EXPECT_EQ(d.bitmap.ScanLine(0)[0] & 0xE0, 0b10100000);
  }
  // A transparent entry must be flattened, which 1-bit rows cannot show.
  palette.extra = Chunk("PLTE", {0, 0, 0, 255, 255, 255});
  const TBytes trns = Chunk("tRNS", {0});
  palette.extra.insert(palette.extra.end(), trns.begin(), trns.end());
  TPngDecoded d = DecodePng(palette.Bytes(), Bgr(0, 0, 255));
  ASSERT_FALSE(d.aborted);
  ASSERT_EQ(d.bitmap.PixelFormat(), pf24bit);
  EXPECT_EQ(d.bitmap.GetPixel(0, 0), Bgr(255, 255, 255));
  EXPECT_EQ(d.bitmap.GetPixel(1, 0), Bgr(0, 0, 255));
}

// Transparent and half-transparent pixels over the file's background chunk, else over
// PNG_Background, at 8 and 16 bits.
TEST(PngRead, AlphaIsFlattenedOverTheBackground) {
  const TBytes red8 = Chunk("bKGD", {0, 255, 0, 0, 0, 0});
  const TBytes red16 = Chunk("bKGD", {0xFF, 0xFF, 0, 0, 0, 0});
  struct TCase {
    const char* name;
    TPngFile file;
    TRGB expected0, expected1, background;
  };
  const TRGB blue = Bgr(0, 0, 255);
  const TCase cases[] = {
      {"rgba 8 with red chunk",
       {.width = 2, .depth = 8, .colour = 6, .rows = {{10, 20, 30, 0, 0, 0, 200, 128}}, .extra = red8},
       Bgr(255, 0, 0),
       Bgr(127, 0, 100),
       Bgr(255, 0, 0)},
      {"rgba 8 over PNG_Background",
       {.width = 2, .depth = 8, .colour = 6, .rows = {{10, 20, 30, 0, 0, 0, 200, 128}}},
       blue,
       Bgr(0, 0, 227),
       blue},
      {"rgba 16 with red chunk",
       {.width = 1, .depth = 16, .colour = 6, .rows = {{1, 2, 3, 4, 5, 6, 0, 0}}, .extra = red16},
       Bgr(255, 0, 0),
       Bgr(255, 0, 0),
       Bgr(255, 0, 0)},
      {"rgba 16 over PNG_Background",
       {.width = 1, .depth = 16, .colour = 6, .rows = {{1, 2, 3, 4, 5, 6, 0, 0}}},
       blue,
       blue,
       blue},
      {"gray alpha over PNG_Background",
       {.width = 2, .depth = 8, .colour = 4, .rows = {{50, 0, 50, 255}}},
       blue,
       Bgr(50, 50, 50),
       blue},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TPngDecoded d = DecodePng(c.file.Bytes(), blue);
    ASSERT_FALSE(d.aborted) << d.diagnostics.Reason;
    EXPECT_EQ(d.bitmap.GetPixel(0, 0), c.expected0);
    if (c.file.width > 1) {
      EXPECT_EQ(d.bitmap.GetPixel(1, 0), c.expected1);
    }
    EXPECT_EQ(d.params.PNG_Background, c.background);
  }
}

TEST(PngRead, ResolutionInPixelsPerMetreBecomesDpi) {
  TBytes phys;
  Put32(phys, 3780);
  Put32(phys, 11811);
  phys.push_back(1);
  TPngFile file{.rows = {{1, 2, 3}}, .extra = Chunk("pHYs", phys)};
  TPngDecoded d = DecodePng(file.Bytes());
  EXPECT_EQ(d.params.DpiX, 96);
  EXPECT_EQ(d.params.DpiY, 300);
  phys.back() = 0;  // an aspect ratio only
  file.extra = Chunk("pHYs", phys);
  d = DecodePng(file.Bytes());
  EXPECT_EQ(d.params.DpiX, gSystemDPIX);
  EXPECT_EQ(d.params.DpiY, gSystemDPIY);
}

TEST(PngRead, PreviewFillsTheParametersOnly) {
  TPngFile file{.width = 2, .height = 1, .depth = 16, .colour = 2, .rows = {TBytes(12)}};
  TPngDecoded d = DecodePng(file.Bytes(), TRGB{}, true);
  ASSERT_FALSE(d.aborted);
  EXPECT_TRUE(d.bitmap.Empty());
  EXPECT_EQ(d.params.Width, 2);
  EXPECT_EQ(d.params.BitsPerSample, 16);
}

struct TProgressRecorder {
  std::vector<int> reports;
  bool* flag = nullptr;
  int abortAt = -1;
  void Handler(void*, int per) {
    reports.push_back(per);
    if (int(reports.size()) == abortAt) *flag = true;
  }
  TProgressRec Record(bool* aborting) {
    flag = aborting;
    TProgressRec rec;
    rec.fOnProgress = TProgressEvent::Bind<&TProgressRecorder::Handler>(this);
    rec.Aborting = aborting;
    return rec;
  }
};

TEST(PngInterlace, AdamSevenRoundTripReportsEveryPassOfEveryRow) {
  TBitmap picture = kxtest::MakePicture(33, 100, 4);
  TIOParamsVals params;
  params.PNG_Interlaced = true;
  TProgressRecorder writeLog;
  bool aborted = false;
  TProgressRec rec = writeLog.Record(&aborted);
  const TBytes file = EncodePng(picture, params, &rec);
  ASSERT_EQ(writeLog.reports.size(), 700u);
  EXPECT_EQ(file[8 + 8 + 12], 1);  // the header's interlace method

  TProgressRecorder readLog;
  rec = readLog.Record(&aborted);
  TMemoryStream stream(file);
  TBitmap bmp;
  TIOParamsVals read;
  ReadPNGStream(stream, bmp, read, false, rec);
  ASSERT_FALSE(aborted);
  EXPECT_TRUE(read.PNG_Interlaced);
  EXPECT_TRUE(kxtest::SameBitmap(bmp, picture));
  ASSERT_EQ(readLog.reports.size(), 700u);
  EXPECT_EQ(readLog.reports[6], 1);  // Trunc(7 x 100 / 700)
  EXPECT_EQ(readLog.reports.back(), 100);
}

TEST(PngProgress, AbortFromTheHandlerStopsAfterTheRowAndKeepsItsRows) {
  TBitmap picture = kxtest::MakePicture(20, 30, 5);
  const TBytes file = EncodePng(picture, TIOParamsVals());
  TProgressRecorder log;
  log.abortAt = 10;
  bool aborted = false;
  TProgressRec rec = log.Record(&aborted);
  TMemoryStream stream(file);
  TBitmap bmp;
  TIOParamsVals params;
  ReadPNGStream(stream, bmp, params, false, rec);
  EXPECT_TRUE(aborted);
  EXPECT_EQ(log.reports.size(), 10u);
  EXPECT_EQ(std::memcmp(bmp.ScanLine(9), picture.ScanLine(9), 60), 0);

  // Written row by row by libpng, and on two threads.
  for (TBitmap written : {picture, kxtest::MakePicture(301, 400, 5)}) {
    TProgressRecorder writeLog;
    writeLog.abortAt = 5;
    aborted = false;
    rec = writeLog.Record(&aborted);
    TMemoryStream out;
    WritePNGStream(out, written, TIOParamsVals(), rec);
    EXPECT_TRUE(aborted);
    EXPECT_EQ(writeLog.reports.size(), 5u);
    EXPECT_NE(ChunkTypes(out.Bytes()).back(), "IEND");
  }
}

TEST(PngWrite, ColourTypeFollowsTheSampleSettings) {
  TBitmap picture = kxtest::MakePicture(40, 30, 6);
  TIOParamsVals params;
  params.SamplesPerPixel = 1;
  params.BitsPerSample = 8;
  params.PNG_Background = Bgr(255, 255, 255);
  TBytes file = EncodePng(picture, params);
  EXPECT_EQ(file[8 + 8 + 8], 8);  // depth
  EXPECT_EQ(file[8 + 8 + 9], 3);  // palette
  EXPECT_EQ(ChunkData(file, "PLTE").size(), 768u);
  TPngDecoded d = DecodePng(file);
  ASSERT_FALSE(d.aborted);
  EXPECT_EQ(d.params.ColorMapCount, 256);
  ASSERT_EQ(ChunkData(file, "bKGD").size(), 1u);
  EXPECT_EQ(d.params.PNG_Background, d.params.ColorMap[ChunkData(file, "bKGD")[0]]);

  params.BitsPerSample = 1;
  TBitmap twoColours = kxtest::Filled(9, 2, Bgr(200, 0, 0));
  twoColours.SetPixel(3, 1, Bgr(0, 0, 90));
  file = EncodePng(twoColours, params);
  EXPECT_EQ(file[8 + 8 + 8], 1);
  EXPECT_EQ(file[8 + 8 + 9], 0);
  d = DecodePng(file);
  ASSERT_EQ(d.bitmap.PixelFormat(), pf1bit);
  // The darker colour is black.
  EXPECT_EQ(d.bitmap.GetPixel(3, 1), Bgr(0, 0, 0));
  EXPECT_EQ(d.bitmap.GetPixel(2, 1), Bgr(255, 255, 255));

  params.SamplesPerPixel = 3;
  params.BitsPerSample = 8;
  params.PNG_Background = Bgr(1, 2, 3);
  file = EncodePng(picture, params);
  EXPECT_EQ(file[8 + 8 + 9], 2);
  EXPECT_EQ(ChunkData(file, "bKGD"), (TBytes{0, 1, 0, 2, 0, 3}));
  d = DecodePng(file);
  EXPECT_TRUE(kxtest::SameBitmap(d.bitmap, picture));
}

TEST(PngWrite, OneBitBitmapsKeepTheirLookWhateverTheirPalette) {
  TBitmap bits(10, 2, pf1bit);
  bits.SetPixel(4, 0, Bgr(255, 255, 255));
  TIOParamsVals params;
  params.BitsPerSample = 1;
  TBitmap inverted(bits);
  inverted.SetPalette({Bgr(255, 255, 255), Bgr(0, 0, 0)});
  TPngDecoded plain = DecodePng(EncodePng(bits, params));
  TPngDecoded flipped = DecodePng(EncodePng(inverted, params));
  EXPECT_EQ(plain.bitmap.GetPixel(4, 0), Bgr(255, 255, 255));
  EXPECT_EQ(plain.bitmap.GetPixel(5, 0), Bgr(0, 0, 0));
  EXPECT_EQ(flipped.bitmap.GetPixel(4, 0), Bgr(0, 0, 0));
  EXPECT_EQ(flipped.bitmap.GetPixel(5, 0), Bgr(255, 255, 255));
  // Written as RGB, a 1-bit bitmap is expanded.
  params.BitsPerSample = 8;
  TPngDecoded rgb = DecodePng(EncodePng(bits, params));
  EXPECT_EQ(rgb.bitmap.PixelFormat(), pf24bit);
  EXPECT_EQ(rgb.bitmap.GetPixel(4, 0), Bgr(255, 255, 255));
}

TEST(PngWrite, ResolutionIsWrittenInPixelsPerMetre) {
  TBitmap picture = kxtest::MakePicture(3, 3);
  TIOParamsVals params;
  params.DpiX = 96;
  params.DpiY = 300;
  EXPECT_EQ(ChunkData(EncodePng(picture, params), "pHYs"), (TBytes{0, 0, 0x0E, 0xC4, 0, 0, 0x2E, 0x23, 1}));
  params.DpiX = 0;
  EXPECT_TRUE(ChunkData(EncodePng(picture, params), "pHYs").empty());
}

// Each filter and level round-trips; level 0 stores the rows uncompressed and levels outside
// 0..9 are taken as the nearest.
TEST(PngWrite, FiltersAndLevels) {
  TBitmap picture = kxtest::MakePicture(64, 48, 7);
  const size_t raw = 48 * (64 * 3 + 1);
  for (TIOPNGFilter filter : {ioPNG_FILTER_NONE, ioPNG_FILTER_SUB, ioPNG_FILTER_PAETH}) {
    TIOParamsVals params;
    params.PNG_Filter = filter;
    std::vector<size_t> sizes;
    for (int level : {-5, 0, 9, 42}) {
      SCOPED_TRACE(std::to_string(filter) + " " + std::to_string(level));
      params.PNG_Compression = level;
      const TBytes file = EncodePng(picture, params);
      TPngDecoded d = DecodePng(file);
      EXPECT_TRUE(kxtest::SameBitmap(d.bitmap, picture));
      const TBytes idat = ChunkData(file, "IDAT");
      sizes.push_back(idat.size());
      ASSERT_GT(idat.size(), 2u);
      const int expectedFilter = filter == ioPNG_FILTER_NONE ? 0 : filter == ioPNG_FILTER_SUB ? 1 : 4;
      if (level <= 0) {
        EXPECT_EQ(idat[2] & 0x06, 0);            // a stored block
        EXPECT_EQ(idat[2 + 5], expectedFilter);  // the first row's filter byte
      }
    }
    EXPECT_EQ(sizes[0], sizes[1]);
    EXPECT_EQ(sizes[2], sizes[3]);
    EXPECT_GT(sizes[0], raw);
    EXPECT_LT(sizes[2], raw);
  }
}

// A stream that fails after `limit` bytes, by throwing or by writing short.
class TFailingStream : public TMemoryStream {
 public:
  TFailingStream(TBytes bytes, int64_t limit, bool shortWrites)
      : TMemoryStream(std::move(bytes)), fLimit(limit), fShort(shortWrites) {}
  int64_t Read(void* buffer, int64_t count) override {
    if (Position() + count > fLimit) throw EReadError("device gone");
    return TMemoryStream::Read(buffer, count);
  }
  int64_t Write(const void* buffer, int64_t count) override {
    if (Position() + count <= fLimit) return TMemoryStream::Write(buffer, count);
    if (fShort) return 0;
    throw EWriteError("disk full");
  }

 private:
  int64_t fLimit;
  bool fShort;
};

// A short write is libpng's failure; a stream's own exception passes on, as for every writer.
// The large picture is compressed on two threads and fails in its IDAT chunks.
TEST(PngWrite, FailuresRaiseErrorOnCreatingPngOrTheStreamsError) {
  TBitmap small = kxtest::MakePicture(50, 40, 8), large = kxtest::MakePicture(301, 400, 8);
  const int64_t largeSize = int64_t(EncodePng(large, TIOParamsVals()).size());
  const std::pair<TBitmap*, int64_t> cases[] = {
      {&small, 0}, {&small, 40}, {&small, 2000}, {&large, 2000}, {&large, largeSize / 2}, {&large, largeSize - 1}};
  for (auto [picture, limit] : cases) {
    SCOPED_TRACE(std::to_string(picture->Width()) + " " + std::to_string(limit));
    bool aborted = false;
    TProgressRec progress;
    progress.Aborting = &aborted;
    TFailingStream shortOut({}, limit, true);
    EXPECT_EQ(kxtest::MessageOf<EInvalidGraphicOperation>(
                  [&] { WritePNGStream(shortOut, *picture, TIOParamsVals(), progress); }),
              "Error on creating PNG");
    TFailingStream throwing({}, limit, false);
    EXPECT_EQ(kxtest::MessageOf<EWriteError>([&] { WritePNGStream(throwing, *picture, TIOParamsVals(), progress); }),
              "disk full");
  }
  TBitmap empty;
  TMemoryStream out;
  bool aborted = false;
  TProgressRec progress;
  progress.Aborting = &aborted;
  EXPECT_EQ(kxtest::MessageOf<EInvalidGraphicOperation>([&] { WritePNGStream(out, empty, TIOParamsVals(), progress); }),
            "Error on creating PNG");
}

TEST(PngRead, FailingStreamsAbortWithoutThrowing) {
  TBitmap picture = kxtest::MakePicture(50, 40, 8);
  const TBytes file = EncodePng(picture, TIOParamsVals());
  for (int64_t limit : {int64_t(0), int64_t(20), int64_t(file.size() / 2)}) {
    TFailingStream in(file, limit, false);
    TBitmap bmp;
    TIOParamsVals params;
    bool aborted = false;
    TProgressRec progress;
    progress.Aborting = &aborted;
    EXPECT_NO_THROW(ReadPNGStream(in, bmp, params, false, progress));
    EXPECT_TRUE(aborted);
  }
}

TEST(PngRead, DamagedFilesAbortWithAReason) {
  TBitmap picture = kxtest::MakePicture(30, 20, 9);
  const TBytes good = EncodePng(picture, TIOParamsVals());
  // Cut at every chunk boundary and inside the image data.
  for (size_t at = 8, n = 0; at < good.size(); ++n) {
    const uint32_t length = uint32_t(good[at]) << 24 | uint32_t(good[at + 1]) << 16 | good[at + 2] << 8 | good[at + 3];
    for (size_t cut : {at, at + 8 + length / 2}) {
      if (cut >= good.size()) continue;
      SCOPED_TRACE(cut);
      TPngDecoded d = DecodePng(TBytes(good.begin(), good.begin() + long(cut)));
      EXPECT_TRUE(d.aborted);
      EXPECT_FALSE(d.diagnostics.Reason.empty());
    }
    at += 12 + length;
  }
  // A flipped bit in the background chunk (ancillary) and in the image data's checksum.
  const size_t background = 8 + 25 + 8 + 1;
  ASSERT_EQ(std::string(reinterpret_cast<const char*>(&good[8 + 25 + 4]), 4), "bKGD");
  for (size_t at : {background, good.size() - 12 - 1}) {
    TBytes crc = good;
    crc[at] ^= 0x40;
    TPngDecoded d = DecodePng(crc);
    EXPECT_TRUE(d.aborted);
    EXPECT_NE(d.diagnostics.Reason.find("CRC"), std::string::npos) << d.diagnostics.Reason;
  }
  TBytes signature = good;
  signature[1] = 'Q';
  EXPECT_TRUE(DecodePng(signature).aborted);
}

TEST(PngRead, PictureAboveThePixelLimitAbortsBeforeAllocating) {
  kxtest::TPixelLimitScope limit(1000);
  TPngFile file{.width = 100, .height = 11, .depth = 1, .colour = 0, .rows = {}};
  TPngDecoded d = DecodePng(file.Bytes());
  EXPECT_TRUE(d.aborted);
  EXPECT_EQ(d.diagnostics.Reason, KXPixelsRefusal(100, 11));
  EXPECT_TRUE(d.bitmap.Empty());
  // A side beyond the limit is refused by libpng while reading the header.
  file.width = 0x7FFFFFFF;
  file.height = 1;
  d = DecodePng(file.Bytes());
  EXPECT_TRUE(d.aborted);
  EXPECT_TRUE(d.bitmap.Empty());
}

// Text that inflates to far more than the chunk limit, and an unknown chunk of that size, are
// skipped: the picture still reads.
TEST(PngRead, OversizedAncillaryChunksAreSkipped) {
  TBytes text = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};
  const TBytes packed = Deflate(TBytes(kPngChunkMallocMax * 4, 'x'));
  text.insert(text.end(), packed.begin(), packed.end());
  TBytes extra = Chunk("zTXt", text);
  const TBytes unknown = Chunk("quSt", TBytes(kPngChunkMallocMax + 1, 7));
  extra.insert(extra.end(), unknown.begin(), unknown.end());
  TPngFile file{.rows = {{4, 5, 6}}, .extra = extra};
  TPngDecoded d = DecodePng(file.Bytes());
  ASSERT_FALSE(d.aborted) << d.diagnostics.Reason;
  EXPECT_EQ(d.bitmap.GetPixel(0, 0), Bgr(4, 5, 6));
}

TEST(PngRead, TheBitmapIsReplacedWhateverItHeld) {
  TPngFile file{.width = 2, .rows = {{1, 2, 3, 4, 5, 6}}};
  TPngDecoded d;
  d.bitmap = TBitmap(7, 7, pf8bit);
  TMemoryStream stream(file.Bytes());
  TProgressRec progress;
  progress.Aborting = &d.aborted;
  ReadPNGStream(stream, d.bitmap, d.params, false, progress);
  ASSERT_FALSE(d.aborted);
  EXPECT_EQ(d.bitmap.PixelFormat(), pf24bit);
  EXPECT_EQ(d.bitmap.Width(), 2);
  EXPECT_EQ(d.bitmap.GetPixel(1, 0), Bgr(4, 5, 6));

  // Rows a damaged file never reaches are black, whatever the bitmap held. The image data is cut
  // many chunks in (libpng reads a chunk whole before inflating it).
  TBitmap picture = kxtest::MakePicture(200, 150, 2);
  TBytes damaged = EncodePng(picture, TIOParamsVals());
  damaged.resize(damaged.size() / 2);
  TPngDecoded cut;
  cut.bitmap = kxtest::Filled(200, 150, Bgr(255, 255, 255));
  TMemoryStream half(damaged);
  progress.Aborting = &cut.aborted;
  ReadPNGStream(half, cut.bitmap, cut.params, false, progress);
  EXPECT_TRUE(cut.aborted);
  EXPECT_EQ(cut.bitmap.GetPixel(0, 0), picture.GetPixel(0, 0));
  EXPECT_EQ(cut.bitmap.GetPixel(199, 149), Bgr(0, 0, 0));
}

}  // namespace
