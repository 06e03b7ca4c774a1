// What a selection in the picture dialogs opens, how far a large JPEG is reduced for its
// preview, the full-size window's sides, and the history of folders.
#include "imaging/dialogs/preview_plan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "imaging/dialogs/folder_history.h"
#include "tests/support/test_support.h"

using namespace kx;

TEST(PreviewPlan, OnlyRegularFilesAreOpened) {
  const std::string file = kxtest::TempPath(".jpg");
  kxtest::WriteFile(file, std::vector<uint8_t>(1500, 7));
  const TKXPreviewPlan plan = KXPlanPreview(file);
  EXPECT_TRUE(plan.Open);
  EXPECT_EQ(plan.FileSize, 1500);

  const std::string link = kxtest::TempPath(".jpg");
  std::filesystem::create_symlink(file, link);
  EXPECT_TRUE(KXPlanPreview(link).Open);

  const std::string fifo = kxtest::TempPath(".jpg");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string folder = kxtest::TempPath(".jpg");
  std::filesystem::create_directory(folder);
  for (const std::string& path : {fifo, folder, std::string("/dev/zero"), kxtest::TempPath(".jpg"), std::string()})
    EXPECT_FALSE(KXPlanPreview(path).Open) << path;
}

TEST(PreviewPlan, TifAndTiffBothMayHoldFrames) {
  for (const char* name : {"a.tif", "a.TIFF", "a.tiff", "a.gif", "a.avi"}) EXPECT_TRUE(KXMayHoldFrames(name)) << name;
  for (const char* name : {"a.jpg", "a.tif.png", "tiff", "a.ti"}) EXPECT_FALSE(KXMayHoldFrames(name)) << name;
}

TEST(PreviewPlan, LargeJpegIsReducedAsFarAsTheBoxAllows) {
  struct {
    int32_t Width, Height;
    TIOJPEGScale Scale;
  } const cases[] = {
      {4000, 3000, ioJPEG_EIGHTH}, {1760, 1760, ioJPEG_EIGHTH}, {1759, 1760, ioJPEG_QUARTER},
      {880, 1000, ioJPEG_QUARTER}, {440, 879, ioJPEG_HALF},     {439, 3000, ioJPEG_FULLSIZE},
      {100, 100, ioJPEG_FULLSIZE},
  };
  for (const auto& c : cases)
    EXPECT_EQ(KXPreviewJpegScale(c.Width, c.Height, 220, 220), c.Scale) << c.Width << "x" << c.Height;
}

TEST(PreviewPlan, FullSizeWindowSideBetweenHundredAndTheScreen) {
  EXPECT_EQ(KXPreviewWindowSide(40, 1920), 100);
  EXPECT_EQ(KXPreviewWindowSide(100, 1920), 100);
  EXPECT_EQ(KXPreviewWindowSide(101, 1920), 101);
  EXPECT_EQ(KXPreviewWindowSide(5000, 1920), 1920);
}

TEST(FolderHistory, NewestFirstWithoutRepeatsWithinItsCapacity) {
  TKXFolderHistory history(3);
  for (const char* f : {"/a", "/b", "/a", "", "/c", "/d"}) history.Add(f);
  EXPECT_EQ(history.Folders(), (std::vector<std::string>{"/d", "/c", "/a"}));
}
