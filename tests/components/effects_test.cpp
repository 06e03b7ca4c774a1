// The effect and hidden-data members through the composite: which part of the picture each
// effect works on (selection rectangle, polygon through a copy of its box, or the whole
// picture), undo and refusals, and hidden text through the lossless and lossy writers.
#include "imaging/proc/effects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "imaging/components/kestrix.h"
#include "imaging/proc/bitmap_copy.h"
#include "imaging/proc/morphology.h"
#include "imaging/proc/polygon_mask.h"
#include "imaging/view/headless_host.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::MakePicture;
using kxtest::SameBitmap;

namespace {

struct THosted {
  TKestrixView View;
  THeadlessHost Host;
  TKestrixProc Proc;
  explicit THosted(const TBitmap& picture) {
    View.SetBounds(0, 0, 60, 60);
    Host.Attach(View);
    View.Assign(&picture);
    View.SetSelectionBase(kxsbBitmap);
    Proc.SetAttachedKestrix(&View);
  }
};

const TRGB kWhite = CreateRGB(255, 255, 255);

// Each effect as a member call and as its routine over a given rectangle of a given bitmap.
struct TEffect {
  const char* name;
  std::function<void(TKestrixProc&)> member;
  std::function<void(TBitmap&, int32_t, int32_t, int32_t, int32_t)> routine;
};
const TBitmap& Other() {
  static const TBitmap other = MakePicture(5, 9, 77);
  return other;
}
const TEffect kEffects[] = {
    {"Merge", [](TKestrixProc& k) { k.Merge(Other(), 40); },
     [](TBitmap& b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
       _Merge(b, Other(), 40, x1, y1, x2, y2, NullProgress());
     }},
    {"BumpMapping", [](TKestrixProc& k) { k.BumpMapping(6, 5, 9, 7, 20, kWhite); },
     [](TBitmap& b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
       _BumpMapping(b, 6, 5, 9, 7, 20, kWhite, x1, y1, x2, y2, NullProgress());
     }},
    {"Lens", [](TKestrixProc& k) { k.Lens(7, 6, 14, 12, 2.5); },
     [](TBitmap& b, int32_t, int32_t, int32_t, int32_t) { _lens(b, 7, 6, 14, 12, 2.5, NullProgress()); }},
    {"Wave", [](TKestrixProc& k) { k.Wave(3, 4, 30, false); },
     [](TBitmap& b, int32_t, int32_t, int32_t, int32_t) { _wave(b, 3, 4, 30, false, NullProgress()); }},
    {"Maximum", [](TKestrixProc& k) { k.Maximum(2); },
     [](TBitmap& b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
       _MorphFilter(b, 2, mkMaximum, x1, y1, x2, y2, NullProgress());
     }},
    {"Closing", [](TKestrixProc& k) { k.Closing(1); },
     [](TBitmap& b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
       _MorphFilter(b, 1, mkClosing, x1, y1, x2, y2, NullProgress());
     }},
};

}  // namespace

TEST(EffectMembers, PolygonsWorkOnTheirBoxAndChangeOnlyTheirInside) {
  const TBitmap picture = MakePicture(30, 24, 4);
  const std::vector<TPoint> polygon = {{4, 3}, {25, 5}, {21, 20}, {6, 22}};
  const int32_t x1 = 4, y1 = 3, x2 = 25, y2 = 22;
  const TKXSpanMask inside(polygon.data(), int32_t(polygon.size()), Rect(0, 0, 30, 24));
  for (const TEffect& effect : kEffects) {
    // The box copy worked on whole, for the effects that take their coordinates from it; the
    // others work on the box within the picture.
    TBitmap box;
    _CopyBitmapRect(picture, box, x1, y1, x2, y2);
    effect.routine(box, 0, 0, box.Width() - 1, box.Height() - 1);
    THosted hosted(picture);
    for (const TPoint& p : polygon) hosted.View.AddSelPoint(p.X, p.Y);
    effect.member(hosted.Proc);
    int32_t changed = 0;
    for (int32_t y = 0; y < 24; ++y)
      for (int32_t x = 0; x < 30; ++x) {
        const auto spans = inside.Row(y);
        const bool in = std::any_of(spans.begin(), spans.end(), [x](TKXSpan s) { return x >= s.X0 && x < s.X1; });
        const TRGB expected = in ? box.GetPixel(x - x1, y - y1) : picture.GetPixel(x, y);
        changed += in && expected != picture.GetPixel(x, y);
        ASSERT_EQ(hosted.View.Bitmap().GetPixel(x, y), expected) << effect.name << " at " << x << "," << y;
      }
    EXPECT_GT(changed, 50) << effect.name;
  }
}

TEST(EffectMembers, WithoutAPolygonLensAndWaveTakeTheWholePicture) {
  const TBitmap picture = MakePicture(30, 24, 6);
  for (const TEffect& effect : kEffects) {
    const bool whole = std::string(effect.name) == "Lens" || std::string(effect.name) == "Wave";
    TBitmap expected = picture;
    if (whole)
      effect.routine(expected, 0, 0, 29, 23);
    else
      effect.routine(expected, 3, 4, 17, 15);
    TBitmap bitmap = picture;
    TKestrixProc proc;
    proc.SetAttachedBitmap(&bitmap);
    proc.Select(17, 15, 3, 4);
    effect.member(proc);
    EXPECT_TRUE(SameBitmap(bitmap, expected)) << effect.name;
  }
}

TEST(EffectMembers, UndoAndRefusals) {
  const TBitmap picture = MakePicture(12, 10, 2);
  for (const TEffect& effect : kEffects) {
    TBitmap bitmap = picture;
    TKestrixProc proc;
    proc.SetAttachedBitmap(&bitmap);
    effect.member(proc);
    ASSERT_TRUE(proc.CanUndo()) << effect.name;
    EXPECT_FALSE(SameBitmap(bitmap, picture)) << effect.name;
    proc.Undo();
    EXPECT_TRUE(SameBitmap(bitmap, picture)) << effect.name;
    // A 1-bit picture is left alone, undo state included.
    TBitmap mono(12, 10, pf1bit);
    TKestrixProc monoProc;
    monoProc.SetAttachedBitmap(&mono);
    effect.member(monoProc);
    EXPECT_FALSE(monoProc.CanUndo()) << effect.name;
  }
  TBitmap bitmap = picture;
  TKestrixProc proc;
  proc.SetAttachedBitmap(&bitmap);
  proc.BumpMapping(3, 3, 0, 5, 0, kWhite);
  EXPECT_TRUE(proc.CanUndo()) << "a light of no width changes nothing but saves the undo state";
  EXPECT_TRUE(SameBitmap(bitmap, picture));
  proc.ClearUndo();
  proc.Merge(TBitmap(), 50);
  EXPECT_FALSE(proc.LastRefusal().empty());
  EXPECT_FALSE(proc.CanUndo());
  EXPECT_TRUE(SameBitmap(bitmap, picture));
  // Merging with itself blends with the picture as it was.
  proc.Merge(bitmap, 30);
  EXPECT_TRUE(SameBitmap(bitmap, picture));
}

TEST(HiddenMembers, TextIsStoredAsUtf8AndRefusedWhenItDoesNotFit) {
  TBitmap bitmap = MakePicture(100, 100, 3);
  TKestrixProc proc;
  proc.SetAttachedBitmap(&bitmap);
  EXPECT_EQ(proc.GetHiddenDataSpace(), 3717);
  const std::string text = "Gr\u00fc\u00dfe aus K\u00f6ln, \u65e5\u672c \U0001F600";
  EXPECT_EQ(proc.WriteHiddenText(text), int32_t(text.size()));
  EXPECT_EQ(proc.ReadHiddenText(), text);
  std::vector<uint8_t> head(4);
  EXPECT_EQ(proc.ReadHiddenData(head.data(), 4), int32_t(text.size()));
  EXPECT_EQ(std::string(head.begin(), head.end()), text.substr(0, 4));
  EXPECT_EQ(proc.ReadHiddenData(head.data(), -5), int32_t(text.size())) << "a negative size copies nothing";
  EXPECT_EQ(std::string(head.begin(), head.end()), text.substr(0, 4));

  const TBitmap written = bitmap;
  proc.ClearUndo();
  const std::vector<uint8_t> tooMuch(3718, 'x');
  EXPECT_EQ(proc.WriteHiddenData(tooMuch.data(), 3718), 0);
  EXPECT_NE(proc.LastRefusal().find("3717"), std::string::npos) << proc.LastRefusal();
  EXPECT_EQ(proc.WriteHiddenData(tooMuch.data(), -1), 0);
  EXPECT_TRUE(SameBitmap(bitmap, written));
  EXPECT_FALSE(proc.CanUndo());
  EXPECT_EQ(proc.WriteHiddenData(tooMuch.data(), 3717), 3717);
  EXPECT_TRUE(proc.CanUndo());
  EXPECT_EQ(proc.ReadHiddenText(), std::string(3717, 'x'));

  TBitmap random = MakePicture(40, 30, 9);
  proc.SetAttachedBitmap(&random);
  EXPECT_EQ(proc.ReadHiddenText(), "");
  TBitmap mono(100, 100, pf1bit);
  proc.SetAttachedBitmap(&mono);
  EXPECT_EQ(proc.GetHiddenDataSpace(), 0);
  EXPECT_EQ(proc.WriteHiddenText("a"), 0);
}

TEST(HiddenMembers, LosslessFilesKeepTheTextAndJpegLosesIt) {
  const std::string text = "hidden \u00e9t\u00e9 text";
  for (const char* suffix : {".png", ".bmp", ".tif", ".tga", ".jpg"}) {
    TKestrix writer;
    const TBitmap picture = MakePicture(60, 40, 5);
    writer.Assign(&picture);
    ASSERT_EQ(writer.WriteHiddenText(text), int32_t(text.size()));
    const std::string path = kxtest::TempPath(suffix);
    writer.SaveToFile(path);
    ASSERT_FALSE(writer.Aborting()) << suffix;
    TKestrix reader;
    reader.LoadFromFile(path);
    ASSERT_FALSE(reader.Aborting()) << suffix;
    if (std::string(suffix) == ".jpg")
      EXPECT_EQ(reader.ReadHiddenText(), "") << "lossy coding scrambles the low bits";
    else
      EXPECT_EQ(reader.ReadHiddenText(), text) << suffix;
  }
}
