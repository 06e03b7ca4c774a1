// The processing component's frame: attachment and detachment, undo, the effective selection
// and the selection-aware frame over rectangles and polygons (neighbourhood, whole-picture and
// 1-bit operations among them), progress and background.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/components/kestrix_proc.h"
#include "imaging/proc/polygon_mask.h"
#include "imaging/view/headless_host.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::SameBitmap;
using kxtest::TProgressLog;

namespace {

// Inverts every pixel of the rectangle, reporting rows.
TKestrixProc::TRectRoutine Inverter(const TKestrixProc& proc) {
  return [&proc](TBitmap& b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const TProgressRec progress = proc.ProgressRec();
    for (int32_t y = y1; y <= y2; ++y) {
      uint8_t* row = b.ScanLine(y);
      for (int32_t x = x1 * 3; x < (x2 + 1) * 3; ++x) row[x] = uint8_t(255 - row[x]);
      ReportRow(progress, y, y1, y2);
    }
  };
}

// Independent point-in-polygon test of pixel centres (even-odd, one polygon).
bool CentreInside(const std::vector<TPoint>& poly, int32_t x, int32_t y) {
  const double px = x + 0.5, py = y + 0.5;
  bool in = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const TPoint a = poly[i], b = poly[j];
    if ((a.Y > py) != (b.Y > py) && px < a.X + (py - a.Y) * (b.X - a.X) / double(b.Y - a.Y)) in = !in;
  }
  return in;
}

struct THosted {
  TKestrixView View;
  THeadlessHost Host;
  explicit THosted(const TBitmap& picture) {
    View.SetBounds(0, 0, 40, 40);
    Host.Attach(View);
    View.Assign(&picture);
    View.SetSelectionBase(kxsbBitmap);
  }
};

}  // namespace

TEST(ProcFrame, NewComponentHasNothingToUndoAndIgnoresOperations) {
  TKestrixProc proc;
  EXPECT_FALSE(proc.CanUndo());
  proc.Undo();
  proc.Rotate(90, false);
  proc.Resample(10, 10, rfTriangle);
  proc.Flip(fdHorizontal);
  proc.CropSel();
  EXPECT_EQ(proc.WorkingBitmap(), nullptr);
  EXPECT_FALSE(proc.CanUndo());
}

TEST(ProcFrame, DetachingDropsTheWorkingBitmap) {
  TBitmap picture = kxtest::MakePicture(8, 6);
  auto view = std::make_unique<THosted>(picture);
  TKestrixProc proc;
  proc.SetAttachedKestrix(&view->View);
  EXPECT_EQ(proc.WorkingBitmap(), &view->View.Bitmap());
  proc.SetAttachedBitmap(nullptr);
  EXPECT_EQ(proc.WorkingBitmap(), nullptr);
  EXPECT_EQ(proc.AttachedKestrix(), nullptr);

  proc.SetAttachedKestrix(&view->View);
  proc.SetAttachedKestrix(nullptr);
  EXPECT_EQ(proc.WorkingBitmap(), nullptr);

  // A view that goes away takes its bitmap with it.
  proc.SetAttachedKestrix(&view->View);
  view.reset();
  EXPECT_EQ(proc.AttachedKestrix(), nullptr);
  EXPECT_EQ(proc.WorkingBitmap(), nullptr);
  proc.Flip(fdVertical);
}

TEST(ProcFrame, FollowsTheViewsBitmapChanges) {
  struct TSwitchingView : TKXView {
    TBitmap first{2, 2}, second{3, 3};
    TBitmap* current = &first;
    TBitmap* GetFBitmap() override { return current; }
    void Paint() override {}
  } view;
  TKestrixProc proc;
  proc.SetAttachedKestrix(&view);
  EXPECT_EQ(proc.WorkingBitmap(), &view.first);
  view.current = &view.second;
  view.CallBitmapChangeEvents();
  EXPECT_EQ(proc.WorkingBitmap(), &view.second);
  proc.SetAttachedBitmap(&view.first);
  view.current = &view.second;
  view.CallBitmapChangeEvents();  // withdrawn: no longer followed
  EXPECT_EQ(proc.WorkingBitmap(), &view.first);
}

TEST(ProcFrame, BackgroundIsTheViewsWhenAttached) {
  TBitmap picture(4, 4);
  THosted hosted(picture);
  TKestrixProc proc;
  EXPECT_EQ(proc.Background(), clBlack);
  proc.SetBackground(clWhite);
  EXPECT_EQ(proc.Background(), clWhite);
  proc.SetAttachedKestrix(&hosted.View);
  EXPECT_EQ(proc.Background(), hosted.View.Background());
  proc.SetBackground(0x123456);
  EXPECT_EQ(hosted.View.Background(), 0x123456);
  proc.SetAttachedBitmap(&picture);
  EXPECT_EQ(proc.Background(), clWhite);
}

TEST(ProcFrame, UndoKeepsOneStateAndRestoresItRepeatedly) {
  TBitmap picture = kxtest::MakePicture(1, 7);  // one pixel wide: still undoable
  const TBitmap original = picture;
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  proc.Flip(fdVertical);
  ASSERT_TRUE(proc.CanUndo());
  const TBitmap flipped = picture;
  proc.Undo();
  EXPECT_TRUE(SameBitmap(picture, original));
  proc.Flip(fdVertical);
  proc.Undo();
  proc.Undo();
  EXPECT_TRUE(SameBitmap(picture, original));
  proc.ClearUndo();
  EXPECT_FALSE(proc.CanUndo());

  proc.SetAutoUndo(false);
  proc.Flip(fdVertical);
  EXPECT_FALSE(proc.CanUndo());
  EXPECT_TRUE(SameBitmap(picture, flipped));
}

TEST(ProcFrame, EffectiveSelectionIsOrderedAndCutToTheBitmap) {
  TBitmap picture(10, 8);
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  EXPECT_EQ(proc.GetSelX2(), 9);
  EXPECT_EQ(proc.GetSelY2(), 7);
  proc.Select(12, 5, -3, 2);
  EXPECT_EQ(proc.GetSelX1(), 0);
  EXPECT_EQ(proc.GetSelX2(), 9);
  EXPECT_EQ(proc.GetSelY1(), 2);
  EXPECT_EQ(proc.GetSelY2(), 5);
  proc.SelectAll();
  EXPECT_EQ(proc.GetSelX1(), 0);
}

TEST(ProcFrame, RectangleSelectionChangesExactlyItsPixels) {
  TBitmap picture = kxtest::MakePicture(12, 9);
  const TBitmap original = picture;
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  proc.Select(10, 6, 3, 2);  // corners in either order, inclusive
  proc.RunOnSelection(Inverter(proc));
  for (int32_t y = 0; y < 9; ++y)
    for (int32_t x = 0; x < 12; ++x) {
      const bool in = x >= 3 && x <= 10 && y >= 2 && y <= 6;
      const TRGB a = original.GetPixel(x, y), b = picture.GetPixel(x, y);
      EXPECT_EQ(b.r, in ? 255 - a.r : a.r) << x << "," << y;
    }
  proc.Undo();
  EXPECT_TRUE(SameBitmap(picture, original));
}

TEST(ProcFrame, SelectionOutsideTheBitmapDoesNothing) {
  TBitmap picture = kxtest::MakePicture(10, 10);
  const TBitmap original = picture;
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  for (const auto& s : std::vector<std::array<int32_t, 4>>{{50, 50, 60, 60}, {2, -9, 5, -2}, {2, 11, 5, 14}}) {
    proc.Select(s[0], s[1], s[2], s[3]);
    proc.RunOnSelection(Inverter(proc));
    EXPECT_TRUE(SameBitmap(picture, original));
    EXPECT_FALSE(proc.CanUndo());
  }
}

// Inside a polygon every operation gives exactly its whole-picture result, outside it nothing
// moves. Kernels and equalisation read neighbours (and equalisation the whole picture's levels):
// pixels on the edge of the polygon's bounding box see the picture's own neighbours there, not
// repeated copies of the box's edge.
TEST(ProcFrame, PolygonGivesTheWholePictureResultInsideAndTheOriginalOutside) {
  const TBitmap photo = kxtest::MakePicture(30, 24, 9);
  TBitmap mono(30, 24, pf1bit);
  for (int32_t y = 0; y < 24; ++y)
    for (int32_t i = 0; i < 4; ++i) mono.ScanLine(y)[i] = uint8_t(0x5A ^ (y * 37 + i * 11));
  const struct {
    const char* name;
    const TBitmap& picture;
    std::function<void(TKestrixProc&)> op;
  } ops[] = {
      {"the frame's own routine", photo, [](TKestrixProc& p) { p.RunOnSelection(Inverter(p)); }},
      {"emboss", photo,
       [](TKestrixProc& p) {
         p.ApplyFilter(TGraphFilter{{{-1, 0, 1}, {-1, 1, 1}, {-1, 0, 1}}, 1});
       }},
      {"uneven kernel", photo,
       [](TKestrixProc& p) {
         p.ApplyFilter(TGraphFilter{{{2, -3, 1}, {0, 4, -1}, {1, -2, 0}}, 1});
       }},
      {"auto equalisation", photo, [](TKestrixProc& p) { p.HistAutoEqualize(); }},
      {"contrast", photo, [](TKestrixProc& p) { p.Contrast(40); }},
      // Polygon edges at odd columns: bits put back share bytes with bits inside.
      {"1-bit negative", mono, [](TKestrixProc& p) { p.Negative(); }},
  };
  const struct {
    const char* name;
    std::vector<TPoint> points;
  } polygons[] = {
      {"inside, flat top and left edges", {{5, 4}, {25, 4}, {20, 18}, {5, 20}}},
      {"touching all four picture edges", {{0, 3}, {17, 0}, {30, 10}, {22, 24}, {0, 24}}},
      {"two parts, one in a corner",
       {{3, 3}, {27, 6}, {11, 22}, {9, 9}, {0xFFFFF, 0xFFFFF}, {24, 17}, {30, 17}, {30, 24}, {26, 24}}},
  };
  for (const auto& polygon : polygons) {
    const TKXSpanMask inside(polygon.points.data(), int32_t(polygon.points.size()), Rect(0, 0, 30, 24));
    for (const auto& op : ops) {
      TBitmap whole = op.picture;
      TKestrixProc wholeProc;
      wholeProc.SetAttachedBitmap(&whole);
      op.op(wholeProc);
      THosted hosted(op.picture);
      for (const TPoint& p : polygon.points) {
        if (IsSelBreak(p))
          hosted.View.AddSelBreak();
        else
          hosted.View.AddSelPoint(p.X, p.Y);
      }
      TKestrixProc proc;
      proc.SetAttachedKestrix(&hosted.View);
      op.op(proc);
      int32_t changed = 0;
      for (int32_t y = 0; y < 24; ++y) {
        const auto spans = inside.Row(y);
        for (int32_t x = 0; x < 30; ++x) {
          const bool in = std::any_of(spans.begin(), spans.end(), [x](TKXSpan s) { return x >= s.X0 && x < s.X1; });
          changed += in;
          ASSERT_EQ(hosted.View.Bitmap().GetPixel(x, y), (in ? whole : op.picture).GetPixel(x, y))
              << op.name << ", " << polygon.name << ", at " << x << "," << y;
        }
      }
      EXPECT_GT(changed, 150) << polygon.name;
    }
  }
}

TEST(ProcFrame, ViewRectangleSelectionTakesTheDirectPath) {
  TBitmap picture = kxtest::MakePicture(16, 16);
  const TBitmap original = picture;
  THosted hosted(picture);
  TKestrixProc proc;
  proc.SetAttachedKestrix(&hosted.View);
  proc.Select(4, 5, 9, 8);
  proc.RunOnSelection(Inverter(proc));
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x) {
      const bool in = x >= 4 && x <= 9 && y >= 5 && y <= 8;
      EXPECT_EQ(hosted.View.Bitmap().GetPixel(x, y).b,
                in ? 255 - original.GetPixel(x, y).b : original.GetPixel(x, y).b);
    }
}

TEST(ProcFrame, ProgressOfRowsNeverExceeds100) {
  TBitmap picture(6, 10);
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  TProgressLog log;
  proc.OnProgress = TProgressEvent::Bind<&TProgressLog::Handler>(&log);
  proc.RunOnSelection(Inverter(proc));
  const std::vector<int> expected = {10, 21, 31, 42, 52, 63, 73, 84, 94, 100};
  EXPECT_EQ(log.values, expected);
  log.values.clear();
  proc.Select(1, 4, 3, 4);  // one row: 100 / 0.5 would say 200
  proc.RunOnSelection(Inverter(proc));
  EXPECT_EQ(log.values, std::vector<int>{100});
}

TEST(SpanMask, ShortSubPolygonsCoverNothing) {
  const TRect box = Rect(0, 0, 20, 20);
  const std::vector<TPoint> line = {{1, 1}, {15, 15}};
  EXPECT_TRUE(TKXSpanMask(line.data(), 2, box).Empty());
  const std::vector<TPoint> triangle = {{2, 2}, {18, 3}, {6, 17}};
  std::vector<TPoint> mixed = line;
  mixed.push_back({0xFFFFF, 0xFFFFF});
  mixed.insert(mixed.end(), triangle.begin(), triangle.end());
  const TKXSpanMask a(triangle.data(), 3, box), b(mixed.data(), int32_t(mixed.size()), box);
  for (int32_t y = 0; y < 20; ++y) {
    const auto ra = a.Row(y), rb = b.Row(y);
    ASSERT_EQ(ra.size(), rb.size());
    for (size_t i = 0; i < ra.size(); ++i) EXPECT_TRUE(ra[i].X0 == rb[i].X0 && ra[i].X1 == rb[i].X1);
    for (int32_t x = 0; x < 20; ++x) {
      bool in = false;
      for (const TKXSpan& s : ra) in |= x >= s.X0 && x < s.X1;
      EXPECT_EQ(in, CentreInside(triangle, x, y)) << x << "," << y;
    }
  }
}

TEST(SpanMask, SubPolygonsAreJoinedAndEdgesShareNoPixel) {
  // Two squares that overlap, and a third that touches the first along x = 8.
  const std::vector<TPoint> points = {{2, 2}, {8, 2},  {8, 8},   {2, 8},  {0xFFFFF, 0xFFFFF},
                                      {5, 5}, {11, 5}, {11, 11}, {5, 11}, {0xFFFFF, 0xFFFFF},
                                      {8, 0}, {14, 0}, {14, 4},  {8, 4}};
  const TKXSpanMask mask(points.data(), int32_t(points.size()), Rect(0, 0, 16, 16));
  auto in = [&](int32_t x, int32_t y) {
    for (const TKXSpan& s : mask.Row(y))
      if (x >= s.X0 && x < s.X1) return true;
    return false;
  };
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x) {
      const bool expected =
          (x >= 2 && x < 8 && y >= 2 && y < 8) || (x >= 5 && x < 11 && y >= 5 && y < 11) || (x >= 8 && x < 14 && y < 4);
      EXPECT_EQ(in(x, y), expected) << x << "," << y;
    }
  EXPECT_EQ(mask.Bounds(), Rect(2, 0, 14, 11));
}
