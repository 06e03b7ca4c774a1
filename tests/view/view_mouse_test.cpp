// The view's mouse interactions, driven as a host would: the combination rules, zoom clicks,
// scrolling, rectangles with grips and Shift-add, polygons with Ctrl and double click,
// ellipses, the magic wand, zooming to a selection, and scrolling at the edge.
#include <gtest/gtest.h>

#include "imaging/proc/magic_wand.h"
#include "tests/view/view_fixture.h"

using namespace kx;
using kxtest::THostedView;

namespace {

const TShiftState kNone{};
const TShiftState kShift{ssShift};
const TShiftState kCtrl{ssCtrl};

void Drag(TKestrixView& v, int32_t x0, int32_t y0, int32_t x1, int32_t y1, TShiftState shift = {}) {
  v.MouseDown(mbLeft, shift + TShiftState{ssLeft}, x0, y0);
  v.MouseMove(shift + TShiftState{ssLeft}, (x0 + x1) / 2, (y0 + y1) / 2);
  v.MouseMove(shift + TShiftState{ssLeft}, x1, y1);
  v.MouseUp(mbLeft, shift, x1, y1);
}

void Click(TKestrixView& v, TMouseButton button, int32_t x, int32_t y, TShiftState shift = {}) {
  v.MouseDown(button, shift, x, y);
  v.MouseUp(button, shift, x, y);
}

std::vector<TPoint> Points(const TKestrixView& v) {
  return std::vector<TPoint>(v.PolySelArray(), v.PolySelArray() + v.PolySelCount());
}

struct TEvents {
  int Changing = 0, Change = 0, InSel = 0;
  void OnChanging(TKXView*) { ++Changing; }
  void OnChange(TKXView*) { ++Change; }
  void OnInSel(TKXView*) { ++InSel; }
  void Bind(TKestrixView& v) {
    v.OnSelectionChanging = TKXViewNotify::Bind<&TEvents::OnChanging>(this);
    v.OnSelectionChange = TKXViewNotify::Bind<&TEvents::OnChange>(this);
    v.OnMouseInSel = TKXViewNotify::Bind<&TEvents::OnInSel>(this);
  }
};

}  // namespace

TEST(ViewMouse, AddingAnInteractionDropsTheOnesItCannotJoin) {
  struct Case {
    TKXMouseInteract before, set, after;
  };
  const Case cases[] = {
      {{}, {miZoom, miScroll}, {miZoom, miScroll}},
      {{miZoom, miScroll}, {miZoom, miScroll, miSelect}, {miZoom, miSelect}},
      {{miZoom, miSelect}, {miZoom, miSelect, miSelectPolygon}, {miSelectPolygon}},
      {{miSelectPolygon}, {miSelectPolygon, miZoom}, {miZoom}},
      {{miSelect}, {miSelect, miSelectZoom}, {miSelectZoom}},
      {{miSelectZoom}, {miSelectZoom, miZoom}, {miSelectZoom, miZoom}},
      {{miZoom}, {miZoom, miSelectMagicWand}, {miSelectMagicWand}},
      {{miSelectCircle}, {miSelectCircle, miScroll}, {miScroll}},
      {{}, {miSelectCircle, miZoom}, {miSelectCircle}},  // the earlier item in the order decides
  };
  for (const Case& c : cases) {
    TKestrixView v;
    v.SetMouseInteract(c.before);
    v.SetMouseInteract(c.set);
    EXPECT_EQ(v.MouseInteract().Bits(), c.after.Bits()) << c.set.Bits();
  }
}

TEST(ViewMouse, ZoomClicksStepThroughTheTableAroundThePoint) {
  THostedView v(100, 100, TBitmap(200, 200));
  v.View.SetMouseInteract({miZoom});
  v.View.SetZoom(75);
  struct Step {
    TMouseButton button;
    int32_t zoom;
  };
  for (Step s : {Step{mbLeft, 100}, Step{mbLeft, 200}, Step{mbRight, 100}, Step{mbRight, 75}, Step{mbRight, 50}}) {
    Click(v.View, s.button, 50, 50);
    EXPECT_EQ(v.View.Zoom(), s.zoom);
  }
  v.View.SetZoom(2);
  Click(v.View, mbRight, 10, 10);
  EXPECT_EQ(v.View.Zoom(), 2);
  // Zooming in at a point brings it to the centre.
  v.View.SetZoom(100);
  Click(v.View, mbLeft, 80, 60);
  EXPECT_EQ(v.View.Zoom(), 200);
  EXPECT_EQ(v.View.ViewX(), 110);  // 80 x 2 - 50
  EXPECT_EQ(v.View.ViewY(), 70);
  // A press that moves before the release is no click.
  v.View.MouseDown(mbLeft, kNone, 10, 10);
  v.View.MouseUp(mbLeft, kNone, 30, 10);
  EXPECT_EQ(v.View.Zoom(), 200);
}

TEST(ViewMouse, ScrollDragMovesTheOriginAgainstThePointer) {
  THostedView v(50, 50, TBitmap(200, 200));
  v.View.SetMouseInteract({miScroll});
  v.View.SetViewXY(40, 40);
  v.View.MouseDown(mbLeft, kNone, 30, 30);
  v.View.MouseMove(kNone, 20, 25);
  EXPECT_EQ(v.View.ViewX(), 50);
  EXPECT_EQ(v.View.ViewY(), 45);
  v.View.MouseUp(mbLeft, kNone, 10, 45);
  EXPECT_EQ(v.View.ViewX(), 60);
  EXPECT_EQ(v.View.ViewY(), 25);
  Drag(v.View, 10, 10, 49, 49);
  EXPECT_EQ(v.View.ViewX(), 21);
  Drag(v.View, 0, 0, 49, 49);
  EXPECT_EQ(v.View.ViewX(), 0);
}

TEST(ViewMouse, RectangleIsDrawnMovedAndResizedThroughItsGrips) {
  THostedView v(100, 100, TBitmap(100, 100));
  TEvents events;
  events.Bind(v.View);
  v.View.SetMouseInteract({miSelect});
  Drag(v.View, 60, 50, 20, 10);
  EXPECT_EQ(Points(v.View), (std::vector<TPoint>{{20, 10}, {60, 10}, {60, 50}, {20, 50}}));
  EXPECT_EQ(events.Changing, 3);  // the press and two moves
  EXPECT_EQ(events.Change, 1);

  // Hovering shows the grip cursors.
  struct Hover {
    int32_t x, y;
    TCursor cursor;
  };
  for (Hover h : {Hover{21, 11, crKXMove2}, Hover{58, 12, crKXMove1}, Hover{60, 52, crKXMove2},
                  Hover{18, 48, crKXMove1}, Hover{22, 30, crKXMoveX}, Hover{61, 30, crKXMoveX}, Hover{40, 8, crKXMoveY},
                  Hover{40, 53, crKXMoveY}, Hover{40, 30, crKXMove}, Hover{90, 90, crKXCross2}}) {
    v.View.MouseMove(kNone, h.x, h.y);
    EXPECT_EQ(v.View.ShownCursor(), h.cursor) << h.x << "," << h.y;
  }
  EXPECT_EQ(events.InSel, 9);

  // Moving: the whole rectangle follows and stops at the picture's edge.
  Drag(v.View, 40, 30, 45, 20);
  EXPECT_EQ(Points(v.View), (std::vector<TPoint>{{25, 0}, {65, 0}, {65, 40}, {25, 40}}));
  Drag(v.View, 40, 20, 95, 20);
  EXPECT_EQ(v.View.SelX2(), 99);
  EXPECT_EQ(v.View.SelX1(), 59);

  // Resizing the left edge past the right one swaps the sides.
  Drag(v.View, 59, 20, 30, 20);
  EXPECT_EQ(v.View.SelX1(), 30);
  EXPECT_EQ(v.View.SelX2(), 99);
  v.View.MouseDown(mbLeft, kNone, 30, 20);
  v.View.MouseMove(kNone, 99, 20);  // onto the opposite side: stops one pixel short
  EXPECT_EQ(v.View.SelX1(), 98);
  v.View.MouseMove(kNone, 50, 20);
  EXPECT_EQ(v.View.SelX1(), 50);
  v.View.MouseUp(mbLeft, kNone, 50, 20);
  // The bottom-right corner dragged past the top-left one turns into the top-left grip.
  v.View.DeSelect();
  Drag(v.View, 20, 20, 60, 50);
  v.View.MouseDown(mbLeft, kNone, 60, 50);
  v.View.MouseMove(kNone, 10, 5);
  EXPECT_EQ(Points(v.View), (std::vector<TPoint>{{10, 5}, {20, 5}, {20, 20}, {10, 20}}));
  v.View.MouseMove(kNone, 15, 8);
  EXPECT_EQ(Points(v.View), (std::vector<TPoint>{{15, 8}, {20, 8}, {20, 20}, {15, 20}}));
  v.View.MouseUp(mbLeft, kNone, 15, 8);
}

TEST(ViewMouse, ShiftAddsOneRectanglePerDrag) {
  THostedView v(100, 100, TBitmap(100, 100));
  v.View.SetMouseInteract({miSelect});
  Drag(v.View, 10, 10, 20, 20);
  v.View.MouseDown(mbLeft, kShift, 50, 50);
  v.View.MouseMove(kShift, 60, 70);
  v.View.MouseMove(kShift, 80, 90);
  v.View.MouseUp(mbLeft, kShift, 80, 90);
  EXPECT_EQ(
      Points(v.View),
      (std::vector<TPoint>{
          {10, 10}, {20, 10}, {20, 20}, {10, 20}, {kKXSelBreak, kKXSelBreak}, {50, 50}, {80, 50}, {80, 90}, {50, 90}}));
  EXPECT_EQ(v.View.SelX2(), 80);
  EXPECT_EQ(v.View.SelY2(), 90);
  Drag(v.View, 30, 30, 35, 36);  // without Shift: replaces
  EXPECT_EQ(v.View.PolySelCount(), 4);
}

TEST(ViewMouse, PolygonWithCtrlConstraintEndsAtTheDoubleClick) {
  THostedView v(200, 200, TBitmap(200, 200));
  TEvents events;
  events.Bind(v.View);
  v.View.SetMouseInteract({miSelectPolygon});
  Click(v.View, mbLeft, 10, 10);
  EXPECT_TRUE(v.View.DrawingPolygon());
  Click(v.View, mbLeft, 15, 80, kCtrl);   // mostly down: straight below
  Click(v.View, mbLeft, 90, 100, kCtrl);  // mostly right: straight beside
  Click(v.View, mbLeft, 110, 90, kCtrl);  // close to diagonal: on the 45-degree line
  v.View.MouseMove(kNone, 150, 150);      // rubber band only
  Click(v.View, mbLeft, 120, 40);
  v.View.MouseDown(mbLeft, TShiftState{ssDouble}, 120, 40);
  v.View.MouseUp(mbLeft, kNone, 120, 40);
  EXPECT_FALSE(v.View.DrawingPolygon());
  EXPECT_EQ(Points(v.View), (std::vector<TPoint>{{10, 10}, {10, 80}, {90, 80}, {110, 100}, {120, 40}}));
  EXPECT_EQ(events.Change, 1);

  // With Shift the next polygon becomes a further sub-polygon; without it replaces.
  Click(v.View, mbLeft, 150, 150, kShift);
  Click(v.View, mbLeft, 160, 150);
  v.View.SetMouseInteract({miSelect});  // leaving the mode drops the last point and ends
  EXPECT_FALSE(v.View.DrawingPolygon());
  EXPECT_EQ(v.View.PolySelCount(), 7);
  EXPECT_EQ(v.View.PolySel(5), (TPoint{kKXSelBreak, kKXSelBreak}));
  v.View.SetMouseInteract({miSelectPolygon});
  Click(v.View, mbLeft, 5, 5);
  EXPECT_EQ(Points(v.View), (std::vector<TPoint>{{5, 5}}));
}

TEST(ViewMouse, EllipseIsAPolygonAroundThePressPoint) {
  THostedView v(200, 200, TBitmap(200, 200));
  TEvents events;
  events.Bind(v.View);
  v.View.SetMouseInteract({miSelectCircle});
  Drag(v.View, 100, 100, 120, 90);  // radii 20 and 10: Trunc(10 x 2 pi) div 4 = 15 points
  ASSERT_EQ(v.View.PolySelCount(), 15);
  EXPECT_EQ(v.View.PolySel(0), (TPoint{120, 100}));
  EXPECT_EQ(v.View.SelX1(), 80);
  EXPECT_EQ(v.View.SelY1(), 90);
  EXPECT_EQ(v.View.SelX2(), 120);
  EXPECT_EQ(v.View.SelY2(), 109);
  EXPECT_EQ(events.Change, 1);
  // Ctrl makes a circle of the larger radius; Shift adds it; points stay inside the picture.
  Drag(v.View, 10, 10, 40, 20, kShift + kCtrl);
  EXPECT_EQ(v.View.PolySel(15), (TPoint{kKXSelBreak, kKXSelBreak}));
  EXPECT_EQ(v.View.PolySelCount(), 16 + 47);  // Trunc(30 x 2 pi) div 4
  EXPECT_EQ(v.View.SelX1(), 0);
  EXPECT_EQ(v.View.SelY1(), 0);
  // A tiny drag still gives three points.
  Drag(v.View, 50, 50, 50, 51);
  EXPECT_EQ(v.View.PolySelCount(), 3);
}

TEST(ViewMouse, MagicWandSelectsAtTheRelease) {
  TBitmap picture(50, 50);
  for (int32_t y = 15; y < 50; ++y)
    for (int32_t x = 10; x < 50; ++x) reinterpret_cast<TRGB*>(picture.ScanLine(y))[x] = TRGB{0, 0, 255};
  THostedView v(100, 100, std::move(picture));
  TEvents events;
  events.Bind(v.View);
  v.View.SetMouseInteract({miSelectMagicWand});
  v.View.SetZoom(200);
  v.View.MouseDown(mbLeft, kNone, 20, 30);
  EXPECT_EQ(v.View.PolySelCount(), 0);
  v.View.MouseUp(mbLeft, kNone, 20, 30);
  EXPECT_EQ(Points(v.View), _MakeMagicWandPoints(v.View.Bitmap(), 10, 15, false, v.View.MagicWandTolerance()));
  const int32_t first = v.View.PolySelCount();
  Click(v.View, mbLeft, 4, 4, kShift);
  EXPECT_EQ(v.View.PolySel(first), (TPoint{kKXSelBreak, kKXSelBreak}));
  EXPECT_EQ(events.Change, 2);
  EXPECT_EQ(v.View.ShownCursor(), crKXCross2);
}

TEST(ViewMouse, SelectZoomZoomsToTheDrawnRectangle) {
  THostedView v(100, 100, TBitmap(200, 200));
  v.View.SetMouseInteract({miSelectZoom});
  Drag(v.View, 10, 10, 29, 59);   // 20 x 50 pixels
  EXPECT_EQ(v.View.Zoom(), 204);  // min(102 / 0.2, 102 / 0.5)
  EXPECT_EQ(v.View.PolySelCount(), 0);
}

TEST(ViewMouse, DragPastTheEdgeScrollsUntilItCannot) {
  THostedView v(50, 50, TBitmap(100, 60));
  v.View.SetMouseInteract({miSelect});
  v.View.MouseDown(mbLeft, kNone, 10, 10);
  v.View.MouseMove(kNone, 60, 20);  // 11 pixels right of the last shown column
  EXPECT_EQ(v.View.ViewX(), 11);
  v.Host.Clock().Advance(kKXAutoScrollInterval * 3);
  EXPECT_EQ(v.View.ViewX(), 44);
  v.Host.Clock().Advance(kKXAutoScrollInterval * 3);
  EXPECT_EQ(v.View.ViewX(), 50);  // the limit: the timer has stopped
  EXPECT_FALSE(v.View.TimerActive(kKXAutoScrollTimer));
  EXPECT_EQ(v.View.SelX2(), 99);
  v.View.MouseUp(mbLeft, kNone, 60, 20);
  EXPECT_EQ(Points(v.View), (std::vector<TPoint>{{10, 10}, {99, 10}, {99, 20}, {10, 20}}));
}

TEST(ViewMouse, PressIsClampedIntoThePictureAndTheFilterIsOffWhileDragging) {
  THostedView v(100, 100, TBitmap(40, 30));
  v.View.SetMouseInteract({miSelect});
  v.View.SetZoomFilter(rfLanczos3);
  v.View.MouseDown(mbLeft, kNone, 80, 90);  // beyond the picture: taken as (39, 29)
  EXPECT_EQ(v.View.ZoomFilter(), rfNone);
  v.View.MouseMove(kNone, 5, 5);
  v.View.MouseUp(mbLeft, kNone, 5, 5);
  EXPECT_EQ(v.View.ZoomFilter(), rfLanczos3);
  EXPECT_EQ(Points(v.View), (std::vector<TPoint>{{5, 5}, {39, 5}, {39, 29}, {5, 29}}));
}

TEST(ViewMouse, AntsHoldStillWhileASelectionIsDrawn) {
  THostedView v(100, 100, TBitmap(100, 100));
  v.View.SetMouseInteract({miSelect});
  Drag(v.View, 10, 10, 30, 30);
  v.Host.Clock().Advance(kKXAnimationInterval);
  EXPECT_EQ(v.View.SelectionPhase(), 1);
  v.View.MouseDown(mbLeft, kNone, 50, 50);
  v.View.MouseMove(kNone, 70, 70);
  v.Host.Clock().Advance(kKXAnimationInterval * 2);
  EXPECT_EQ(v.View.SelectionPhase(), 1);
  v.View.MouseUp(mbLeft, kNone, 70, 70);
  v.Host.Clock().Advance(kKXAnimationInterval);
  EXPECT_EQ(v.View.SelectionPhase(), 2);
}

TEST(ViewMouse, RubberBandInvertsThePixelsAndGivesThemBack) {
  THostedView v(60, 40, kxtest::CoordinatePicture(60, 40));
  v.View.SetMouseInteract({miSelectPolygon});
  Click(v.View, mbLeft, 10, 10);
  const TBitmap before = v.Shot();
  v.View.MouseMove(kNone, 30, 10);
  const TBitmap& window = v.View.Buffer();
  for (int32_t x = 11; x < 30; ++x) {
    const TRGB c = before.GetPixel(x, 10);
    ASSERT_EQ(window.GetPixel(x, 10), (TRGB{uint8_t(~c.b), uint8_t(~c.g), uint8_t(~c.r)})) << x;
  }
  v.View.MouseMove(kNone, 10, 30);
  for (int32_t x = 11; x < 30; ++x) ASSERT_EQ(window.GetPixel(x, 10), before.GetPixel(x, 10)) << x;
  EXPECT_NE(window.GetPixel(10, 20), before.GetPixel(10, 20));
}
