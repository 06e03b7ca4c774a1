// The JPEG codec's own behaviour on memory streams: content test, scale choice, densities,
// CMYK and 1-bit writing, preview, the component and pixel-limit checks, damaged input,
// failing streams, and progress with abort.
#include "imaging/io/jpeg_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/jpeg_glue.h"  // libjpeg itself, to make and inspect files
#include "tests/support/test_support.h"

using namespace kx;

namespace {

using TBytes = std::vector<uint8_t>;

struct TDecoded {
  TBitmap bitmap;
  TIOParamsVals params;
  bool aborted = false;
};

TDecoded Decode(const TBytes& bytes, TIOParamsVals params = TIOParamsVals(), bool preview = false) {
  TDecoded d;
  d.params.Assign(params);
  TMemoryStream stream(bytes);
  TProgressRec progress;
  progress.Aborting = &d.aborted;
  ReadJPegStream(stream, d.bitmap, d.params, preview, progress);
  return d;
}

TBytes Encode(TBitmap& bitmap, const TIOParamsVals& params, bool* aborted = nullptr) {
  TMemoryStream stream;
  bool flag = false;
  TProgressRec progress;
  progress.Aborting = &flag;
  WriteJPegStream(stream, bitmap, params, progress);
  if (aborted) *aborted = flag;
  return stream.Bytes();
}

TIOParamsVals WithColorSpace(TIOJPEGColorspace space, int quality = 90) {
  TIOParamsVals p;
  p.JPEG_ColorSpace = space;
  p.JPEG_Quality = quality;
  return p;
}

TBytes Fixture(const std::string& name) {
  return kxtest::ReadFile(kxtest::SourceDir() + "/tests/fixtures/jpeg/" + name);
}

// The samples stored in a file, decoded by libjpeg without any colour conversion.
struct TRawSamples {
  int width = 0, height = 0, components = 0;
  std::vector<uint8_t> data;
};
TRawSamples RawSamples(const TBytes& bytes) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = cinfo.jpeg_color_space == JCS_YCCK ? JCS_CMYK : cinfo.jpeg_color_space;
  jpeg_start_decompress(&cinfo);
  TRawSamples raw{int(cinfo.output_width), int(cinfo.output_height), cinfo.output_components, {}};
  raw.data.resize(size_t(raw.width) * raw.height * raw.components);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = &raw.data[size_t(cinfo.output_scanline) * raw.width * raw.components];
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return raw;
}

// A file of two samples per pixel, in no named colour space.
TBytes TwoComponentFile() {
  const int components = 2;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = 16;
  cinfo.image_height = 8;
  cinfo.input_components = components;
  cinfo.in_color_space = JCS_UNKNOWN;
  jpeg_set_defaults(&cinfo);
  jpeg_set_colorspace(&cinfo, JCS_UNKNOWN);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(size_t(16) * components, 100);
  for (int y = 0; y < 8; ++y) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  TBytes bytes(out, out + size);
  free(out);
  return bytes;
}

// A row of flat square blocks: at the highest quality unsubsampled blocks come back exactly.
TBitmap FlatBlocks(const std::vector<TRGB>& colours, int32_t side = 8) {
  TBitmap bmp(int32_t(colours.size()) * side, side, pf24bit);
  for (int32_t x = 0; x < bmp.Width(); ++x)
    for (int32_t y = 0; y < side; ++y) bmp.SetPixel(x, y, colours[size_t(x / side)]);
  return bmp;
}

TRGB PixelAt(const TBitmap& bmp, int x, int y) { return bmp.GetPixel(x, y); }

TEST(JpegTryStream, AcceptsOnlyStartOfImageFollowedByAMarker) {
  struct TCase {
    TBytes bytes;
    bool expected;
  } cases[] = {
      {{}, false},
      {{0xFF}, false},
      {{0xFF, 0xD8}, false},
      {{0xFF, 0xD8, 0x00}, false},
      {{0xFF, 0xD9, 0xFF}, false},
      {{0xFF, 0xD8, 0xFF}, true},
      {{0xFF, 0xD8, 0xFF, 0xE0, 0x00}, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    TBytes withPrefix = {1, 2};
    withPrefix.insert(withPrefix.end(), c.bytes.begin(), c.bytes.end());
    TMemoryStream stream(withPrefix);
    stream.SetPosition(2);
    EXPECT_EQ(JpegTryStream(stream), c.expected);
    EXPECT_EQ(stream.Position(), 2);
  }
}

TEST(JpegRead, NotAJpegAbortsAndTouchesNothing) {
  for (const TBytes& bytes : {TBytes{}, TBytes{0xFF, 0xD8}, TBytes{0xFF, 0xD8, 0x00, 0x10, 0x20}}) {
    TIOParamsVals params;
    params.DpiX = 77;
    TDecoded d = Decode(bytes, params);
    EXPECT_TRUE(d.aborted);
    EXPECT_TRUE(d.bitmap.Empty());
    EXPECT_EQ(d.params.DpiX, 77);
    EXPECT_EQ(d.params.JPEG_ColorSpace, ioJPEG_YCbCr);
  }
}

TEST(JpegRead, ExplicitScalesRoundTheSizeUp) {
  const TBytes file = Fixture("cjpeg_420.jpg");  // 97 x 61
  struct TCase {
    TIOJPEGScale scale;
    int width, height;
  } cases[] = {{ioJPEG_FULLSIZE, 97, 61}, {ioJPEG_HALF, 49, 31}, {ioJPEG_QUARTER, 25, 16}, {ioJPEG_EIGHTH, 13, 8}};
  for (const TCase& c : cases) {
    TIOParamsVals params;
    params.JPEG_Scale = c.scale;
    TDecoded d = Decode(file, params);
    ASSERT_FALSE(d.aborted);
    EXPECT_EQ(d.bitmap.Width(), c.width);
    EXPECT_EQ(d.bitmap.Height(), c.height);
    EXPECT_EQ(d.params.Width, c.width);
    EXPECT_EQ(d.params.Height, c.height);
    EXPECT_EQ(d.bitmap.PixelFormat(), pf24bit);
  }
}

TEST(JpegRead, AutoScalePicksTheReductionClosestToTheWantedPixelCount) {
  TBitmap big(1600, 1200, pf24bit);
  TBytes file = Encode(big, WithColorSpace(ioJPEG_GRAYLEV, 30));
  struct TCase {
    int wantW, wantH, width, height;
  } cases[] = {
      {400, 300, 400, 300}, {0, 0, 1600, 1200},       {0, 300, 1600, 1200},
      {500, 500, 400, 300}, {1600, 1200, 1600, 1200}, {800, 600, 800, 600},
      {200, 150, 200, 150}, {1, 1, 200, 150},         {100000, 100000, 1600, 1200},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.wantW) + "x" + std::to_string(c.wantH));
    TIOParamsVals params;
    params.JPEG_Scale = ioJPEG_AUTOCALC;
    params.Width = c.wantW;
    params.Height = c.wantH;
    TDecoded d = Decode(file, params, true);
    EXPECT_FALSE(d.aborted);
    EXPECT_EQ(d.params.Width, c.width);
    EXPECT_EQ(d.params.Height, c.height);
  }
  TIOParamsVals params;
  params.JPEG_Scale = ioJPEG_AUTOCALC;
  params.Width = 400;
  params.Height = 300;
  TDecoded d = Decode(file, params);
  ASSERT_FALSE(d.aborted);
  EXPECT_EQ(d.bitmap.Width(), 400);
  EXPECT_EQ(d.bitmap.Height(), 300);
}

// The JFIF header our writer emits starts at offset 2: the unit at 13, densities at 14 and 16.
TEST(JpegRead, DensityUnits) {
  TBitmap bmp = kxtest::MakePicture(16, 16);
  const TBytes written = Encode(bmp, WithColorSpace(ioJPEG_YCbCr));
  ASSERT_EQ(std::string(written.begin() + 6, written.begin() + 10), "JFIF");
  struct TCase {
    uint8_t unit;
    uint16_t x, y;
    int dpiX, dpiY;
  } cases[] = {
      {0, 1, 1, 1, 1},                                // no unit: the aspect ratio is reported as it stands
      {1, 300, 72, 300, 72},                          // dots per inch
      {2, 118, 59, 300, 150},                         // dots per centimetre, rounded
      {2, 40, 1, 102, 3},     {3, 500, 500, -4, -5},  // unknown unit: left as it was
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(int(c.unit));
    TBytes file = written;
    file[13] = c.unit;
    file[14] = uint8_t(c.x >> 8);
    file[15] = uint8_t(c.x);
    file[16] = uint8_t(c.y >> 8);
    file[17] = uint8_t(c.y);
    TIOParamsVals params;
    params.DpiX = -4;
    params.DpiY = -5;
    TDecoded d = Decode(file, params);
    EXPECT_FALSE(d.aborted);
    EXPECT_EQ(d.params.DpiX, c.dpiX);
    EXPECT_EQ(d.params.DpiY, c.dpiY);
  }
}

TEST(JpegWrite, DensityIsWrittenInDotsPerInchAndClamped) {
  struct TCase {
    int dpiX, dpiY;
    uint16_t x, y;
  } cases[] = {{300, 150, 300, 150}, {70000, 65535, 65535, 65535}, {65536, -3, 65535, 0}};
  for (const TCase& c : cases) {
    TBitmap bmp(8, 8, pf24bit);
    TIOParamsVals params = WithColorSpace(ioJPEG_YCbCr);
    params.DpiX = c.dpiX;
    params.DpiY = c.dpiY;
    TBytes file = Encode(bmp, params);
    ASSERT_GT(file.size(), 18u);
    EXPECT_EQ(file[13], 1);
    EXPECT_EQ(file[14] << 8 | file[15], c.x);
    EXPECT_EQ(file[16] << 8 | file[17], c.y);
  }
}

TEST(JpegWrite, CmykStoresInvertedInkAndReadsBackUpToTruncation) {
  const std::vector<TRGB> written = {CreateRGB(255, 255, 255), CreateRGB(0, 0, 0), CreateRGB(200, 100, 50),
                                     CreateRGB(10, 20, 30)};
  TBitmap bmp = FlatBlocks(written);
  TBytes file = Encode(bmp, WithColorSpace(ioJPEG_CMYK, 100));
  TRawSamples raw = RawSamples(file);
  ASSERT_EQ(raw.components, 4);
  const uint8_t stored[][4] = {{255, 255, 255, 255}, {0, 0, 0, 1}, {255, 127, 63, 200}, {85, 170, 255, 30}};
  for (size_t i = 0; i < written.size(); ++i) {
    const uint8_t* s = &raw.data[(8 * i + 3) * 4];
    EXPECT_EQ(TBytes(s, s + 4), TBytes(stored[i], stored[i] + 4)) << "block " << i;
  }

  TDecoded d = Decode(file);
  ASSERT_FALSE(d.aborted);
  EXPECT_EQ(d.params.JPEG_ColorSpace, ioJPEG_CMYK);
  const TRGB read[] = {CreateRGB(255, 255, 255), CreateRGB(0, 0, 0), CreateRGB(200, 99, 49), CreateRGB(10, 20, 30)};
  for (size_t i = 0; i < written.size(); ++i) EXPECT_EQ(PixelAt(d.bitmap, int(8 * i + 4), 4), read[i]) << i;
}

// YCCK subsamples the colour: each colour gets a 16 x 16 block, judged at its centre.
TEST(JpegWrite, YcckRoundTripKeepsColours) {
  const std::vector<TRGB> colours = {CreateRGB(255, 255, 255), CreateRGB(0, 0, 0), CreateRGB(200, 100, 50)};
  TBitmap bmp = FlatBlocks(colours, 16);
  TDecoded d = Decode(Encode(bmp, WithColorSpace(ioJPEG_YCbCrK, 100)));
  ASSERT_FALSE(d.aborted);
  EXPECT_EQ(d.params.JPEG_ColorSpace, ioJPEG_YCbCrK);
  for (size_t i = 0; i < colours.size(); ++i) {
    TRGB got = PixelAt(d.bitmap, int(16 * i + 8), 8);
    EXPECT_NEAR(got.r, colours[i].r, 2) << i;
    EXPECT_NEAR(got.g, colours[i].g, 2) << i;
    EXPECT_NEAR(got.b, colours[i].b, 2) << i;
  }
}

TEST(JpegWrite, OneBitBitmapBecomesBlackAndWhiteAndStaysOneBit) {
  TBitmap bmp(24, 16, pf1bit);
  bmp.SetPalette({CreateRGB(255, 0, 0), CreateRGB(0, 0, 255)});  // the colour table is ignored
  for (int32_t y = 0; y < 16; ++y) {
    uint8_t* row = bmp.ScanLine(y);
    for (int32_t x = 0; x < 24; ++x)
      if ((x / 8 + y / 8) % 2) row[x / 8] |= uint8_t(0x80 >> (x % 8));
  }
  const TBitmap before = bmp;
  for (TIOJPEGColorspace space : {ioJPEG_GRAYLEV, ioJPEG_YCbCr, ioJPEG_RGB, ioJPEG_CMYK}) {
    SCOPED_TRACE(int(space));
    bool aborted = true;
    TBytes file = Encode(bmp, WithColorSpace(space, 100), &aborted);
    EXPECT_FALSE(aborted);
    EXPECT_EQ(bmp.PixelFormat(), pf1bit);
    EXPECT_EQ(kxtest::Compare(bmp, before).pixels, 0);
    TDecoded d = Decode(file);
    ASSERT_FALSE(d.aborted);
    EXPECT_EQ(d.params.JPEG_ColorSpace, space);
    for (int32_t y = 0; y < 16; ++y)
      for (int32_t x = 0; x < 24; ++x) {
        uint8_t v = (x / 8 + y / 8) % 2 ? 255 : 0;
        ASSERT_EQ(PixelAt(d.bitmap, x, y), CreateRGB(v, v, v)) << x << "," << y;
      }
  }
}

TEST(JpegWrite, RefusesWhatCannotBeWritten) {
  TBitmap empty;
  TBitmap eightBit(8, 8, pf8bit);
  TBitmap tooWide(70000, 1, pf24bit);
  for (TBitmap* bmp : {&empty, &eightBit, &tooWide}) {
    bool aborted = false;
    Encode(*bmp, TIOParamsVals(), &aborted);
    EXPECT_TRUE(aborted);
  }
}

TEST(JpegCodec, AnAbortFlagSetBeforehandReadsAndWritesNothing) {
  TBitmap bmp(8, 8, pf24bit);
  TMemoryStream out;
  bool aborted = true;
  TProgressRec progress;
  progress.Aborting = &aborted;
  WriteJPegStream(out, bmp, TIOParamsVals(), progress);
  EXPECT_EQ(out.Size(), 0);

  TMemoryStream in(Fixture("cjpeg_420.jpg"));
  TIOParamsVals params;
  ReadJPegStream(in, bmp, params, false, progress);
  EXPECT_EQ(bmp.Width(), 8);
  EXPECT_EQ(params.Width, 0);
  EXPECT_TRUE(aborted);
}

TEST(JpegRead, PreviewFillsParametersAndLeavesTheBitmap) {
  for (const char* name : {"cjpeg_420.jpg", "cjpeg_progressive.jpg", "pil_progressive.jpg"}) {
    SCOPED_TRACE(name);
    TBitmap original = kxtest::MakePicture(5, 3);
    TDecoded d;
    d.bitmap = original;
    d.params.JPEG_Scale = ioJPEG_HALF;
    d.params.JPEG_ColorSpace = ioJPEG_CMYK;
    d.params.SetColorMap({TRGB{}, TRGB{}});
    TMemoryStream stream(Fixture(name));
    TProgressRec progress;
    progress.Aborting = &d.aborted;
    ReadJPegStream(stream, d.bitmap, d.params, true, progress);
    EXPECT_FALSE(d.aborted);
    EXPECT_EQ(d.params.Width, 49);
    EXPECT_EQ(d.params.Height, 31);
    EXPECT_EQ(d.params.JPEG_ColorSpace, ioJPEG_YCbCr);
    EXPECT_EQ(d.params.JPEG_Progressive, std::string(name) != "cjpeg_420.jpg");
    EXPECT_EQ(d.params.ColorMapCount, 0);
    EXPECT_EQ(d.params.DpiX, std::string(name) == "pil_progressive.jpg" ? 72 : 1);
    kxtest::TDiff diff = kxtest::Compare(d.bitmap, original);
    EXPECT_TRUE(diff.sameSize);
    EXPECT_EQ(diff.pixels, 0);
  }
}

// A progressive file keeps its pixels in its last scans: a preview that decoded them would
// read the whole stream, while the header lies in the first block.
TEST(JpegRead, PreviewOfAProgressiveFileReadsOnlyTheHeader) {
  TBitmap noise = kxtest::MakePicture(600, 400, 9);
  TIOParamsVals params = WithColorSpace(ioJPEG_YCbCr, 95);
  params.JPEG_Progressive = true;
  TBytes file = Encode(noise, params);
  ASSERT_GT(file.size(), 8 * 4096u);
  TMemoryStream stream(file);
  TBitmap bmp;
  TIOParamsVals read;
  bool aborted = false;
  TProgressRec progress;
  progress.Aborting = &aborted;
  ReadJPegStream(stream, bmp, read, true, progress);
  EXPECT_FALSE(aborted);
  EXPECT_TRUE(read.JPEG_Progressive);
  EXPECT_EQ(read.Width, 600);
  EXPECT_LE(stream.Position(), 4096);
}

// Two components name no colour space: libjpeg would hand out two-byte pixels.
TEST(JpegRead, ComponentCountThatDoesNotFitAborts) {
  const TBytes file = TwoComponentFile();
  for (bool preview : {false, true}) {
    TDecoded d = Decode(file, TIOParamsVals(), preview);
    EXPECT_TRUE(d.aborted);
    EXPECT_TRUE(d.bitmap.Empty());
  }
}

TEST(JpegRead, PictureAboveThePixelLimitAbortsBeforeAllocating) {
  const TBytes baseline = Fixture("cjpeg_420.jpg");
  const TBytes progressive = Fixture("cjpeg_progressive.jpg");
  TIOParamsVals half;
  half.JPEG_Scale = ioJPEG_HALF;
  {
    kxtest::TPixelLimitScope limit(97 * 61);
    EXPECT_FALSE(Decode(baseline).aborted);
    EXPECT_FALSE(Decode(progressive).aborted);
  }
  kxtest::TPixelLimitScope limit(97 * 61 - 1);
  TDecoded full = Decode(baseline);
  EXPECT_TRUE(full.aborted);
  EXPECT_TRUE(full.bitmap.Empty());
  EXPECT_FALSE(Decode(baseline, half).aborted);
  // A progressive file holds the whole picture's coefficients even when decoded smaller.
  EXPECT_TRUE(Decode(progressive, half).aborted);
  TDecoded preview = Decode(baseline, TIOParamsVals(), true);
  EXPECT_FALSE(preview.aborted);
  EXPECT_EQ(preview.params.Width, 97);
}

TEST(JpegRead, TruncatedFilesLoadWhatTheyHoldOrAbort) {
  for (const char* name : {"cjpeg_420.jpg", "cjpeg_progressive.jpg", "im_ycck.jpg"}) {
    SCOPED_TRACE(name);
    const TBytes file = Fixture(name);
    const TDecoded whole = Decode(file);
    ASSERT_FALSE(whole.aborted);
    for (size_t cut : {size_t(0), size_t(2), size_t(3), size_t(20), size_t(150), file.size() / 2, file.size() - 2,
                       file.size() - 1}) {
      SCOPED_TRACE(cut);
      TDecoded d = Decode(TBytes(file.begin(), file.begin() + long(cut)));
      if (cut < 150) {
        EXPECT_TRUE(d.aborted);
      }
      if (cut >= file.size() / 2) {
        ASSERT_FALSE(d.aborted);
        ASSERT_EQ(d.bitmap.Width(), whole.bitmap.Width());
        ASSERT_EQ(d.bitmap.Height(), whole.bitmap.Height());
      }
      // Only the end-of-image marker is missing: every pixel is there.
      if (cut == file.size() - 2) {
        EXPECT_EQ(kxtest::Compare(d.bitmap, whole.bitmap).pixels, 0);
      }
    }
  }
}

size_t FindMarker(const TBytes& file, uint8_t marker) {
  for (size_t i = 2; i + 1 < file.size(); ++i)
    if (file[i] == 0xFF && file[i + 1] == marker) return i;
  return std::string::npos;
}

TEST(JpegRead, DamagedHeadersAbort) {
  const TBytes file = Fixture("cjpeg_420.jpg");
  const size_t sof = FindMarker(file, 0xC0);
  const size_t dht = FindMarker(file, 0xC4);
  ASSERT_NE(sof, std::string::npos);
  ASSERT_NE(dht, std::string::npos);
  struct TCase {
    size_t offset;
    TBytes bytes;
  } cases[] = {
      {sof + 4, {12}},     // sample precision
      {sof + 5, {0, 0}},   // height 0
      {sof + 7, {0, 0}},   // width 0
      {sof + 9, {0}},      // no components
      {sof + 11, {0x55}},  // sampling factors 5 x 5
      {sof + 12, {9}},     // quantisation table 9
      {dht + 4, {0x37}},   // Huffman table class 3
      {3, {0xD9}},         // the end of image right after its start
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.offset);
    TBytes bad = file;
    std::copy(c.bytes.begin(), c.bytes.end(), bad.begin() + long(c.offset));
    EXPECT_TRUE(Decode(bad).aborted);
  }
}

TEST(JpegRead, FlippedBytesNeverCrash) {
  for (const char* name : {"cjpeg_420.jpg", "cjpeg_progressive.jpg", "pil_cmyk.jpg", "cjpeg_444_restart.jpg"}) {
    SCOPED_TRACE(name);
    const TBytes file = Fixture(name);
    uint32_t state = 12345;
    for (int round = 0; round < 40; ++round) {
      TBytes bad = file;
      for (int i = 0; i < 1 + round % 4; ++i) {
        state = state * 1664525u + 1013904223u;
        bad[3 + (state >> 8) % (bad.size() - 3)] ^= uint8_t(1u << (state >> 29));
      }
      TDecoded d = Decode(bad);
      if (!d.aborted) {
        EXPECT_EQ(d.bitmap.Width(), d.params.Width);
        EXPECT_EQ(d.bitmap.Height(), d.params.Height);
      }
    }
  }
}

// Reads stop with the abort flag when the stream throws; nothing escapes the codec.
class TFailingStream : public TMemoryStream {
 public:
  TFailingStream(TBytes bytes, int64_t failAt) : TMemoryStream(std::move(bytes)), fFailAt(failAt) {}
  int64_t Read(void* buffer, int64_t count) override {
    if (Position() + count > fFailAt) throw EReadError("read failed");
    return TMemoryStream::Read(buffer, count);
  }
  int64_t Write(const void* buffer, int64_t count) override {
    if (Position() + count > fFailAt) throw EWriteError("disk full");
    return TMemoryStream::Write(buffer, count);
  }

 private:
  int64_t fFailAt;
};

// Accepts the first `limit` bytes and then reports short writes.
class TShortStream : public TMemoryStream {
 public:
  explicit TShortStream(int64_t limit) : fLimit(limit) {}
  int64_t Write(const void* buffer, int64_t count) override {
    int64_t room = std::max<int64_t>(0, std::min(count, fLimit - Position()));
    return TMemoryStream::Write(buffer, room);
  }

 private:
  int64_t fLimit;
};

// Reads a whole picture from `in`; true when the reader aborted.
bool ReadAborts(TStream& in, TBitmap& bmp) {
  TIOParamsVals params;
  bool aborted = false;
  TProgressRec progress;
  progress.Aborting = &aborted;
  ReadJPegStream(in, bmp, params, false, progress);
  return aborted;
}

// Delivers at most `piece` bytes per read, as a pipe or a slow device may.
class TPieceStream : public TMemoryStream {
 public:
  TPieceStream(TBytes bytes, int64_t piece) : TMemoryStream(std::move(bytes)), fPiece(piece) {}
  int64_t Read(void* buffer, int64_t count) override { return TMemoryStream::Read(buffer, std::min(count, fPiece)); }

 private:
  int64_t fPiece;
};

// The reader asks for 4096-byte blocks and leaves the stream after the last block it began to
// use (reads that deliver less count as blocks too), whatever it reads ahead: a picture followed
// by other data, read in whole blocks and in short pieces, loads the same and leaves the stream
// where block-by-block reading puts it.
TEST(JpegStreams, ReadingLeavesTheStreamAfterTheBlocksItUsed) {
  TBitmap noise = kxtest::MakePicture(700, 500, 3);
  const TBytes file = Encode(noise, WithColorSpace(ioJPEG_YCbCr, 95));
  ASSERT_GT(file.size(), 20 * 4096u);  // more than one read-ahead
  TBytes followed = file;
  followed.resize(file.size() + 100000, 0x5A);
  TBitmap reference;
  TMemoryStream whole(file);
  ASSERT_FALSE(ReadAborts(whole, reference));
  for (int64_t piece : {int64_t(4096), int64_t(1000), int64_t(5000)}) {
    SCOPED_TRACE(piece);
    TPieceStream in(followed, piece);
    TBitmap bmp;
    ASSERT_FALSE(ReadAborts(in, bmp));
    EXPECT_EQ(kxtest::Compare(bmp, reference).pixels, 0);
    const int64_t read = std::min<int64_t>(piece, 4096);
    EXPECT_EQ(in.Position(), (int64_t(file.size()) + read - 1) / read * read);
  }
}

TEST(JpegStreams, FailingStreamsAbortWithoutThrowing) {
  TBitmap noise = kxtest::MakePicture(300, 200, 3);
  const TBytes file = Encode(noise, WithColorSpace(ioJPEG_YCbCr, 95));
  ASSERT_GT(file.size(), 3 * 4096u);
  for (int64_t failAt : {int64_t(0), int64_t(100), int64_t(4096 * 2 + 5)}) {
    SCOPED_TRACE(failAt);
    TFailingStream in(file, failAt);
    TBitmap bmp;
    bool aborted = false;
    EXPECT_NO_THROW(aborted = ReadAborts(in, bmp));
    EXPECT_TRUE(aborted);
    TProgressRec progress;
    progress.Aborting = &aborted;

    TFailingStream out({}, failAt);
    aborted = false;
    EXPECT_NO_THROW(WriteJPegStream(out, noise, WithColorSpace(ioJPEG_YCbCr, 95), progress));
    EXPECT_TRUE(aborted);

    TShortStream shortOut(failAt);
    aborted = false;
    WriteJPegStream(shortOut, noise, WithColorSpace(ioJPEG_YCbCr, 95), progress);
    EXPECT_TRUE(aborted);
  }
}

struct TProgressRecorder {
  std::vector<int> reports;
  bool* flag = nullptr;
  int abortAt = -1;  // report count after which the handler asks to stop
  static void OnProgress(void* self, void*, int per) {
    auto* log = static_cast<TProgressRecorder*>(self);
    log->reports.push_back(per);
    if (int(log->reports.size()) == log->abortAt && log->flag) *log->flag = true;
  }
  TProgressRec Record(bool* aborting) {
    flag = aborting;
    TProgressRec rec;
    rec.fOnProgress = {&TProgressRecorder::OnProgress, this};
    rec.Aborting = aborting;
    return rec;
  }
};

TEST(JpegProgress, ReportsRiseToOneHundred) {
  TBitmap picture = kxtest::MakePicture(40, 37);
  TProgressRecorder writeLog;
  bool aborted = false;
  TProgressRec rec = writeLog.Record(&aborted);
  TMemoryStream stream;
  WriteJPegStream(stream, picture, TIOParamsVals(), rec);
  ASSERT_FALSE(aborted);
  ASSERT_EQ(writeLog.reports.size(), 37u);
  EXPECT_EQ(writeLog.reports[0], 2);  // Trunc(1 x 100 / 37)
  EXPECT_EQ(writeLog.reports.back(), 100);

  TProgressRecorder readLog;
  rec = readLog.Record(&aborted);
  stream.SetPosition(0);
  TBitmap bmp;
  TIOParamsVals params;
  ReadJPegStream(stream, bmp, params, false, rec);
  ASSERT_FALSE(aborted);
  ASSERT_FALSE(readLog.reports.empty());
  EXPECT_TRUE(std::is_sorted(readLog.reports.begin(), readLog.reports.end()));
  EXPECT_EQ(readLog.reports.back(), 100);
}

TEST(JpegProgress, AbortFromTheHandlerStopsAfterTheCurrentRows) {
  TBitmap picture = kxtest::MakePicture(64, 64);
  const TBytes file = Encode(picture, WithColorSpace(ioJPEG_YCbCr, 90));

  TProgressRecorder readLog;
  readLog.abortAt = 1;
  bool aborted = false;
  TProgressRec rec = readLog.Record(&aborted);
  TMemoryStream in(file);
  TBitmap bmp;
  TIOParamsVals params;
  ReadJPegStream(in, bmp, params, false, rec);
  EXPECT_TRUE(aborted);
  EXPECT_EQ(readLog.reports.size(), 1u);
  ASSERT_EQ(bmp.Height(), 64);
  EXPECT_NE(PixelAt(bmp, 10, 0), TRGB{});
  const uint8_t* last = bmp.ScanLine(63);
  EXPECT_EQ(TBytes(last, last + 64 * 3), TBytes(64 * 3, 0));

  // Only whole 4096-byte blocks reach the stream before the stop.
  TBitmap noise = kxtest::MakePicture(300, 300, 4);
  TProgressRecorder writeLog;
  writeLog.abortAt = 250;
  aborted = false;
  rec = writeLog.Record(&aborted);
  TMemoryStream out;
  TIOParamsVals params95 = WithColorSpace(ioJPEG_YCbCr, 95);
  WriteJPegStream(out, noise, params95, rec);
  EXPECT_TRUE(aborted);
  EXPECT_EQ(writeLog.reports.size(), 250u);
  const TBytes& written = out.Bytes();
  ASSERT_GT(written.size(), 0u);
  EXPECT_EQ(written.size() % 4096, 0u);
  EXPECT_FALSE(written[written.size() - 2] == 0xFF && written.back() == 0xD9);  // no end-of-image marker
}

// A bitmap that already has the picture's size and format is decoded into as it is; what it
// held must show nowhere, neither after a whole read nor in the rows an abort leaves undecoded.
TEST(JpegRead, APictureOfTheSameSizeIsOverwrittenCompletely) {
  TBitmap picture = kxtest::MakePicture(64, 64);
  const TBytes file = Encode(picture, WithColorSpace(ioJPEG_YCbCr, 90));
  const auto read = [&](TBitmap& bmp, int abortAt) {
    TProgressRecorder log;
    log.abortAt = abortAt;
    bool aborted = false;
    TProgressRec rec = log.Record(&aborted);
    TMemoryStream in(file);
    TIOParamsVals params;
    ReadJPegStream(in, bmp, params, false, rec);
  };
  for (int abortAt : {-1, 1}) {
    TBitmap fresh, reused = kxtest::Filled(64, 64, TRGB{255, 255, 255});
    read(fresh, abortAt);
    read(reused, abortAt);
    ASSERT_EQ(reused.Height(), 64);
    for (int32_t y = 0; y < 64; ++y)
      ASSERT_EQ(TBytes(reused.ScanLine(y), reused.ScanLine(y) + 64 * 3),
                TBytes(fresh.ScanLine(y), fresh.ScanLine(y) + 64 * 3))
          << "abort at " << abortAt << ", row " << y;
  }
}

TEST(JpegProgress, NullAbortPointerIsAllowed) {
  TProgressRec rec;
  TBitmap bmp;
  TIOParamsVals params;
  TMemoryStream junk(TBytes{1, 2, 3, 4});
  ReadJPegStream(junk, bmp, params, false, rec);
  TMemoryStream good(Fixture("cjpeg_gray.jpg"));
  ReadJPegStream(good, bmp, params, false, rec);
  EXPECT_EQ(bmp.Width(), 64);
  TBitmap empty;
  TMemoryStream out;
  WriteJPegStream(out, empty, params, rec);
  EXPECT_EQ(out.Size(), 0);
}

}  // namespace
