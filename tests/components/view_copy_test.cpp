// The view's polygon copies and its zoom-filter drawing, which rest on the processing
// unit's polygon masks and quick resampler.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/proc/bitmap_copy.h"
#include "imaging/proc/dib_draw.h"
#include "imaging/proc/resample.h"
#include "imaging/view/headless_host.h"
#include "imaging/view/view.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

struct THosted {
  TKestrixView View;
  THeadlessHost Host;
  THosted(int32_t clientWidth, int32_t clientHeight, const TBitmap& picture) {
    View.SetBounds(0, 0, clientWidth + 2, clientHeight + 2);
    Host.Attach(View);
    View.Assign(&picture);
  }
};

// Pixel centres inside the right triangle with legs along the box's top and left sides.
bool InTriangle(int32_t x, int32_t y, int32_t left, int32_t top, int32_t leg) {
  return x >= left && y >= top && (x - left) + (y - top) + 1 < leg;
}

}  // namespace

TEST(ViewPolygonCopy, CopyFromPolygonPlacesTheRegionAtThePointAndGrowsThePicture) {
  const TBitmap source = kxtest::MakePicture(30, 30, 3);
  const TBitmap picture = kxtest::MakePicture(20, 16, 4);
  THosted hosted(40, 40, picture);
  const std::vector<TPoint> triangle = {{4, 6}, {14, 6}, {4, 16}};  // legs of 10
  hosted.View.CopyFromPolygon(source, triangle.data(), 3, TPoint{15, 9});
  const TBitmap& result = hosted.View.Bitmap();
  ASSERT_EQ(result.Width(), 26);  // reaches column 15 + 10
  ASSERT_EQ(result.Height(), 20);
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 26; ++x) {
      const TRGB expected = InTriangle(x, y, 15, 9, 10) ? source.GetPixel(x - 11, y + -3)
                            : x < 20 && y < 16          ? picture.GetPixel(x, y)
                                                        : TRGB{};
      ASSERT_EQ(result.GetPixel(x, y), expected) << x << "," << y;
    }
}

TEST(ViewPolygonCopy, CopyToPolygonFillsTheRegionFromThePoint) {
  const TBitmap source = kxtest::MakePicture(30, 30, 5);
  const TBitmap picture = kxtest::MakePicture(20, 16, 6);
  THosted hosted(40, 40, picture);
  const std::vector<TPoint> triangle = {{8, 3}, {18, 3}, {8, 13}};
  hosted.View.CopyToPolygon(source, triangle.data(), 3, TPoint{1, 2});
  const TBitmap& result = hosted.View.Bitmap();
  ASSERT_EQ(result.Width(), 20);
  ASSERT_EQ(result.Height(), 16);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 20; ++x)
      ASSERT_EQ(result.GetPixel(x, y),
                InTriangle(x, y, 8, 3, 10) ? source.GetPixel(x - 7, y - 1) : picture.GetPixel(x, y))
          << x << "," << y;
  const std::vector<TPoint> two = {{1, 1}, {5, 5}};
  hosted.View.CopyToPolygon(source, two.data(), 2, TPoint{0, 0});
  EXPECT_EQ(hosted.View.Bitmap().GetPixel(3, 3), picture.GetPixel(3, 3));
}

TEST(ViewZoomFilter, EnlargedPictureIsResampledThenDrawn) {
  const TBitmap picture = kxtest::MakePicture(12, 10, 7);
  THosted hosted(36, 30, picture);
  hosted.View.SetZoom(300);
  TBitmap plain(36, 30), filtered(36, 30);
  hosted.View.DrawTo(plain);
  hosted.View.SetZoomFilter(rfTriangle);
  hosted.View.DrawTo(filtered);
  TBitmap expected(36, 30);
  _QuickResample(picture, expected, rfTriangle);
  EXPECT_EQ(kxtest::Compare(filtered, expected).pixels, 0);
  EXPECT_GT(kxtest::Compare(filtered, plain).pixels, 500);

  // A 1-bit picture is made 24-bit before it is filtered.
  TBitmap bits(12, 10, pf1bit);
  for (int32_t y = 0; y < 10; ++y) bits.ScanLine(y)[0] = 0xF0;
  hosted.View.Assign(&bits);
  hosted.View.SetZoom(300);
  TBitmap drawn(36, 30);
  hosted.View.DrawTo(drawn);
  TBitmap color = bits;
  color.SetPixelFormat(pf24bit);
  _QuickResample(color, expected, rfTriangle);
  EXPECT_EQ(kxtest::Compare(drawn, expected).pixels, 0);
}
