// The windowed program's command line.
#include <gtest/gtest.h>

#include "app/qt/quillop_window.h"

using quillop::ParseWindowOptions;
using quillop::TWindowOptions;

TEST(QuillopOptions, FileAndOptionsInAnyOrder) {
  struct TCase {
    std::vector<std::string> args;
    bool ok;
    std::string file;
    bool demo, quit;
    std::string error;
  };
  const TCase cases[] = {
      {{}, true, "", false, false, ""},
      {{"a.jpg"}, true, "a.jpg", false, false, ""},
      {{"--demo-scanner", "a.jpg", "--quit-when-shown"}, true, "a.jpg", true, true, ""},
      {{"--", "-odd.jpg"}, true, "-odd.jpg", false, false, ""},
      {{"-"}, true, "-", false, false, ""},
      {{"--scan"}, false, "", false, false, "unknown option --scan"},
      {{"a.jpg", "b.jpg"}, false, "a.jpg", false, false, "only one picture can be opened at start"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    TWindowOptions options;
    std::string error;
    EXPECT_EQ(ParseWindowOptions(c.args, options, error), c.ok);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(options.File, c.file);
    EXPECT_EQ(options.DemoScanner, c.demo);
    EXPECT_EQ(options.QuitWhenShown, c.quit);
  }
}
