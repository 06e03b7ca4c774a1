// The application's scanner port over SANE's test backend: the names it lists and a scan into a
// composite, with the scanner's own dialog answered by a stand-in that accepts or cancels.
#include "app/scanner_port.h"

#include <gtest/gtest.h>

#include "imaging/components/kestrix.h"
#include "platform/sane/sane_ui.h"
#include "tests/scan_sane/sane_fixture.h"

using namespace quillop;

namespace {

struct TAnswer final : kx::TScanOptionsUI {
  bool accept = true;
  int runs = 0;
  bool Run(const kx::TScanChoices&, kx::TScanValues&) override {
    ++runs;
    return accept;
  }
};

}  // namespace

TEST(ScannerPort, ListsTheTestScannerAndScansOrCancelsThroughItsDialog) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  TAnswer dialog;
  const kx::TSourceManagerScope scanners(kx::KXSaneSourceManagerLoader(nullptr, &dialog));
  TKestrixScanner scanner;
  const std::vector<std::string> names = scanner.SourceNames();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names[0], "test:0");

  kx::TKestrix target;
  std::string reason;
  ASSERT_EQ(scanner.Acquire(0, target, reason), TScanOutcome::Acquired) << reason;
  EXPECT_EQ(dialog.runs, 1) << "the scanner's own dialog was shown";
  EXPECT_GT(target.Bitmap().Width(), 1);
  EXPECT_GT(target.Bitmap().Height(), 1);

  const kx::TBitmap scanned = target.Bitmap();
  dialog.accept = false;
  EXPECT_EQ(scanner.Acquire(0, target, reason), TScanOutcome::Cancelled);
  EXPECT_EQ(target.Bitmap().Width(), scanned.Width()) << "a cancel leaves the picture";
}
