// Editing multi-image GIF files: inserting at the front, in the middle, at the end and beyond,
// deleting and counting, the looping extension, and files that are not GIFs or are damaged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/io/gif_codec.h"
#include "imaging/io/ioparams.h"
#include "tests/io/gif_test_files.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::BuildGif;
using kxtest::TGifImage;

namespace {

class GifEdit : public kxtest::TWithLZWCoders {};

const TRGB kRed{0, 0, 255}, kGreen{0, 255, 0}, kBlue{255, 0, 0}, kWhite{255, 255, 255};

// A file of one-pixel images whose colours are the global table's entries `indices`, each
// with a control extension whose delay is its position.
std::string FileOf(const std::vector<uint8_t>& indices) {
  std::vector<TGifImage> images;
  for (size_t i = 0; i < indices.size(); ++i) {
    TGifImage im;
    im.Indices = {indices[i]};
    im.Control = true;
    im.Delay = uint16_t(i + 1);
    images.push_back(im);
  }
  const std::string path = kxtest::TempPath(".gif");
  kxtest::WriteFile(path, BuildGif(1, 1, {kRed, kGreen, kBlue, kWhite}, images));
  return path;
}

// The colour and delay of every image of the file, in order.
std::vector<std::pair<TRGB, int32_t>> Frames(const std::string& path) {
  std::vector<std::pair<TRGB, int32_t>> out;
  const std::vector<uint8_t> bytes = kxtest::ReadFile(path);
  for (int32_t i = 0;; ++i) {
    const kxtest::TGifRead r = kxtest::ReadGifBytes(bytes, i);
    if (r.Aborted) break;
    out.emplace_back(r.Bitmap.GetPixel(0, 0), r.Params.GIF_DelayTime);
  }
  return out;
}

int32_t Insert(const std::string& path, int32_t position, bool* aborted = nullptr) {
  TBitmap white = kxtest::Filled(1, 1, kWhite);
  TIOParamsVals params;
  params.GIF_ImageIndex = position;
  params.GIF_DelayTime = 99;
  bool flag = false;
  TProgressRec progress = NullProgress();
  progress.Aborting = &flag;
  const int32_t count = _InsertGifIm(path, white, params, progress);
  if (aborted) *aborted = flag;
  return count;
}

TEST_F(GifEdit, InsertsAtTheFrontInTheMiddleAndAtTheEnd) {
  using F = std::vector<std::pair<TRGB, int32_t>>;
  // Beyond the count nothing is inserted.
  const std::pair<TRGB, int32_t> r{kRed, 1}, g{kGreen, 2}, w{kWhite, 99};
  const std::vector<std::pair<int32_t, F>> expected = {{0, {w, r, g}}, {1, {r, w, g}}, {2, {r, g, w}}, {3, {r, g}}};
  for (const auto& [position, frames] : expected) {
    SCOPED_TRACE(position);
    const std::string path = FileOf({0, 1});
    EXPECT_EQ(Insert(path, position), int32_t(frames.size()));
    EXPECT_EQ(Frames(path), frames);
  }
}

TEST_F(GifEdit, InsertingBeforeAnImageWithoutAControlExtension) {
  TGifImage plain;
  plain.Indices = {2};
  const std::string path = kxtest::TempPath(".gif");
  kxtest::WriteFile(path, BuildGif(1, 1, {kRed, kGreen, kBlue, kWhite}, {plain}));
  EXPECT_EQ(Insert(path, 0), 2);
  const auto frames = Frames(path);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].first, kWhite);
  EXPECT_EQ(frames[1].first, kBlue);
  // The new image's control extension stays with it.
  EXPECT_EQ(frames[1].second, 0);
}

TEST_F(GifEdit, DeletesAndCounts) {
  const std::string path = FileOf({0, 1, 2});
  const std::vector<uint8_t> before = kxtest::ReadFile(path);
  EXPECT_EQ(_DeleteGifIm(path, -1, false), 3);
  EXPECT_EQ(kxtest::ReadFile(path), before);
  EXPECT_EQ(_DeleteGifIm(path, 1, true), 2);
  using F = std::vector<std::pair<TRGB, int32_t>>;
  // The deleted image's control extension goes with it.
  EXPECT_EQ(Frames(path), (F{{kRed, 1}, {kBlue, 3}}));
  EXPECT_EQ(_DeleteGifIm(path, 5, true), 2);
  EXPECT_EQ(Frames(path), (F{{kRed, 1}, {kBlue, 3}}));
}

TEST_F(GifEdit, MakingAFileLoopTwiceReplacesTheCount) {
  const std::string path = FileOf({0, 1});
  EXPECT_FALSE(_CheckGifAnimate(path));
  _GifMakeAnimate(path, 3, 40, 30);
  EXPECT_TRUE(_CheckGifAnimate(path));
  const size_t looping = kxtest::ReadFile(path).size();
  _GifMakeAnimate(path, 7, 41, 31);
  const std::vector<uint8_t> bytes = kxtest::ReadFile(path);
  EXPECT_EQ(bytes.size(), looping);
  const size_t at = 13 + 3 * 4;
  EXPECT_EQ(std::string(bytes.begin() + int64_t(at) + 3, bytes.begin() + int64_t(at) + 14), "NETSCAPE2.0");
  EXPECT_EQ(bytes[at + 16], 7);
  const kxtest::TGifRead r = kxtest::ReadGifBytes(bytes, 1);
  EXPECT_EQ(r.Params.GIF_ScreenWidth, 41);
  EXPECT_EQ(r.Params.GIF_ScreenHeight, 31);
  EXPECT_EQ(r.Count, 2);
  EXPECT_EQ(_DeleteGifIm(path, -1, false), 2);
}

TEST_F(GifEdit, FilesThatAreNoGifOrAreDamagedStayAsTheyWere) {
  const std::string text = kxtest::TempPath(".gif");
  const std::vector<uint8_t> notGif{'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
  kxtest::WriteFile(text, notGif);
  bool aborted = false;
  EXPECT_EQ(Insert(text, 0, &aborted), 0);
  EXPECT_TRUE(aborted);
  EXPECT_EQ(_DeleteGifIm(text, 0, true), 0);
  _GifMakeAnimate(text, 0, 5, 5);
  EXPECT_FALSE(_CheckGifAnimate(text));
  EXPECT_EQ(kxtest::ReadFile(text), notGif);

  const std::string cut = FileOf({0, 1});
  std::vector<uint8_t> bytes = kxtest::ReadFile(cut);
  bytes.resize(bytes.size() - 4);
  kxtest::WriteFile(cut, bytes);
  EXPECT_EQ(Insert(cut, 5, &aborted), 0);
  EXPECT_TRUE(aborted);
  EXPECT_EQ(_DeleteGifIm(cut, 1, true), 1);
  EXPECT_EQ(kxtest::ReadFile(cut), bytes);
}

}  // namespace
