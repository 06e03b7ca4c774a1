// A fitted load: a JPEG is fitted while it decodes, other formats are loaded whole and fitted
// after; either way the pixels are those of a whole load followed by the nearest-pixel fit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/components/kestrix_io.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/jpeg_codec.h"
#include "imaging/proc/resample.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

TBitmap LoadedThenFitted(const std::string& file, int32_t width, int32_t height) {
  TBitmap whole;
  TKestrixIO io;
  io.SetAttachedBitmap(&whole);
  io.LoadFromFile(file);
  TBitmap fitted(width, height, pf24bit);
  _KXBmpStretch(whole, fitted);
  return fitted;
}

}  // namespace

TEST(FittedLoad, JpegWhileDecodingOtherFormatsAfterAWholeLoad) {
  const std::string bmp = kxtest::TempPath(".bmp");
  {
    TBitmap source = kxtest::MakePicture(90, 60);
    TKestrixIO writer;
    writer.SetAttachedBitmap(&source);
    writer.SaveToFile(bmp);
    ASSERT_FALSE(writer.Aborting());
  }
  TBitmap loaded;
  TKestrixIO io;
  io.SetAttachedBitmap(&loaded);
  io.LoadFromFileFitted(bmp, [](int32_t w, int32_t h) { return TKXFittedSize{w / 4, h / 4}; });
  ASSERT_FALSE(io.Aborting());
  EXPECT_TRUE(kxtest::SameBitmap(loaded, LoadedThenFitted(bmp, 22, 15)));
  EXPECT_EQ(io.IOParams().Width, 90) << "the parameters keep the file's own size";

  const std::string jpeg = kxtest::TempPath(".jpg");
  kxtest::WriteFile(jpeg, kxtest::ReadFile(kxtest::SourceDir() + "/tests/fixtures/jpeg/cjpeg_420.jpg"));
  io.LoadFromFileFitted(jpeg, [](int32_t, int32_t) { return TKXFittedSize{30, 20}; });
  ASSERT_FALSE(io.Aborting());
  EXPECT_TRUE(kxtest::SameBitmap(loaded, LoadedThenFitted(jpeg, 30, 20)));
  EXPECT_EQ(io.IOParams().FileName, jpeg);
  EXPECT_EQ(io.IOParams().FileType, ioJPEG);
}
