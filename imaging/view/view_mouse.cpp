// The view's mouse interactions: zoom clicks, scrolling, rectangle selection with its grips,
// polygon and ellipse selection, the magic wand, and scrolling while a drag leaves the picture.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "imaging/core/pixelformat.h"
#include "imaging/view/view.h"

namespace kx {

namespace {

constexpr int32_t kConstrainSlack = 30;  // Ctrl: straight lines unless the offsets differ less

int32_t Sign(int64_t v) { return v < 0 ? -1 : 1; }

TCursor GripCursor(int32_t grip) {
  switch (grip) {
    case 0:
    case 2:
      return crKXMove2;
    case 1:
    case 3:
      return crKXMove1;
    case 4:
    case 5:
      return crKXMoveX;
    case 6:
    case 7:
      return crKXMoveY;
    default:
      return crKXMove;
  }
}

}  // namespace

void TKestrixView::Announce(const TRect& r) {
  if (!Rendering()) InvalidateRect(r.Left, r.Top, r.Right, r.Bottom);
}

TPoint TKestrixView::ConstrainPolygonPoint(int32_t x, int32_t y) const {
  if (fSel.Points.empty() || IsSelBreak(fSel.Points.back())) return TPoint{x, y};
  const TPoint last{XBmp2Scr(fSel.Points.back().X), YBmp2Scr(fSel.Points.back().Y)};
  const int64_t dx = int64_t(x) - last.X, dy = int64_t(y) - last.Y;
  if (std::abs(dy) - std::abs(dx) > kConstrainSlack) return TPoint{last.X, y};
  if (std::abs(dx) - std::abs(dy) > kConstrainSlack) return TPoint{x, last.Y};
  const int64_t m = std::max(std::abs(dx), std::abs(dy));
  return TPoint{int32_t(last.X + Sign(dx) * m), int32_t(last.Y + Sign(dy) * m)};
}

// The rubber band is drawn inverting the pixels, so drawing it again takes it away.
void TKestrixView::DrawRubberBand() {
  TCanvas& canvas = Canvas();
  canvas.Pen = TPen{clBlack, 1, psSolid, pmNot};
  canvas.MoveTo(fRubberFrom.X, fRubberFrom.Y);
  canvas.LineTo(fRubberTo.X, fRubberTo.Y);
  fRubberShown = !fRubberShown;
  Announce(Rect(std::min(fRubberFrom.X, fRubberTo.X), std::min(fRubberFrom.Y, fRubberTo.Y),
                std::max(fRubberFrom.X, fRubberTo.X) + 1, std::max(fRubberFrom.Y, fRubberTo.Y) + 1));
}

void TKestrixView::MoveRubberBand(int32_t x, int32_t y, TShiftState shift) {
  if (fSel.Points.empty() || IsSelBreak(fSel.Points.back())) return;
  if (fRubberShown) DrawRubberBand();
  fRubberFrom = TPoint{XBmp2Scr(fSel.Points.back().X), YBmp2Scr(fSel.Points.back().Y)};
  fRubberTo = shift.Contains(ssCtrl) ? ConstrainPolygonPoint(x, y) : TPoint{x, y};
  DrawRubberBand();
}

void TKestrixView::EndPolygon(bool dropLast) {
  if (dropLast && PolySelCount() > 0) fSel.Truncate(PolySelCount() - 1);
  fPolyDrawing = false;
  fRubberShown = false;
  if (PolySelCount() == 0) fSel.Visible = false;
  Invalidate();
}

void TKestrixView::PolygonPress(TShiftState shift, int32_t x, int32_t y) {
  const TPoint c = fPolyDrawing && shift.Contains(ssCtrl) ? ConstrainPolygonPoint(x, y) : TPoint{x, y};
  if (!fPolyDrawing) {
    if (shift.Contains(ssShift) && PolySelCount() > 0)
      fSel.AddBreak();
    else
      DeSelect();
    fPolyDrawing = true;
  }
  const TPoint p = ClampToPicture(XScr2Bmp(c.X), YScr2Bmp(c.Y));
  fSel.AddPoint(p.X, p.Y);
  ShowSelection();
}

void TKestrixView::BuildEllipse(TShiftState shift, int32_t x, int32_t y) {
  const int64_t x0 = XBmp2Scr(fPressBmp.X), y0 = YBmp2Scr(fPressBmp.Y);
  double rx = double(std::abs(x - x0)), ry = double(std::abs(y - y0));
  if (shift.Contains(ssCtrl)) rx = ry = std::max(rx, ry);
  const int32_t n = std::max(KXTrunc(std::min(rx, ry) * 2 * std::numbers::pi) / 4, 3);
  if (fAddStart >= 0) {
    fSel.Truncate(fAddStart);
    fSel.AddBreak();
  } else {
    fSel.Clear();
  }
  for (int32_t k = 0; k < n; ++k) {
    const double a = 2 * std::numbers::pi * k / n;
    const int32_t px = KXTrunc(std::cos(a) * rx + double(x0)), py = KXTrunc(std::sin(a) * ry + double(y0));
    const TPoint p = ClampToPicture(XScr2Bmp(px), YScr2Bmp(py));
    fSel.AddPoint(p.X, p.Y);
  }
  ShowSelection();
}

void TKestrixView::DragTo(TShiftState shift, int32_t x, int32_t y) {
  switch (fDrag) {
    case dgScroll:
      SetViewXY(fPressViewX + fPressX - x, fPressViewY + fPressY - y);
      break;
    case dgRect: {
      const TPoint q{XScr2Bmp(x), YScr2Bmp(y)};
      if (q.X == fPressBmp.X || q.Y == fPressBmp.Y) break;
      if (fAddStart >= 0) fSel.Truncate(fAddStart);
      SelectBmp(fPressBmp.X, fPressBmp.Y, q.X, q.Y, fAddStart >= 0 ? kxspAdd : kxspReplace);
      OnSelectionChanging(this);
      break;
    }
    case dgMove:
      SelectMoveEx(x, y);
      OnSelectionChanging(this);
      break;
    case dgResize:
      fGrip = SelectResizeEx(fGrip, x, y);
      OnSelectionChanging(this);
      break;
    case dgEllipse:
      BuildEllipse(shift, x, y);
      break;
    default:
      break;
  }
}

// Scrolls by the distance the pointer lies outside the shown picture; false when it lies
// inside or the view can scroll no further that way.
bool TKestrixView::AutoScroll(int32_t x, int32_t y) {
  const bool edits = fPolyDrawing || fDrag == dgRect || fDrag == dgMove || fDrag == dgResize || fDrag == dgEllipse;
  if (!edits) return false;
  const TRect pic = PictureRect();
  const int64_t ox = x < pic.Left ? int64_t(x) - pic.Left : x >= pic.Right ? int64_t(x) - (pic.Right - 1) : 0;
  const int64_t oy = y < pic.Top ? int64_t(y) - pic.Top : y >= pic.Bottom ? int64_t(y) - (pic.Bottom - 1) : 0;
  if (ox == 0 && oy == 0) return false;
  const TPoint max = MaxView();
  const int32_t vx = int32_t(std::clamp<int64_t>(fViewX + ox, 0, max.X));
  const int32_t vy = int32_t(std::clamp<int64_t>(fViewY + oy, 0, max.Y));
  if (vx == fViewX && vy == fViewY) return false;
  SetViewXY(vx, vy);
  return true;
}

void TKestrixView::HoverCursor(int32_t x, int32_t y) {
  const bool rect = fMouseInteract.Contains(miSelect) || fMouseInteract.Contains(miSelectZoom);
  const int32_t grip = rect ? GripAt(x, y) : -1;
  if (grip < 0) {
    ShowCursor(Cursor());
    return;
  }
  OnMouseInSel(this);
  ShowCursor(GripCursor(grip));
}

void TKestrixView::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  const bool polygon = fMouseInteract.Contains(miSelectPolygon);
  if (shift.Contains(ssDouble) && polygon && fPolyDrawing) {
    // The double click's first press already placed its vertex.
    EndPolygon(false);
    OnSelectionChange(this);
    return;
  }
  const TRect pic = PictureRect();
  x = std::clamp(x, pic.Left, std::max(pic.Left, pic.Right - 1));
  y = std::clamp(y, pic.Top, std::max(pic.Top, pic.Bottom - 1));
  fPressed = true;
  fDragButton = button;
  fPressX = fLastX = x;
  fPressY = fLastY = y;
  fPressViewX = fViewX;
  fPressViewY = fViewY;
  fPressBmp = TPoint{XScr2Bmp(x), YScr2Bmp(y)};
  fSavedZoomFilter = fZoomFilter;
  fZoomFilter = rfNone;
  fDrag = dgClick;
  fAddStart = -1;
  if (button != mbLeft) return;
  const bool adding = shift.Contains(ssShift) && PolySelCount() > 0;
  if (polygon) {
    fDrag = dgNone;
    PolygonPress(shift, x, y);
  } else if (fMouseInteract.Contains(miSelect) || fMouseInteract.Contains(miSelectZoom)) {
    const int32_t grip = GripAt(x, y);
    if (grip >= 0 && grip < 8) {
      fDrag = dgResize;
      fGrip = grip;
    } else if (grip == 8 && fSelectionOptions.Contains(kxsoMoveable)) {
      fDrag = dgMove;
      fPressSel = fSel;
    } else {
      fDrag = dgRect;
      fAddStart = adding ? PolySelCount() : -1;
      OnSelectionChanging(this);
    }
  } else if (fMouseInteract.Contains(miSelectCircle)) {
    fDrag = dgEllipse;
    fAddStart = adding ? PolySelCount() : -1;
  } else if (fMouseInteract.Contains(miSelectMagicWand)) {
    fDrag = dgWand;
  } else if (fMouseInteract.Contains(miScroll)) {
    fDrag = dgScroll;
  }
}

void TKestrixView::MouseMove(TShiftState shift, int32_t x, int32_t y) {
  fLastX = x;
  fLastY = y;
  fLastShift = shift;
  if (fPolyDrawing) {
    if (AutoScroll(x, y)) SetTimer(kKXAutoScrollTimer, kKXAutoScrollInterval);
    MoveRubberBand(x, y, shift);
    return;
  }
  if (!fPressed) {
    HoverCursor(x, y);
    return;
  }
  if (AutoScroll(x, y)) SetTimer(kKXAutoScrollTimer, kKXAutoScrollInterval);
  DragTo(shift, x, y);
}

void TKestrixView::MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  if (!fPressed) return;
  KillTimer(kKXAutoScrollTimer);
  if (fDrag == dgScroll) DragTo(shift, x, y);
  const TRect pic = PictureRect();
  const int32_t cx = std::clamp(x, pic.Left, std::max(pic.Left, pic.Right - 1));
  const int32_t cy = std::clamp(y, pic.Top, std::max(pic.Top, pic.Bottom - 1));
  const bool click = cx == fPressX && cy == fPressY && button == fDragButton;
  const TDrag drag = fDrag;
  fDrag = dgNone;
  fPressed = false;
  fGrip = -1;
  const bool restoreFilter = fSavedZoomFilter != fZoomFilter;
  fZoomFilter = fSavedZoomFilter;
  if (click && fMouseInteract.Contains(miZoom) && drag != dgMove && drag != dgResize) {
    ZoomAt(cx, cy, KXNextZoom(fZoom, button == mbLeft));
    return;
  }
  switch (drag) {
    case dgRect:
    case dgMove:
    case dgResize:
      if (fMouseInteract.Contains(miSelectZoom) && drag == dgRect && PolySelCount() > 0)
        ZoomSelection();
      else
        OnSelectionChange(this);
      break;
    case dgEllipse:
      OnSelectionChange(this);
      break;
    case dgWand: {
      SaveCursor(crHourGlass);
      // The pointer is in client coordinates whatever the selection operations take.
      const TKXSelectionBase base = fSelectionBase;
      fSelectionBase = kxsbClientArea;
      SelectMagicWand(cx, cy, shift.Contains(ssShift) ? kxspAdd : kxspReplace);
      fSelectionBase = base;
      RestoreCursor();
      OnSelectionChange(this);
      break;
    }
    default:
      break;
  }
  if (restoreFilter) Update();
}

}  // namespace kx
