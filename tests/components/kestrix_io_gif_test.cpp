// The I/O component's GIF side: loads return the image count, InsertToFileGif widens the
// screen and makes the file loop, and the unit functions turn missing files into 0 and false.
#include <gtest/gtest.h>

#include <string>

#include "imaging/components/kestrix_io.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/gif_codec.h"
#include "imaging/io/ioparams.h"
#include "tests/io/gif_test_files.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

class KestrixIOGif : public kxtest::TWithLZWCoders {};

const TRGB kRed{0, 0, 255}, kGreen{0, 255, 0};

std::string OneImageFile(TRGB color) {
  TBitmap picture = kxtest::Filled(4, 3, color);
  TKestrixIO io;
  io.SetAttachedBitmap(&picture);
  const std::string path = kxtest::TempPath(".gif");
  io.SaveToFile(path);
  EXPECT_FALSE(io.Aborting());
  return path;
}

TEST_F(KestrixIOGif, InsertsLoopsAndCounts) {
  const std::string path = OneImageFile(kRed);
  TBitmap picture = kxtest::Filled(6, 4, kGreen);
  TKestrixIO io;
  io.SetAttachedBitmap(&picture);
  io.IOParams().GIF_ImageIndex = 1;
  io.IOParams().GIF_HorizPosition = 3;
  EXPECT_EQ(io.InsertToFileGif(path), 2);
  EXPECT_FALSE(io.Aborting());
  EXPECT_TRUE(CheckAniGif(path));
  EXPECT_EQ(EnumGifIm(path), 2);

  TBitmap loaded;
  TKestrixIO reader;
  reader.SetAttachedBitmap(&loaded);
  reader.IOParams().GIF_ImageIndex = 1;
  EXPECT_EQ(reader.LoadFromFileGif(path), 2);
  ASSERT_FALSE(reader.Aborting());
  EXPECT_EQ(reader.IOParams().GIF_ScreenWidth, 9);
  EXPECT_EQ(reader.IOParams().GIF_ScreenHeight, 4);
  EXPECT_EQ(reader.IOParams().GIF_HorizPosition, 3);
  EXPECT_EQ(loaded.GetPixel(5, 3), kGreen);
  TMemoryStream stream;
  stream.LoadFromFile(path);
  EXPECT_EQ(reader.LoadFromStreamGif(stream), 2);

  EXPECT_EQ(DeleteGifIm(path, 0), 1);
  reader.IOParams().GIF_ImageIndex = 0;
  reader.LoadFromFile(path);
  EXPECT_EQ(loaded.GetPixel(0, 0), kGreen);
}

TEST_F(KestrixIOGif, MissingFilesGiveNothing) {
  const std::string missing = kxtest::TempPath(".gif");
  EXPECT_EQ(EnumGifIm(missing), 0);
  EXPECT_FALSE(CheckAniGif(missing));
  TBitmap picture = kxtest::Filled(2, 2, kRed);
  TKestrixIO io;
  io.SetAttachedBitmap(&picture);
  EXPECT_THROW(io.InsertToFileGif(missing), EStreamError);
}

}  // namespace
