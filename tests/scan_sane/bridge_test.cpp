// The SANE bridge spoken to triplet by triplet, against SANE's test backend: the source list,
// the protocol's order, capability containers that follow the backend's constraints, strips of
// whole rows, feeder batches and the source's own dialog.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/sane/sane_device.h"
#include "platform/sane/twain_containers.h"
#include "platform/source_manager.h"
#include "tests/scan_sane/sane_fixture.h"

using namespace kx;
using kxtest::TBridge;

namespace {

template <typename T>
T As(const std::vector<uint8_t>& bytes) {
  T value{};
  std::memcpy(&value, bytes.data(), std::min(sizeof value, bytes.size()));
  return value;
}

// The items of an enumeration of 16-bit numbers.
std::vector<int> Items16(const std::vector<uint8_t>& bytes) {
  const auto e = As<TW_ENUMERATION>(bytes);
  std::vector<int> items;
  for (TW_UINT32 i = 0; i < e.NumItems; ++i) {
    uint16_t v;
    std::memcpy(&v, bytes.data() + offsetof(TW_ENUMERATION, ItemList) + 2 * i, 2);
    items.push_back(v);
  }
  return items;
}

double OneValueFix(const std::vector<uint8_t>& bytes) {
  TW_FIX32 f{};
  std::memcpy(&f, bytes.data() + offsetof(TW_ONEVALUE, Item), sizeof f);
  return KXFromFix32(f);
}

// Enables the source without its dialog and waits for the first page.
void StartScan(TBridge& bridge) { ASSERT_EQ(bridge.EnableAndWait(false), MSG_XFERREADY); }

// An answer to the source's dialog, recording what it was shown.
struct TScriptedOptions : TScanOptionsUI {
  bool Scan = true;
  TScanValues Answer;
  TScanChoices Shown;
  TScanValues Started;
  bool Run(const TScanChoices& choices, TScanValues& values) override {
    Shown = choices;
    Started = values;
    if (Scan) values = Answer;
    return Scan;
  }
};

}  // namespace

TEST(SaneBridge, ListsTheTestDevicesWithIdsKeptWithinTheExchange) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  TBridge bridge;
  ASSERT_EQ(bridge.ToManager(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &bridge.App), TWRC_SUCCESS);
  for (int pass = 0; pass < 2; ++pass) {
    TW_IDENTITY id{};
    ASSERT_EQ(bridge.ToManager(DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &id), TWRC_SUCCESS);
    EXPECT_EQ(+id.Id, 1u);
    EXPECT_STREQ(id.ProductName, "test:0");
    EXPECT_STREQ(id.Manufacturer, "Noname");
    EXPECT_STREQ(id.ProductFamily, "frontend-tester");
    EXPECT_EQ(+id.SupportedGroups, DG_CONTROL | DG_IMAGE);
    ASSERT_EQ(bridge.ToManager(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &id), TWRC_SUCCESS);
    EXPECT_EQ(+id.Id, 2u);
    EXPECT_STREQ(id.ProductName, "test:1");
    EXPECT_EQ(bridge.ToManager(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &id), TWRC_ENDOFLIST);
  }
  // Id 0 without a name opens the first device.
  TW_IDENTITY first{};
  ASSERT_EQ(bridge.ToManager(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &first), TWRC_SUCCESS);
  EXPECT_STREQ(first.ProductName, "test:0");
  EXPECT_EQ(+first.Id, 1u);
}

TEST(SaneBridge, TripletsOutOfOrderAreSequenceErrors) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  // Each case brings the exchange to a state, then sends one triplet that state does not allow.
  enum TReach { manager, source, enabled };
  struct TCase {
    const char* what;
    TReach reach;
    TW_UINT32 dg;
    TW_UINT16 dat, msg;
  };
  const TCase cases[] = {
      {"a second OPENDSM", manager, DG_CONTROL, DAT_PARENT, MSG_OPENDSM},
      {"ENABLEDS before OPENDS", manager, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS},
      {"CLOSEDSM with the source open", source, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM},
      {"IMAGEINFO before XFERREADY", source, DG_IMAGE, DAT_IMAGEINFO, MSG_GET},
      {"IMAGEMEMXFER before XFERREADY", enabled, DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET},
      {"ENDXFER with nothing pending", enabled, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER},
      {"a capability set while enabled", enabled, DG_CONTROL, DAT_CAPABILITY, MSG_SET},
      {"CLOSEDS while enabled", enabled, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS},
      {"a second ENABLEDS", enabled, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    TBridge bridge;
    if (c.reach == manager) {
      ASSERT_EQ(bridge.ToManager(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &bridge.App), TWRC_SUCCESS);
    } else {
      ASSERT_TRUE(bridge.Open());
    }
    if (c.reach == enabled) {
      TW_USERINTERFACE ui{};
      ASSERT_EQ(bridge.ToSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
    }
    // Big enough for any of the records these triplets take.
    alignas(8) uint8_t data[256] = {};
    auto* cap = reinterpret_cast<TW_CAPABILITY*>(data);
    if (c.dat == DAT_CAPABILITY) *cap = {ICAP_PIXELTYPE, TWON_ONEVALUE, KXTWMakeOneValue(TWTY_UINT16, TWPT_GRAY)};
    if (c.dat == DAT_IDENTITY) std::memcpy(data, &bridge.Source, sizeof bridge.Source);
    const TW_UINT16 rc = c.dat == DAT_PARENT || c.dat == DAT_IDENTITY ? bridge.ToManager(c.dg, c.dat, c.msg, data)
                                                                      : bridge.ToSource(c.dg, c.dat, c.msg, data);
    if (c.dat == DAT_CAPABILITY) KXTWFree(cap->hContainer);
    EXPECT_EQ(rc, TWRC_FAILURE);
    EXPECT_EQ(bridge.Condition(), TWCC_SEQERROR);
  }
}

TEST(SaneBridge, UnknownTripletsNamesAndValuesFailWithTheirCondition) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  TBridge bridge;
  ASSERT_TRUE(bridge.Open());
  uint8_t data[64] = {};
  EXPECT_EQ(bridge.ToSource(DG_AUDIO, DAT_NULL, MSG_GET, data), TWRC_FAILURE);
  EXPECT_EQ(bridge.Condition(), TWCC_BADPROTOCOL);
  EXPECT_EQ(bridge.ToSource(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, data), TWRC_FAILURE);
  EXPECT_EQ(bridge.Condition(), TWCC_BADPROTOCOL);

  TW_UINT16 conType;
  std::vector<uint8_t> bytes;
  EXPECT_EQ(bridge.GetCap(ICAP_COMPRESSION, conType, bytes), TWRC_FAILURE);
  EXPECT_EQ(bridge.Condition(), TWCC_CAPUNSUPPORTED);
  EXPECT_EQ(bridge.SetCap(ICAP_UNITS, TWTY_UINT16, TWUN_CENTIMETERS), TWRC_FAILURE);
  EXPECT_EQ(bridge.Condition(), TWCC_BADVALUE);
  EXPECT_EQ(bridge.SetCap(ICAP_XSCALING, TWTY_FIX32, 2.0), TWRC_FAILURE);
  EXPECT_EQ(bridge.Condition(), TWCC_BADVALUE);

  TW_IMAGELAYOUT empty{};
  EXPECT_EQ(bridge.ToSource(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &empty), TWRC_FAILURE);
  EXPECT_EQ(bridge.Condition(), TWCC_BADVALUE);

  TBridge other;
  EXPECT_FALSE(other.Open("test:9"));
  EXPECT_EQ(other.Condition(), TWCC_NODS);
  // After reading the condition it is cleared.
  EXPECT_EQ(other.Condition(), TWCC_SUCCESS);
}

TEST(SaneBridge, ResolutionContainerFollowsTheBackendsConstraint) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  TBridge bridge;
  ASSERT_TRUE(bridge.Open());
  for (TW_UINT16 cap : {ICAP_XRESOLUTION, ICAP_YRESOLUTION}) {
    TW_UINT16 conType;
    std::vector<uint8_t> bytes;
    ASSERT_EQ(bridge.GetCap(cap, conType, bytes), TWRC_SUCCESS);
    // The test backend's resolution is a fixed-point range of 1 to 1200 in steps of 1, set to
    // 75 by the private configuration.
    ASSERT_EQ(conType, TWON_RANGE);
    const auto range = As<TW_RANGE>(bytes);
    EXPECT_EQ(+range.ItemType, TWTY_FIX32);
    auto fix = [](TW_UINT32 raw) {
      TW_FIX32 f;
      std::memcpy(&f, &raw, sizeof f);
      return KXFromFix32(f);
    };
    EXPECT_EQ(fix(range.MinValue), 1.0);
    EXPECT_EQ(fix(range.MaxValue), 1200.0);
    EXPECT_EQ(fix(range.StepSize), 1.0);
    EXPECT_EQ(fix(range.CurrentValue), 75.0);
  }
  ASSERT_EQ(bridge.SetCap(ICAP_XRESOLUTION, TWTY_FIX32, 150), TWRC_SUCCESS);
  TW_UINT16 conType;
  std::vector<uint8_t> bytes;
  ASSERT_EQ(bridge.GetCap(ICAP_YRESOLUTION, conType, bytes), TWRC_SUCCESS);
  TW_FIX32 current;
  std::memcpy(&current, bytes.data() + offsetof(TW_RANGE, CurrentValue), sizeof current);
  EXPECT_EQ(KXFromFix32(current), 150.0) << "one option serves both directions";
}

TEST(SaneBridge, PixelTypeChoosesModeAndDepth) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  TBridge bridge;
  ASSERT_TRUE(bridge.Open());
  TW_UINT16 conType;
  std::vector<uint8_t> bytes;
  ASSERT_EQ(bridge.GetCap(ICAP_PIXELTYPE, conType, bytes), TWRC_SUCCESS);
  ASSERT_EQ(conType, TWON_ENUMERATION);
  // The test backend has no line-art mode; a 1-bit gray scan stands for it.
  EXPECT_EQ(Items16(bytes), (std::vector<int>{TWPT_BW, TWPT_GRAY, TWPT_RGB}));
  EXPECT_EQ(+As<TW_ENUMERATION>(bytes).CurrentIndex, 2u);

  struct TCase {
    TW_UINT16 type;
    int bitDepth;
    int wrongDepth;
  };
  for (const TCase& c : {TCase{TWPT_BW, 1, 8}, TCase{TWPT_GRAY, 8, 24}, TCase{TWPT_RGB, 24, 8}}) {
    SCOPED_TRACE(c.type);
    ASSERT_EQ(bridge.SetCap(ICAP_PIXELTYPE, TWTY_UINT16, c.type), TWRC_SUCCESS);
    ASSERT_EQ(bridge.GetCap(ICAP_BITDEPTH, conType, bytes), TWRC_SUCCESS);
    EXPECT_EQ(+As<TW_ONEVALUE>(bytes).Item, TW_UINT32(c.bitDepth));
    EXPECT_EQ(bridge.SetCap(ICAP_BITDEPTH, TWTY_UINT16, c.bitDepth), TWRC_SUCCESS);
    EXPECT_EQ(bridge.SetCap(ICAP_BITDEPTH, TWTY_UINT16, c.wrongDepth), TWRC_FAILURE);
    ASSERT_EQ(bridge.GetCap(ICAP_PIXELTYPE, conType, bytes), TWRC_SUCCESS);
    EXPECT_EQ(Items16(bytes)[+As<TW_ENUMERATION>(bytes).CurrentIndex], c.type);
  }
  EXPECT_EQ(bridge.SetCap(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_CMYK), TWRC_FAILURE);
  EXPECT_EQ(bridge.Condition(), TWCC_BADVALUE);
}

TEST(SaneBridge, LayoutIsTheScanAreaInInchesAndSetsThePictureSize) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  TBridge bridge;
  ASSERT_TRUE(bridge.Open());
  TW_IMAGELAYOUT layout{};
  ASSERT_EQ(bridge.ToSource(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout), TWRC_SUCCESS);
  // The backend's area: 80 mm by 100 mm from the corner; its bed is 200 mm both ways.
  EXPECT_EQ(KXFromFix32(layout.Frame.Left), 0.0);
  EXPECT_EQ(KXFromFix32(layout.Frame.Right), KXFromFix32(KXToFix32(80 / 25.4)));
  EXPECT_EQ(KXFromFix32(layout.Frame.Bottom), KXFromFix32(KXToFix32(100 / 25.4)));
  TW_UINT16 conType;
  std::vector<uint8_t> bytes;
  ASSERT_EQ(bridge.GetCap(ICAP_PHYSICALWIDTH, conType, bytes), TWRC_SUCCESS);
  EXPECT_EQ(OneValueFix(bytes), KXFromFix32(KXToFix32(200 / 25.4)));

  // One inch by two at 100 dpi; the backend keeps whole millimetres (25 by 51), so the picture is
  // 98 by 200 pixels, as scanimage -x 25.4 -y 50.8 --resolution 100 gives.
  layout.Frame = {KXToFix32(0), KXToFix32(0), KXToFix32(1), KXToFix32(2)};
  ASSERT_EQ(bridge.ToSource(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout), TWRC_SUCCESS);
  ASSERT_EQ(bridge.SetCap(ICAP_XRESOLUTION, TWTY_FIX32, 100), TWRC_SUCCESS);
  StartScan(bridge);
  TW_IMAGEINFO info{};
  ASSERT_EQ(bridge.ToSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
  EXPECT_EQ(+info.ImageWidth, 98);
  EXPECT_EQ(+info.ImageLength, 200);
  EXPECT_EQ(KXFromFix32(info.XResolution), 100.0);
  EXPECT_EQ(+info.BitsPerPixel, 24);
  EXPECT_EQ(+info.SamplesPerPixel, 3);
}

TEST(SaneBridge, MemoryStripsCoverThePageInWholeRows) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  TBridge bridge;
  ASSERT_TRUE(bridge.Open());
  ASSERT_EQ(bridge.SetCap(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_SUCCESS);
  ASSERT_EQ(bridge.SetCap(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_SUCCESS);
  StartScan(bridge);
  TW_IMAGEINFO info{};
  ASSERT_EQ(bridge.ToSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
  ASSERT_EQ(+info.BitsPerPixel, 8);
  TW_SETUPMEMXFER setup{};
  ASSERT_EQ(bridge.ToSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_SUCCESS);
  EXPECT_EQ(+setup.MinBufSize, TW_UINT32(+info.ImageWidth));

  // A buffer of two rows and a half: strips of two rows, the last one shorter.
  const TW_UINT32 length = setup.MinBufSize * 5 / 2;
  TW_HANDLE block = KXTWAlloc(length);
  TW_UINT32 nextRow = 0;
  TW_UINT16 rc;
  int strips = 0;
  do {
    TW_IMAGEMEMXFER xfer{};
    xfer.Memory = {TWMF_APPOWNS | TWMF_HANDLE, length, block};
    rc = bridge.ToSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
    ASSERT_TRUE(rc == TWRC_SUCCESS || rc == TWRC_XFERDONE) << rc;
    EXPECT_EQ(+xfer.YOffset, nextRow);
    EXPECT_EQ(+xfer.XOffset, 0u);
    EXPECT_EQ(+xfer.Columns, TW_UINT32(+info.ImageWidth));
    EXPECT_EQ(+xfer.BytesPerRow, +setup.MinBufSize);
    EXPECT_EQ(+xfer.BytesWritten, +xfer.Rows * +xfer.BytesPerRow);
    EXPECT_LE(+xfer.Rows, 2u);
    nextRow += xfer.Rows;
    ++strips;
  } while (rc == TWRC_SUCCESS);
  KXTWFree(block);
  EXPECT_EQ(nextRow, TW_UINT32(+info.ImageLength));
  EXPECT_EQ(strips, (+info.ImageLength + 1) / 2);

  // A flatbed holds one page: nothing pending, and the source asks to be closed.
  TW_PENDINGXFERS pending{};
  ASSERT_EQ(bridge.ToSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
  EXPECT_EQ(+pending.Count, 0);
  TW_EVENT event{};
  EXPECT_EQ(bridge.ToSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_DSEVENT);
  EXPECT_EQ(event.TWMessage, MSG_CLOSEDSREQ);
  TW_USERINTERFACE ui{};
  EXPECT_EQ(bridge.ToSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
  EXPECT_EQ(bridge.ToManager(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &bridge.Source), TWRC_SUCCESS);
  EXPECT_EQ(bridge.ToManager(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &bridge.App), TWRC_SUCCESS);
  EXPECT_EQ(KXTWLiveBlocks(), 0);
}

TEST(SaneBridge, FeederPagesStayPendingUntilTheFeederIsEmpty) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  TBridge bridge;
  ASSERT_TRUE(bridge.Open());
  ASSERT_EQ(bridge.SetCap(CAP_FEEDERENABLED, TWTY_BOOL, 1), TWRC_SUCCESS);
  TW_UINT16 conType;
  std::vector<uint8_t> bytes;
  ASSERT_EQ(bridge.GetCap(CAP_FEEDERENABLED, conType, bytes), TWRC_SUCCESS);
  EXPECT_EQ(+As<TW_ONEVALUE>(bytes).Item, 1u);
  ASSERT_EQ(bridge.SetCap(ICAP_XRESOLUTION, TWTY_FIX32, 10), TWRC_SUCCESS);
  StartScan(bridge);
  // The test backend's feeder holds ten pages.
  int pages = 0;
  TW_PENDINGXFERS pending{};
  do {
    TW_HANDLE dib = nullptr;
    ASSERT_EQ(bridge.ToSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
    ASSERT_NE(dib, nullptr);
    KXTWFree(dib);
    ++pages;
    ASSERT_EQ(bridge.ToSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
  } while (pending.Count != 0 && pages < 20);
  EXPECT_EQ(pages, 10);
}

TEST(SaneBridge, ResetDropsThePendingPages) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  TBridge bridge;
  ASSERT_TRUE(bridge.Open());
  ASSERT_EQ(bridge.SetCap(CAP_FEEDERENABLED, TWTY_BOOL, 1), TWRC_SUCCESS);
  StartScan(bridge);
  TW_PENDINGXFERS pending{};
  ASSERT_EQ(bridge.ToSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
  EXPECT_EQ(+pending.Count, 0xffff) << "a feeder may hold more";
  ASSERT_EQ(bridge.ToSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
  EXPECT_EQ(+pending.Count, 0);
  TW_IMAGEINFO info{};
  EXPECT_EQ(bridge.ToSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_FAILURE);
  EXPECT_EQ(bridge.Condition(), TWCC_SEQERROR);
}

TEST(SaneBridge, TheDialogsAnswerReachesTheScanAndItsCancelClosesTheSource) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  TScriptedOptions options;
  {
    TBridge bridge(nullptr, &options);
    ASSERT_TRUE(bridge.Open());
    options.Answer = {50, kScanModeGray, "Flatbed", 10, 20, 61, 71};
    ASSERT_EQ(bridge.EnableAndWait(true), MSG_XFERREADY);
    // What the dialog was shown: the device's choices and its settings.
    EXPECT_TRUE(options.Shown.ResolutionRange);
    EXPECT_EQ(options.Shown.MaxResolution, 1200.0);
    EXPECT_EQ(options.Shown.Modes, (std::vector<std::string>{kScanModeLineart, kScanModeGray, kScanModeColor}));
    EXPECT_EQ(options.Shown.Sources, (std::vector<std::string>{"Flatbed", "Automatic Document Feeder"}));
    EXPECT_EQ(options.Shown.AreaWidthMm, 200.0);
    EXPECT_EQ(options.Started, (TScanValues{75, kScanModeColor, "Flatbed", 0, 0, 80, 100}));
    TW_IMAGEINFO info{};
    ASSERT_EQ(bridge.ToSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
    EXPECT_EQ(+info.BitsPerPixel, 8);
    EXPECT_EQ(KXFromFix32(info.XResolution), 50.0);
    // 51 by 51 mm at 50 dpi.
    EXPECT_EQ(+info.ImageWidth, 100);
    EXPECT_EQ(+info.ImageLength, 100);
  }
  options.Scan = false;
  TBridge bridge(nullptr, &options);
  ASSERT_TRUE(bridge.Open());
  EXPECT_EQ(bridge.EnableAndWait(true), MSG_CLOSEDSREQ);
}

TEST(SaneBridge, UserSelectAsksTheChooser) {
  KX_REQUIRE_SANE_TEST_BACKEND();
  struct TChooser : TSourceChooserUI {
    std::optional<size_t> Answer;
    std::vector<std::string> Shown;
    std::optional<size_t> Choose(const std::vector<std::string>& names, size_t) override {
      Shown = names;
      return Answer;
    }
  } chooser;
  TBridge bridge(&chooser);
  ASSERT_EQ(bridge.ToManager(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &bridge.App), TWRC_SUCCESS);
  TW_IDENTITY id{};
  chooser.Answer = 1;
  ASSERT_EQ(bridge.ToManager(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &id), TWRC_SUCCESS);
  EXPECT_EQ(chooser.Shown, (std::vector<std::string>{"test:0", "test:1"}));
  EXPECT_STREQ(id.ProductName, "test:1");
  chooser.Answer.reset();
  EXPECT_EQ(bridge.ToManager(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &id), TWRC_CANCEL);
}
