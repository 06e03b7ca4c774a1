// The pixel-format helpers, bit tricks, rounding, colour values, file sizes and the screen
// resolution defaults.
#include "imaging/core/pixelformat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "imaging/core/types.h"
#include "platform/screen.h"
#include "platform/system_colors.h"
#include "tests/support/test_support.h"

using namespace kx;

TEST(PixelFormatFunctions, RowLengthRoundsUpToFourBytes) {
  struct Case {
    int32_t width, bits, bytes;
  };
  for (Case c :
       {Case{0, 24, 0}, Case{1, 24, 4}, Case{4, 24, 12}, Case{5, 24, 16}, Case{1, 1, 4}, Case{32, 1, 4}, Case{33, 1, 8},
        Case{3, 8, 4}, Case{5, 8, 8}, Case{3, 4, 4}, Case{9, 4, 8}, Case{3, 16, 8}, Case{1, 32, 4}})
    EXPECT_EQ(_BitmapRowLen(c.width, c.bits), c.bytes) << c.width << " x " << c.bits;
  EXPECT_EQ(_BitmapRowLen64(int64_t(1) << 31, 32), int64_t(1) << 33);
}

TEST(PixelFormatFunctions, FormatsAndBitCountsMapBothWays) {
  const int32_t bits[] = {0, 1, 4, 8, 15, 16, 24, 32, 0};
  for (int pf = pfDevice; pf <= pfCustom; ++pf) EXPECT_EQ(_Pixelformat2BitCount(TPixelFormat(pf)), bits[pf]) << pf;
  for (int pf = pf1bit; pf <= pf32bit; ++pf) EXPECT_EQ(_Bitcount2Pixelformat(bits[pf]), TPixelFormat(pf));
  for (int32_t other : {0, 2, 3, 7, 12, 48, 64, -1}) EXPECT_EQ(_Bitcount2Pixelformat(other), pfCustom) << other;
}

TEST(PixelFormatFunctions, BitCountOfAMaskIsItsFirstRunOfSetBits) {
  struct Case {
    uint32_t mask;
    int32_t count;
  };
  for (Case c : {Case{0, 0}, Case{0x07E0, 6}, Case{0xF800, 5}, Case{0x001F, 5}, Case{0x00FF0000, 8},
                 Case{0xFF000000, 8}, Case{0x80000000, 1}, Case{0xFFFFFFFF, 32}, Case{0x0F0F, 4}})
    EXPECT_EQ(_GetBitCount(c.mask), c.count) << std::hex << c.mask;
}

TEST(PixelFormatFunctions, BitsNeededForAColourCount) {
  struct Case {
    int32_t colors, bits;
  };
  for (Case c : {Case{2, 1}, Case{16, 4}, Case{256, 8}, Case{3, 2}, Case{257, 9}, Case{1, 0}, Case{0, -1}, Case{4, 2},
                 Case{5, 3}, Case{65536, 16}})
    EXPECT_EQ(_NColToBitsPixel(c.colors), c.bits) << c.colors;
}

TEST(PixelFormatFunctions, NumberOfColoursMultipliesPerSample) {
  EXPECT_EQ(_GetNumCol(8, 0), 1);
  EXPECT_EQ(_GetNumCol(1, 1), 2);
  EXPECT_EQ(_GetNumCol(8, 3), 1 << 24);
  EXPECT_EQ(_GetNumCol(4, 2), 256);
  EXPECT_EQ(_GetNumCol(16, 4), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(_GetNumCol(-3, 1), 0);
}

TEST(PixelFormatFunctions, ReverseBitsWorksInPlace) {
  uint32_t v = 0x00000001;
  EXPECT_EQ(ReverseBits(v), 0x80000000u);
  EXPECT_EQ(v, 0x80000000u);
  v = 0x12345678;
  EXPECT_EQ(ReverseBits(v), 0x1E6A2C48u);
  for (int i = 0; i < 256; ++i) {
    uint8_t b = uint8_t(i), expected = 0;
    for (int bit = 0; bit < 8; ++bit)
      if (i & (1 << bit)) expected |= uint8_t(0x80 >> bit);
    EXPECT_EQ(ReverseBitsB(b), expected) << i;
    EXPECT_EQ(b, expected);
  }
}

TEST(PixelFormatFunctions, FloorTruncAndRound) {
  struct Case {
    double x;
    int32_t floor, trunc, round;
  };
  for (Case c : {Case{2.7, 2, 2, 3}, Case{-2.7, -3, -2, -3}, Case{-0.5, -1, 0, 0}, Case{-2.0, -2, -2, -2},
                 Case{2.5, 2, 2, 2}, Case{3.5, 3, 3, 4}, Case{-1.5, -2, -1, -2}, Case{0.0, 0, 0, 0}}) {
    EXPECT_EQ(KXFloor(c.x), c.floor) << c.x;
    EXPECT_EQ(KXTrunc(c.x), c.trunc) << c.x;
    EXPECT_EQ(KXRound(c.x), c.round) << c.x;
  }
  // Values no 32-bit integer can hold clamp instead of being undefined.
  EXPECT_EQ(KXTrunc(1e300), INT32_MAX);
  EXPECT_EQ(KXTrunc(-1e300), INT32_MIN);
  EXPECT_EQ(KXTrunc(std::nan("")), 0);
  EXPECT_EQ(KXTrunc(INFINITY), INT32_MAX);
  EXPECT_EQ(KXFloor(-3e9), INT32_MIN);
}

TEST(PixelFormatFunctions, FileSizeOfExistingAndMissingFiles) {
  std::string path = kxtest::TempPath(".bin");
  kxtest::WriteFile(path, std::vector<uint8_t>(1234, 7));
  EXPECT_EQ(_getfilesize(path), 1234);
  EXPECT_EQ(_getfilesize(path + ".missing"), -1);
  EXPECT_EQ(_getfilesize(kxtest::TempDir()), -1);
}

TEST(Colors, ColourValuesAndPixelsConvert) {
  EXPECT_EQ(TRGB2TColor(CreateRGB(0x11, 0x22, 0x33)), 0x332211);
  EXPECT_EQ(TColor2TRGB(0x332211), CreateRGB(0x11, 0x22, 0x33));
  EXPECT_EQ(TColor2TRGB(clWhite), CreateRGB(255, 255, 255));
}

TEST(Colors, SystemColoursResolveToTheirCurrentValue) {
  const int32_t saved = KXGetSysColor(15);
  EXPECT_EQ(ColorToRGB(clBtnFace), saved);
  EXPECT_EQ(TColor2TRGB(clBtnFace), TColor2TRGB(saved));
  KXSetSysColor(15, 0x102030);
  EXPECT_EQ(ColorToRGB(clBtnFace), 0x102030);
  EXPECT_EQ(TColor2TRGB(clBtnFace), CreateRGB(0x30, 0x20, 0x10));
  KXSetSysColor(15, saved);
  // Plain colours and the "none" marker pass unchanged.
  EXPECT_EQ(ColorToRGB(0x00ABCDEF), 0x00ABCDEF);
  EXPECT_EQ(ColorToRGB(clNone), clNone);
}

TEST(Screen, ResolutionIs96WithoutADisplay) {
  EXPECT_EQ(gSystemDPIX, 96);
  EXPECT_EQ(gSystemDPIY, 96);
}
