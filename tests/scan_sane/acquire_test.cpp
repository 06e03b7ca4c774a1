// Whole acquisitions through the application's entry points with the SANE manager installed and
// SANE's test backend as the scanner: each picture equals what scanimage, SANE's own front end,
// writes for the same settings.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/io/ioparams.h"
#include "imaging/scan/twain_acquire.h"
#include "platform/sane/sane_source_manager.h"
#include "platform/source_manager.h"
#include "tests/scan_sane/sane_fixture.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

// A binary PBM (P4, 1 = black) as rows of 0 (black) and 1 (white) pixels.
bool ReadPBM(const std::string& path, int32_t& width, int32_t& height, std::vector<std::vector<int>>& pixels) {
  const std::vector<uint8_t> d = kxtest::ReadFile(path);
  std::vector<long> numbers;
  size_t p = 2;
  if (d.size() < 2 || d[0] != 'P' || d[1] != '4') return false;
  while (numbers.size() < 2 && p < d.size()) {
    if (d[p] == '#') {
      while (p < d.size() && d[p] != '\n') ++p;
    } else if (isdigit(d[p])) {
      long v = 0;
      while (p < d.size() && isdigit(d[p])) v = v * 10 + (d[p++] - '0');
      numbers.push_back(v);
    } else {
      ++p;
    }
  }
  ++p;
  if (numbers.size() != 2) return false;
  width = static_cast<int32_t>(numbers[0]);
  height = static_cast<int32_t>(numbers[1]);
  const size_t row = (static_cast<size_t>(width) + 7) / 8;
  if (d.size() < p + row * static_cast<size_t>(height)) return false;
  pixels.assign(height, std::vector<int>(width));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) pixels[y][x] = (d[p + y * row + x / 8] >> (7 - x % 8)) & 1 ? 0 : 1;
  return true;
}

// Parameters for test:0 without the source's dialog, at `dpi` and `pixelType`.
void Prepare(TKXTWainParams& params, double dpi, int32_t pixelType, bool memory) {
  ASSERT_TRUE(params.SelectSourceByName("test:0"));
  params.ShowSourceDialog = false;
  params.SetBufferedTransfer(memory);
  params.GetXResolution().SetCurrentValue(dpi);
  params.GetYResolution().SetCurrentValue(dpi);
  params.GetPixelType().SetCurrentValue(pixelType);
}

bool Acquire(TKXTWainParams& params, TBitmap& bitmap, TIOParamsVals& io) {
  TProgressRec progress = NullProgress();
  return KXTW_Acquire(1, &bitmap, false, {}, &params, &io, progress);
}

class SaneAcquire : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!kxtest::SaneTestBackendReady()) GTEST_SKIP() << "SANE's test backend is not installed";
    if (!kxtest::Have(kxtest::kScanimage)) GTEST_SKIP() << "scanimage is not installed";
  }
  TSourceManagerScope fManager{KXSaneSourceManagerLoader()};
};

}  // namespace

TEST_F(SaneAcquire, TheSourceListNamesTheTestDevices) {
  std::vector<TW_IDENTITY> list;
  ASSERT_TRUE(KXTW_GetSourceList(list));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_STREQ(list[0].ProductName, "test:0");
  EXPECT_STREQ(list[1].ProductName, "test:1");
}

TEST_F(SaneAcquire, ColourAndGrayScansEqualScanimagesPictures) {
  struct TCase {
    const char* what;
    int32_t pixelType;
    bool memory;
    const char* options;
  };
  const TCase cases[] = {
      {"colour, memory transfer", TWPT_RGB, true, "--mode Color --resolution 75"},
      {"colour, native transfer", TWPT_RGB, false, "--mode Color --resolution 75"},
      {"gray, memory transfer", TWPT_GRAY, true, "--mode Gray --depth 8 --resolution 75"},
      {"gray, native transfer", TWPT_GRAY, false, "--mode Gray --depth 8 --resolution 75"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    TBitmap expected;
    ASSERT_TRUE(kxtest::ReadNetpbm(kxtest::ScanimageOracle("-d test:0 " + std::string(c.options), ".pnm"), expected));
    TKXTWainParams params;
    Prepare(params, 75, c.pixelType, c.memory);
    TBitmap bitmap;
    TIOParamsVals io;
    ASSERT_TRUE(Acquire(params, bitmap, io));
    ASSERT_EQ(bitmap.PixelFormat(), pf24bit);
    EXPECT_EQ(bitmap.Width(), 236);
    EXPECT_TRUE(kxtest::SameBitmap(bitmap, expected));
    EXPECT_EQ(io.DpiX, 75);
    EXPECT_EQ(io.SamplesPerPixel, c.pixelType == TWPT_RGB ? 3 : 1);
  }
  EXPECT_EQ(KXTWLiveBlocks(), 0);
}

TEST_F(SaneAcquire, LineArtIsOneBitWithScanimagesPixels) {
  int32_t width = 0, height = 0;
  std::vector<std::vector<int>> expected;
  ASSERT_TRUE(ReadPBM(kxtest::ScanimageOracle("-d test:0 --mode Gray --depth 1 --resolution 75", ".pbm"), width, height,
                      expected));
  for (bool memory : {true, false}) {
    SCOPED_TRACE(memory ? "memory transfer" : "native transfer");
    TKXTWainParams params;
    Prepare(params, 75, TWPT_BW, memory);
    TBitmap bitmap;
    TIOParamsVals io;
    ASSERT_TRUE(Acquire(params, bitmap, io));
    ASSERT_EQ(bitmap.PixelFormat(), pf1bit);
    ASSERT_EQ(bitmap.Width(), width);
    ASSERT_EQ(bitmap.Height(), height);
    int64_t differing = 0, black = 0;
    for (int32_t y = 0; y < height; ++y) {
      const auto* row = static_cast<const uint8_t*>(bitmap.ScanLine(y));
      for (int32_t x = 0; x < width; ++x) {
        const int white = (row[x / 8] >> (7 - x % 8)) & 1;
        differing += white != expected[y][x];
        black += white == 0;
      }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(black, 0) << "the test pattern has black and white";
    EXPECT_EQ(io.BitsPerSample, 1);
  }
}

TEST_F(SaneAcquire, TheFeederGivesSeveralImages) {
  TKXTWainParams params;
  Prepare(params, 20, TWPT_RGB, true);
  params.SetFeederEnabled(true);
  struct TCollector {
    std::vector<TBitmap> Pages;
    TIOParamsVals Io;
    void Page(TBitmap* bitmap, TIOParamsVals** io) {
      Pages.emplace_back();
      Pages.back().Assign(*bitmap);
      *io = &Io;
    }
  } collector;
  TProgressRec progress = NullProgress();
  const auto callBack = TKXTWMultiCallBack::Bind<&TCollector::Page>(&collector);
  ASSERT_TRUE(KXTW_Acquire(1, nullptr, true, callBack, &params, nullptr, progress));
  // The test backend's feeder holds ten pages, all alike.
  ASSERT_EQ(collector.Pages.size(), 10u);
  TBitmap expected;
  ASSERT_TRUE(kxtest::ReadNetpbm(kxtest::ScanimageOracle("-d test:0 --mode Color --resolution 20", ".pnm"), expected));
  for (const TBitmap& page : collector.Pages) EXPECT_TRUE(kxtest::SameBitmap(page, expected));
  EXPECT_EQ(KXTWLiveBlocks(), 0);
}

TEST_F(SaneAcquire, TheOptionsDialogsValuesReachTheScan) {
  struct TOptions : TScanOptionsUI {
    bool Scan = true;
    bool Run(const TScanChoices&, TScanValues& values) override {
      values = {50, kScanModeGray, "Flatbed", 10, 20, 61, 71};
      return Scan;
    }
  } options;
  TSourceManagerScope manager(KXSaneSourceManagerLoader(nullptr, &options));
  TKXTWainParams params;
  ASSERT_TRUE(params.SelectSourceByName("test:0"));
  params.ShowSourceDialog = true;
  TBitmap bitmap;
  TIOParamsVals io;
  ASSERT_TRUE(Acquire(params, bitmap, io));
  TBitmap expected;
  ASSERT_TRUE(kxtest::ReadNetpbm(
      kxtest::ScanimageOracle("-d test:0 --mode Gray --depth 8 --resolution 50 -l 10 -t 20 -x 51 -y 51", ".pnm"),
      expected));
  EXPECT_EQ(bitmap.Width(), 100);
  EXPECT_TRUE(kxtest::SameBitmap(bitmap, expected));
  EXPECT_EQ(io.DpiX, 50);

  options.Scan = false;
  TBitmap untouched;
  EXPECT_FALSE(Acquire(params, untouched, io)) << "a cancelled dialog scans nothing";
  EXPECT_EQ(untouched.Width(), 0);
}
