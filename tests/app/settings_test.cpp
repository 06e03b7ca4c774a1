// The six settings: reading with its order, stop rule and clamping, start-up's reset of the
// edits, and writing with one message and nothing half-committed, on the in-memory store and on
// the file store in a temporary configuration folder.
#include "app/settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_settings_store.h"
#include "platform/memory_settings_store.h"
#include "tests/support/test_support.h"

using namespace quillop;
using kx::TMemorySettingsStore;
using kx::TSettingsValueType;

namespace {

TMemorySettingsStore StoreWith(std::initializer_list<std::pair<const char*, TMemorySettingsStore::TValue>> values) {
  TMemorySettingsStore store;
  store.OpenKey(kSettingsKey, true);
  store.Flush();
  for (const auto& [name, value] : values) store.Plant(kSettingsKey, name, value);
  return store;
}

TMemorySettingsStore::TValue S(const char* text) { return {TSettingsValueType::String, text}; }

}  // namespace

TEST(Settings, ReadingFollowsItsOrderStopRuleAndRanges) {
  const TSettings defaults;
  struct TCase {
    const char* what;
    std::vector<std::pair<const char*, TMemorySettingsStore::TValue>> values;
    bool result;
    TSettings expected;
  };
  const auto with = [&](auto change) {
    TSettings s = defaults;
    change(s);
    return s;
  };
  const TCase cases[] = {
      {"empty key", {}, true, defaults},
      {"quality 75", {{"JPEGComp", S("75")}}, true, with([](TSettings& s) { s.JPEGComp = 75; })},
      {"every value",
       {{"MRUD", S("/home/u/Pictures")},
        {"TwainSource", S("2")},
        {"JPEGComp", S("+80")},
        {"JPEGSmooth", S("10")},
        {"Brightness", S("40")},
        {"Contrast", S("-20")}},
       true,
       {"/home/u/Pictures", 2, 80, 10, 40, -20}},
      {"smoothing abc stops with the earlier values kept",
       {{"MRUD", S("/m")},
        {"TwainSource", S("1")},
        {"JPEGComp", S("75")},
        {"JPEGSmooth", S("abc")},
        {"Brightness", S("40")}},
       false,
       with([](TSettings& s) { s.MRUD = "/m", s.TwainSource = 1, s.JPEGComp = 75; })},
      {"a number typed value stops",
       {{"JPEGComp", S("75")}, {"JPEGSmooth", {TSettingsValueType::Integer, "5"}}},
       false,
       with([](TSettings& s) { s.JPEGComp = 75; })},
      {"out of range is clamped",
       {{"TwainSource", S("-3")}, {"JPEGComp", S("500")}, {"Brightness", S("-7000")}, {"Contrast", S("101")}},
       true,
       with([](TSettings& s) { s.TwainSource = 0, s.JPEGComp = 100, s.Brightness = -100, s.Contrast = 100; })},
      {"beyond 32 bits is malformed", {{"JPEGComp", S("99999999999")}}, false, defaults},
      {"blanks are malformed", {{"JPEGComp", S(" 75")}}, false, defaults},
  };
  for (const TCase& c : cases) {
    TMemorySettingsStore store;
    store.OpenKey(kSettingsKey, true);
    store.Flush();
    for (const auto& [name, value] : c.values) store.Plant(kSettingsKey, name, value);
    TSettings read;
    EXPECT_EQ(ReadSettings(store, read), c.result) << c.what;
    EXPECT_EQ(read, c.expected) << c.what;
  }
}

TEST(Settings, NoKeyIsAFirstRunWithTheDefaultsAndStartUpNeverAppliesStoredEdits) {
  TMemorySettingsStore none;
  bool firstRun = false;
  EXPECT_EQ(StartupSettings(none, &firstRun), TSettings{});
  EXPECT_TRUE(firstRun);
  TSettings expected{"", 0, 60, 0, 0, 0};
  EXPECT_EQ(TSettings{}, expected);

  TMemorySettingsStore store = StoreWith({{"JPEGComp", S("75")}, {"Brightness", S("40")}, {"Contrast", S("-10")}});
  const TSettings started = StartupSettings(store, &firstRun);
  EXPECT_FALSE(firstRun);
  EXPECT_EQ(started.JPEGComp, 75);
  EXPECT_EQ(started.Brightness, 0);
  EXPECT_EQ(started.Contrast, 0);
}

TEST(Settings, WritingStopsAtTheFirstFailureWithOneMessageAndCommitsNothing) {
  TMemorySettingsStore store = StoreWith({{"JPEGComp", S("60")}});
  const auto before = store.Keys();
  std::vector<std::string> messages;
  const auto show = [&](const std::string& m) { messages.push_back(m); };
  store.FailWrite(3);
  EXPECT_FALSE(WriteSettings(store, {"/x", 1, 75, 5, 10, 20}, show));
  EXPECT_EQ(messages, std::vector<std::string>{"Error Saving Configuration"});
  EXPECT_EQ(store.Writes(), 3) << "Brightness, Contrast, then JPEGComp failed; the rest never tried";
  EXPECT_EQ(store.Keys(), before);

  messages.clear();
  EXPECT_TRUE(WriteSettings(store, {"/x", 1, 75, 5, 10, 20}, show));
  EXPECT_TRUE(messages.empty());
  TSettings back;
  EXPECT_TRUE(ReadSettings(store, back));
  EXPECT_EQ(back, (TSettings{"/x", 1, 75, 5, 10, 20}));
}

TEST(Settings, TheFileStoreKeepsTheOldFileWhenSavingFails) {
  const std::string folder = kxtest::TempPath(".config");
  std::filesystem::create_directory(folder);
  kx::TFileSettingsStore store(folder);
  const std::string file = store.KeyFile(kSettingsKey);
  ASSERT_TRUE(WriteSettings(store, {"/first", 0, 60, 0, 0, 0}, {}));
  const std::vector<uint8_t> before = kxtest::ReadFile(file);
  TSettings read;
  kx::TFileSettingsStore fresh(folder);
  ASSERT_TRUE(ReadSettings(fresh, read));
  EXPECT_EQ(read.MRUD, "/first");

  int messages = 0;
  bool written = true;
  {
    const kxtest::TFileSizeLimitScope limit(8);
    written = WriteSettings(store, {"/second", 3, 90, 10, 5, 5}, [&](const std::string&) { ++messages; });
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(messages, 1);
  EXPECT_EQ(kxtest::ReadFile(file), before);
}
