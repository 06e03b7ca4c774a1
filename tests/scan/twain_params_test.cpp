// The scanner parameters against the scripted manager: how often they contact it, what they
// read, what a negotiation sends, the source choice and the identity strings.
#include <gtest/gtest.h>

#include "tests/scan/scan_rig.h"

namespace {

using namespace kx;
using namespace kxtest;

// A source that reports resolutions, pixel types, gamma, sizes, feeder, indicators and layout.
void ReportEverything(TScriptedTwain& twain) {
  twain.Caps[ICAP_UNITS] = TCapAnswer::Enumeration(TWTY_UINT16, {TWUN_INCHES, TWUN_CENTIMETERS}, 1);
  twain.Caps[ICAP_XRESOLUTION] =
      TCapAnswer::Enumeration(TWTY_FIX32, {Fix32Field(100), Fix32Field(200), Fix32Field(300)}, 1);
  twain.Caps[ICAP_YRESOLUTION] =
      TCapAnswer::Range(TWTY_FIX32, Fix32Field(50), Fix32Field(1200), Fix32Field(50), 0, Fix32Field(200));
  twain.Caps[ICAP_PIXELTYPE] = TCapAnswer::Enumeration(TWTY_UINT16, {TWPT_BW, TWPT_GRAY, TWPT_RGB}, 2);
  twain.Caps[ICAP_GAMMA] = TCapAnswer::OneValue(TWTY_FIX32, Fix32Field(1.8));
  twain.Caps[ICAP_PHYSICALWIDTH] = TCapAnswer::OneValue(TWTY_FIX32, Fix32Field(8.5));
  twain.Caps[ICAP_PHYSICALHEIGHT] = TCapAnswer::OneValue(TWTY_FIX32, Fix32Field(11.75));
  twain.Caps[CAP_FEEDERENABLED] = TCapAnswer::OneValue(TWTY_BOOL, 1);
  twain.Caps[CAP_INDICATORS] = TCapAnswer::OneValue(TWTY_BOOL, 0);
  twain.Caps[ICAP_ORIENTATION] = TCapAnswer::Array(TWTY_UINT16, {0, 1});
  twain.HasLayout = true;
  twain.Layout = TW_FRAME{{0, 0}, {0, 0}, {8, 0x8000}, {11, 0}};
}

TEST(TwainParams, ReadsWhatTheSourceReportsAndDefaultsTheRest) {
  {
    TScriptedTwain twain;
    ReportEverything(twain);
    TKXTWainParams params;
    EXPECT_EQ(params.GetXResolution().Count(), 3);
    EXPECT_EQ(params.GetXResolution().CurrentValue(), 200);
    EXPECT_EQ(params.GetYResolution().RangeMax(), 1200);
    EXPECT_EQ(params.GetYResolution().CurrentValue(), 200);
    EXPECT_EQ(params.GetPixelType().CurrentValue(), TWPT_RGB);
    EXPECT_NEAR(params.GetGamma(), 1.8, 1e-4);
    EXPECT_EQ(params.GetPhysicalWidth(), 8.5);
    EXPECT_EQ(params.GetPhysicalHeight(), 11.75);
    EXPECT_TRUE(params.GetFeederEnabled());
    EXPECT_FALSE(params.GetIndicators());
    EXPECT_EQ(params.GetOrientation().Count(), 2);
    EXPECT_EQ(params.GetAcquireFrame(2), 8.5);
    EXPECT_EQ(params.GetAcquireFrame(3), 11);
    EXPECT_EQ(params.GetAcquireFrame(4), 0);
    // Units are switched to inches before anything is read.
    const std::vector<TCapSet> units = twain.SetsOf(ICAP_UNITS);
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].ConType, TWON_ONEVALUE);
    EXPECT_EQ(units[0].Values, std::vector<double>{TWUN_INCHES});
  }
  {
    TScriptedTwain twain;
    TKXTWainParams params;
    EXPECT_EQ(params.GetXResolution().Count(), 0);
    EXPECT_EQ(params.GetXScaling().Count(), 1);
    EXPECT_EQ(params.GetXScaling().GetItem(0), 1.0);
    EXPECT_EQ(params.GetOrientation().GetItem(0), TWOR_ROT0);
    EXPECT_EQ(params.GetGamma(), 2.2);
    EXPECT_TRUE(params.GetIndicators());
    EXPECT_FALSE(params.GetFeederEnabled());
    EXPECT_TRUE(twain.SetsOf(ICAP_UNITS).empty());
  }
}

TEST(TwainParams, GettersReadOnceAndTheSameIndexReadsNothing) {
  TScriptedTwain twain;
  TKXTWainParams params;
  params.GetXResolution();
  params.GetGamma();
  EXPECT_EQ(twain.Count("OPENDS"), 1);
  params.SetSelectedSource(0);
  EXPECT_EQ(twain.Count("OPENDS"), 1);
  params.SetSelectedSource(1);
  EXPECT_EQ(twain.Count("OPENDS"), 2);
  EXPECT_EQ(twain.OpenedSource, "Sheet Feeder");
  params.SetSelectedSource(-1);
  EXPECT_EQ(params.SelectedSource(), 1);
  EXPECT_EQ(twain.Count("OPENDS"), 2);
  // The source list is read once, by the first of these.
  params.GetSourceCount();
  params.GetSourceName(0);
  EXPECT_EQ(twain.Count("GETFIRST"), 2);
}

TEST(TwainParams, FailedReadIsTriedAgain) {
  TScriptedTwain twain;
  ReportEverything(twain);
  twain.OpenSourceFails = true;
  TKXTWainParams params;
  EXPECT_EQ(params.GetGamma(), 2.2);
  EXPECT_FALSE(params.CapsFilled());
  twain.OpenSourceFails = false;
  EXPECT_NEAR(params.GetGamma(), 1.8, 1e-4);
  EXPECT_TRUE(params.CapsFilled());
  {
    const TSourceManagerScope none{TSourceManagerLoader{}};
    TKXTWainParams unreachable;
    EXPECT_EQ(unreachable.GetSourceCount(), 0);
    EXPECT_FALSE(unreachable.SourceListFilled());
  }
}

TEST(TwainParams, ValuesSetBeforeTheFirstReadSurviveIt) {
  TScriptedTwain twain;
  ReportEverything(twain);
  TKXTWainParams params;
  params.SetAcquireFrame(0, 1.5);
  params.SetFeederEnabled(false);
  params.SetIndicators(true);
  EXPECT_EQ(twain.Count("OPENDS"), 0);
  EXPECT_EQ(params.GetAcquireFrame(0), 1.5);
  EXPECT_EQ(params.GetAcquireFrame(2), 8.5);
  EXPECT_FALSE(params.GetFeederEnabled());
  EXPECT_TRUE(params.GetIndicators());
  // After the read the source's values count again when the source is chosen anew.
  params.SetSelectedSource(1);
  EXPECT_EQ(params.GetAcquireFrame(0), 0);
  EXPECT_TRUE(params.GetFeederEnabled());
}

TEST(TwainParams, NegotiationSendsOnlyWhatChangedAndPixelTypesAboveRgbAsRgb) {
  TScanRig rig;
  ReportEverything(rig.twain);
  rig.twain.Images = {RgbImage(2, 2, 2, 1)};
  rig.params.GetPixelType().SetCurrentValue(3);
  const int sessions = rig.twain.Count("OPENDSM");
  ASSERT_TRUE(rig.Acquire());
  EXPECT_EQ(rig.twain.Count("OPENDSM"), sessions + 1);
  EXPECT_TRUE(rig.twain.SetsOf(ICAP_XRESOLUTION).empty());
  const std::vector<TCapSet> pixelType = rig.twain.SetsOf(ICAP_PIXELTYPE);
  ASSERT_EQ(pixelType.size(), 1u);
  EXPECT_EQ(pixelType[0].ConType, TWON_ONEVALUE);
  EXPECT_EQ(pixelType[0].ItemType, TWTY_UINT16);
  EXPECT_EQ(pixelType[0].Values, std::vector<double>{TWPT_RGB});
  ASSERT_EQ(rig.twain.SetsOf(ICAP_BITDEPTH).size(), 1u);
  EXPECT_EQ(rig.twain.SetsOf(ICAP_BITDEPTH)[0].Values, std::vector<double>{24});
  EXPECT_EQ(rig.twain.SetsOf(ICAP_PLANARCHUNKY)[0].Values, std::vector<double>{TWPC_CHUNKY});
  EXPECT_EQ(rig.twain.SetsOf(ICAP_PIXELFLAVOR)[0].Values, std::vector<double>{TWPF_CHOCOLATE});
  EXPECT_EQ(rig.twain.SetsOf(ICAP_XFERMECH)[0].Values, std::vector<double>{TWSX_MEMORY});
  const std::vector<TCapSet> feeder = rig.twain.SetsOf(CAP_FEEDERENABLED);
  ASSERT_EQ(feeder.size(), 1u);
  EXPECT_EQ(feeder[0].ItemType, TWTY_BOOL);
  EXPECT_EQ(feeder[0].Values, std::vector<double>{0xFFFF});
}

TEST(TwainParams, UnreadRecordIsReadInsideTheScansOwnSession) {
  TScanRig rig;
  ReportEverything(rig.twain);
  rig.twain.Images = {RgbImage(2, 2, 2, 1)};
  rig.params.SetIndicators(true);
  ASSERT_TRUE(rig.Acquire());
  EXPECT_EQ(rig.twain.Count("OPENDSM"), 1);
  EXPECT_EQ(rig.twain.Count("OPENDS"), 1);
  EXPECT_TRUE(rig.params.CapsFilled());
  EXPECT_EQ(rig.params.Caps().XResolution.Count(), 3);
  EXPECT_EQ(rig.twain.SetsOf(CAP_INDICATORS)[0].Values, std::vector<double>{0xFFFF});
  EXPECT_TRUE(rig.twain.SetsOf(ICAP_XRESOLUTION).empty());
}

TEST(TwainParams, ListsAreSentByTheirChangeMarks) {
  struct TListCase {
    const char* name;
    void (*change)(TKXDoubleList&);
    std::vector<TW_UINT16> conTypes;
    std::vector<std::vector<double>> values;
    TW_UINT32 currentIndex;
  } cases[] = {
      {"current only", [](TKXDoubleList& l) { l.SetCurrentValue(150); }, {TWON_ONEVALUE}, {{150}}, 0},
      {"items with the current among them",
       [](TKXDoubleList& l) {
         l.Add(75);
         l.SetCurrentValue(75);
       },
       {TWON_ENUMERATION, TWON_ONEVALUE},
       {{100, 200, 300, 75}, {75}},
       3},
      {"items without the current",
       [](TKXDoubleList& l) {
         l.Clear();
         l.Add(600);
         l.SetCurrentValue(601.5);
       },
       {TWON_ONEVALUE},
       {{601.5}},
       0},
      {"range", [](TKXDoubleList& l) { l.SetRangeMax(2400); }, {TWON_RANGE}, {{0, 2400, 0, 0, 200}}, 0},
  };
  for (const TListCase& c : cases) {
    SCOPED_TRACE(c.name);
    TScanRig rig;
    ReportEverything(rig.twain);
    rig.twain.Images = {RgbImage(2, 2, 2, 1)};
    c.change(rig.params.GetXResolution());
    ASSERT_TRUE(rig.Acquire());
    const std::vector<TCapSet> sets = rig.twain.SetsOf(ICAP_XRESOLUTION);
    ASSERT_EQ(sets.size(), c.conTypes.size());
    for (size_t i = 0; i < sets.size(); ++i) {
      EXPECT_EQ(sets[i].ConType, c.conTypes[i]);
      EXPECT_EQ(sets[i].ItemType, TWTY_FIX32);
      EXPECT_EQ(sets[i].Values, c.values[i]);
    }
    if (c.conTypes[0] == TWON_ENUMERATION) {
      EXPECT_EQ(sets[0].CurrentIndex, c.currentIndex);
    }
  }
}

TEST(TwainParams, UpdateSendsEverythingAndReadsBack) {
  TScriptedTwain twain;
  ReportEverything(twain);
  TKXTWainParams params;
  params.GetXResolution().SetCurrentValue(300);
  const int readsBefore = twain.Count("OPENDS");
  params.Update();
  EXPECT_EQ(twain.Count("OPENDS"), readsBefore + 1);
  ASSERT_EQ(twain.SetsOf(ICAP_XRESOLUTION).size(), 1u);
  EXPECT_EQ(twain.SetsOf(ICAP_XRESOLUTION)[0].Values, std::vector<double>{300});
  // The source's answer is what the record holds now.
  EXPECT_EQ(params.GetXResolution().CurrentValue(), 200);
}

TEST(TwainParams, AssignCopiesDeeply) {
  TScriptedTwain twain;
  ReportEverything(twain);
  TKXTWainParams source;
  source.GetXResolution();
  source.SetSelectedSource(1);
  source.SetAppProductName("Quill");
  source.SetBufferedTransfer(false);
  source.ShowSourceDialog = false;
  source.GetPixelType().SetCurrentValue(TWPT_GRAY);
  TKXTWainParams copy;
  copy.Assign(source);
  source.GetXResolution().Clear();
  source.GetPixelType().SetCurrentValue(TWPT_BW);
  source.SetDefaultParams();
  const int reads = twain.Count("OPENDS");
  EXPECT_EQ(copy.GetXResolution().Count(), 3);
  EXPECT_EQ(copy.GetPixelType().CurrentValue(), TWPT_GRAY);
  EXPECT_TRUE(copy.GetPixelType().Changed.Contains(kxlCurrentValue));
  EXPECT_EQ(copy.SelectedSource(), 1);
  EXPECT_EQ(copy.GetSourceCount(), 2);
  EXPECT_EQ(copy.GetSourceName(1), "Sheet Feeder");
  EXPECT_EQ(copy.AppProductName(), "Quill");
  EXPECT_FALSE(copy.GetBufferedTransfer());
  EXPECT_FALSE(copy.ShowSourceDialog);
  EXPECT_EQ(twain.Count("OPENDS"), reads);
}

TEST(TwainParams, SelectSourceByNamePrefersAnExactMatch) {
  TScriptedTwain twain({"Acme Scan Pro", "acme scan", "Beta"});
  struct {
    const char* name;
    bool found;
    int32_t selected;
  } cases[] = {{"ACME SCAN", true, 1}, {"acme", true, 0}, {"Acme Scan Pro", true, 0},
               {"beta", true, 2},      {"", false, 2},    {"Gamma", false, 2}};
  TKXTWainParams params;
  for (const auto& c : cases) {
    EXPECT_EQ(params.SelectSourceByName(c.name), c.found) << c.name;
    EXPECT_EQ(params.SelectedSource(), c.selected) << c.name;
  }
  EXPECT_EQ(params.GetSourceName(-1), "");
  EXPECT_EQ(params.GetSourceName(3), "");
  EXPECT_EQ(params.GetSourceName(2), "Beta");
}

TEST(TwainParams, IdentityStringsAreCutOnCharacterBoundaries) {
  struct {
    std::string given, kept;
  } cases[] = {
      {std::string(40, 'x'), std::string(32, 'x')},
      {[] {
         std::string s;
         for (int i = 0; i < 17; ++i) s += "\xC3\xA9";
         return s;
       }(),
       [] {
         std::string s;
         for (int i = 0; i < 16; ++i) s += "\xC3\xA9";
         return s;
       }()},
      {"a" + std::string(10, 'b') + std::string(7, '\0') + "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC",
       "a" + std::string(10, 'b') + std::string(7, '\0') + "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"},
      {std::string(30, 'x') + "\xE2\x82\xAC", std::string(30, 'x')},
  };
  for (const auto& c : cases) {
    TScanRig rig;
    rig.params.SetAppProductName(c.given);
    rig.params.SetAppManufacturer(c.given);
    EXPECT_EQ(rig.params.AppProductName(), c.kept);
    rig.twain.OpenSourceFails = true;
    rig.Acquire();
    EXPECT_EQ(std::string(rig.twain.LastOrigin.Manufacturer, c.kept.size()), c.kept);
    EXPECT_EQ(rig.twain.LastOrigin.Manufacturer[c.kept.size()], '\0');
    EXPECT_EQ(rig.twain.LastOrigin.ProtocolMinor, 6);
    const TW_UINT32 groups = rig.twain.LastOrigin.SupportedGroups;  // a packed field: copied first
    EXPECT_EQ(groups, DG_CONTROL | DG_IMAGE);
  }
}

TEST(TwainParams, EnumerationEndsOnAFailureToo) {
  TScriptedTwain twain({"One", "", "Two"});
  twain.EnumerationEnd = TWRC_FAILURE;
  std::vector<TW_IDENTITY> list;
  ASSERT_TRUE(KXTW_GetSourceList(list));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_STREQ(list[1].ProductName, "Two");
}

TEST(TwainSelect, DialogAnswerAndName) {
  TScriptedTwain twain;
  std::string name = "old";
  twain.UserSelects = "Sheet Feeder";
  EXPECT_TRUE(KXTW_SelectImageSource(0, name));
  EXPECT_EQ(name, "Sheet Feeder");
  twain.UserSelects = "";
  EXPECT_FALSE(KXTW_SelectImageSource(0, name));
  EXPECT_EQ(name, "");
  TWatchdogHost host;
  struct TNoWindows : TWatchdogHost {
    bool IsWindow(uintptr_t) override { return false; }
  } noWindows;
  const TAcquireHostScope scope(noWindows);
  twain.UserSelects = "Sheet Feeder";
  EXPECT_FALSE(KXTW_SelectImageSource(0x40, name));
  EXPECT_EQ(twain.Count("USERSELECT"), 2);
}

}  // namespace
