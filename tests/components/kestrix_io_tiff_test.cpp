// The I/O component's TIFF page functions on real files: a page inserted and one deleted, each
// saved under a temporary name and renamed, and failures that leave the file byte for byte.
#include <gtest/gtest.h>

#include <filesystem>

#include "imaging/components/kestrix_io.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

size_t FilesIn(const std::string& folder) {
  return size_t(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

TEST(KestrixIOTiff, PagesAreInsertedCountedAndDeletedInPlace) {
  const std::string folder = kxtest::TempPath("-pages");
  std::filesystem::create_directory(folder);
  const std::string file = folder + "/pages.tif";
  TBitmap bitmap = kxtest::MakePicture(9, 7);
  TKestrixIO io;
  io.SetAttachedBitmap(&bitmap);
  io.SaveToFileTIFF(file);
  ASSERT_FALSE(io.Aborting());
  bitmap = kxtest::MakePicture(5, 3, 2);
  io.IOParams().TIFF_ImageIndex = 0;
  EXPECT_EQ(io.InsertToFileTIFF(file), 2);
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(EnumTIFFIm(file), 2);
  // The inserted page comes first.
  TBitmap first;
  TKestrixIO reader;
  reader.SetAttachedBitmap(&first);
  reader.LoadFromFileTIFF(file);
  EXPECT_TRUE(kxtest::SameBitmap(first, bitmap));
  EXPECT_EQ(DeleteTIFFIm(file, 0), 2);
  EXPECT_EQ(EnumTIFFIm(file), 1);
  reader.LoadFromFileTIFF(file);
  EXPECT_EQ(first.Width(), 9);
  EXPECT_EQ(FilesIn(folder), 1u) << "no temporary left";
}

TEST(KestrixIOTiff, AFileThatCannotTakeAPageStaysAsItWas) {
  const std::string file = kxtest::TempPath(".tif");
  const std::vector<uint8_t> bigEndian = {'M', 'M', 0, 42, 0, 0, 0, 0};
  kxtest::WriteFile(file, bigEndian);
  TBitmap bitmap = kxtest::MakePicture(4, 4);
  TKestrixIO io;
  io.SetAttachedBitmap(&bitmap);
  EXPECT_EQ(io.InsertToFileTIFF(file), 0);
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(kxtest::ReadFile(file), bigEndian);
  EXPECT_EQ(DeleteTIFFIm(file, 0), 0);
  EXPECT_EQ(kxtest::ReadFile(file), bigEndian);
  EXPECT_THROW(EnumTIFFIm(file + ".missing"), EStreamError);
}

}  // namespace
