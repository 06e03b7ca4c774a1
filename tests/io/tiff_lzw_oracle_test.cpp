// The TIFF codec with the project's LZW coders against libtiff: LZW files tiffcp writes (with and
// without the horizontal predictor, in strips, planes, gray and palette) read exactly as libtiff
// decodes them, and the LZW files we write pass tiffinfo and read back exactly through libtiff.
#include <gtest/gtest.h>

#include <string>

#include "imaging/core/bitmap.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/lzw/lzw_coders.h"
#include "tests/io/tiff_test_files.h"
#include "tests/support/test_support.h"

using namespace kx;
using namespace kxtest;

TEST(TiffLzwOracle, FilesOfTiffcpReadAsLibtiffDecodesThem) {
  if (!HaveTiffOracles()) GTEST_SKIP() << "libtiff's tools, Pillow or ImageMagick missing";
  const struct {
    const char* Name;
    const char* Mode;
    const char* Options;
  } cases[] = {
      {"rgb", "RGB", "-c lzw"},
      {"rgb predictor", "RGB", "-c lzw:2"},
      {"rgb strips of 4 rows", "RGB", "-c lzw:2 -r 4"},
      {"rgb separate planes", "RGB", "-c lzw:2 -p separate -r 9"},
      {"rgb big-endian", "RGB", "-B -c lzw"},
      {"gray predictor", "L", "-c lzw:2"},
      {"palette", "P", "-c lzw -r 5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string source = PillowSource(c.Mode), path = TempPath(".tif");
    ASSERT_EQ(kxtest::Run(kTiffcp + " " + c.Options + " " + Quote(source) + " " + Quote(path)), 0);
    TBitmap expected;
    ASSERT_TRUE(LibtiffDecode(path, expected));
    const TTiffRead r = ReadTiffBytes(ReadFile(path), 0, false, &KXTiffLZWDecodeRow);
    ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
    EXPECT_EQ(r.Params.TIFF_Compression, ioTIFF_LZW);
    const TDiff d = Compare(As24(r.Bitmap), expected);
    EXPECT_TRUE(d.sameSize);
    EXPECT_EQ(d.pixels, 0) << "largest difference " << d.maxDelta;
  }
}

TEST(TiffLzwOracle, FilesWeWritePassTiffinfoAndReadBackThroughLibtiff) {
  if (!HaveTiffOracles()) GTEST_SKIP() << "libtiff's tools, Pillow or ImageMagick missing";
  for (const int32_t samples : {3, 1}) {
    SCOPED_TRACE(samples);
    TBitmap picture = MakePicture(301, 67);
    if (samples == 1) {
      // A gray picture: the writer takes a one-sample page's gray levels.
      for (int32_t y = 0; y < picture.Height(); ++y) {
        uint8_t* p = picture.ScanLine(y);
        for (int32_t x = 0; x < picture.Width(); ++x, p += 3) p[0] = p[1] = p[2] = uint8_t((x * 3 + y * 5) & 0xFF);
      }
    }
    TIOParamsVals params;
    params.BitsPerSample = 8;
    params.SamplesPerPixel = samples;
    params.TIFF_Compression = ioTIFF_LZW;
    params.TIFF_LZWCompress = &KXTiffLZWEncodeRow;
    const std::string path = TempPath(".tif");
    WriteFile(path, WriteTiffBytes(picture, params));
    std::string info;
    ASSERT_EQ(kxtest::Run(kTiffinfo + " -D " + Quote(path) + " 2>&1", &info), 0);
    EXPECT_EQ(info.find("Warning"), std::string::npos) << info;
    EXPECT_EQ(info.find("rror"), std::string::npos) << info;
    EXPECT_NE(info.find("Compression Scheme: LZW"), std::string::npos) << info;
    EXPECT_NE(info.find("horizontal differencing"), std::string::npos) << info;
    const std::string plain = TempPath(".tif");
    ASSERT_EQ(kxtest::Run(kTiffcp + " -c none " + Quote(path) + " " + Quote(plain)), 0);
    TBitmap back;
    ASSERT_TRUE(PillowDecode(plain, 0, back));
    EXPECT_EQ(Compare(back, As24(picture)).pixels, 0);
    const TTiffRead ours = ReadTiffBytes(ReadFile(path), 0, false, &KXTiffLZWDecodeRow);
    ASSERT_FALSE(ours.Aborted) << ours.Diagnostics.Reason;
    EXPECT_EQ(Compare(As24(ours.Bitmap), As24(picture)).pixels, 0);
  }
}
