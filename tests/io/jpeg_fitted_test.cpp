// Fitting while decoding: every kind of file, shrunk and enlarged, gives exactly the pixels of a
// whole read followed by the nearest-pixel fit, and a damaged file reads as a whole read does.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/jpeg_codec.h"
#include "imaging/proc/resample.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Fixture(const std::string& name) {
  return kxtest::ReadFile(kxtest::SourceDir() + "/tests/fixtures/jpeg/" + name);
}

TBitmap WholeThenFitted(const TBytes& file, int32_t width, int32_t height) {
  TMemoryStream stream(file);
  TBitmap whole;
  TIOParamsVals params;
  TProgressRec progress;
  ReadJPegStream(stream, whole, params, false, progress);
  TBitmap fitted(width, height, pf24bit);
  _KXBmpStretch(whole, fitted);
  return fitted;
}

struct TFittedRead {
  TBitmap bitmap;
  TIOParamsVals params;
  bool aborted = false;
  int32_t askedWidth = 0, askedHeight = 0;
  int reports = 0;
  int stopAtReport = 0;  // the handler sets the abort flag at this report (0: never)
  static void OnProgress(void* self, void*, int) {
    auto* r = static_cast<TFittedRead*>(self);
    if (++r->reports == r->stopAtReport) r->aborted = true;
  }
  void Run(const TBytes& file, int32_t width, int32_t height) {
    TMemoryStream stream(file);
    TProgressRec progress;
    progress.fOnProgress = {&TFittedRead::OnProgress, this};
    progress.Aborting = &aborted;
    ReadJPegStreamFitted(
        stream, bitmap, params,
        [&](int32_t w, int32_t h) {
          askedWidth = w;
          askedHeight = h;
          return TKXFittedSize{width, height};
        },
        progress);
  }
};

}  // namespace

TEST(JpegFitted, SamePixelsAsAWholeReadThenTheFit) {
  struct TCase {
    const char* file;
    int32_t width, height;
  };
  const TCase cases[] = {
      {"cjpeg_420.jpg", 17, 9},         {"cjpeg_420.jpg", 1, 1},     {"cjpeg_progressive.jpg", 31, 20},
      {"cjpeg_444_restart.jpg", 50, 7}, {"cjpeg_gray.jpg", 23, 41},  {"pil_cmyk.jpg", 19, 13},
      {"im_ycck.jpg", 12, 12},          {"im_422_dpcm.jpg", 40, 25}, {"narrow_progressive.jpg", 3, 30},
      {"cjpeg_420.jpg", 333, 250},  // enlarged: rows and columns repeat
  };
  for (const TCase& c : cases) {
    const TBytes file = Fixture(c.file);
    TFittedRead r;
    r.bitmap = kxtest::MakePicture(5, 5);  // a stale picture must not show through
    r.Run(file, c.width, c.height);
    ASSERT_FALSE(r.aborted) << c.file;
    EXPECT_EQ(r.bitmap.PixelFormat(), pf24bit);
    EXPECT_TRUE(kxtest::SameBitmap(r.bitmap, WholeThenFitted(file, c.width, c.height)))
        << c.file << " at " << c.width << " x " << c.height;
    EXPECT_EQ(r.askedWidth, r.params.Width) << "the choice sees the picture's own size";
    EXPECT_EQ(r.askedHeight, r.params.Height);
  }
}

TEST(JpegFitted, DamagedAndStoppedReads) {
  TBytes file = Fixture("cjpeg_420.jpg");
  file.resize(file.size() / 3);
  TFittedRead truncated;
  truncated.Run(file, 40, 30);
  ASSERT_FALSE(truncated.aborted) << "a truncated baseline file reads on with gray rows, as a whole read does";
  EXPECT_TRUE(kxtest::SameBitmap(truncated.bitmap, WholeThenFitted(file, 40, 30)));

  // Stopped by the caller after the first rows: what was fitted stays, the rest is black.
  TFittedRead stopped;
  stopped.stopAtReport = 1;
  stopped.bitmap = kxtest::MakePicture(40, 30);
  stopped.Run(Fixture("cjpeg_420.jpg"), 40, 30);
  ASSERT_TRUE(stopped.aborted);
  const TBitmap whole = WholeThenFitted(Fixture("cjpeg_420.jpg"), 40, 30);
  const int32_t rowBytes = 40 * 3;
  int32_t reached = 0;
  while (reached < 30 && std::memcmp(stopped.bitmap.ScanLine(reached), whole.ScanLine(reached), rowBytes) == 0)
    ++reached;
  ASSERT_GT(reached, 0);
  ASSERT_LT(reached, 30);
  for (int32_t y = reached; y < 30; ++y)
    EXPECT_EQ(std::vector<uint8_t>(stopped.bitmap.ScanLine(y), stopped.bitmap.ScanLine(y) + rowBytes),
              std::vector<uint8_t>(rowBytes, 0))
        << "row " << y;

  TFittedRead notJpeg;
  notJpeg.Run(TBytes(100, 0x55), 40, 30);
  EXPECT_TRUE(notJpeg.aborted);
}
