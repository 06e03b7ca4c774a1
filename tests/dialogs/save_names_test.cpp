// The save dialog's name rules and the start folder rule.
#include "imaging/dialogs/save_names.h"

#include <gtest/gtest.h>

#include "imaging/dialogs/initial_dir.h"

using namespace kx;

TEST(SaveNames, TypedNameWithoutExtensionGetsTheDefault) {
  struct {
    const char *Name, *Ext, *Result;
  } const cases[] = {
      {"holiday", "jpg", "holiday.jpg"},
      {"holiday", ".jpg", "holiday.jpg"},
      {"/home/me/pictures.2024/holiday", "jpg", "/home/me/pictures.2024/holiday.jpg"},
      {".hidden", "jpg", ".hidden.jpg"},
      {"holiday.png", "jpg", "holiday.png"},
      {"holiday.", "jpg", "holiday..jpg"},
      {"holiday", "", "holiday"},
      {"", "jpg", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(KXWithDefaultExtension(c.Name, c.Ext), c.Result) << c.Name;
}

TEST(SaveNames, TypeChangeReplacesOnlyTheLastExtension) {
  struct {
    const char *Name, *Ext, *Result;
  } const cases[] = {
      {"my.holiday.jpg", ".png", "my.holiday.png"},
      {"holiday.jpg", "png", "holiday.png"},
      {"holiday", ".png", "holiday.png"},
      {"/a.b/holiday", ".png", "/a.b/holiday.png"},
      {"", ".png", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(KXWithExtension(c.Name, c.Ext), c.Result) << c.Name;
}

TEST(SaveNames, ExtensionOfTheSelectedPatterns) {
  EXPECT_EQ(KXPatternExtension("*.jpg;*.jpeg"), ".jpg");
  EXPECT_EQ(KXPatternExtension("*.png"), ".png");
  EXPECT_EQ(KXPatternExtension("*.*"), "");
  EXPECT_EQ(KXPatternExtension("*"), "");
  EXPECT_EQ(KXPatternExtension(""), "");
}

TEST(SaveNames, ExtensionOfTheFileItself) {
  EXPECT_EQ(KXNameExtension("a/b.c/photo.JPG"), ".JPG");
  EXPECT_EQ(KXNameExtension("a/b.c/photo"), "");
  EXPECT_EQ(KXNameExtension(".profile"), "");
}

TEST(InitialDir, TrailingDelimiterGoesUnlessItEndsARootOrDrive) {
  struct {
    const char *Dir, *Result;
  } const cases[] = {
      {"/home/me/pictures/", "/home/me/pictures"},
      {"/home/me/pictures", "/home/me/pictures"},
      {"/", "/"},
      {"C:\\", "C:\\"},
      {"C:\\Pictures\\", "C:\\Pictures"},
      {"file:/", "file:/"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(KXInitialDir(c.Dir), c.Result) << c.Dir;
}
