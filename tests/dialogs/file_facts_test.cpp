// The facts texts of the picture area.
#include "imaging/dialogs/file_facts.h"

#include <gtest/gtest.h>

#include "imaging/io/ioparams.h"

using namespace kx;

TEST(FileFacts, FileSizeInBytesBelowOneKilobyteThenInKilobytes) {
  TIOParamsVals p;
  p.Width = 1;
  p.Height = 1;
  EXPECT_EQ(KXFileFacts(&p, 1, 1023, msEnglish).Sizes, "File: 1023 bytes   Mem: 4 bytes");
  EXPECT_EQ(KXFileFacts(&p, 1, 1024, msEnglish).Sizes, "File: 1 Kb   Mem: 4 bytes");
}

TEST(FileFacts, ColourCountFromBitsPerPixel) {
  struct {
    int32_t Samples, Bits;
    const char* Text;
  } const cases[] = {
      {1, 1, "2 Colors (1 bit)"},         {1, 8, "256 Colors (8 bit)"},        {3, 8, "16777216 Colors (24 bit)"},
      {4, 8, "16777216 Colors (32 bit)"}, {3, 16, "16777216 Colors (48 bit)"}, {4, 16, "16777216 Colors (64 bit)"},
  };
  for (const auto& c : cases) {
    TIOParamsVals p;
    p.SamplesPerPixel = c.Samples;
    p.BitsPerSample = c.Bits;
    EXPECT_EQ(KXFileFacts(&p, 1, 0, msEnglish).Colors, c.Text) << c.Samples << "x" << c.Bits;
  }
}

TEST(FileFacts, DimensionsResolutionTypeAndMemoryOfAPicture) {
  TIOParamsVals p;
  p.Width = 641;
  p.Height = 480;
  p.DpiX = 72;
  p.DpiY = 96;
  p.FileType = ioJPEG;
  p.JPEG_ColorSpace = ioJPEG_YCbCr;
  const TKXFileFacts one = KXFileFacts(&p, 1, 5000, msEnglish);
  EXPECT_EQ(one.Dimensions, "641 x 480 pixel");
  EXPECT_EQ(one.Resolution, "72 x 96 dpi");
  EXPECT_EQ(one.Type, "JPEG Bitmap (JPG) YCbCr");
  // Rows of 641 x 3 bytes padded to 1924.
  EXPECT_EQ(one.Sizes, "File: 4 Kb   Mem: " + std::to_string(1924 * 480 / 1024) + " Kb");
  EXPECT_EQ(KXFileFacts(&p, 3, 5000, msEnglish).Dimensions, "641 x 480 pixel , 3 frames");
}

TEST(FileFacts, MemoryOfHugePicturesNeedsSixtyFourBits) {
  TIOParamsVals p;
  p.Width = 100000;
  p.Height = 100000;
  const TKXFileFacts facts = KXFileFacts(&p, 2, int64_t(5) << 32, msEnglish);
  EXPECT_EQ(facts.Sizes, "File: 20971520 Kb   Mem: 58593750 Kb");
  p.SamplesPerPixel = p.BitsPerSample = 1;
  // One bit per pixel: rows of 12500 bytes.
  EXPECT_EQ(KXFileFacts(&p, 1, 0, msEnglish).Sizes, "File: 0 bytes   Mem: 1220703 Kb");
}

TEST(FileFacts, NoParametersClearEverything) { EXPECT_EQ(KXFileFacts(nullptr, 1, 1, msEnglish), TKXFileFacts{}); }
