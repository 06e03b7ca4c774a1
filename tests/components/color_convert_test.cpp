// Colour reduction and statistics: ConvertTo at 2 and 16 colours, at more colours than the
// picture has, and refused for a network too large to learn; ConvertToPalette writing no more
// entries than the caller holds, the 1-bit conversions and back, distinct-colour counts,
// histograms (zeros for a picture they cannot count) and the palette calculation.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "imaging/components/kestrix_proc.h"
#include "imaging/proc/color.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

constexpr TRGB kCanary = {0xAB, 0xCD, 0xEF};

std::set<uint32_t> Colors(const TBitmap& b) {
  std::set<uint32_t> s;
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x) {
      const TRGB c = b.GetPixel(x, y);
      s.insert(uint32_t(c.r) << 16 | c.g << 8 | c.b);
    }
  return s;
}

struct TWork {
  TBitmap Bitmap;
  TKestrixProc Proc;
  explicit TWork(TBitmap b) : Bitmap(std::move(b)) { Proc.SetAttachedBitmap(&Bitmap); }
};

TEST(ColorConvert, ConvertToTwoAndSixteenColours) {
  TWork two(kxtest::MakePicture(50, 40));
  two.Proc.ConvertTo(2);
  EXPECT_EQ(two.Bitmap.BitCount(), 1);
  EXPECT_EQ(two.Bitmap.Width(), 50);
  EXPECT_TRUE(two.Proc.CanUndo());

  const TBitmap photo = kxtest::MakePicture(50, 40);
  TWork sixteen(photo);
  std::vector<TRGB> palette(20, kCanary);
  sixteen.Proc.ConvertToPalette(16, std::span(palette).first(16));
  EXPECT_EQ(sixteen.Bitmap.BitCount(), 24);
  const std::set<uint32_t> used = Colors(sixteen.Bitmap);
  EXPECT_LE(used.size(), 16u);
  EXPECT_GT(used.size(), 8u);
  std::set<uint32_t> listed;
  for (size_t i = 0; i < 16; ++i) listed.insert(uint32_t(palette[i].r) << 16 | palette[i].g << 8 | palette[i].b);
  for (const uint32_t c : used) EXPECT_TRUE(listed.count(c)) << std::hex << c;
  EXPECT_EQ(palette[16], kCanary);

  // ConvertTo on a picture with fewer colours than asked keeps every pixel.
  TBitmap few(7, 5);
  for (int32_t x = 0; x < 7; ++x) few.SetPixel(x, 2, CreateRGB(uint8_t(x * 40), 255, uint8_t(255 - x)));
  TWork keep(few);
  keep.Proc.ConvertTo(256);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 7; ++x) ASSERT_EQ(keep.Bitmap.GetPixel(x, y), few.GetPixel(x, y));
}

TEST(ColorConvert, ColourCountsAbovePicturesOwnKeepEveryPixel) {
  // Above 256 colours, asking for at least as many colours as the picture has keeps it as it
  // is, at once however many are asked; the palette lists its colours in ascending order.
  const TBitmap photo = kxtest::MakePicture(320, 240);
  TWork count(photo);
  const int32_t own = count.Proc.CalcImageNumColors();
  ASSERT_GT(own, 256);
  for (const int32_t asked : {own, own + 1, 1000000, INT32_MAX}) {
    TWork w(photo);
    std::vector<TRGB> palette(size_t(own) + 2, kCanary);
    w.Proc.ConvertToPalette(asked, palette);
    EXPECT_TRUE(kxtest::SameBitmap(w.Bitmap, photo)) << asked;
    EXPECT_TRUE(w.Proc.LastRefusal().empty());
    const std::set<uint32_t> colors = Colors(photo);
    size_t i = 0;
    for (const uint32_t c : colors) ASSERT_EQ(palette[i++], CreateRGB(uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)));
    EXPECT_EQ(palette[size_t(own)], TRGB{});
    EXPECT_EQ(palette[size_t(own) + 1], TRGB{});
  }
}

TEST(ColorConvert, NetworksTooLargeToLearnAreRefused) {
  // 1200 x 1000 pixels of distinct colours: a million neurons would learn over 33,000 samples
  // each; the picture stays, and so does the undo state.
  TBitmap distinct(1200, 1000);
  for (int32_t y = 0; y < 1000; ++y)
    for (int32_t x = 0; x < 1200; ++x) {
      const uint32_t v = uint32_t(y * 1200 + x) * 2654435761u >> 8;
      distinct.SetPixel(x, y, CreateRGB(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)));
    }
  TWork w(distinct);
  w.Proc.ClearUndo();
  w.Proc.ConvertTo(1000000);
  EXPECT_TRUE(kxtest::SameBitmap(w.Bitmap, distinct));
  EXPECT_FALSE(w.Proc.CanUndo());
  EXPECT_NE(w.Proc.LastRefusal().find("ConvertTo"), std::string::npos);
  // A network it can afford runs, and a later run clears the refusal.
  w.Proc.ConvertTo(300);
  EXPECT_TRUE(w.Proc.LastRefusal().empty());
  EXPECT_LE(Colors(w.Bitmap).size(), 300u);
}

TEST(ColorConvert, PaletteOfTwoColoursFitsTheCallersPalette) {
  for (const size_t size : {size_t(0), size_t(1), size_t(2)}) {
    TWork w(kxtest::MakePicture(9, 9));
    std::vector<TRGB> palette(3, kCanary);
    w.Proc.ConvertToPalette(2, std::span(palette).first(size));
    EXPECT_EQ(w.Bitmap.BitCount(), 1);
    EXPECT_EQ(palette[0], size > 0 ? TRGB{} : kCanary);
    EXPECT_EQ(palette[1], size > 1 ? CreateRGB(255, 255, 255) : kCanary);
    EXPECT_EQ(palette[2], kCanary);
  }
}

TEST(ColorConvert, OneBitByThresholdAndBack) {
  TBitmap b(10, 2);
  for (int32_t x = 0; x < 10; ++x) b.SetPixel(x, 0, CreateRGB(uint8_t(x * 28), uint8_t(x * 28), uint8_t(x * 28)));
  TWork w(b);
  w.Proc.ConvertToBWThreshold(128);  // gray of level x * 28 is (99 x 28 x) div 100
  ASSERT_EQ(w.Bitmap.BitCount(), 1);
  EXPECT_EQ(w.Bitmap.ScanLine(0)[0], 0x07);  // x = 5 (gray 138) on; x = 4 (gray 110) off
  EXPECT_EQ(w.Bitmap.ScanLine(0)[1], 0xC0);
  EXPECT_EQ(w.Bitmap.ScanLine(1)[0], 0);

  w.Proc.ConvertTo24Bit();
  ASSERT_EQ(w.Bitmap.BitCount(), 24);
  for (int32_t x = 0; x < 10; ++x) {
    const uint8_t v = x >= 5 ? 255 : 0;
    EXPECT_EQ(w.Bitmap.GetPixel(x, 0), CreateRGB(v, v, v)) << x;
    EXPECT_EQ(w.Bitmap.GetPixel(x, 1), CreateRGB(0, 0, 0)) << x;
  }
  const TBitmap again = w.Bitmap;
  w.Proc.ConvertTo24Bit();  // 24-bit already: unchanged
  EXPECT_EQ(kxtest::Compare(w.Bitmap, again).pixels, 0);

  // -1: the gray of the channel means (159 each, gray 157).
  TBitmap half(4, 1);
  half.SetPixel(2, 0, CreateRGB(255, 255, 255));
  half.SetPixel(3, 0, CreateRGB(255, 255, 255));
  half.SetPixel(1, 0, CreateRGB(126, 126, 126));  // gray 124: black
  TWork m(half);
  m.Proc.ConvertToBWThreshold(-1);
  EXPECT_EQ(m.Bitmap.ScanLine(0)[0] & 0xF0, 0x30);
}

TEST(ColorConvert, OrderedDitherThroughTheComponent) {
  TWork w(kxtest::MakePicture(20, 20));
  w.Proc.ConvertToBWOrdered();
  EXPECT_EQ(w.Bitmap.BitCount(), 1);
  w.Proc.Undo();
  EXPECT_EQ(w.Bitmap.BitCount(), 24);
  w.Proc.ConvertToBWOrdered();
  w.Proc.ConvertToBWOrdered();  // 1-bit: nothing to do
  EXPECT_EQ(w.Bitmap.BitCount(), 1);
}

TEST(ColorConvert, DistinctColoursAndHistogram) {
  TBitmap b(6, 4);
  b.SetPixel(0, 0, CreateRGB(255, 255, 255));
  b.SetPixel(5, 3, CreateRGB(1, 2, 3));
  b.SetPixel(4, 3, CreateRGB(1, 2, 3));
  b.SetPixel(2, 1, CreateRGB(0, 0, 1));
  TWork w(b);
  EXPECT_EQ(w.Proc.CalcImageNumColors(), 4);
  w.Proc.Select(1, 1, 5, 3);
  EXPECT_EQ(w.Proc.CalcImageNumColors(), 3);
  THistogram h;
  w.Proc.GetHistogram(h);
  EXPECT_EQ(h[0].r, 15u - 2);
  EXPECT_EQ(h[1].r, 2u);
  EXPECT_EQ(h[2].g, 2u);
  EXPECT_EQ(h[1].b, 1u);
  EXPECT_EQ(h[0].Gray, 13u);  // (0, 0, 1) has gray 0
  EXPECT_EQ(h[1].Gray, 2u);   // (1, 2, 3): 184 div 100
  EXPECT_EQ(h[255].r, 0u);

  TWork photo(kxtest::MakePicture(64, 48));
  EXPECT_EQ(photo.Proc.CalcImageNumColors(), int32_t(Colors(photo.Bitmap).size()));

  TWork mono(TBitmap(5, 5, pf1bit));
  EXPECT_EQ(mono.Proc.CalcImageNumColors(), 2);
  THistogram garbage;
  for (auto& item : garbage) item = {7, 7, 7, 7};
  mono.Proc.GetHistogram(garbage);
  for (const auto& item : garbage) ASSERT_EQ(item.r + item.g + item.b + item.Gray, 0u);
  TKestrixProc none;
  EXPECT_EQ(none.CalcImageNumColors(), 0);
  TWork four(TBitmap(5, 5, pf4bit));
  EXPECT_EQ(four.Proc.CalcImageNumColors(), 0);
}

TEST(ColorConvert, PaletteCalculationLeavesThePicture) {
  TBitmap b(3, 1);
  b.SetPixel(0, 0, CreateRGB(255, 255, 255));
  b.SetPixel(1, 0, CreateRGB(12, 200, 77));
  TWork w(b);
  std::vector<TRGB> palette(8, kCanary);
  w.Proc.CalcImagePalette(palette, 8);
  EXPECT_EQ(kxtest::Compare(w.Bitmap, b).pixels, 0);
  std::set<uint32_t> got;
  for (size_t i = 0; i < 3; ++i) got.insert(uint32_t(palette[i].r) << 16 | palette[i].g << 8 | palette[i].b);
  EXPECT_EQ(got, Colors(b));
  for (size_t i = 3; i < 8; ++i) EXPECT_EQ(palette[i], TRGB{});
}

}  // namespace
