// The upright turn of every EXIF orientation against ImageMagick's -auto-orient of the same
// 5 x 3 picture, whose pixels all differ.
#include "imaging/proc/orientation.h"

#include <gtest/gtest.h>

#include <string>

#include "imaging/core/bitmap.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

TBitmap Load(const std::string& name) {
  TBitmap b;
  EXPECT_TRUE(kxtest::ReadNetpbm(kxtest::SourceDir() + "/tests/fixtures/jpeg/" + name, b)) << name;
  return b;
}

TEST(Orientation, EachOrientationMatchesImageMagick) {
  const TBitmap source = Load("orient_source.ppm");
  for (int n = 1; n <= 8; ++n) {
    SCOPED_TRACE(n);
    TBitmap b;
    b.Assign(source);
    KXOrientUpright(b, n);
    const kxtest::TDiff d = kxtest::Compare(b, Load("orient_upright_" + std::to_string(n) + ".ppm"));
    EXPECT_TRUE(d.sameSize);
    EXPECT_EQ(d.pixels, 0);
  }
}

TEST(Orientation, UnknownValuesLeaveThePicture) {
  const TBitmap source = Load("orient_source.ppm");
  for (int n : {0, -1, 9, 1000}) {
    TBitmap b;
    b.Assign(source);
    KXOrientUpright(b, n);
    EXPECT_EQ(kxtest::Compare(b, source).pixels, 0);
    EXPECT_EQ(b.Width(), 5);
  }
}

}  // namespace
