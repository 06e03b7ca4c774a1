// `kestrix scan` and `kestrix scan --list` against SANE's test backend: the picture equals
// scanimage's for the same settings, and each way of failing is one line and its exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "imaging/core/bitmap.h"
#include "tests/scan_sane/sane_fixture.h"
#include "tests/support/test_support.h"
#include "tests/tools/tool_run.h"

namespace {

// The tool with SANE's configuration in `configDir` (a folder that does not exist names no
// scanner).
kxtest::TToolResult RunWithConfig(const std::string& configDir, const std::string& args) {
  kxtest::TToolResult r;
  const std::string errPath = kxtest::TempPath(".stderr");
  r.status = kxtest::Run("SANE_CONFIG_DIR=" + kxtest::Quote(configDir) + " " + kxtest::Quote(kxtest::ToolPath()) + " " +
                             args + " 2>" + kxtest::Quote(errPath),
                         &r.out);
  const std::vector<uint8_t> err = kxtest::ReadFile(errPath);
  r.err.assign(err.begin(), err.end());
  return r;
}

}  // namespace

TEST(KestrixScan, ListsTheScannersWithTheirMakerAndModel) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  const auto r = RunWithConfig(kxtest::SaneConfigDir(), "scan --list");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "test:0\tNoname frontend-tester\ntest:1\tNoname frontend-tester\n");
}

TEST(KestrixScan, ThePictureEqualsScanimagesForTheSameSettings) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  if (!kxtest::Have(kxtest::kScanimage)) GTEST_SKIP() << "scanimage is not installed";
  struct TCase {
    const char* tool;
    const char* oracle;
  };
  const TCase cases[] = {
      {"--dpi 60 --mode color", "-d test:0 --mode Color --resolution 60"},
      {"--source test:1 --dpi 40 --mode gray", "-d test:1 --mode Gray --depth 8 --resolution 40"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.tool);
    const std::string out = kxtest::TempPath(".ppm");
    // --test-scanner makes a configuration of its own: the one in the environment names none.
    const auto r = RunWithConfig(kxtest::TempPath("-none"), "scan " + kxtest::Quote(out) + " --test-scanner " + c.tool);
    ASSERT_EQ(r.status, 0) << r.err;
    kx::TBitmap picture, expected;
    ASSERT_TRUE(kxtest::ReadNetpbm(out, picture));
    ASSERT_TRUE(kxtest::ReadNetpbm(kxtest::ScanimageOracle(c.oracle, ".pnm"), expected));
    EXPECT_TRUE(kxtest::SameBitmap(picture, expected));
  }
}

TEST(KestrixScan, FailuresAreOneLineWithTheirStatus) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  const std::string out = kxtest::TempPath(".ppm");
  struct TCase {
    std::string configDir, args;
    int status;
    std::string err;
  };
  const TCase cases[] = {
      {kxtest::TempPath("-none"), "scan " + kxtest::Quote(out), 1, "kestrix: no scanner found\n"},
      {kxtest::SaneConfigDir(), "scan " + kxtest::Quote(out) + " --source test:7", 1,
       "kestrix: no scanner called \"test:7\" (kestrix scan --list names them)\n"},
      {kxtest::SaneConfigDir(), "scan " + kxtest::Quote(out) + " --mode sepia", 2,
       "kestrix: --mode needs color, gray or lineart, got \"sepia\" (kestrix --help lists the usage)\n"},
      {kxtest::SaneConfigDir(), "scan " + kxtest::Quote(out) + " --dpi 0", 2,
       "kestrix: --dpi needs a resolution of 1 to 32767 dots per inch, got \"0\" (kestrix --help lists the usage)\n"},
      {kxtest::SaneConfigDir(), "scan --list " + kxtest::Quote(out), 2,
       "kestrix: scan --list takes no files (kestrix --help lists the usage)\n"},
      {kxtest::SaneConfigDir(), "scan", 2, "kestrix: scan needs OUT (kestrix --help lists the usage)\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.args);
    const auto r = RunWithConfig(c.configDir, c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
  }
  EXPECT_FALSE(std::filesystem::exists(out)) << "a failed scan writes nothing";
}
