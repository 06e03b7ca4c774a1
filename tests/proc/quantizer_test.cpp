// The colour quantizers: pictures of at most K colours map exactly, a single colour, white kept
// at 255, zeroed palette tails, lookups of colours the picture lacks, the network's sampling
// factor and size, a picture's own colours above 256, and the mean error on a natural picture
// next to another program's median cut.
#include "imaging/proc/quantizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <vector>

#include "tests/support/test_support.h"

using namespace kx;

namespace {

constexpr TRGB kCanary = {0xAB, 0xCD, 0xEF};

// A picture cycling through `colors`, one pixel each in turn.
TBitmap Cycling(const std::vector<TRGB>& colors, int32_t w, int32_t h) {
  TBitmap b(w, h);
  size_t i = 0;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) reinterpret_cast<TRGB*>(b.ScanLine(y))[x] = colors[i++ % colors.size()];
  return b;
}

// K colours in K different 5-bit cells, with nonzero low bits.
std::vector<TRGB> DistinctColors(int k) {
  std::vector<TRGB> c;
  uint32_t state = 12345;
  std::set<int> cells;
  while (int(c.size()) < k) {
    state = state * 1664525u + 1013904223u;
    const TRGB color = CreateRGB(uint8_t(state >> 24), uint8_t(state >> 16), uint8_t(state >> 8));
    if (cells.insert((color.r >> 3) << 10 | (color.g >> 3) << 5 | (color.b >> 3)).second) c.push_back(color);
  }
  return c;
}

double MeanError(const TBitmap& a, const TBitmap& b) {
  double sum = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width() * 3; ++x) sum += std::abs(int(a.ScanLine(y)[x]) - int(b.ScanLine(y)[x]));
  return sum / (double(a.Width()) * a.Height() * 3);
}

TBitmap Reduced(const TBitmap& source, int32_t colors) {
  std::vector<TRGB> palette(static_cast<size_t>(colors));
  const TKXQuantizer q(source, palette, colors);
  TBitmap out(source);
  for (int32_t y = 0; y < out.Height(); ++y) q.MapRow(reinterpret_cast<TRGB*>(out.ScanLine(y)), out.Width(), palette);
  return out;
}

TEST(Quantizer, PicturesOfAtMostKColoursMapExactly) {
  for (const auto& [k, requested] : {std::pair{5, 256}, std::pair{16, 16}, std::pair{256, 256}, std::pair{2, 2}}) {
    const std::vector<TRGB> colors = DistinctColors(k);
    const TBitmap picture = Cycling(colors, 37, 29);
    std::vector<TRGB> palette(260, kCanary);
    const TKXQuantizer q(picture, std::span(palette).first(size_t(requested)), requested);
    EXPECT_EQ(q.Method(), 1);
    ASSERT_EQ(q.ColorCount(), k) << k;
    for (const TRGB c : colors) EXPECT_EQ(palette[size_t(q.GetRGBIndex(c))], c) << k;
    for (size_t i = size_t(k); i < size_t(requested); ++i) EXPECT_EQ(palette[i], TRGB{}) << k << " entry " << i;
    for (size_t i = size_t(requested); i < palette.size(); ++i) EXPECT_EQ(palette[i], kCanary);
  }
}

TEST(Quantizer, SingleColourAndWhiteKeepTheirTrueValues) {
  for (const TRGB c : {CreateRGB(255, 255, 255), CreateRGB(13, 77, 201), CreateRGB(0, 0, 0)}) {
    const TBitmap picture = Cycling({c}, 9, 7);
    std::vector<TRGB> palette(256, kCanary);
    TMedianCutQuantizer state = CreateMedianCutQuantizer(picture, palette, 256);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(MedianCutBoxCount(*state), 1);
    EXPECT_EQ(palette[0], c);
    EXPECT_EQ(palette[1], TRGB{});
    for (const TRGB other : {c, CreateRGB(1, 2, 3), CreateRGB(128, 0, 255), CreateRGB(255, 255, 255)})
      EXPECT_EQ(MedianCutFindIndex(*state, other), 0);
    FreeMedianCutQuantizer(state);
    EXPECT_EQ(state, nullptr);
  }
  // White next to other colours still comes out as 255, not 248.
  const TBitmap mixed = Cycling({CreateRGB(255, 255, 255), CreateRGB(250, 249, 255), CreateRGB(0, 0, 0)}, 10, 10);
  std::vector<TRGB> palette(2);
  const TKXQuantizer q(mixed, palette, 2);
  const TRGB white = palette[size_t(q.GetRGBIndex(CreateRGB(255, 255, 255)))];
  EXPECT_EQ(white.b, 255);
  EXPECT_GE(white.r, 252);
  EXPECT_EQ(palette[size_t(q.GetRGBIndex(CreateRGB(0, 0, 0)))], CreateRGB(0, 0, 0));
}

TEST(Quantizer, ColoursNoBoxCoversMapToTheNearestEntry) {
  const TBitmap picture = Cycling({CreateRGB(0, 0, 0), CreateRGB(255, 255, 255), CreateRGB(255, 0, 0)}, 6, 6);
  std::vector<TRGB> palette(3);
  const TKXQuantizer q(picture, palette, 3);
  ASSERT_EQ(q.ColorCount(), 3);
  const auto entry = [&](TRGB c) { return palette[size_t(q.GetRGBIndex(c))]; };
  EXPECT_EQ(entry(CreateRGB(200, 210, 220)), CreateRGB(255, 255, 255));
  EXPECT_EQ(entry(CreateRGB(40, 30, 20)), CreateRGB(0, 0, 0));
  EXPECT_EQ(entry(CreateRGB(220, 30, 20)), CreateRGB(255, 0, 0));
}

TEST(Quantizer, SixteenColoursOfAPhotograph) {
  const TBitmap photo = kxtest::MakePicture(160, 120);
  std::vector<TRGB> palette(16);
  const TKXQuantizer q(photo, palette, 16);
  EXPECT_EQ(q.ColorCount(), 16);
  std::set<uint32_t> distinct;
  for (const TRGB& c : palette) distinct.insert(uint32_t(c.r) << 16 | c.g << 8 | c.b);
  EXPECT_EQ(distinct.size(), 16u);
  for (int v = 0; v < 4096; ++v) {
    const int32_t i = q.GetRGBIndex(CreateRGB(uint8_t(v * 37), uint8_t(v * 11), uint8_t(v)));
    ASSERT_GE(i, 0);
    ASSERT_LT(i, 16);
  }
}

TEST(Quantizer, NetworkAboveTwoHundredFiftySixColours) {
  const TBitmap photo = kxtest::MakePicture(1000, 1000);
  std::vector<TRGB> palette(310, kCanary);
  const TKXQuantizer q(photo, palette, 300);
  EXPECT_EQ(q.Method(), 0);
  EXPECT_EQ(q.SamplingFactor(), 30);
  EXPECT_EQ(q.ColorCount(), 300);
  for (size_t i = 300; i < palette.size(); ++i) EXPECT_EQ(palette[i], TRGB{});
  for (int v = 0; v < 2000; ++v) {
    const int32_t i = q.GetRGBIndex(CreateRGB(uint8_t(v * 37), uint8_t(v * 11), uint8_t(v)));
    ASSERT_GE(i, 0);
    ASSERT_LT(i, 300);
  }
  // A network of 300 neurons reproduces the picture more closely than 16 boxes.
  EXPECT_LT(MeanError(photo, Reduced(photo, 300)), MeanError(photo, Reduced(photo, 16)));

  const TBitmap small = kxtest::MakePicture(40, 40);
  EXPECT_EQ(TKXQuantizer(small, palette, 300).SamplingFactor(), 1);
  EXPECT_EQ(TKXQuantizer(small, palette, 300, 50).SamplingFactor(), 15);
  EXPECT_EQ(TKXQuantizer(small, palette, 300, 100).SamplingFactor(), 1);
  EXPECT_EQ(TKXQuantizer(small, palette, 300, 0).SamplingFactor(), 30);
}

TEST(Quantizer, AboveTwoHundredFiftySixAPictureKeepsItsOwnColours) {
  const std::vector<TRGB> colors = DistinctColors(400);
  const TBitmap picture = Cycling(colors, 50, 20);
  std::vector<TRGB> palette(402, kCanary);
  const TKXQuantizer q(picture, palette, 1 << 30);
  EXPECT_EQ(q.Method(), 2);
  EXPECT_EQ(q.SamplingFactor(), 0);
  ASSERT_EQ(q.ColorCount(), 400);
  for (size_t i = 1; i < 400; ++i) {
    const auto key = [](TRGB c) { return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b; };
    ASSERT_LT(key(palette[i - 1]), key(palette[i]));
  }
  EXPECT_EQ(palette[400], TRGB{});
  EXPECT_EQ(palette[401], TRGB{});
  for (const TRGB& c : colors) ASSERT_EQ(palette[size_t(q.GetRGBIndex(c))], c);
  EXPECT_TRUE(kxtest::SameBitmap(Reduced(picture, 400), picture));
  // A colour the picture lacks takes the entry nearest by the sum of channel differences.
  const TRGB near = CreateRGB(uint8_t(std::min(255, colors[7].r + 1)), colors[7].g, colors[7].b);
  const TRGB found = palette[size_t(q.GetRGBIndex(near))];
  const auto distance = [&](TRGB c) {
    return std::abs(c.r - near.r) + std::abs(c.g - near.g) + std::abs(c.b - near.b);
  };
  for (const TRGB& c : colors) ASSERT_LE(distance(found), distance(c));
  // One colour fewer than the picture has trains the network.
  EXPECT_EQ(TKXQuantizer(picture, palette, 399).Method(), 0);
}

TEST(Quantizer, UnusablePicturesGiveABlackPalette) {
  std::vector<TRGB> palette(4, kCanary);
  const TBitmap mono(8, 8, pf1bit);
  const TKXQuantizer q(mono, palette, 300);
  EXPECT_EQ(q.GetRGBIndex(CreateRGB(9, 9, 9)), 0);
  for (const TRGB& c : palette) EXPECT_EQ(c, TRGB{});
  const TBitmap empty;
  const TKXQuantizer e(empty, palette, 16);
  EXPECT_EQ(e.GetRGBIndex(CreateRGB(9, 9, 9)), 0);
  const TKXQuantizer none(kxtest::MakePicture(8, 8), {}, 0);
  EXPECT_EQ(none.ColorCount(), 1);
}

// Mean error per channel after reduction, ours against the other program's median cut on the
// same picture. Five-bit cells cost a little at 256 colours (about 3 % on this picture); at 16
// colours the variance-driven splits are far closer.
TEST(Quantizer, MeanErrorOnANaturalPictureMatchesAnotherMedianCut) {
  const std::string python = "/usr/bin/python3";
  if (!kxtest::Have(python)) GTEST_SKIP() << "no python3";
  const TBitmap photo = kxtest::MakePicture(320, 240, 7);
  const std::string in = kxtest::TempPath(".ppm");
  kxtest::WritePPM(in, photo);
  for (const int colors : {256, 16}) {
    const std::string out = kxtest::TempPath(".ppm");
    const std::string script = "from PIL import Image; import sys; Image.open(sys.argv[1]).quantize(" +
                               std::to_string(colors) +
                               ", method=Image.Quantize.MEDIANCUT).convert('RGB').save(sys.argv[2])";
    ASSERT_EQ(kxtest::Run(python + " -c " + kxtest::Quote(script) + " " + in + " " + out), 0);
    TBitmap theirs;
    ASSERT_TRUE(kxtest::ReadNetpbm(out, theirs));
    const double ours = MeanError(photo, Reduced(photo, colors)), other = MeanError(photo, theirs);
    std::printf("mean error at %d colours: ours %.3f, other %.3f\n", colors, ours, other);
    EXPECT_LE(ours, other * (colors > 16 ? 1.05 : 1.0)) << colors;
  }
}

}  // namespace
