// The TIFF reader on hand-made files that pin down what other programs' files rarely show:
// values inside their entries, cycles in the directory chain, byte counts beyond the file,
// damaged and truncated data (a fax strip's rows up to where it ends), the depths and interpretations of the format,
// and the LZW hook contract with a coder that stores rows as they are.
#include <gtest/gtest.h>

#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/byte_writer.h"
#include "imaging/core/stream.h"
#include "imaging/io/fax/fax_encoder.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/tiff_codec.h"
#include "imaging/io/tiff_ifd.h"
#include "tests/io/tiff_test_files.h"
#include "tests/support/test_support.h"

using namespace kx;
using namespace kxtest;

namespace {

// A little-endian TIFF laid out by hand: entries hold exactly the four field bytes given, data
// goes where it is put, so a test states every placement.
class THandTiff {
 public:
  THandTiff() { w.Bytes("II\x2A\0\0\0\0\0", 8); }
  // Appends bytes and returns their offset.
  uint32_t Data(const std::vector<uint8_t>& bytes) {
    const uint32_t at = uint32_t(w.Size());
    w.Bytes(bytes.data(), bytes.size());
    return at;
  }
  struct TEntry {
    uint16_t Tag, Type;
    uint32_t Count;
    uint32_t Field;  // the value field as a little-endian 32-bit word
  };
  // Appends a directory and returns its offset; the first one is linked from the header.
  uint32_t Ifd(const std::vector<TEntry>& entries, uint32_t next = 0) {
    if (w.Size() & 1) w.U8(0);
    const uint32_t at = uint32_t(w.Size());
    w.U16LE(uint16_t(entries.size()));
    for (const TEntry& e : entries) {
      w.U16LE(e.Tag);
      w.U16LE(e.Type);
      w.U32LE(e.Count);
      w.U32LE(e.Field);
    }
    nextFields.push_back(w.Size());
    w.U32LE(next);
    return at;
  }
  std::vector<uint8_t> Bytes(uint32_t first) const {
    std::vector<uint8_t> b = w.Result();
    std::memcpy(b.data() + 4, &first, 4);
    return b;
  }
  TKXByteWriter w;
  std::vector<size_t> nextFields;
};

constexpr uint16_t kShort = 3, kLong = 4, kAscii = 2, kRational = 5;

// A 4 x 2 gray page of two one-row strips, every value that fits kept inside its entry.
TEST(TiffReader, ValuesOfUpToFourBytesAreReadFromTheirEntries) {
  THandTiff t;
  const uint32_t strips = t.Data({10, 20, 30, 40, 50, 60, 70, 80});
  const uint32_t res = t.Data({72, 0, 0, 0, 1, 0, 0, 0});
  const uint32_t ifd = t.Ifd({
      {256, kShort, 1, 4},
      {257, kShort, 1, 2},
      {258, kShort, 1, 8},
      {262, kShort, 1, 1},
      {269, kAscii, 3, 'a' | 'b' << 8},  // "ab" and its NUL
      {273, kShort, 2, strips | (strips + 4) << 16},
      {278, kShort, 1, 1},
      {279, kShort, 2, 4 | 4 << 16},
      {282, kRational, 1, res},
      {283, kRational, 1, res},
      {297, kShort, 2, 3 | 7 << 16},
  });
  const TTiffRead r = ReadTiffBytes(t.Bytes(ifd));
  ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
  EXPECT_EQ(r.Params.TIFF_DocumentName, "ab");
  EXPECT_EQ(r.Params.TIFF_PageNumber, 3);
  EXPECT_EQ(r.Params.TIFF_PageCount, 7);
  EXPECT_EQ(r.Params.DpiX, 72);
  ASSERT_EQ(r.Bitmap.Width(), 4);
  ASSERT_EQ(r.Bitmap.Height(), 2);
  EXPECT_EQ(r.Bitmap.GetPixel(0, 0), (TRGB{10, 10, 10}));
  EXPECT_EQ(r.Bitmap.GetPixel(3, 1), (TRGB{80, 80, 80}));
}

std::vector<THandTiff::TEntry> GrayPage(uint32_t strip, uint32_t count, uint32_t rowsPerStrip = 1) {
  return {{256, kLong, 1, 2},    {257, kLong, 1, 2},     {258, kShort, 1, 8},
          {262, kShort, 1, 1},   {273, kLong, 1, strip}, {278, kLong, 1, rowsPerStrip},
          {279, kLong, 1, count}};
}

TEST(TiffReader, ADirectoryChainThatLoopsEndsAtTheFirstRepeat) {
  THandTiff t;
  const uint32_t strip = t.Data({1, 2, 3, 4});
  const uint32_t first = t.Ifd(GrayPage(strip, 4, 2));
  const uint32_t second = t.Ifd(GrayPage(strip, 4, 2), first);
  std::vector<uint8_t> bytes = t.Bytes(first);
  std::memcpy(bytes.data() + t.nextFields[0], &second, 4);
  const TTiffRead r = ReadTiffBytes(bytes, 1);
  EXPECT_FALSE(r.Aborted) << r.Diagnostics.Reason;
  EXPECT_EQ(r.Pages, 2);
  EXPECT_EQ(r.Bitmap.GetPixel(1, 1), (TRGB{4, 4, 4}));
  TMemoryStream stream(bytes);
  EXPECT_EQ(_EnumTIFFImStream(stream), 2);
}

TEST(TiffReader, ByteCountsBeyondTheFileAreCutToIt) {
  THandTiff t;
  const uint32_t strip = t.Data({1, 2, 3, 4});
  const uint32_t ifd = t.Ifd(GrayPage(strip, 0xFFFFFFF0u, 2));
  const TTiffRead r = ReadTiffBytes(t.Bytes(ifd));
  EXPECT_FALSE(r.Aborted) << r.Diagnostics.Reason;
  EXPECT_EQ(r.Bitmap.GetPixel(0, 1), (TRGB{3, 3, 3}));
}

TEST(TiffReader, DamagedLayoutsAbortWithTheirReason) {
  struct TCase {
    const char* Name;
    std::vector<THandTiff::TEntry> Extra;  // replaces the entries of the same tags
    const char* Reason;
  };
  const TCase cases[] = {
      {"strip beyond the file", {{273, kLong, 1, 5000}}, "TIFF strip or tile beyond the end of the file"},
      {"one strip of two", {{278, kLong, 1, 1}}, "TIFF strip or tile missing"},
      {"no width", {{256, kLong, 1, 0}}, "0 x 2 is not a picture size"},
      {"no strips", {{273, kLong, 0, 0}}, "TIFF page without pixel data"},
      {"depths that differ",
       {{258, kShort, 2, 8 | 4 << 16}, {277, kShort, 1, 2}},
       "TIFF samples of different depths are not supported"},
      {"palette without colour map", {{262, kShort, 1, 3}}, "TIFF palette page without a colour map"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    THandTiff t;
    const uint32_t strip = t.Data({1, 2, 3, 4});
    std::vector<THandTiff::TEntry> entries = GrayPage(strip, 4, 2);
    for (const auto& x : c.Extra) {
      auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.Tag >= x.Tag; });
      if (it != entries.end() && it->Tag == x.Tag)
        *it = x;
      else
        entries.insert(it, x);
    }
    const TTiffRead r = ReadTiffBytes(t.Bytes(t.Ifd(entries)));
    EXPECT_TRUE(r.Aborted);
    EXPECT_EQ(r.Diagnostics.Reason, c.Reason);
  }
}

TEST(TiffReader, RowsPerStripZeroReadsThePageAsOneStrip) {
  THandTiff t;
  const uint32_t strip = t.Data({1, 2, 3, 4});
  const TTiffRead r = ReadTiffBytes(t.Bytes(t.Ifd(GrayPage(strip, 4, 0))));
  EXPECT_FALSE(r.Aborted) << r.Diagnostics.Reason;
  EXPECT_EQ(r.Bitmap.GetPixel(1, 1), (TRGB{4, 4, 4}));
}

// One strip of a whole page, as writers that put the page in one strip leave it, is read a part
// at a time; rows on both sides of a part's end land in place, and data that ends in the middle
// of a later part leaves the rest of the page black.
TEST(TiffReader, AOneStripPageLargerThanAReadIsWholeAndACutOneEndsBlack) {
  constexpr uint32_t kWidth = 300, kHeight = 400, kRowBytes = kWidth * 3;
  std::vector<uint8_t> samples(size_t(kRowBytes) * kHeight);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint8_t(i * 7 + i / kRowBytes);
  auto sample = [&](uint32_t x, uint32_t y, uint32_t c) { return samples[size_t(y) * kRowBytes + x * 3 + c]; };
  for (const uint32_t cut : {kRowBytes * kHeight, kRowBytes * 350 + 450}) {
    SCOPED_TRACE(cut);
    THandTiff t;
    const uint32_t strip = t.Data(samples);
    const uint32_t bits = t.Data({8, 0, 8, 0, 8, 0});
    const uint32_t ifd = t.Ifd({{256, kLong, 1, kWidth},
                                {257, kLong, 1, kHeight},
                                {258, kShort, 3, bits},
                                {262, kShort, 1, 2},
                                {273, kLong, 1, strip},
                                {277, kShort, 1, 3},
                                {278, kLong, 1, kHeight},
                                {279, kLong, 1, cut}});
    const TTiffRead r = ReadTiffBytes(t.Bytes(ifd));
    const bool whole = cut == kRowBytes * kHeight;
    EXPECT_EQ(r.Aborted, !whole);
    if (!whole) {
      EXPECT_EQ(r.Diagnostics.Reason, "TIFF pixel data ends early");
    }
    ASSERT_EQ(r.Bitmap.Height(), int32_t(kHeight));
    size_t wrong = 0;
    for (uint32_t y = 0; y < kHeight; ++y)
      for (uint32_t x = 0; x < kWidth; ++x) {
        const bool read = size_t(y) * kRowBytes + x * 3 + 3 <= cut;
        const TRGB c = r.Bitmap.GetPixel(int32_t(x), int32_t(y));
        wrong += read ? (c.r != sample(x, y, 0) || c.g != sample(x, y, 1) || c.b != sample(x, y, 2))
                      : (c.r | c.g | c.b) != 0;
      }
    EXPECT_EQ(wrong, 0u);
  }
}

TEST(TiffReader, AnIndexBeyondThePagesReadsNothingAndDoesNotAbort) {
  THandTiff t;
  const uint32_t strip = t.Data({1, 2, 3, 4});
  const TTiffRead r = ReadTiffBytes(t.Bytes(t.Ifd(GrayPage(strip, 4, 2))), 1);
  EXPECT_FALSE(r.Aborted);
  EXPECT_EQ(r.Pages, 1);
  EXPECT_TRUE(r.Bitmap.Empty());
}

// The depths and interpretations of single pixels, as the format defines them.
TEST(TiffReader, SamplesBecomeThePixelsTheirInterpretationSays) {
  struct TCase {
    const char* Name;
    uint32_t Photometric, Samples, Bits;
    std::vector<uint8_t> Pixel;
    TRGB Expected;
    const char* Software = "";
  };
  const TCase cases[] = {
      {"16-bit 1-sample rgb", 2, 1, 16, {0xFF, 0x7F}, {248, 248, 248}},
      {"16-bit gray", 1, 1, 16, {0x34, 0x12}, {0x12, 0x12, 0x12}},
      {"16-bit gray white-is-zero", 0, 1, 16, {0x34, 0x12}, {0xED, 0xED, 0xED}},
      {"12-bit gray of Look@Molli", 1, 1, 16, {0x40, 0x0A}, {0xA4, 0xA4, 0xA4}, "Look@Molli v1.1"},
      {"cmyk", 5, 4, 8, {0, 255, 128, 51}, {101, 0, 204}},
      {"cielab black, a and b a hair off neutral", 8, 3, 8, {0, 0, 0}, {4, 2, 0}},
      {"4-bit gray white", 1, 1, 4, {0xF0}, {255, 255, 255}},
      {"8-bit gray white-is-zero", 0, 1, 8, {200}, {55, 55, 55}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    THandTiff t;
    const uint32_t strip = t.Data(c.Pixel);
    const uint32_t software = t.Data(std::vector<uint8_t>(c.Software, c.Software + std::strlen(c.Software) + 1));
    std::vector<uint8_t> bits;
    for (uint32_t s = 0; s < c.Samples; ++s) bits.insert(bits.end(), {uint8_t(c.Bits), 0});
    const uint32_t bitsAt = t.Data(bits);
    const uint32_t bitsField = c.Samples <= 2 ? (c.Samples == 1 ? c.Bits : c.Bits | c.Bits << 16) : bitsAt;
    const uint32_t ifd = t.Ifd({{256, kLong, 1, 1},
                                {257, kLong, 1, 1},
                                {258, kShort, c.Samples, bitsField},
                                {262, kShort, 1, c.Photometric},
                                {273, kLong, 1, strip},
                                {277, kShort, 1, c.Samples},
                                {279, kLong, 1, uint32_t(c.Pixel.size())},
                                {305, kAscii, uint32_t(std::strlen(c.Software) + 1), software}});
    const TTiffRead r = ReadTiffBytes(t.Bytes(ifd));
    ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
    EXPECT_EQ(r.Bitmap.GetPixel(0, 0), c.Expected);
  }
}

TEST(TiffReader, APageWithoutPhotometricInterpretationIsRgb) {
  THandTiff t;
  const uint32_t strip = t.Data({10, 20, 30});
  const uint32_t bits = t.Data({8, 0, 8, 0, 8, 0});
  const uint32_t ifd = t.Ifd({{256, kLong, 1, 1},
                              {257, kLong, 1, 1},
                              {258, kShort, 3, bits},
                              {273, kLong, 1, strip},
                              {277, kShort, 1, 3},
                              {279, kLong, 1, 3}});
  const TTiffRead r = ReadTiffBytes(t.Bytes(ifd));
  ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
  EXPECT_EQ(r.Params.TIFF_Photometric, ioTIFF_RGB);
  EXPECT_EQ(r.Bitmap.GetPixel(0, 0), (TRGB{30, 20, 10}));
}

// White pixels are 1 bits whether the page says so itself or through fax coding.
TEST(TiffReader, WhiteIsZeroBilevelPagesGiveWhiteAsOneBits) {
  const TBitmap page = TextPage(64, 8);
  for (TIOTIFFCompression compression : {ioTIFF_UNCOMPRESSED, ioTIFF_G4FAX}) {
    TIOParamsVals params;
    params.BitsPerSample = 1;
    params.SamplesPerPixel = 1;
    params.TIFF_Compression = compression;
    std::vector<uint8_t> bytes = WriteTiffBytes(page, params);
    if (compression == ioTIFF_UNCOMPRESSED) {
      // Our uncompressed pages are BlackIsZero: make one WhiteIsZero with inverted bits.
      const TTiffRead ours = ReadTiffBytes(bytes);
      ASSERT_EQ(ours.Params.TIFF_Photometric, ioTIFF_BLACKISZERO);
      THandTiff t;
      std::vector<uint8_t> rows;
      for (int y = 0; y < 8; ++y)
        for (int i = 0; i < 8; ++i) rows.push_back(uint8_t(~page.ScanLine(y)[i]));
      const uint32_t strip = t.Data(rows);
      bytes = t.Bytes(t.Ifd({{256, kLong, 1, 64},
                             {257, kLong, 1, 8},
                             {258, kShort, 1, 1},
                             {262, kShort, 1, 0},
                             {273, kLong, 1, strip},
                             {279, kLong, 1, 64}}));
    }
    const TTiffRead r = ReadTiffBytes(bytes);
    ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
    EXPECT_EQ(r.Params.TIFF_Photometric, ioTIFF_WHITEISZERO);
    ASSERT_EQ(r.Bitmap.PixelFormat(), pf1bit);
    for (int y = 0; y < 8; ++y) EXPECT_EQ(std::memcmp(r.Bitmap.ScanLine(y), page.ScanLine(y), 8), 0) << y;
  }
}

// A fax strip that ends after eight of its sixteen rows: those come out as coded, the failing
// row as far as it got (no run: its first colour, white), the rows never reached as coded
// black, each in the picture's polarity, padding bits included.
TEST(TiffReader, AFaxStripThatEndsEarlyKeepsItsRowsAndLeavesTheRestCodedBlack) {
  const TBitmap page = TextPage(100, 16);
  TKXFaxEncoder coder(100, 1);
  for (int y = 0; y < 8; ++y) coder.CCITTHuffmanPutLine(page.ScanLine(y));
  const std::span<const uint8_t> coded = coder.Bytes();
  const std::vector<uint8_t> strip(coded.begin(), coded.end());
  for (uint32_t photometric : {0u, 1u}) {
    SCOPED_TRACE(photometric);
    THandTiff t;
    const uint32_t at = t.Data(strip);
    const TTiffRead r = ReadTiffBytes(t.Bytes(t.Ifd({{256, kLong, 1, 100},
                                                     {257, kLong, 1, 16},
                                                     {258, kShort, 1, 1},
                                                     {259, kShort, 1, 2},
                                                     {262, kShort, 1, photometric},
                                                     {273, kLong, 1, at},
                                                     {279, kLong, 1, uint32_t(strip.size())}})));
    EXPECT_TRUE(r.Aborted);
    EXPECT_EQ(r.Diagnostics.Reason, "fax data ends early");
    ASSERT_EQ(r.Bitmap.PixelFormat(), pf1bit);
    const uint8_t flip = photometric == 1 ? 0xFF : 0;
    for (int y = 0; y < 16; ++y) {
      std::vector<uint8_t> expected(13);
      for (size_t i = 0; i < 13; ++i) expected[i] = uint8_t((y < 8 ? page.ScanLine(y)[i] : y == 8 ? 0xFF : 0) ^ flip);
      EXPECT_EQ(std::vector<uint8_t>(r.Bitmap.ScanLine(y), r.Bitmap.ScanLine(y) + 13), expected) << y;
    }
  }
}

// Truncating a file of three pages at each directory ends the chain there: the pages before
// still read, none reads past the end.
TEST(TiffReader, FilesCutAtEveryDirectoryKeepThePagesBefore) {
  TIOParamsVals params;
  std::vector<uint8_t> bytes = WriteTiffBytes(MakePicture(9, 5), params);
  for (int i = 0; i < 2; ++i) {
    TMemoryStream stream(bytes);
    bool aborted = false;
    TProgressRec progress;
    progress.Aborting = &aborted;
    TBitmap page = TextPage(16, 4);
    params.TIFF_ImageIndex = 99;
    params.BitsPerSample = 1;
    params.SamplesPerPixel = 1;
    params.TIFF_Compression = ioTIFF_G3FAX2D;
    ASSERT_EQ(TIFFWriteStream(stream, true, page, params, progress), i + 2);
    bytes = stream.Bytes();
  }
  TMemoryStream whole(bytes);
  TTiffRead all = ReadTiffBytes(bytes, 2);
  ASSERT_EQ(all.Pages, 3);
  // The directories of our pages follow their data, so each cut leaves the pages before it.
  std::vector<uint32_t> ifds;
  for (uint32_t at = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | uint32_t(bytes[7]) << 24; at != 0;) {
    ifds.push_back(at);
    const uint32_t n = bytes[at] | bytes[at + 1] << 8;
    const size_t next = at + 2 + 12 * n;
    at = bytes[next] | bytes[next + 1] << 8 | bytes[next + 2] << 16 | uint32_t(bytes[next + 3]) << 24;
  }
  ASSERT_EQ(ifds.size(), 3u);
  for (size_t k = 0; k < ifds.size(); ++k) {
    for (size_t cut : {size_t(ifds[k]), size_t(ifds[k]) + 1, size_t(ifds[k]) + 13, size_t(ifds[k]) - 1}) {
      SCOPED_TRACE(cut);
      const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + std::ptrdiff_t(cut));
      for (int32_t page = 0; page < 3; ++page) {
        const TTiffRead r = ReadTiffBytes(part, page);
        EXPECT_EQ(r.Pages, int32_t(k));
        if (page < int32_t(k)) {
          EXPECT_FALSE(r.Aborted) << r.Diagnostics.Reason;
          EXPECT_FALSE(r.Bitmap.Empty());
        }
      }
    }
  }
}

// A coder that "compresses" by storing rows as they are, keeping its row count in the context,
// and a record of the calls it got.
struct TStoredRows {
  static inline int releases = 0;
  static inline int finals = 0;
  static const uint8_t* Decode(const uint8_t* strip, int64_t size, int32_t rowSize, intptr_t& context) {
    if (!strip) {
      ++releases;
      context = 0;
      return nullptr;
    }
    const int64_t at = int64_t(context) * rowSize;
    if (at + rowSize > size) return nullptr;
    ++context;
    return strip + at;
  }
  static void Encode(const uint8_t* row, int32_t size, TStream& stream, intptr_t& context) {
    if (!row) {
      ++finals;
      return;
    }
    stream.WriteBuffer(row, size);
    ++context;
  }
};

TEST(TiffReader, LzwPagesGoThroughTheHooksWithAFreshContextPerStrip) {
  TStoredRows::releases = TStoredRows::finals = 0;
  const TBitmap picture = MakePicture(13, 6);
  TIOParamsVals params;
  params.TIFF_Compression = ioTIFF_LZW;
  params.TIFF_LZWCompress = &TStoredRows::Encode;
  const std::vector<uint8_t> bytes = WriteTiffBytes(picture, params);
  EXPECT_EQ(TStoredRows::finals, 1);
  const TTiffRead r = ReadTiffBytes(bytes, 0, false, &TStoredRows::Decode);
  ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
  EXPECT_EQ(r.Params.TIFF_Compression, ioTIFF_LZW);
  // The rows were stored differenced (predictor 2) and come back whole.
  EXPECT_TRUE(SameBitmap(r.Bitmap, picture));
  EXPECT_EQ(TStoredRows::releases, 1);

  // The same rows cut into strips of two: one release per strip.
  THandTiff t;
  std::vector<uint8_t> rows(3 * 2 * 3);
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = uint8_t(i * 11);
  const uint32_t data = t.Data(rows);
  const uint32_t offsets = t.Data({uint8_t(data), uint8_t(data >> 8), 0, 0, uint8_t(data + 6), uint8_t((data + 6) >> 8),
                                   0, 0, uint8_t(data + 12), uint8_t((data + 12) >> 8), 0, 0});
  const uint32_t bits = t.Data({8, 0, 8, 0, 8, 0});
  const uint32_t counts = t.Data({6, 0, 0, 0, 6, 0, 0, 0, 6, 0, 0, 0});
  const uint32_t ifd = t.Ifd({{256, kLong, 1, 2},
                              {257, kLong, 1, 3},
                              {258, kShort, 3, bits},
                              {259, kShort, 1, 5},
                              {262, kShort, 1, 2},
                              {273, kLong, 3, offsets},
                              {277, kShort, 1, 3},
                              {278, kLong, 1, 1},
                              {279, kLong, 3, counts}});
  TStoredRows::releases = 0;
  const TTiffRead strips = ReadTiffBytes(t.Bytes(ifd), 0, false, &TStoredRows::Decode);
  ASSERT_FALSE(strips.Aborted) << strips.Diagnostics.Reason;
  EXPECT_EQ(TStoredRows::releases, 3);
  EXPECT_EQ(strips.Bitmap.GetPixel(1, 2), (TRGB{uint8_t(17 * 11), uint8_t(16 * 11), uint8_t(15 * 11)}));
}

TEST(TiffReader, ALzwDecoderThatFailsAbortsThePage) {
  const TBitmap picture = MakePicture(13, 6);
  TIOParamsVals params;
  params.TIFF_Compression = ioTIFF_LZW;
  params.TIFF_LZWCompress = &TStoredRows::Encode;
  std::vector<uint8_t> bytes = WriteTiffBytes(picture, params);
  auto failing = [](const uint8_t* strip, int64_t, int32_t, intptr_t&) -> const uint8_t* {
    return strip ? nullptr : nullptr;
  };
  const TTiffRead r = ReadTiffBytes(bytes, 0, false, failing);
  EXPECT_TRUE(r.Aborted);
  EXPECT_EQ(r.Diagnostics.Reason, "damaged LZW data");
}

}  // namespace

namespace {

// A page of one-row strips: progress after every row, a stop asked for by the handler ends the
// page there, and a parameter-only read fills the parameters without touching the picture.
TEST(TiffReader, ProgressPreviewAndAbortFollowTheRows) {
  TIOParamsVals params;
  const TBitmap picture = Filled(3, 4, {9, 9, 9});
  std::vector<uint8_t> bytes = WriteTiffBytes(picture, params);
  const TTiffRead preview = ReadTiffBytes(bytes, 0, true);
  EXPECT_FALSE(preview.Aborted);
  EXPECT_TRUE(preview.Bitmap.Empty());
  EXPECT_EQ(preview.Params.Width, 3);
  EXPECT_EQ(preview.Params.Height, 4);

  struct TStopper {
    bool* flag;
    std::vector<int> values;
    void Handler(void*, int per) {
      values.push_back(per);
      if (values.size() == 2) *flag = true;
    }
  };
  bool aborted = false;
  TStopper stopper{&aborted, {}};
  TProgressRec progress;
  progress.Aborting = &aborted;
  progress.fOnProgress = TProgressEvent::Bind<&TStopper::Handler>(&stopper);
  TMemoryStream stream(bytes);
  TBitmap bitmap;
  params.TIFF_ImageIndex = 0;
  int32_t pages = 0;
  // Our pages are one strip, so the stop takes effect at its end; a page of one-row strips
  // stops after the row that asked for it.
  TIFFReadStream(bitmap, stream, pages, &params, progress, false);
  EXPECT_EQ(stopper.values, (std::vector<int>{25, 50, 75, 100}));

  THandTiff t;
  const uint32_t rows = t.Data({1, 2, 3, 4});
  const uint32_t offsets = t.Data(
      {uint8_t(rows), 0, 0, 0, uint8_t(rows + 1), 0, 0, 0, uint8_t(rows + 2), 0, 0, 0, uint8_t(rows + 3), 0, 0, 0});
  const uint32_t counts = t.Data({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
  const uint32_t ifd = t.Ifd({{256, kLong, 1, 1},
                              {257, kLong, 1, 4},
                              {258, kShort, 1, 8},
                              {262, kShort, 1, 1},
                              {273, kLong, 4, offsets},
                              {278, kLong, 1, 1},
                              {279, kLong, 4, counts}});
  TMemoryStream strips(t.Bytes(ifd));
  aborted = false;
  stopper.values.clear();
  TIFFReadStream(bitmap, strips, pages, &params, progress, false);
  EXPECT_TRUE(aborted);
  EXPECT_EQ(stopper.values, (std::vector<int>{25, 50}));
  EXPECT_EQ(bitmap.GetPixel(0, 1), (TRGB{2, 2, 2}));
  EXPECT_EQ(bitmap.GetPixel(0, 2), (TRGB{}));
}

}  // namespace

namespace {

// Deleting the first of two pages moves the second; the EXIF directory it points to moves with
// it, so its values are still where its entries say.
TEST(TiffReader, DeletingAPageMovesTheDirectoriesTheOthersPointTo) {
  THandTiff t;
  const uint32_t strip = t.Data({1, 2, 3, 4});
  const uint32_t first = t.Ifd(GrayPage(strip, 4, 2));
  const uint32_t text = t.Data({'c', 'a', 'm', 'e', 'r', 'a', 0});
  const uint32_t exif = t.Ifd({{0x9003, kAscii, 7, text}});
  std::vector<THandTiff::TEntry> second = GrayPage(strip, 4, 2);
  second.push_back({34665, kLong, 1, exif});
  const uint32_t secondAt = t.Ifd(second);
  std::vector<uint8_t> bytes = t.Bytes(first);
  std::memcpy(bytes.data() + t.nextFields[0], &secondAt, 4);
  TMemoryStream stream(bytes);
  ASSERT_EQ(_DeleteTIFFImStream(stream, 0), 2);
  TMemoryStream left(stream.Bytes());
  TTiffInput in(left);
  const std::vector<uint32_t> pages = in.PageOffsets();
  ASSERT_EQ(pages.size(), 1u);
  TTiffIfd page, moved;
  ASSERT_TRUE(in.ReadIfd(pages[0], page));
  const uint32_t exifAt = in.Integer(page.Find(34665), 0);
  ASSERT_TRUE(in.ReadIfd(exifAt, moved));
  EXPECT_EQ(in.Text(moved.Find(0x9003)), "camera");
  EXPECT_LT(stream.Size(), int64_t(bytes.size()));
  const TTiffRead r = ReadTiffBytes(stream.Bytes());
  EXPECT_EQ(r.Bitmap.GetPixel(1, 1), (TRGB{4, 4, 4}));
}

}  // namespace
