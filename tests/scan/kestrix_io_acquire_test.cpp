// The I/O component's scanner entry points through the scripted manager.
#include <gtest/gtest.h>

#include "imaging/components/kestrix_io.h"
#include "imaging/view/view.h"
#include "tests/scan/scan_rig.h"

namespace {

using namespace kx;
using namespace kxtest;

TEST(KestrixIOAcquire, FillsTheAttachedViewsBitmapResolutionAndParameters) {
  TScriptedTwain twain;
  twain.Caps[ICAP_XFERMECH] = TCapAnswer::Enumeration(TWTY_UINT16, {TWSX_MEMORY}, 0);
  twain.Images = {RgbImage(9, 4, 3, 5, 150)};
  TWatchdogHost host;
  const TAcquireHostScope hostScope(host);
  TKestrixView view;
  TKestrixIO io;
  io.SetAttachedKestrix(&view);
  io.SetAborting(true);
  ASSERT_TRUE(io.Acquire());
  EXPECT_FALSE(io.Aborting());
  EXPECT_TRUE(IsScanPicture(*view.GetFBitmap(), 9, 4));
  EXPECT_EQ(view.DpiX(), 150);
  EXPECT_EQ(view.DpiY(), 150);
  EXPECT_EQ(io.IOParams().Width, 9);
  EXPECT_EQ(io.IOParams().Height, 4);
  EXPECT_EQ(twain.LastParent, reinterpret_cast<uintptr_t>(static_cast<TCustomControl*>(&view)));
  EXPECT_EQ(host.WindowStates.size(), 2u);
}

TEST(KestrixIOAcquire, FailsWithoutABitmapOrAScan) {
  TScriptedTwain twain;
  TKestrixIO bare;
  EXPECT_FALSE(bare.Acquire());
  EXPECT_TRUE(twain.Calls.empty());
  TKestrixView view;
  TKestrixIO io;
  io.SetAttachedKestrix(&view);
  twain.EnableAnswer = TWRC_CANCEL;
  EXPECT_FALSE(io.Acquire());
  EXPECT_EQ(twain.Count("CLOSEDSM"), 1);
}

TEST(KestrixIOAcquire, AFailureSaysWhyAndACancelSaysNothing) {
  struct TCase {
    const char* what;
    kx::TW_UINT16 enableAnswer;
    bool openFails;
    int breakAt;  // the strip the source fails at, or -1
    kx::TW_UINT16 breakAnswer;
    const char* reason;  // empty: a cancel
  };
  const TCase cases[] = {
      {"cancel at the start", TWRC_CANCEL, false, -1, TWRC_FAILURE, ""},
      {"no start", TWRC_FAILURE, false, -1, TWRC_FAILURE, "the scanner did not start"},
      {"no source", TWRC_SUCCESS, true, -1, TWRC_FAILURE, "the scanner cannot be opened"},
      {"cancel in the transfer", TWRC_SUCCESS, false, 1, TWRC_CANCEL, ""},
      {"failed transfer", TWRC_SUCCESS, false, 1, TWRC_FAILURE, "the scanner's transfer failed"},
  };
  for (const TCase& c : cases) {
    TScriptedTwain twain;
    twain.Caps[ICAP_XFERMECH] = TCapAnswer::Enumeration(TWTY_UINT16, {TWSX_MEMORY}, 0);
    twain.EnableAnswer = c.enableAnswer;
    twain.OpenSourceFails = c.openFails;
    twain.Images = {RgbImage(9, 4, 1, 5, 150)};
    twain.Images[0].BreakAt = c.breakAt;
    twain.Images[0].BreakAnswer = c.breakAnswer;
    TWatchdogHost host;
    const TAcquireHostScope hostScope(host);
    TKestrixView view;
    TKestrixIO io;
    io.SetAttachedKestrix(&view);
    io.TWainParams().ShowSourceDialog = false;
    EXPECT_FALSE(io.Acquire()) << c.what;
    EXPECT_EQ(io.Aborting(), *c.reason != '\0') << c.what;
    EXPECT_EQ(io.Diagnostics().Reason, c.reason) << c.what;
  }
}

TEST(KestrixIOAcquire, SelectAcquireSourceKeepsTheSourceWhenCancelled) {
  TScriptedTwain twain;
  TKestrixIO io;
  twain.UserSelects = "Sheet Feeder";
  EXPECT_TRUE(io.SelectAcquireSource());
  EXPECT_EQ(io.TWainParams().SelectedSource(), 1);
  twain.UserSelects = "";
  EXPECT_FALSE(io.SelectAcquireSource());
  EXPECT_EQ(io.TWainParams().SelectedSource(), 1);
}

}  // namespace
