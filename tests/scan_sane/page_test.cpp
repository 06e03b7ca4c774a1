// Reading a page off a SANE device into the protocol's rows, on cases the negotiated scans never
// meet: 16-bit samples (a backend set to 16 bits by someone else) and a frame whose length is
// unknown until its end (a hand scanner). Each equals scanimage's picture of the same settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sane/sane_device.h"
#include "platform/sane/sane_page.h"
#include "tests/scan_sane/sane_fixture.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

// A binary PGM or PPM of any maxval: its size and its sample bytes as stored.
struct TRawNetpbm {
  long Width = 0, Height = 0, Maxval = 0;
  std::vector<uint8_t> Samples;
};

bool ReadRawNetpbm(const std::string& path, TRawNetpbm& out) {
  const std::vector<uint8_t> d = kxtest::ReadFile(path);
  if (d.size() < 2 || d[0] != 'P' || (d[1] != '5' && d[1] != '6')) return false;
  long* fields[3] = {&out.Width, &out.Height, &out.Maxval};
  size_t p = 2;
  for (long* field : fields) {
    while (p < d.size() && (isspace(d[p]) || d[p] == '#'))
      if (d[p++] == '#')
        while (p < d.size() && d[p] != '\n') ++p;
    if (p >= d.size() || !isdigit(d[p])) return false;
    for (*field = 0; p < d.size() && isdigit(d[p]); ++p) *field = *field * 10 + (d[p] - '0');
  }
  out.Samples.assign(d.begin() + std::ptrdiff_t(p) + 1, d.end());
  return true;
}

// Opens test:0, sets the options, and reads one page.
struct TScanned {
  SANE_Parameters Parameters{};
  TSanePage Page;
};
void ScanPage(const std::vector<std::pair<std::string, double>>& numbers, const std::string& mode, TScanned& out) {
  TSaneSession session;
  ASSERT_TRUE(session.Ok());
  auto device = TSaneDevice::Open("test:0");
  ASSERT_NE(device, nullptr);
  ASSERT_EQ(device->SetString("test-picture", "Color pattern"), SANE_STATUS_GOOD);
  ASSERT_EQ(device->SetString("mode", mode), SANE_STATUS_GOOD);
  for (const auto& [name, value] : numbers) ASSERT_EQ(device->SetNumber(name, value), SANE_STATUS_GOOD) << name;
  ASSERT_EQ(device->Start(), SANE_STATUS_GOOD);
  ASSERT_EQ(device->Parameters(out.Parameters), SANE_STATUS_GOOD);
  ASSERT_EQ(KXSaneReadPage(*device, out.Parameters, out.Page), SANE_STATUS_GOOD);
}

}  // namespace

TEST(SanePage, SixteenBitSamplesGiveTheirHighByte) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  if (!kxtest::Have(kxtest::kScanimage)) GTEST_SKIP() << "scanimage is not installed";
  struct TCase {
    const char* mode;
    int bits;
  };
  for (const TCase& c : {TCase{"Color", 24}, TCase{"Gray", 8}}) {
    SCOPED_TRACE(c.mode);
    TScanned scanned;
    ScanPage({{"depth", 16}, {"resolution", 30}}, c.mode, scanned);
    TRawNetpbm expected;
    ASSERT_TRUE(ReadRawNetpbm(
        kxtest::ScanimageOracle("-d test:0 --depth 16 --resolution 30 --mode " + std::string(c.mode), ".pnm"),
        expected));
    ASSERT_EQ(expected.Maxval, 65535);
    const TSanePage& page = scanned.Page;
    EXPECT_EQ(page.BitsPerPixel, c.bits);
    ASSERT_EQ(page.Width, expected.Width);
    ASSERT_EQ(page.Lines, expected.Height);
    ASSERT_EQ(page.Rows.size() * 2, expected.Samples.size());
    // The file stores each sample most significant byte first.
    int64_t differing = 0;
    for (size_t i = 0; i < page.Rows.size(); ++i) differing += page.Rows[i] != expected.Samples[2 * i];
    EXPECT_EQ(differing, 0);
  }
}

TEST(SanePage, AFrameOfUnknownLengthIsAsLongAsItsData) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  if (!kxtest::Have(kxtest::kScanimage)) GTEST_SKIP() << "scanimage is not installed";
  TScanned scanned;
  ScanPage({{"hand-scanner", 1}, {"resolution", 30}}, "Gray", scanned);
  EXPECT_EQ(scanned.Parameters.lines, -1);
  TRawNetpbm expected;
  ASSERT_TRUE(ReadRawNetpbm(kxtest::ScanimageOracle("-d test:0 --hand-scanner=yes --resolution 30 --mode Gray", ".pnm"),
                            expected));
  EXPECT_EQ(scanned.Page.Width, expected.Width);
  EXPECT_EQ(scanned.Page.Lines, expected.Height);
  EXPECT_EQ(scanned.Page.Rows, expected.Samples);
}
