// The settings stores: the file store's key files, text form, types and all-or-nothing commits,
// and the in-memory store's pending writes and planted failures.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/file_settings_store.h"
#include "platform/memory_settings_store.h"
#include "tests/support/test_support.h"

using namespace kx;
namespace fs = std::filesystem;

namespace {

const std::string kKey = "\\SOFTWARE\\Brindlework\\Quillop";

std::string Text(const std::string& path) {
  const std::vector<uint8_t> bytes = kxtest::ReadFile(path);
  return std::string(bytes.begin(), bytes.end());
}

// A fresh store folder.
std::string StoreFolder() {
  const std::string folder = kxtest::TempPath(".config");
  fs::create_directory(folder);
  return folder;
}

}  // namespace

TEST(FileSettingsStore, KeysAreFilesUnderTheFolder) {
  TFileSettingsStore store("/home/u/.config");
  EXPECT_EQ(store.KeyFile(kKey), "/home/u/.config/Brindlework/Quillop.conf");
  EXPECT_EQ(store.KeyFile("\\software\\A"), "/home/u/.config/A.conf");
  EXPECT_EQ(store.KeyFile("Other\\Key"), "/home/u/.config/Other/Key.conf");
  for (const char* bad : {"", "\\SOFTWARE\\", "\\SOFTWARE\\..\\x", "\\SOFTWARE\\a\\\\b", "\\SOFTWARE\\a/b"})
    EXPECT_EQ(store.KeyFile(bad), "") << bad;
  store.SetRootKey(TSettingsRoot::LocalMachine);
  EXPECT_EQ(store.KeyFile(kKey), "");
  EXPECT_FALSE(store.OpenKey(kKey, true));
}

TEST(FileSettingsStore, WritesCommitTogetherAndReadBackExactly) {
  const std::string folder = StoreFolder();
  const std::string file = folder + "/Brindlework/Quillop.conf";
  {
    TFileSettingsStore store(folder);
    EXPECT_FALSE(store.OpenKey(kKey, false)) << "no file: no key";
    ASSERT_TRUE(store.OpenKey(kKey, true));
    store.WriteString("MRUD", " /home/u/My Pictures\\new\nline\t= 1 ");
    store.WriteString("JPEGComp", "75");
    EXPECT_FALSE(fs::exists(file)) << "nothing is written before the commit";
    EXPECT_EQ(store.ReadString("JPEGComp"), "") << "reads see committed values";
    store.Flush();
    EXPECT_EQ(store.ReadString("JPEGComp"), "75");
    EXPECT_THROW(store.WriteString("bad name", "x"), ESettingsError);
  }
  EXPECT_EQ(Text(file),
            "# Settings written by the program; one value per line: type name = text\n"
            "string JPEGComp = 75\n"
            "string MRUD =  /home/u/My Pictures\\\\new\\nline\\t= 1 \n");
  EXPECT_EQ(fs::status(folder + "/Brindlework").permissions() & fs::perms::all, fs::perms::owner_all);
  TFileSettingsStore again(folder);
  ASSERT_TRUE(again.OpenKey(kKey, false));
  EXPECT_EQ(again.ReadString("MRUD"), " /home/u/My Pictures\\new\nline\t= 1 ");
  EXPECT_EQ(again.ReadString("Absent"), "");
  for (const auto& e : fs::directory_iterator(folder + "/Brindlework"))
    EXPECT_EQ(e.path().filename(), "Quillop.conf") << "no temporary is left";
}

TEST(FileSettingsStore, ValuesOfOtherTypesAreErrorsAndSurviveARewrite) {
  const std::string folder = StoreFolder();
  fs::create_directory(folder + "/Brindlework");
  const std::string file = folder + "/Brindlework/Quillop.conf";
  {
    std::FILE* f = std::fopen(file.c_str(), "w");
    std::fputs("integer TwainSource = 2\nbinary Blob = 00ff\nnot a line\nstring JPEGComp = 75\n", f);
    std::fclose(f);
  }
  TFileSettingsStore store(folder);
  ASSERT_TRUE(store.OpenKey(kKey, false));
  EXPECT_THROW(store.ReadString("TwainSource"), ESettingsError);
  EXPECT_THROW(store.ReadString("Blob"), ESettingsError);
  EXPECT_EQ(store.ReadString("JPEGComp"), "75");
  store.WriteString("JPEGComp", "80");
  store.Flush();
  EXPECT_EQ(Text(file),
            "# Settings written by the program; one value per line: type name = text\n"
            "binary Blob = 00ff\n"
            "string JPEGComp = 80\n"
            "integer TwainSource = 2\n");
}

TEST(FileSettingsStore, AFailedCommitKeepsTheOldFileByteForByte) {
  const std::string folder = StoreFolder();
  const std::string file = folder + "/Brindlework/Quillop.conf";
  TFileSettingsStore store(folder);
  ASSERT_TRUE(store.OpenKey(kKey, true));
  store.WriteString("MRUD", "/old");
  store.Flush();
  const std::string before = Text(file);

  // Files may not grow past a few bytes: the new file's write fails as on a full disk, for
  // root too.
  store.WriteString("MRUD", "/a much longer folder name than before");
  {
    const kxtest::TFileSizeLimitScope limit(16);
    const std::string message = kxtest::MessageOf<ESettingsError>([&] { store.Flush(); });
    EXPECT_NE(message.find(file), std::string::npos) << message;
  }
  EXPECT_EQ(Text(file), before);
  for (const auto& e : fs::directory_iterator(folder + "/Brindlework"))
    EXPECT_EQ(e.path().filename(), "Quillop.conf") << "the temporary is removed";
  store.Discard();
  store.Flush();
  EXPECT_EQ(Text(file), before);
}

TEST(MemorySettingsStore, PendingWritesCommitOnFlushAndPlantedFailuresThrow) {
  TMemorySettingsStore store;
  EXPECT_FALSE(store.OpenKey(kKey, false));
  ASSERT_TRUE(store.OpenKey(kKey, true));
  store.WriteString("A", "1");
  EXPECT_TRUE(store.Keys().empty());
  store.Flush();
  EXPECT_EQ(store.ReadString("A"), "1");
  store.FailWrite(2);
  store.WriteString("B", "2");
  EXPECT_THROW(store.WriteString("C", "3"), ESettingsError);
  store.Discard();
  store.Flush();
  EXPECT_EQ(store.ReadString("B"), "");
  store.Plant(kKey, "N", {TSettingsValueType::Integer, "5"});
  EXPECT_THROW(store.ReadString("N"), ESettingsError);
  store.CloseKey();
  EXPECT_THROW(store.ReadString("A"), ESettingsError);
}
