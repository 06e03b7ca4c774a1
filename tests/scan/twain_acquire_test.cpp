// Acquisition through the scripted manager: memory and native transfers, pending images, the
// depths delivered and refused, pictures of unknown length, and every way a scan can end early.
// Each test ends with the scripted manager checking that it was walked back to state 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "imaging/proc/dib.h"
#include "tests/scan/scan_rig.h"

namespace {

using namespace kx;
using namespace kxtest;

TEST(TwainAcquire, SingleImageKeepsTheFirstOfTwoPendingAndResetsTheRest) {
  TScanRig rig;
  rig.twain.Images = {RgbImage(7, 5, 2, 3, 150), RgbImage(4, 4, 4, 1)};
  rig.params.ShowSourceDialog = false;
  ASSERT_TRUE(rig.Acquire());
  EXPECT_TRUE(IsScanPicture(rig.bitmap, 7, 5));
  EXPECT_EQ(rig.io.Width, 7);
  EXPECT_EQ(rig.io.Height, 5);
  EXPECT_EQ(rig.io.DpiX, 150);
  EXPECT_EQ(rig.io.DpiY, 150);
  EXPECT_EQ(rig.io.BitsPerSample, 8);
  EXPECT_EQ(rig.io.SamplesPerPixel, 3);
  EXPECT_EQ(rig.twain.Count("IMAGEINFO"), 1);
  // The first image is ended, the one still pending discarded.
  const auto& calls = rig.twain.Calls;
  const auto endXfer = std::find(calls.begin(), calls.end(), "ENDXFER");
  ASSERT_NE(endXfer, calls.end());
  EXPECT_EQ(*std::next(endXfer), "RESET");
  EXPECT_EQ(rig.twain.LastShowUI, 0);
  // Progress by the rows delivered: strips end at rows 2, 4 and 5 of 5, each in two parts.
  EXPECT_EQ(rig.log.values, (std::vector<int>{40, 40, 80, 80, 100, 100}));
}

TEST(TwainAcquire, MultiImageHandsOverEveryImage) {
  TScanRig rig;
  rig.twain.Images = {RgbImage(7, 5, 2, 3), RgbImage(4, 6, 4, 1, 600)};
  rig.twain.PendingCountUnknown = true;
  struct TCollector {
    std::vector<TBitmap> images;
    std::vector<TIOParamsVals> params{2};
    void Take(TBitmap* bitmap, TIOParamsVals** io) {
      images.push_back(*bitmap);
      *io = &params[images.size() - 1];
    }
  } collector;
  const auto callBack = TKXTWMultiCallBack::Bind<&TCollector::Take>(&collector);
  ASSERT_TRUE(KXTW_Acquire(0, nullptr, true, callBack, &rig.params, nullptr, rig.progress));
  ASSERT_EQ(collector.images.size(), 2u);
  EXPECT_TRUE(IsScanPicture(collector.images[0], 7, 5));
  EXPECT_TRUE(IsScanPicture(collector.images[1], 4, 6));
  EXPECT_EQ(collector.params[0].Width, 7);
  EXPECT_EQ(collector.params[1].DpiX, 600);
  EXPECT_EQ(rig.twain.Count("ENDXFER"), 2);
  EXPECT_EQ(rig.twain.Count("RESET"), 0);
}

TEST(TwainAcquire, MultiImageHandsOverOnlyWholeImages) {
  for (const TW_UINT16 answer : {TWRC_CANCEL, TWRC_FAILURE}) {
    TScanRig rig;
    TScriptedImage broken = RgbImage(4, 4, 2, 2);
    broken.BreakAt = 1;
    broken.BreakAnswer = answer;
    rig.twain.Images = {RgbImage(7, 5, 2, 3), broken, RgbImage(3, 3, 3, 1)};
    rig.params.ShowSourceDialog = false;
    struct TCounter {
      std::vector<int32_t> widths;
      void Take(TBitmap* bitmap, TIOParamsVals**) { widths.push_back(bitmap->Width()); }
    } counter;
    EXPECT_TRUE(KXTW_Acquire(0, nullptr, true, TKXTWMultiCallBack::Bind<&TCounter::Take>(&counter), &rig.params,
                             nullptr, rig.progress));
    EXPECT_EQ(counter.widths, std::vector<int32_t>{7}) << answer;
    // The broken page is ended and the batch discarded.
    EXPECT_EQ(rig.twain.Count("ENDXFER"), 2) << answer;
    EXPECT_EQ(rig.twain.Count("RESET"), 1) << answer;
  }
}

TEST(TwainAcquire, OtherEventsAreIgnored) {
  TScanRig rig;
  rig.twain.Events = {MSG_NULL, MSG_CLOSEDSOK, MSG_XFERREADY};
  rig.twain.Images = {RgbImage(3, 3, 3, 1)};
  EXPECT_TRUE(rig.Acquire());
  EXPECT_EQ(rig.twain.ProcessEvents, 3);
}

TEST(TwainAcquire, NativeTransferKeepsOneBitPicturesOneBit) {
  for (const TPixelFormat format : {pf1bit, pf24bit}) {
    TScanRig rig;
    rig.twain.Caps.erase(ICAP_XFERMECH);
    TBitmap picture = format == pf1bit ? Uniform(13, 9, 0, pf1bit) : MakePicture(13, 9);
    if (format == pf1bit) {
      for (int32_t x = 0; x < 13; x += 3) picture.SetPixel(x, x % 9, TRGB{255, 255, 255});
    }
    TScriptedImage image;
    image.Info = ImageInfo(13, 9, format == pf1bit ? 1 : 24, 200);
    image.Dib = _CopyBitmaptoDIB(picture, 0, 0, 0, 0);
    rig.twain.Images = {image};
    ASSERT_TRUE(rig.Acquire()) << int(format);
    EXPECT_TRUE(SameBitmap(rig.bitmap, picture)) << int(format);
    EXPECT_EQ(rig.twain.Count("IMAGEMEMXFER"), 0);
    EXPECT_EQ(rig.io.DpiX, 200);
  }
}

TEST(TwainAcquire, MemoryDepthsDeliveredAsOneOr24Bits) {
  struct TDepthCase {
    int16_t bits;
    std::vector<uint8_t> row;  // one row of 3 pixels (1 bit: one byte)
    TPixelFormat format;
    std::vector<TRGB> pixels;
    int32_t bitsPerSample, samplesPerPixel;
  } cases[] = {
      {8, {0, 128, 255}, pf24bit, {{0, 0, 0}, {128, 128, 128}, {255, 255, 255}}, 8, 1},
      {16,
       {0x34, 0x12, 0xFF, 0x80, 0x00, 0xFF},
       pf24bit,
       {{0x12, 0x12, 0x12}, {0x80, 0x80, 0x80}, {255, 255, 255}},
       8,
       1},
      {48,
       {1, 10, 2, 20, 3, 30, 4, 40, 5, 50, 6, 60, 7, 70, 8, 80, 9, 90},
       pf24bit,
       {{30, 20, 10}, {60, 50, 40}, {90, 80, 70}},
       8,
       3},
      {1, {0xA0}, pf1bit, {{255, 255, 255}, {0, 0, 0}, {255, 255, 255}}, 1, 1},
  };
  for (const TDepthCase& c : cases) {
    TScanRig rig;
    TScriptedImage image;
    image.Info = ImageInfo(3, 1, c.bits);
    TScriptedStrip strip{3, 1, 0, 0, uint32_t(c.row.size()), c.row};
    image.Strips = {strip};
    rig.twain.Images = {image};
    ASSERT_TRUE(rig.Acquire()) << c.bits;
    ASSERT_EQ(rig.bitmap.PixelFormat(), c.format) << c.bits;
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(rig.bitmap.GetPixel(x, 0), c.pixels[size_t(x)]) << c.bits << " x " << x;
    EXPECT_EQ(rig.io.BitsPerSample, c.bitsPerSample) << c.bits;
    EXPECT_EQ(rig.io.SamplesPerPixel, c.samplesPerPixel) << c.bits;
  }
}

TEST(TwainAcquire, DepthsNotCopiedFailInsteadOfDeliveringABlankPicture) {
  for (const int16_t bits : {4, 32, 2}) {
    TScanRig rig;
    rig.params.ShowSourceDialog = false;
    TScriptedImage image;
    image.Info = ImageInfo(4, 2, bits);
    image.Strips = {TScriptedStrip{4, 2, 0, 0, 16, std::vector<uint8_t>(32, 0x55)}};
    rig.twain.Images = {image};
    rig.bitmap = Filled(2, 2, TRGB{1, 2, 3});
    rig.io.BitsPerSample = 5;
    EXPECT_FALSE(rig.Acquire()) << bits;
    EXPECT_TRUE(SameBitmap(rig.bitmap, Filled(2, 2, TRGB{1, 2, 3}))) << bits;
    EXPECT_EQ(rig.io.BitsPerSample, 5) << bits;
    EXPECT_FALSE(rig.host.Expired) << bits;
  }
}

TEST(TwainAcquire, PictureOfUnknownLengthGrowsAndIsCutToTheRowsReceived) {
  for (const int32_t length : {-1, 0}) {
    TScanRig rig;
    TScriptedImage image = RgbImage(5, 11, 3, 2);
    image.Info.ImageLength = length;
    rig.twain.Images = {image};
    ASSERT_TRUE(rig.Acquire()) << length;
    EXPECT_TRUE(IsScanPicture(rig.bitmap, 5, 11)) << length;
    EXPECT_EQ(rig.io.Height, 11) << length;
  }
}

TEST(TwainAcquire, BufferSizeTheSourceLeavesOpenGetsADefault) {
  struct {
    uint32_t preferred, min;
    uint32_t used;
  } cases[] = {{0, TWON_DONTCARE32, 64 << 10},
               {TWON_DONTCARE32, TWON_DONTCARE32, 64 << 10},
               {0, 100000, 100000},
               {4096, 0, 4096},
               {0x80000000u, 0, 16 << 20}};
  for (const auto& c : cases) {
    TScanRig rig;
    rig.twain.MemXfer = TW_SETUPMEMXFER{c.min, TWON_DONTCARE32, c.preferred};
    rig.twain.Images = {RgbImage(3, 2, 2, 1)};
    ASSERT_TRUE(rig.Acquire());
    EXPECT_EQ(rig.twain.LastBufferLength, c.used) << c.preferred;
  }
}

// How a scan ends early: where, how, and with or without the source's dialog.
struct TEndCase {
  const char* name;
  bool memory;
  int breakAt;
  TW_UINT16 answer;
  bool abortAfterFirstStrip;
};

TEST(TwainAcquire, CancelFailureAndAbortEndTheScanWithTheSourceClosed) {
  const TEndCase cases[] = {
      {"cancel before the first strip", true, 0, TWRC_CANCEL, false},
      {"cancel in the middle", true, 2, TWRC_CANCEL, false},
      {"failure before the first strip", true, 0, TWRC_FAILURE, false},
      {"failure in the middle", true, 2, TWRC_FAILURE, false},
      {"abort in the middle", true, -1, 0, true},
      {"native cancel", false, 0, TWRC_CANCEL, false},
      {"native failure", false, 0, TWRC_FAILURE, false},
  };
  for (const TEndCase& c : cases) {
    for (const bool dialog : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (dialog ? ", dialog shown" : ", no dialog"));
      TScanRig rig;
      if (!c.memory) rig.twain.Caps.erase(ICAP_XFERMECH);
      TScriptedImage image = RgbImage(6, 6, 2, 3);
      image.Dib = _CopyBitmaptoDIB(MakePicture(6, 6), 0, 0, 0, 0);
      image.BreakAt = c.breakAt;
      image.BreakAnswer = c.answer;
      rig.twain.Images = {image, RgbImage(3, 3, 3, 1)};
      rig.params.ShowSourceDialog = dialog;
      struct TAborter {
        bool* flag;
        void Handler(void*, int) { *flag = true; }
      } aborter{&rig.aborting};
      if (c.abortAfterFirstStrip) rig.progress.fOnProgress = TProgressEvent::Bind<&TAborter::Handler>(&aborter);
      rig.bitmap = Filled(2, 2, TRGB{9, 9, 9});
      EXPECT_FALSE(rig.Acquire());
      EXPECT_TRUE(SameBitmap(rig.bitmap, Filled(2, 2, TRGB{9, 9, 9})));
      EXPECT_FALSE(rig.host.Expired);
      // Without the dialog (or after an abort) the source is disabled at once; with it, the
      // user may try again until closing the dialog.
      const bool disabledAtOnce = !dialog || c.abortAfterFirstStrip;
      EXPECT_EQ(rig.twain.ProcessEvents, disabledAtOnce ? 1 : 2);
      EXPECT_EQ(rig.twain.Count("DISABLEDS"), 1);
    }
  }
}

TEST(TwainAcquire, EnableAnswersDecideWhetherTheScanGoesOn) {
  struct {
    TW_UINT16 answer;
    bool acquired;
  } cases[] = {{TWRC_SUCCESS, true}, {TWRC_CHECKSTATUS, true}, {TWRC_CANCEL, false}, {TWRC_FAILURE, false}};
  for (const auto& c : cases) {
    TScanRig rig;
    rig.twain.EnableAnswer = c.answer;
    rig.twain.Images = {RgbImage(3, 3, 3, 1)};
    EXPECT_EQ(rig.Acquire(), c.acquired) << c.answer;
    EXPECT_EQ(rig.twain.ProcessEvents > 0, c.acquired) << c.answer;
    EXPECT_EQ(rig.twain.Count("CLOSEDS"), 1) << c.answer;
  }
}

TEST(TwainAcquire, SourceThatMustShowItsDialogLetsTheUserTryAgain) {
  TScanRig rig;
  rig.params.ShowSourceDialog = false;
  rig.twain.EnableAnswer = TWRC_CHECKSTATUS;
  TScriptedImage image = RgbImage(3, 3, 3, 1);
  image.BreakAt = 0;
  image.BreakAnswer = TWRC_CANCEL;
  rig.twain.Images = {image};
  EXPECT_FALSE(rig.Acquire());
  EXPECT_EQ(rig.twain.ProcessEvents, 2);
}

TEST(TwainAcquire, FailuresBeforeTheLoopCloseWhatWasOpened) {
  {
    TScanRig rig;
    rig.twain.OpenSourceFails = true;
    EXPECT_FALSE(rig.Acquire());
    EXPECT_EQ(rig.twain.Count("CLOSEDSM"), 1);
  }
  {
    // No manager installed: nothing to open.
    TScanRig rig;
    const TSourceManagerScope none{TSourceManagerLoader{}};
    EXPECT_FALSE(rig.Acquire());
    EXPECT_TRUE(rig.twain.Calls.empty());
  }
}

TEST(TwainAcquire, QuitWhileWaitingClosesTheSourceAndIsPassedOn) {
  TScanRig rig;
  rig.twain.Events = std::vector<TW_UINT16>(10, MSG_NULL);
  rig.twain.Images = {RgbImage(3, 3, 3, 1)};
  rig.host.Turns = 3;
  const uintptr_t window = 0x1000;
  EXPECT_FALSE(rig.Acquire(window));
  EXPECT_TRUE(rig.host.Expired);
  EXPECT_EQ(rig.host.QuitsPosted, 1);
  EXPECT_EQ(rig.twain.ProcessEvents, 3);
  EXPECT_EQ(rig.twain.LastParent, window);
  EXPECT_EQ(rig.host.WindowStates, (std::vector<std::pair<uintptr_t, bool>>{{window, false}, {window, true}}));
}

TEST(TwainAcquire, ExceptionInTheMiddleOfATransferStillClosesTheSource) {
  TScanRig rig;
  rig.twain.Images = {RgbImage(4, 6, 2, 2)};
  struct TThrower {
    void Handler(void*, int) { throw std::runtime_error("stop"); }
  } thrower;
  rig.progress.fOnProgress = TProgressEvent::Bind<&TThrower::Handler>(&thrower);
  EXPECT_THROW(rig.Acquire(), std::runtime_error);
  EXPECT_EQ(rig.twain.State(), 1);
  EXPECT_EQ(rig.host.WindowStates.back().second, true);
  // Nothing of the failed scan stays behind: the next one runs.
  rig.twain.Images = {RgbImage(4, 6, 2, 2)};
  rig.progress.fOnProgress = {};
  EXPECT_TRUE(rig.Acquire());
}

TEST(TwainAcquire, SecondAcquisitionWhileOneRunsIsRefused) {
  TScanRig rig;
  rig.twain.Images = {RgbImage(4, 4, 2, 2)};
  struct TNested {
    TScanRig* rig;
    std::vector<bool> results;
    void Handler(void*, int) {
      TBitmap other;
      results.push_back(KXTW_Acquire(0, &other, false, {}, &rig->params, nullptr, rig->progress));
      std::string name;
      results.push_back(KXTW_SelectImageSource(0, name));
    }
  } nested{&rig, {}};
  rig.progress.fOnProgress = TProgressEvent::Bind<&TNested::Handler>(&nested);
  EXPECT_TRUE(rig.Acquire());
  EXPECT_EQ(nested.results, std::vector<bool>(nested.results.size(), false));
  EXPECT_FALSE(nested.results.empty());
  EXPECT_EQ(rig.twain.Count("OPENDSM"), 1);
}

TEST(TwainAcquire, NameTheManagerNoLongerListsFailsInsteadOfOpeningAnother) {
  TScanRig rig;
  {
    TScriptedTwain before({"Alpha", "Beta"});
    rig.params.SetSelectedSource(1);
    ASSERT_EQ(rig.params.GetSourceName(1), "Beta");
  }
  TScriptedTwain after({"Alpha"});
  EXPECT_FALSE(rig.Acquire());
  EXPECT_EQ(after.Count("OPENDS"), 0);
  EXPECT_EQ(after.Count("CLOSEDSM"), 1);
}

TEST(TwainAcquire, FrameIsSentOnlyWhenOneIsSet) {
  for (const bool frame : {false, true}) {
    TScanRig rig;
    rig.twain.Images = {RgbImage(3, 3, 3, 1)};
    if (frame) {
      rig.params.SetAcquireFrame(2, 4.25);
      rig.params.SetAcquireFrame(3, 6);
    }
    ASSERT_TRUE(rig.Acquire());
    ASSERT_EQ(rig.twain.LayoutSets.size(), frame ? 1u : 0u);
    if (frame) {
      EXPECT_EQ(rig.twain.LayoutSets[0].Right.Whole, 4);
      EXPECT_EQ(rig.twain.LayoutSets[0].Right.Frac, 0x4000);
      EXPECT_EQ(rig.twain.LayoutSets[0].Bottom.Whole, 6);
    }
  }
}

}  // namespace
