// Hidden data in the low bits of a picture: the capacity of the carrier, round trips up to it
// and the refusal beyond it, the one-step changes of carrier bytes, the bit order worked by
// hand, one-pixel-wide pictures, and pictures whose low bits hold no valid header.
#include "imaging/proc/hidden_data.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"

using namespace kx;

namespace {

std::vector<uint8_t> Bytes(size_t n, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(n);
  for (uint8_t& b : bytes) b = uint8_t(random());
  return bytes;
}

TBitmap RandomPicture(int32_t w, int32_t h, uint32_t seed) {
  TBitmap picture(w, h);
  std::mt19937 random(seed);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t i = 0; i < w * 3; ++i) picture.ScanLine(y)[i] = uint8_t(random());
  return picture;
}

// The low bit of carrier byte k: rows of 3 x width - 2 bytes, the top row first.
int LowBit(const TBitmap& picture, int64_t k) {
  const int64_t perRow = 3 * int64_t(picture.Width()) - 2;
  return picture.ScanLine(int32_t(k / perRow))[k % perRow] & 1;
}

}  // namespace

TEST(HiddenData, SpaceCountsOnlyTheCarrierBytesOfEachRow) {
  const struct {
    int32_t w, h;
    TPixelFormat format;
    int32_t space;
  } cases[] = {
      {100, 100, pf24bit, 3717},                       // 100 x 298 bits: 3725 bytes, 8 of them the header
      {10, 10, pf24bit, 27},     {1, 64, pf24bit, 0},  // one byte per row: exactly the header
      {1, 200, pf24bit, 17},     {3, 9, pf24bit, 0},   // 63 bits: not even the header
      {100, 100, pf1bit, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(_HiddenDataSpace(TBitmap(c.w, c.h, c.format)), c.space) << c.w << " x " << c.h;
}

TEST(HiddenData, RoundTripsUpToTheCapacityAndRefusesOneByteMore) {
  const std::pair<int32_t, int32_t> sizes[] = {{100, 100}, {1, 200}, {7, 5}, {33, 2}};
  for (const auto& [w, h] : sizes) {
    TBitmap picture = RandomPicture(w, h, uint32_t(w * h));
    const int32_t space = _HiddenDataSpace(picture);
    const TBitmap original = picture;
    ASSERT_FALSE(_WriteHiddenData(picture, Bytes(size_t(space) + 1, 5)));
    EXPECT_TRUE(kxtest::SameBitmap(picture, original)) << "a refused write changes nothing";
    const std::vector<uint8_t> data = Bytes(size_t(space), 7);
    ASSERT_TRUE(_WriteHiddenData(picture, data));
    std::vector<uint8_t> back(data.size() + 3, 0xEE);
    EXPECT_EQ(_ReadHiddenData(picture, back), space);
    EXPECT_EQ(std::vector<uint8_t>(back.begin(), back.begin() + space), data);
    EXPECT_EQ(back[size_t(space)], 0xEE) << "nothing beyond the stored length is copied";
    // The two unused bytes of every row keep their values.
    for (int32_t y = 0; y < h; ++y)
      for (int32_t i = 3 * w - 2; i < 3 * w; ++i) ASSERT_EQ(picture.ScanLine(y)[i], original.ScanLine(y)[i]);
  }
}

TEST(HiddenData, StreamIsHeaderThenPayloadLeastSignificantBitFirst) {
  TBitmap picture = kxtest::Uniform(10, 10, 0);
  const std::vector<uint8_t> data = {'a', 'b', 'c'};
  ASSERT_TRUE(_WriteHiddenData(picture, data));
  const uint8_t stream[11] = {0, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c'};
  for (int k = 0; k < 88; ++k) EXPECT_EQ(LowBit(picture, k), (stream[k / 8] >> (k % 8)) & 1) << "bit " << k;
  for (int64_t k = 88; k < 280; ++k) ASSERT_EQ(LowBit(picture, k), 0);
}

TEST(HiddenData, TouchesOnlyBytesThatMustChangeAndEachByOneStep) {
  for (const uint8_t level : {uint8_t(0), uint8_t(1), uint8_t(254), uint8_t(255), uint8_t(128)}) {
    TBitmap picture = kxtest::Uniform(10, 10, level);
    const std::vector<uint8_t> data = {'a', 'b', 'c'};
    ASSERT_TRUE(_WriteHiddenData(picture, data));
    int changed = 0;
    for (int32_t y = 0; y < 10; ++y)
      for (int32_t i = 0; i < 30; ++i) {
        const uint8_t now = picture.ScanLine(y)[i];
        if (now == level) continue;
        ++changed;
        EXPECT_EQ(now, level == 255 ? 254 : level + 1) << int(level);
      }
    EXPECT_LE(changed, 88);
    std::vector<uint8_t> back(3);
    EXPECT_EQ(_ReadHiddenData(picture, back), 3);
    EXPECT_EQ(back, data);
  }
}

TEST(HiddenData, OnePixelWidePicturesCarryOnlyTheirBlueBytes) {
  TBitmap picture = RandomPicture(1, 120, 3);
  const TBitmap original = picture;
  const std::vector<uint8_t> data = {0x81, 0x7E, 0x00, 0xFF, 0x55, 0xAA, 0x01};
  ASSERT_TRUE(_WriteHiddenData(picture, data));
  for (int32_t y = 0; y < 120; ++y) {
    EXPECT_EQ(picture.ScanLine(y)[1], original.ScanLine(y)[1]);
    EXPECT_EQ(picture.ScanLine(y)[2], original.ScanLine(y)[2]);
  }
  std::vector<uint8_t> back(data.size());
  EXPECT_EQ(_ReadHiddenData(picture, back), int32_t(data.size()));
  EXPECT_EQ(back, data);
}

TEST(HiddenData, ReadingWithoutRoomReturnsTheLengthAndCopiesNothing) {
  TBitmap picture = kxtest::MakePicture(20, 20);
  ASSERT_TRUE(_WriteHiddenData(picture, Bytes(50, 1)));
  EXPECT_EQ(_ReadHiddenData(picture, {}), 50);
  std::vector<uint8_t> part(10), expected = Bytes(50, 1);
  EXPECT_EQ(_ReadHiddenData(picture, part), 50);
  EXPECT_EQ(part, std::vector<uint8_t>(expected.begin(), expected.begin() + 10));
}

TEST(HiddenData, HeadersThatAreNotValidReadAsNoData) {
  // Random pictures: a header is valid only when its 32 marker bits are all 0.
  for (uint32_t seed = 1; seed <= 50; ++seed) {
    std::vector<uint8_t> room(16, 0xEE);
    EXPECT_EQ(_ReadHiddenData(RandomPicture(30, 20, seed), room), 0) << seed;
    EXPECT_EQ(room, std::vector<uint8_t>(16, 0xEE));
  }
  // Headers written by hand: a marker that is not 0, lengths below 0 and above the capacity.
  const struct {
    uint32_t mark;
    int32_t length;
    int32_t read;
  } cases[] = {{0, 27, 27}, {0, 28, 0}, {0, -1, 0}, {0, INT32_MIN, 0}, {1u << 31, 5, 0}, {0, 0, 0}};
  for (const auto& c : cases) {
    TBitmap picture = kxtest::Uniform(10, 10, 0);
    uint8_t header[8];
    for (int i = 0; i < 4; ++i)
      header[i] = uint8_t(c.mark >> (8 * i)), header[4 + i] = uint8_t(uint32_t(c.length) >> (8 * i));
    for (int k = 0; k < 64; ++k) picture.ScanLine(k / 28)[k % 28] = (header[k / 8] >> (k % 8)) & 1;
    std::vector<uint8_t> room(64, 0xEE);
    EXPECT_EQ(_ReadHiddenData(picture, room), c.read) << c.mark << " " << c.length;
    EXPECT_EQ(room[size_t(c.read)], 0xEE);
  }
  EXPECT_EQ(_ReadHiddenData(TBitmap(3, 9), {}), 0) << "too small for a header";
  EXPECT_EQ(_ReadHiddenData(TBitmap(50, 50, pf1bit), {}), 0);
}
