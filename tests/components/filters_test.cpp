// Convolution filters: presets on uniform pictures, the orientation of every kernel position at
// the picture's edges, random and extreme kernels against a plain 64-bit model, every sum with
// many divisors, rectangles (polygons are the frame's, in proc_test), the sharpen sequence
// worked by hand, ImageMagick's correlation as an oracle, and the filter file with its short,
// foreign and failed cases.
#include "imaging/proc/filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "imaging/components/kestrix_proc.h"
#include "imaging/core/stream.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::TProgressLog;
using kxtest::Uniform;

namespace {

// The filter as its definition reads, one pixel and channel at a time in 64 bits.
TBitmap Model(const TBitmap& src, const TGraphFilter& f, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  TBitmap out = src;
  const int32_t w = src.Width(), h = src.Height();
  const int64_t d = f.Divisor == 0 ? 1 : f.Divisor;
  for (int32_t y = y1; y <= y2; ++y)
    for (int32_t x = x1; x <= x2; ++x)
      for (int c = 0; c < 3; ++c) {
        int64_t sum = 0;
        for (int r = 0; r < 3; ++r)
          for (int q = 0; q < 3; ++q) {
            const int32_t sx = std::clamp(x + q - 1, 0, w - 1), sy = std::clamp(y + r - 1, 0, h - 1);
            sum += int64_t(f.Values[r][q]) * src.ScanLine(sy)[sx * 3 + c];
          }
        out.ScanLine(y)[x * 3 + c] = uint8_t(std::clamp<int64_t>(sum / d, 0, 255));
      }
  return out;
}
TBitmap Model(const TBitmap& src, const TGraphFilter& f) {
  return Model(src, f, 0, 0, src.Width() - 1, src.Height() - 1);
}

TBitmap Filtered(TBitmap picture, const TGraphFilter& f) {
  _ApplyFilter(picture, f, 0, 0, picture.Width() - 1, picture.Height() - 1, NullProgress());
  return picture;
}

void ExpectSame(const TBitmap& actual, const TBitmap& expected) {
  const kxtest::TDiff diff = kxtest::Compare(actual, expected);
  EXPECT_TRUE(diff.sameSize);
  EXPECT_EQ(diff.pixels, 0) << "largest difference " << diff.maxDelta;
}

TGraphFilter Kernel(std::initializer_list<int32_t> values, int32_t divisor) {
  TGraphFilter f{};
  int k = 0;
  for (int32_t v : values) f.Values[k / 3][k % 3] = v, ++k;
  f.Divisor = divisor;
  return f;
}

}  // namespace

TEST(Filters, PresetsOnUniformPictures) {
  struct TCase {
    TGraphFilter filter;
    uint8_t in, out;
  } cases[] = {
      {KXFiltPres[fpNone], 200, 200},
      {KXFiltPres[fpBlur], 200, 200},
      {KXFiltPres[LowPass1], 200, 180},
      {KXFiltPres[LowPass2], 77, 77},
      {KXFiltPres[fpEdge], 200, 0},
      {KXFiltPres[fpHighPass2], 91, 91},
      {Kernel({0, 0, 0, 0, 1, 0, 0, 0, 0}, -1), 200, 0},  // the sign turns, the clamp blackens
      {Kernel({0, 0, 0, 0, -1, 0, 0, 0, 0}, -1), 123, 123},
  };
  for (const TCase& c : cases) ExpectSame(Filtered(Uniform(5, 4, c.in), c.filter), Uniform(5, 4, c.out));
}

TEST(Filters, EachKernelPositionPicksItsNeighbourWithEdgesRepeated) {
  // A single weight at (r, q) moves the picture by one pixel; at the edges the picture's own
  // edge pixel stands in for the missing neighbour (so the top-left pixel sees only itself above
  // and to the left).
  TBitmap picture(3, 3);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) picture.SetPixel(x, y, CreateRGB(uint8_t(10 + 10 * (y * 3 + x)), 0, uint8_t(x)));
  for (int k = 0; k < 9; ++k) {
    TGraphFilter f{};
    f.Values[k / 3][k % 3] = 1;
    const TBitmap result = Filtered(picture, f);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 3; ++x) {
        const int32_t sx = std::clamp(x + k % 3 - 1, 0, 2), sy = std::clamp(y + k / 3 - 1, 0, 2);
        EXPECT_EQ(result.GetPixel(x, y), picture.GetPixel(sx, sy)) << "weight " << k << " at " << x << "," << y;
      }
  }
}

TEST(Filters, KernelsOfAnySizeMatchThe64BitModel) {
  const TGraphFilter cases[] = {
      KXFiltPres[fpEmboss],
      KXFiltPres[LowPass2],
      KXFiltPres[fpHighPass3],
      Kernel({3, -7, 11, 0, 20, -5, 2, 2, -9}, 7),
      Kernel({3, -7, 11, 0, 20, -5, 2, 2, -9}, -3),
      Kernel({16, 16, 16, 16, 0, 16, 16, 16, 16}, 0),    // magnitude 128: still 16-bit sums
      Kernel({16, 16, 16, 16, 1, 16, 16, 16, 16}, 129),  // 129: 64-bit sums
      Kernel({-40, 90, 0, 0, 1, 0, 0, 0, -1}, 1),
      Kernel({1000, -999, 0, 0, 1, 0, 0, 0, 0}, 37),
      Kernel({INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX}, INT_MAX),
      Kernel({INT_MIN, 0, 0, 0, INT_MIN, 0, 0, 0, INT_MIN}, -1),  // INT_MIN / -1 must not trap
      Kernel({INT_MIN, INT_MAX, INT_MIN, 5, 0, -5, 0, 1, 0}, INT_MIN),
      Kernel({1, 1, 1, 1, 1, 1, 1, 1, 1}, INT_MIN),
  };
  // Widths around the eight-byte groups of the fast pass, and a single row and column.
  const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {1, 7}, {2, 3}, {3, 2}, {5, 5}, {11, 4}, {37, 9}};
  for (const auto& [w, h] : sizes) {
    const TBitmap picture = kxtest::MakePicture(w, h, uint32_t(w * 31 + h));
    for (const TGraphFilter& f : cases) ExpectSame(Filtered(picture, f), Model(picture, f));
  }
}

TEST(Filters, EverySixteenBitSumDividesExactly) {
  // Weights 1 above and 127 on the pixel: odd rows see every pair (above j, own x), so the sums
  // j + 127 x cover 0..32640 and each divisor meets all of them.
  TBitmap picture(256, 512);
  for (int32_t y = 0; y < 512; ++y)
    for (int32_t x = 0; x < 256; ++x) {
      const uint8_t v = y % 2 ? uint8_t(x) : uint8_t(y / 2);
      picture.SetPixel(x, y, CreateRGB(v, v, uint8_t(255 - v)));
    }
  const int32_t divisors[] = {2, 3, 7, 9, 10, 16, 100, 127, 255, 256, 1000, 4097, 32639, 32640, 32641, 65536, INT_MAX};
  for (int32_t d : divisors)
    for (const int32_t sign : {1, -1}) {
      const TGraphFilter f = Kernel({0, sign, 0, 0, 127 * sign, 0, 0, 0, 0}, sign * d);
      TBitmap expected(256, 512);
      for (int32_t y = 0; y < 512; ++y) {
        const uint8_t* above = picture.ScanLine(std::max(y - 1, 0));
        const uint8_t* own = picture.ScanLine(y);
        for (size_t i = 0; i < 256 * 3; ++i)
          expected.ScanLine(y)[i] = uint8_t(std::min<int64_t>((above[i] + 127 * own[i]) / int64_t(d), 255));
      }
      ExpectSame(Filtered(picture, f), expected);
    }
}

TEST(Filters, SharpenSequenceOfTheApplicationByHand) {
  // Red: 16 around a 176 centre. LowPass2 spreads it (56 / 36 / 26), then the high pass
  // 5c - up - down - left - right overshoots below 0 where an edge pixel meets the 36s.
  TBitmap picture(5, 5);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 5; ++x) picture.SetPixel(x, y, CreateRGB(x == 2 && y == 2 ? 176 : 16, 0, 255));
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  proc.ApplyFilterPreset(LowPass2);
  proc.ApplyFilter(Kernel({0, -1, 0, -1, 5, -1, 0, -1, 0}, 1));
  const uint8_t expected[5][5] = {
      {16, 6, 0, 6, 16}, {6, 26, 56, 26, 6}, {0, 56, 136, 56, 0}, {6, 26, 56, 26, 6}, {16, 6, 0, 6, 16}};
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 5; ++x)
      EXPECT_EQ(picture.GetPixel(x, y), CreateRGB(expected[y][x], 0, 255)) << x << "," << y;
}

TEST(Filters, RectangleChangesExactlyItsPixelsReadingItsNeighbours) {
  TBitmap picture = kxtest::MakePicture(30, 30, 5);
  const TBitmap original = picture;
  const TGraphFilter& f = KXFiltPres[fpHighPass2];
  const TBitmap whole = Model(original, f);
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  TProgressLog log;
  proc.OnProgress = TProgressEvent::Bind<&TProgressLog::Handler>(&log);
  proc.Select(10, 10, 19, 19);
  proc.ApplyFilter(f);
  int changed = 0;
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 30; ++x) {
      const bool in = x >= 10 && x <= 19 && y >= 10 && y <= 19;
      ASSERT_EQ(picture.GetPixel(x, y), (in ? whole : original).GetPixel(x, y)) << x << "," << y;
      changed += !(picture.GetPixel(x, y) == original.GetPixel(x, y));
    }
  EXPECT_EQ(changed, 100);
  EXPECT_EQ(log.values, (std::vector<int>{10, 21, 31, 42, 52, 63, 73, 84, 94, 100}));
  ASSERT_TRUE(proc.CanUndo());
  ExpectSame(proc.UndoBitmap(), original);
}

TEST(Filters, RectangleBeyondThePictureIsCutToIt) {
  TBitmap picture = kxtest::MakePicture(12, 9, 2);
  const TBitmap original = picture;
  const TGraphFilter& f = KXFiltPres[fpEmboss];
  _ApplyFilter(picture, f, 4, -3, 40, 5, NullProgress());
  ExpectSame(picture, Model(original, f, 4, 0, 11, 5));
  _ApplyFilter(picture, f, 20, 0, 30, 8, NullProgress());  // nothing of it lies on the picture
  ExpectSame(picture, Model(original, f, 4, 0, 11, 5));
}

TEST(Filters, OtherPixelFormatsAreLeftAlone) {
  TBitmap picture(8, 8, pf8bit);
  for (int32_t y = 0; y < 8; ++y) std::fill_n(picture.ScanLine(y), 8, uint8_t(40 + y));
  const TBitmap original = picture;
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  proc.ApplyFilterPreset(fpEdge);
  ExpectSame(picture, original);
  EXPECT_FALSE(proc.CanUndo());
  proc.ApplyFilterPreset(TKXFilterPresets(200));
  ExpectSame(picture, original);
}

TEST(Filters, MatchImageMagicksCorrelation) {
  const std::string oracle = "/usr/bin/convert";
  if (!kxtest::Have(oracle)) GTEST_SKIP() << "no ImageMagick";
  const TBitmap picture = kxtest::MakePicture(41, 29, 4);
  const std::string in = kxtest::TempPath(".ppm");
  kxtest::WritePPM(in, picture);
  struct TCase {
    TGraphFilter filter;
    const char* kernel;
  } cases[] = {
      {KXFiltPres[fpEmboss], "-1,0,1 -1,1,1 -1,0,1"},
      {KXFiltPres[fpEdge], "1,1,1 1,-8,1 1,1,1"},
      {KXFiltPres[fpHighPass1], "0,-1,0 -1,5,-1 0,-1,0"},
      {KXFiltPres[fpHighPass2], "-1,-1,-1 -1,9,-1 -1,-1,-1"},
      {KXFiltPres[fpHighPass3], "1,-2,1 -2,5,-2 1,-2,1"},
      {Kernel({2, -3, 1, 0, 4, -1, 1, -2, 0}, 1), "2,-3,1 0,4,-1 1,-2,0"},
  };
  for (const TCase& c : cases) {
    const std::string out = kxtest::TempPath(".ppm");
    ASSERT_EQ(kxtest::Run(oracle + " " + kxtest::Quote(in) + " -define convolve:scale=1 -morphology Correlate " +
                          kxtest::Quote(std::string("3x3: ") + c.kernel) + " " + kxtest::Quote(out)),
              0);
    TBitmap theirs;
    ASSERT_TRUE(kxtest::ReadNetpbm(out, theirs));
    ExpectSame(Filtered(picture, c.filter), theirs);
  }
}

TEST(FilterFile, SavesFortyThreeLittleEndianBytesAndLoadsThemBack) {
  const TGraphFilter f = Kernel({1, -2, 3, 256, INT_MIN, INT_MAX, 0, -1, 0x01020304}, -16);
  const std::string path = kxtest::TempPath(".flt");
  SaveFilterToFile(path, f);
  const std::vector<uint8_t> expected = {0x01, 0x03, 0x03, 0x01, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0xFF, 0xFF,
                                         0x03, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0x80, 0xFF, 0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF,
                                         0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01, 0xF0, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(kxtest::ReadFile(path), expected);
  TGraphFilter loaded = KXFiltPres[fpBlur];
  ASSERT_TRUE(LoadFilterFromFile(path, loaded));
  EXPECT_EQ(loaded, f);
  // Saving again replaces the file and leaves no temporary beside it.
  SaveFilterToFile(path, KXFiltPres[LowPass2]);
  ASSERT_TRUE(LoadFilterFromFile(path, loaded));
  EXPECT_EQ(loaded, KXFiltPres[LowPass2]);
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    EXPECT_EQ(entry.path().filename().string().find(".kx-"), std::string::npos) << entry.path();
}

TEST(FilterFile, ShortOrForeignFilesLeaveTheRecordAlone) {
  const std::string path = kxtest::TempPath(".flt");
  SaveFilterToFile(path, Kernel({9, 8, 7, 6, 5, 4, 3, 2, 1}, 3));
  const std::vector<uint8_t> good = kxtest::ReadFile(path);
  std::vector<std::vector<uint8_t>> bad;
  for (size_t n = 0; n < good.size(); ++n) bad.emplace_back(good.begin(), good.begin() + std::ptrdiff_t(n));
  for (size_t k = 0; k < 3; ++k) {
    bad.push_back(good);
    bad.back()[k] = 0x02;
  }
  for (const std::vector<uint8_t>& bytes : bad) {
    kxtest::WriteFile(path, bytes);
    TGraphFilter f = KXFiltPres[fpEmboss];
    EXPECT_FALSE(LoadFilterFromFile(path, f)) << bytes.size() << " bytes";
    EXPECT_EQ(f, KXFiltPres[fpEmboss]) << bytes.size() << " bytes";
  }
  // Bytes after a complete record are not read.
  std::vector<uint8_t> longer = good;
  longer.push_back(0x55);
  TMemoryStream stream(longer);
  TGraphFilter f{};
  ASSERT_TRUE(ReadFilterFromStream(stream, f));
  EXPECT_EQ(f, Kernel({9, 8, 7, 6, 5, 4, 3, 2, 1}, 3));
  EXPECT_EQ(stream.Position(), 43);
}

TEST(FilterFile, FailuresRaiseAndKeepWhatWasThere) {
  TGraphFilter f = KXFiltPres[fpBlur];
  EXPECT_THROW(LoadFilterFromFile(kxtest::TempPath(".missing"), f), EFOpenError);
  EXPECT_EQ(f, KXFiltPres[fpBlur]);
  EXPECT_THROW(SaveFilterToFile(kxtest::TempPath(".none") + "/x.flt", f), EFCreateError);
  // A folder standing where the file should go cannot be replaced: it stays, with its
  // contents, and no temporary is left next to it.
  const std::string folder = kxtest::TempPath(".dir");
  std::filesystem::create_directories(folder + "/inner");
  EXPECT_THROW(SaveFilterToFile(folder, f), EFCreateError);
  EXPECT_TRUE(std::filesystem::is_directory(folder + "/inner"));
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder).parent_path()))
    EXPECT_EQ(entry.path().filename().string().find(".kx-"), std::string::npos) << entry.path();
}
