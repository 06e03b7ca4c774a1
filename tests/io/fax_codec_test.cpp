// The fax coders on their own: every coding round-trips pages of text, noise, solid rows and
// runs longer than the longest make-up code; the bit order is a matter of reading only; rows of
// either polarity go in and come out alike, changes on 64-bit word edges included; runs past
// the width are cut, damaged codes and positions before the current one are refused.
#include <gtest/gtest.h>

#include <cstring>
#include <span>
#include <vector>

#include "imaging/io/fax/fax_decoder.h"
#include "imaging/io/fax/fax_encoder.h"
#include "tests/io/tiff_test_files.h"

using namespace kx;

namespace {

enum TMode { mdHuffman, mdGroup3, mdGroup32D, mdGroup4 };

// Rows of `width` pixels, 0 bits white.
using TRows = std::vector<std::vector<uint8_t>>;

TRows Page(int32_t width, int32_t height, uint32_t seed) {
  const kx::TBitmap text = kxtest::TextPage(width, height, seed);
  TRows rows(size_t(height), std::vector<uint8_t>(size_t(width + 7) / 8));
  uint32_t s = seed;
  for (int32_t y = 0; y < height; ++y) {
    for (size_t i = 0; i < rows[y].size(); ++i) rows[y][i] = uint8_t(~text.ScanLine(y)[i]);
    if (y % 7 == 3)  // noise
      for (auto& b : rows[y]) b = uint8_t((s = s * 1103515245u + 12345u) >> 16);
    if (y % 11 == 5) std::memset(rows[y].data(), 0xFF, rows[y].size());  // all black
    if (y % 13 == 6) std::memset(rows[y].data(), 0, rows[y].size());     // all white
    if (width % 8) rows[y].back() &= uint8_t(0xFF << (8 - width % 8));
  }
  return rows;
}

std::vector<uint8_t> Encode(const TRows& rows, int32_t width, TMode mode, uint8_t whiteBit = 0) {
  TKXFaxEncoder e(width, whiteBit);
  for (const auto& row : rows) {
    switch (mode) {
      case mdHuffman:
        e.CCITTHuffmanPutLine(row.data());
        break;
      case mdGroup3:
        e.CCITTHuffmanPutLineG3(row.data());
        break;
      case mdGroup32D:
        e.CCITTHuffmanPutLineG32D(row.data());
        break;
      case mdGroup4:
        e.CCITTHuffmanPutLineG4(row.data());
        break;
    }
  }
  if (mode == mdGroup3) e.FinishG3();
  if (mode == mdGroup32D) e.FinishG32D();
  if (mode == mdGroup4) e.FinishG4();
  const std::span<const uint8_t> bytes = e.Bytes();
  return {bytes.begin(), bytes.end()};
}

TFaxStatus DecodeRow(TKXFaxDecoder& d, uint8_t* row, TMode mode) {
  switch (mode) {
    case mdHuffman:
      return d.CCITTHuffmanGetLine(row);
    case mdGroup3:
      return d._CCITTHuffmanGetLine(row);
    case mdGroup32D:
      return d.CCITT3_2D_GetLine(row, true);
    default:
      return d.CCITT3_2D_GetLine(row, false);
  }
}

// Decoded rows, turned back to 0 bits white, padding cleared.
TRows Decode(const std::vector<uint8_t>& data, int32_t width, size_t height, TMode mode, bool lsbFirst) {
  TKXFaxDecoder d(data, width, lsbFirst);
  TRows rows(height, std::vector<uint8_t>(size_t(width + 7) / 8));
  for (auto& row : rows) {
    EXPECT_EQ(DecodeRow(d, row.data(), mode), TFaxStatus::fsOk);
    for (auto& b : row) b = uint8_t(~b);
    if (width % 8) row.back() &= uint8_t(0xFF << (8 - width % 8));
  }
  return rows;
}

std::vector<uint8_t> Reversed(std::vector<uint8_t> bytes) {
  for (auto& b : bytes) {
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i) r = uint8_t(r | ((b >> i) & 1) << (7 - i));
    b = r;
  }
  return bytes;
}

TEST(FaxCodec, EveryCodingRoundTripsInBothBitOrders) {
  for (TMode mode : {mdHuffman, mdGroup3, mdGroup32D, mdGroup4})
    for (int32_t width : {1, 7, 64, 203, 1728, 5000}) {
      SCOPED_TRACE(testing::Message() << "mode " << mode << " width " << width);
      const TRows page = Page(width, 40, uint32_t(width));
      const std::vector<uint8_t> coded = Encode(page, width, mode);
      EXPECT_EQ(Decode(coded, width, page.size(), mode, false), page);
      EXPECT_EQ(Decode(Reversed(coded), width, page.size(), mode, true), page);
    }
}

// A row of `width` pixels (0 bits white) from its runs, white first; the rest stays white.
std::vector<uint8_t> RowOfRuns(int32_t width, const std::vector<int32_t>& runs) {
  std::vector<uint8_t> row(size_t(width + 7) / 8, 0);
  int32_t x = 0;
  bool black = false;
  for (int32_t run : runs) {
    for (int32_t end = x + run; x < end; ++x)
      if (black) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
    black = !black;
  }
  return row;
}

// Rows whose changes sit on and beside the edges of 64-bit words, a run of the whole width,
// and runs that need the longest make-up code and more. Each goes in as 0 bits white and as
// 1 bits white with padding bits of both colours, and must code alike; it comes out in either
// polarity with white padding, and nothing is written past the row.
TEST(FaxCodec, RowsOfEitherPolarityCodeAndDecodeAlike) {
  struct TCase {
    int32_t width;
    std::vector<int32_t> runs;
  };
  const std::vector<TCase> cases = {
      {256, {64, 64, 64, 64}}, {256, {63, 1, 63, 2, 62, 3}},  {193, {0, 64, 64, 64, 1}},
      {131, {0, 131}},         {5200, {2560 + 64 + 3, 2560}}, {5200, {0, 5200}},
      {2561, {2561}},          {130, {1, 1, 1, 61, 1, 65}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "width " << c.width << " runs " << c.runs.size());
    const TRows rows = {RowOfRuns(c.width, c.runs), RowOfRuns(c.width, {c.width / 2, 1}), RowOfRuns(c.width, c.runs)};
    TRows inverted = rows, mixedPadding = rows;
    for (size_t y = 0; y < rows.size(); ++y) {
      for (auto& b : inverted[y]) b = uint8_t(~b);
      mixedPadding[y] = inverted[y];
      const uint8_t pad = uint8_t(0xFF >> (c.width % 8));
      if (c.width % 8) mixedPadding[y].back() = uint8_t((mixedPadding[y].back() & ~pad) | (0x55 & pad));
    }
    for (TMode mode : {mdHuffman, mdGroup3, mdGroup32D, mdGroup4}) {
      const std::vector<uint8_t> coded = Encode(rows, c.width, mode);
      EXPECT_EQ(Encode(mixedPadding, c.width, mode, 1), coded);
      for (uint8_t whiteBit : {0, 1}) {
        TKXFaxDecoder d(coded, c.width, false, whiteBit);
        for (const auto& row : whiteBit ? inverted : rows) {
          std::vector<uint8_t> out(row.size() + 1, 0xA5);
          EXPECT_EQ(DecodeRow(d, out.data(), mode), TFaxStatus::fsOk);
          EXPECT_EQ(out.back(), 0xA5);
          out.pop_back();
          EXPECT_EQ(out, row);
        }
      }
    }
  }
}

TEST(FaxCodec, GroupFourEndsWithTheEndOfBlock) {
  const TRows page = Page(100, 3, 1);
  const std::vector<uint8_t> coded = Encode(page, 100, mdGroup4);
  TKXFaxDecoder d(coded, 100, false);
  std::vector<uint8_t> row(13);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(d.CCITT3_2D_GetLine(row.data(), false), TFaxStatus::fsOk);
  EXPECT_EQ(d.CCITT3_2D_GetLine(row.data(), false), TFaxStatus::fsEnded);
}

// Modified Huffman of a row that is 100 pixels wide: white 30, black 70. Read as 50 pixels
// wide, the black run is cut at the width.
TEST(FaxCodec, RunsPastTheWidthAreCut) {
  std::vector<uint8_t> row(13, 0);
  for (int x = 30; x < 100; ++x) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
  TKXFaxEncoder e(100);
  e.CCITTHuffmanPutLine(row.data());
  TKXFaxDecoder d(e.Bytes(), 50, false);
  std::vector<uint8_t> out(8, 0xA5);
  EXPECT_EQ(d.CCITTHuffmanGetLine(out.data()), TFaxStatus::fsOk);
  // 30 white (1 bits), 20 black, the rest of the last byte white padding.
  const std::vector<uint8_t> expected = {0xFF, 0xFF, 0xFF, 0xFC, 0x00, 0x00, 0x3F, 0xA5};
  EXPECT_EQ(out, expected);
}

TEST(FaxCodec, DamagedDataIsRefused) {
  std::vector<uint8_t> row(125, 0);
  // Horizontal mode, white 4 (1011), black 2 (11): a0 is 6. Then VL3 against the white
  // reference puts a1 at 8 - 3 = 5, before a0.
  {
    const std::vector<uint8_t> coded = {0b00110111, 0b10000010};
    TKXFaxDecoder d(coded, 8, false);
    EXPECT_EQ(d.CCITT3_2D_GetLine(row.data(), false), TFaxStatus::fsDamaged);
  }
  // An extension code other than the uncompressed mode.
  {
    const std::vector<uint8_t> coded = {0b00000010, 0b00000000};
    TKXFaxDecoder d(coded, 8, false);
    EXPECT_EQ(d.CCITT3_2D_GetLine(row.data(), false), TFaxStatus::fsDamaged);
  }
  // Data that ends inside a row.
  {
    const std::vector<uint8_t> coded = {0b10011000};
    TKXFaxDecoder d(coded, 1000, false);
    EXPECT_EQ(d._CCITTHuffmanGetLine(row.data()), TFaxStatus::fsEnded);
  }
}

// An end-of-line code inside a row ends it in the current colour.
TEST(FaxCodec, AnEndOfLineCodeInsideARowEndsIt) {
  // White 2 (0111) then black 3 (10) on an 8-pixel row, then an end-of-line code.
  const std::vector<uint8_t> coded = {0b01111000, 0b00000000, 0b01000000};
  TKXFaxDecoder d(coded, 8, false);
  std::vector<uint8_t> row(1);
  EXPECT_EQ(d._CCITTHuffmanGetLine(row.data()), TFaxStatus::fsOk);
  EXPECT_EQ(row[0], 0b11000111);  // white again after the black run, to the end
}

}  // namespace
