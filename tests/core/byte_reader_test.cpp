// The byte reader and writer: both byte orders of every width, the sticky failure that never
// reads past the end, counts checked before anything is allocated, and the same results over a
// span and over a stream.
#include "imaging/core/byte_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "imaging/core/byte_writer.h"
#include "imaging/core/stream.h"

using namespace kx;

namespace {

const std::vector<uint8_t> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xFF, 0xFE};

// Runs `check` over a reader on kBytes, once over a span and once over a stream.
template <typename Check>
void OverSpanAndStream(Check check) {
  {
    TKXByteReader r{std::span<const uint8_t>(kBytes)};
    check(r);
  }
  TMemoryStream stream(kBytes);
  TKXByteReader r(stream);
  check(r);
}

}  // namespace

TEST(ByteReader, ReadsBothByteOrdersOfEveryWidth) {
  OverSpanAndStream([](TKXByteReader& r) {
    EXPECT_EQ(r.U16LE(), 0x0201);
    EXPECT_EQ(r.U16BE(), 0x0304);
    EXPECT_EQ(r.U32LE(), 0x08070605u);
    EXPECT_EQ(r.I16LE(), int16_t(0xFEFF));
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.Consumed(), 10);
    EXPECT_EQ(r.Remaining(), 0);
  });
  TKXByteReader r{std::span<const uint8_t>(kBytes)};
  EXPECT_EQ(r.U64BE(), 0x0102030405060708u);
  TKXByteReader le{std::span<const uint8_t>(kBytes)};
  EXPECT_EQ(le.U64LE(), 0x0807060504030201u);
  EXPECT_EQ(le.I16BE(), int16_t(0xFFFE));
}

TEST(ByteReader, ReadingPastTheEndFailsForGoodAndReadsZeros) {
  OverSpanAndStream([](TKXByteReader& r) {
    EXPECT_EQ(r.U64LE(), 0x0807060504030201u);
    EXPECT_EQ(r.U32LE(), 0u) << "four bytes asked, two left";
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.U8(), 0) << "sticky: the two bytes left are not read either";
    EXPECT_EQ(r.Remaining(), 0);
    uint8_t out[3] = {9, 9, 9};
    EXPECT_FALSE(r.Bytes(out, 3));
    EXPECT_EQ(out[0] | out[1] | out[2], 0);
  });
}

TEST(ByteReader, CountsAndLengthsAreCheckedAgainstTheBytesLeft) {
  struct TCase {
    int64_t count, itemSize, bound;
    bool fits;
  } cases[] = {
      {10, 1, INT64_MAX, true},
      {11, 1, INT64_MAX, false},
      {5, 2, INT64_MAX, true},
      {3, 4, INT64_MAX, false},
      {-1, 1, INT64_MAX, false},
      {4, 1, 3, false},
      {std::numeric_limits<int64_t>::max() / 2, 4, INT64_MAX, false},  // the product overflows
  };
  for (const TCase& c : cases) {
    TKXByteReader r{std::span<const uint8_t>(kBytes)};
    EXPECT_EQ(r.CountFits(c.count, c.itemSize, c.bound), c.fits) << c.count << " x " << c.itemSize;
    EXPECT_EQ(r.Ok(), c.fits);
  }
  TKXByteReader r{std::span<const uint8_t>(kBytes)};
  r.Skip(8);
  EXPECT_EQ(r.String(2), "\xFF\xFE");
  TKXByteReader tooLong{std::span<const uint8_t>(kBytes)};
  EXPECT_EQ(tooLong.String(int64_t(1) << 40), "");
  EXPECT_FALSE(tooLong.Ok());
  TKXByteReader negative{std::span<const uint8_t>(kBytes)};
  EXPECT_FALSE(negative.Skip(-1));
}

TEST(ByteWriter, WritesWhatTheReaderReads) {
  TKXByteWriter w;
  w.U8(0xAB);
  w.U16LE(0x1234);
  w.U16BE(0x1234);
  w.U32LE(0xDEADBEEF);
  w.U32BE(0xDEADBEEF);
  w.U64LE(0x0102030405060708u);
  w.I32LE(-2);
  w.F64LE(-1.5);
  w.Zeros(2);
  EXPECT_EQ(w.Size(), 1u + 2 + 2 + 4 + 4 + 8 + 4 + 8 + 2);
  EXPECT_EQ(w.Result()[1], 0x34);
  EXPECT_EQ(w.Result()[3], 0x12);
  TKXByteReader r{std::span<const uint8_t>(w.Result())};
  EXPECT_EQ(r.U8(), 0xAB);
  EXPECT_EQ(r.U16LE(), 0x1234);
  EXPECT_EQ(r.U16BE(), 0x1234);
  EXPECT_EQ(r.U32LE(), 0xDEADBEEFu);
  EXPECT_EQ(r.U32BE(), 0xDEADBEEFu);
  EXPECT_EQ(r.U64LE(), 0x0102030405060708u);
  EXPECT_EQ(r.I32LE(), -2);
  EXPECT_EQ(r.F64LE(), -1.5);
  EXPECT_EQ(r.U16LE(), 0);
  EXPECT_TRUE(r.Ok());
  EXPECT_EQ(r.Remaining(), 0);
}
