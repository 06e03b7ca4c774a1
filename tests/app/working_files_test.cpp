// The working folder and the preview names: the folder's place and mode, names of the preview
// form created exclusively, collisions, planted links, two instances, and leftovers.
#include "app/working_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>

#include "tests/support/test_support.h"

using namespace quillop;
namespace fs = std::filesystem;

namespace {

std::string Folder() {
  const std::string folder = kxtest::TempPath(".work");
  fs::create_directory(folder);
  return folder;
}

fs::perms Mode(const std::string& path) { return fs::symlink_status(path).permissions() & fs::perms::all; }

// Sets an environment variable for one scope.
class TEnvScope {
 public:
  TEnvScope(const char* name, const std::string& value) : fName(name) {
    if (const char* old = std::getenv(name)) fOld = old, fHad = true;
    setenv(name, value.c_str(), 1);
  }
  ~TEnvScope() {
    if (fHad)
      setenv(fName, fOld.c_str(), 1);
    else
      unsetenv(fName);
  }

 private:
  const char* fName;
  std::string fOld;
  bool fHad = false;
};

}  // namespace

TEST(WorkingFolder, IsTheUsersOwnCacheFolderWithModeSevenHundred) {
  const std::string cache = kxtest::TempPath(".cache");
  TEnvScope env("XDG_CACHE_HOME", cache);
  const std::string folder = PrepareWorkingFolder();
  EXPECT_EQ(folder, cache + "/quillop");
  EXPECT_EQ(Mode(folder), fs::perms::owner_all);
  fs::permissions(folder, fs::perms::owner_all | fs::perms::group_all | fs::perms::others_read);
  EXPECT_EQ(PrepareWorkingFolder(), folder);
  EXPECT_EQ(Mode(folder), fs::perms::owner_all) << "opened up by someone: closed again";

  const std::string elsewhere = kxtest::TempPath(".cache");
  fs::create_directories(elsewhere);
  const std::string target = Folder();
  fs::create_directory_symlink(target, elsewhere + "/quillop");
  TEnvScope linked("XDG_CACHE_HOME", elsewhere);
  EXPECT_EQ(PrepareWorkingFolder(), "") << "a planted link is not our folder";
  EXPECT_EQ(FolderOfFile("/home/u/Pictures/a.jpg"), "/home/u/Pictures");
  EXPECT_EQ(FolderOfFile("/a.jpg"), "/");
}

TEST(PreviewFiles, NamesHaveThePreviewFormAndStayReserved) {
  const std::string folder = Folder();
  TPreviewFiles previews(folder, [] { return 0x00ABCDEFu; });
  const std::string first = previews.ReserveName();
  EXPECT_EQ(first, folder + "/00abcdef.jpg");
  EXPECT_TRUE(std::regex_match(fs::path(first).filename().string(), std::regex("^[0-9a-f]{8}\\.jpg$")));
  EXPECT_TRUE(fs::is_regular_file(first)) << "the name stays reserved until the encoder replaces it";
  EXPECT_EQ(Mode(first), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(previews.TempFileName(), "") << "reserved, not yet the preview";
  previews.Adopt(first);
  EXPECT_EQ(previews.TempFileName(), first);
  // The clock stands still: the next name is the following number, and the previous preview
  // goes only when the next one is adopted.
  const std::string second = previews.ReserveName();
  EXPECT_EQ(second, folder + "/00abcdf0.jpg");
  EXPECT_TRUE(fs::exists(first));
  previews.Adopt(second);
  EXPECT_FALSE(fs::exists(first));
  const std::string unused = previews.ReserveName();
  TPreviewFiles::Release(unused);
  EXPECT_FALSE(fs::exists(unused));
  EXPECT_EQ(previews.TempFileName(), second);
  previews.DeletePreview();
  EXPECT_FALSE(fs::exists(second));
  EXPECT_EQ(previews.TempFileName(), "");
  EXPECT_TRUE(IsPreviewName("0123abcd.jpg"));
  for (const char* bad : {"0123ABCD.jpg", "0123abc.jpg", "0123abcd.jpeg", "0123abcdx.jpg", ".instances"})
    EXPECT_FALSE(IsPreviewName(bad)) << bad;
}

TEST(PreviewFiles, CollisionsAndPlantedLinksAreSkippedAndTwoInstancesNeverShareAName) {
  const std::string folder = Folder();
  kxtest::WriteFile(folder + "/00000010.jpg", {'o', 'l', 'd'});
  const std::string outside = Folder() + "/victim";
  kxtest::WriteFile(outside, {'k', 'e', 'e', 'p'});
  fs::create_symlink(outside, folder + "/00000011.jpg");
  TPreviewFiles one(folder, [] { return 0x10u; });
  TPreviewFiles two(folder, [] { return 0x10u; });
  for (TPreviewFiles* p : {&one, &two, &one, &two}) {
    const std::string name = p->ReserveName();
    ASSERT_FALSE(name.empty());
    EXPECT_NE(name, folder + "/00000010.jpg");
    EXPECT_NE(name, folder + "/00000011.jpg");
    p->Adopt(name);
    EXPECT_NE(one.TempFileName(), two.TempFileName());
  }
  EXPECT_EQ(one.TempFileName(), folder + "/00000014.jpg");
  EXPECT_EQ(two.TempFileName(), folder + "/00000012.jpg");
  EXPECT_FALSE(fs::exists(folder + "/00000013.jpg")) << "each instance replaces its own previous preview";
  EXPECT_EQ(kxtest::ReadFile(folder + "/00000010.jpg"), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(kxtest::ReadFile(outside), (std::vector<uint8_t>{'k', 'e', 'e', 'p'})) << "a planted link is not followed";
  EXPECT_TRUE(fs::is_symlink(folder + "/00000011.jpg"));
}

TEST(PreviewFiles, LeftoversOfEarlierRunsGoWhenNoOtherInstanceRuns) {
  const std::string folder = Folder();
  for (const char* name : {"0000aaaa.jpg", "0000bbbb.jpg", "notes.txt", "0000CCCC.jpg"})
    kxtest::WriteFile(folder + "/" + name, {'x'});
  const std::string outside = Folder() + "/victim.jpg";
  kxtest::WriteFile(outside, {'k'});
  fs::create_symlink(outside, folder + "/0000dddd.jpg");
  {
    TPreviewFiles running(folder);
    TPreviewFiles starting(folder);
    EXPECT_EQ(starting.RemoveLeftovers(), 0) << "another instance runs: its previews are not leftovers";
  }
  TPreviewFiles alone(folder);
  EXPECT_EQ(alone.RemoveLeftovers(), 2);
  std::set<std::string> left;
  for (const auto& e : fs::directory_iterator(folder)) left.insert(e.path().filename().string());
  EXPECT_EQ(left, (std::set<std::string>{".instances", "0000CCCC.jpg", "0000dddd.jpg", "notes.txt"}));
  EXPECT_TRUE(fs::exists(outside));
}
