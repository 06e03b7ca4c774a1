// The LZW coders on their own: round trips of both, the GIF decoder on hand-built code streams
// (a table that fills up without a clear code, a code past the table, data cut short), and the
// TIFF coder against libtiff's tools: strips that tiffcp writes decode to the bytes of its
// uncompressed strip, and strips we write read back through tiffcp and pass tiffinfo -D.
#include "imaging/io/lzw/lzw_coders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/core/byte_reader.h"
#include "imaging/core/byte_writer.h"
#include "imaging/core/stream.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

const std::string kPython = "/usr/bin/python3";
const std::string kTiffcp = "/usr/bin/tiffcp";
const std::string kTiffinfo = "/usr/bin/tiffinfo";

// Indices with runs and noise: `noise` of every 16 pixels random, the rest a slow gradient.
std::vector<uint8_t> Indices(int32_t width, int32_t height, int bits, int noise, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> out(size_t(width) * height);
  const int mask = (1 << bits) - 1;
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = uint8_t((int(random() % 16) < noise ? int(random()) : int(i / 37)) & mask);
  return out;
}

std::vector<uint8_t> GifEncode(const std::vector<uint8_t>& indices, int32_t width, int32_t height, bool interlaced,
                               int bits) {
  TMemoryStream stream;
  KXGifLZWEncode(stream, height, width, interlaced, indices.data(), bits);
  return stream.Bytes();
}

// Codes packed least significant bit first, at the widths a GIF decoder expects, in sub-blocks.
std::vector<uint8_t> GifCodes(int minCodeSize, const std::vector<int>& codes) {
  std::vector<uint8_t> packed;
  uint64_t bits = 0;
  int count = 0, width = minCodeSize + 1, next = (1 << minCodeSize) + 2;
  bool first = true;
  for (int code : codes) {
    bits |= uint64_t(code) << count;
    count += width;
    while (count >= 8) {
      packed.push_back(uint8_t(bits));
      bits >>= 8;
      count -= 8;
    }
    if (code == 1 << minCodeSize) {
      width = minCodeSize + 1;
      next = (1 << minCodeSize) + 2;
      first = true;
    } else if (first) {
      first = false;
    } else if (next < 4096 && ++next == 1 << width && width < 12) {
      ++width;
    }
  }
  if (count > 0) packed.push_back(uint8_t(bits));
  std::vector<uint8_t> out{uint8_t(minCodeSize)};
  for (size_t at = 0; at < packed.size(); at += 255) {
    const size_t n = std::min<size_t>(255, packed.size() - at);
    out.push_back(uint8_t(n));
    out.insert(out.end(), packed.begin() + int64_t(at), packed.begin() + int64_t(at + n));
  }
  out.push_back(0);
  return out;
}

struct TGifCase {
  int32_t width, height;
  int bits;
  int noise;
  bool interlaced;
};

TEST(GifLZW, RoundTripsEveryDepthSizeAndOrder) {
  // Large noisy pictures fill the table many times over; a one-colour one makes long strings.
  const TGifCase cases[] = {{1, 1, 1, 0, false},       {7, 5, 2, 8, false},      {33, 17, 3, 4, true},
                            {64, 64, 4, 16, true},     {300, 200, 8, 16, false}, {500, 500, 8, 2, true},
                            {1000, 1000, 8, 0, false}, {3, 9, 8, 16, true}};
  for (const TGifCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " at " << c.bits);
    const std::vector<uint8_t> indices = Indices(c.width, c.height, c.bits, c.noise, uint32_t(c.width));
    std::vector<uint8_t> coded = GifEncode(indices, c.width, c.height, c.interlaced, c.bits);
    EXPECT_EQ(coded[0], std::max(c.bits, 2));
    coded.push_back(0x3B);  // what follows the data must be left in the stream
    TMemoryStream stream(coded);
    std::vector<uint8_t> back(indices.size(), 0xEE);
    ASSERT_TRUE(KXGifLZWDecode(stream, c.height, c.width, c.interlaced, back.data()));
    EXPECT_EQ(back, indices);
    EXPECT_EQ(stream.Position(), int64_t(coded.size()) - 1);
  }
}

TEST(GifLZW, AFullTableWaitsForTheClearCode) {
  // 8-bit codes: after 3838 entries the table is full and the codes stay 12 bits wide.
  std::vector<int> codes{256};
  std::vector<uint8_t> expected;
  for (int i = 0; i < 5000; ++i) {
    codes.push_back(i % 251);
    expected.push_back(uint8_t(i % 251));
  }
  codes.push_back(257);
  const std::vector<uint8_t> data = GifCodes(8, codes);
  TMemoryStream stream(data);
  std::vector<uint8_t> out(expected.size());
  ASSERT_TRUE(KXGifLZWDecode(stream, 1, int32_t(expected.size()), false, out.data()));
  EXPECT_EQ(out, expected);
}

TEST(GifLZW, BadCodesAndShortDataFailKeepingTheRowsDecoded) {
  // Code 1, then 7 while the next free code is 6.
  struct TCase {
    const char* name;
    std::vector<uint8_t> data;
  };
  std::vector<uint8_t> cut = GifEncode(Indices(40, 30, 8, 16, 3), 40, 30, false, 8);
  cut.resize(cut.size() / 2);
  const TCase cases[] = {{"a code past the table", GifCodes(2, {4, 1, 7, 5})},
                         {"a first code that is no colour", GifCodes(2, {4, 6, 5})},
                         {"no data at all", {2, 0}},
                         {"a minimum code size of 12", {12, 1, 0, 0}},
                         {"data cut short", cut}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TMemoryStream stream(c.data);
    std::vector<uint8_t> out(40 * 30, 0xEE);
    EXPECT_FALSE(KXGifLZWDecode(stream, 30, 40, false, out.data()));
    EXPECT_GT(stream.Position(), 0);
  }
  TMemoryStream bad(GifCodes(2, {4, 1, 7, 5}));
  std::vector<uint8_t> out(6, 0xEE);
  EXPECT_FALSE(KXGifLZWDecode(bad, 2, 3, false, out.data()));
  EXPECT_EQ(out, (std::vector<uint8_t>{1, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
  TMemoryStream empty;
  EXPECT_FALSE(KXGifLZWDecode(empty, 2, 3, false, out.data()));
}

// Encodes `rows` rows of `rowSize` bytes as one strip.
std::vector<uint8_t> TiffEncode(const std::vector<uint8_t>& bytes, int32_t rowSize) {
  TMemoryStream stream;
  intptr_t context = 0;
  for (size_t at = 0; at < bytes.size(); at += size_t(rowSize))
    KXTiffLZWEncodeRow(bytes.data() + at, rowSize, stream, context);
  KXTiffLZWEncodeRow(nullptr, 0, stream, context);
  EXPECT_EQ(context, 0);
  return stream.Bytes();
}

// Decodes a strip row by row; empty when a row fails.
std::vector<uint8_t> TiffDecode(const std::vector<uint8_t>& strip, int32_t rowSize, int32_t rows) {
  std::vector<uint8_t> out;
  intptr_t context = 0;
  for (int32_t y = 0; y < rows; ++y) {
    const uint8_t* row = KXTiffLZWDecodeRow(strip.data(), int64_t(strip.size()), rowSize, context);
    if (!row) {
      out.clear();
      break;
    }
    out.insert(out.end(), row, row + rowSize);
  }
  KXTiffLZWDecodeRow(nullptr, 0, 0, context);
  EXPECT_EQ(context, 0);
  return out;
}

TEST(TiffLZW, RoundTripsRowsOfEverySize) {
  const std::pair<int32_t, int32_t> cases[] = {{1, 1}, {3, 7}, {97, 61}, {1500, 400}, {4096, 3}};
  for (auto [rowSize, rows] : cases) {
    SCOPED_TRACE(testing::Message() << rowSize << " x " << rows);
    const std::vector<uint8_t> bytes = Indices(rowSize, rows, 8, rowSize % 16, uint32_t(rows));
    EXPECT_EQ(TiffDecode(TiffEncode(bytes, rowSize), rowSize, rows), bytes);
  }
}

TEST(TiffLZW, DamagedStripsFailWithoutReadingPastThem) {
  const std::vector<uint8_t> bytes = Indices(50, 40, 8, 16, 9);
  std::vector<uint8_t> strip = TiffEncode(bytes, 50);
  strip.resize(strip.size() / 3);
  EXPECT_TRUE(TiffDecode(strip, 50, 40).empty());
  // Clear, then 300 while the first code after a clear must be a byte.
  const std::vector<uint8_t> bad{0x80, 0x12, 0xC0, 0x00};
  EXPECT_TRUE(TiffDecode(bad, 4, 1).empty());
  // Every call after a failure fails, until the release.
  intptr_t context = 0;
  EXPECT_EQ(KXTiffLZWDecodeRow(bad.data(), int64_t(bad.size()), 4, context), nullptr);
  EXPECT_EQ(KXTiffLZWDecodeRow(strip.data(), int64_t(strip.size()), 4, context), nullptr);
  KXTiffLZWDecodeRow(nullptr, 0, 0, context);
  EXPECT_EQ(context, 0);
}

// The single strip of a little-endian TIFF: its bytes, from the offset and count in the IFD.
std::vector<uint8_t> FirstStrip(const std::vector<uint8_t>& file) {
  TKXByteReader head(file);
  head.Skip(4);
  const uint32_t ifd = head.U32LE();
  TKXByteReader r(std::span<const uint8_t>(file).subspan(ifd));
  const uint16_t entries = r.U16LE();
  uint32_t offset = 0, count = 0;
  for (uint16_t i = 0; i < entries; ++i) {
    const uint16_t tag = r.U16LE(), type = r.U16LE();
    r.U32LE();
    const uint32_t value = type == 3 ? r.U32LE() & 0xFFFF : r.U32LE();
    if (tag == 273) offset = value;
    if (tag == 279) count = value;
  }
  if (!r.Ok() || uint64_t(offset) + count > file.size()) return {};
  return {file.begin() + offset, file.begin() + offset + count};
}

bool HaveTiffTools() { return kxtest::Have(kPython) && kxtest::Have(kTiffcp) && kxtest::Have(kTiffinfo); }

// An uncompressed RGB TIFF of `width` x `height` pixels written by Pillow.
std::string SourceTiff(int32_t width, int32_t height) {
  const std::string path = kxtest::TempPath(".tif");
  const std::string script =
      "from PIL import Image\n"
      "import sys\n"
      "w, h = int(sys.argv[1]), int(sys.argv[2])\n"
      "im = Image.new('RGB', (w, h))\n"
      "im.putdata([((x * 7) % 256, (y * 5 + x // 9) % 256, (x * y) % 256) for y in range(h) for x in range(w)])\n"
      "im.save(sys.argv[3])\n";
  const std::string scriptPath = kxtest::TempPath(".py");
  kxtest::WriteFile(scriptPath, std::vector<uint8_t>(script.begin(), script.end()));
  EXPECT_EQ(kxtest::Run(kPython + " " + scriptPath + " " + std::to_string(width) + " " + std::to_string(height) + " " +
                        kxtest::Quote(path)),
            0);
  return path;
}

TEST(TiffLZW, DecodesTheStripsOfLibtiff) {
  if (!HaveTiffTools()) GTEST_SKIP() << "needs python3 with Pillow, tiffcp and tiffinfo";
  const int32_t width = 97, height = 61, rowSize = width * 3;
  const std::string source = SourceTiff(width, height);
  const std::string rows = " -r " + std::to_string(height) + " ";
  auto copy = [&](const std::string& options) {
    const std::string out = kxtest::TempPath(".tif");
    EXPECT_EQ(kxtest::Run(kTiffcp + " " + options + rows + kxtest::Quote(source) + " " + kxtest::Quote(out)), 0);
    return FirstStrip(kxtest::ReadFile(out));
  };
  const std::vector<uint8_t> plain = copy("-c none");
  ASSERT_EQ(plain.size(), size_t(rowSize * height));
  EXPECT_EQ(TiffDecode(copy("-c lzw"), rowSize, height), plain);
  // With the predictor the strip holds differences, which the codec adds up again.
  std::vector<uint8_t> summed = TiffDecode(copy("-c lzw:2"), rowSize, height);
  ASSERT_EQ(summed.size(), plain.size());
  for (int32_t y = 0; y < height; ++y)
    for (int32_t i = 3; i < rowSize; ++i) summed[size_t(y * rowSize + i)] += summed[size_t(y * rowSize + i - 3)];
  EXPECT_EQ(summed, plain);
}

// A minimal RGB TIFF around one LZW strip of `height` rows.
std::vector<uint8_t> WrapStrip(const std::vector<uint8_t>& strip, int32_t width, int32_t height) {
  TKXByteWriter w;
  const uint32_t stripAt = 8, bitsAt = stripAt + uint32_t(strip.size() + (strip.size() & 1));
  const uint32_t ifdAt = bitsAt + 6;
  w.Bytes("II", 2);
  w.U16LE(42);
  w.U32LE(ifdAt);
  w.Bytes(strip.data(), strip.size());
  if (strip.size() & 1) w.U8(0);
  for (int i = 0; i < 3; ++i) w.U16LE(8);
  const uint32_t entries[][4] = {{256, 4, 1, uint32_t(width)},
                                 {257, 4, 1, uint32_t(height)},
                                 {258, 3, 3, bitsAt},
                                 {259, 3, 1, 5},
                                 {262, 3, 1, 2},
                                 {273, 4, 1, stripAt},
                                 {277, 3, 1, 3},
                                 {278, 4, 1, uint32_t(height)},
                                 {279, 4, 1, uint32_t(strip.size())},
                                 {284, 3, 1, 1}};
  w.U16LE(uint16_t(std::size(entries)));
  for (const auto& e : entries) {
    w.U16LE(uint16_t(e[0]));
    w.U16LE(uint16_t(e[1]));
    w.U32LE(e[2]);
    if (e[1] == 3 && e[2] == 1) {
      w.U16LE(uint16_t(e[3]));
      w.U16LE(0);
    } else {
      w.U32LE(e[3]);
    }
  }
  w.U32LE(0);
  return w.Result();
}

TEST(TiffLZW, LibtiffReadsTheStripsWeWrite) {
  if (!HaveTiffTools()) GTEST_SKIP() << "needs tiffcp and tiffinfo";
  const int32_t width = 301, height = 77, rowSize = width * 3;
  const std::vector<uint8_t> bytes = Indices(rowSize, height, 8, 5, 21);
  const std::string ours = kxtest::TempPath(".tif"), plain = kxtest::TempPath(".tif");
  kxtest::WriteFile(ours, WrapStrip(TiffEncode(bytes, rowSize), width, height));
  std::string report;
  EXPECT_EQ(kxtest::Run(kTiffinfo + " -D " + kxtest::Quote(ours) + " 2>&1", &report), 0);
  EXPECT_EQ(report.find("rror"), std::string::npos) << report;
  ASSERT_EQ(kxtest::Run(kTiffcp + " -c none -r " + std::to_string(height) + " " + kxtest::Quote(ours) + " " +
                        kxtest::Quote(plain)),
            0);
  EXPECT_EQ(FirstStrip(kxtest::ReadFile(plain)), bytes);
}

}  // namespace
