// The view's selection: editing the polygon, the rectangle's grips, the marching ants, the
// copy of the selected region and the polygon copies into the picture.
#include <algorithm>
#include <cmath>
#include <vector>

#include "imaging/core/pixelformat.h"
#include "imaging/proc/bitmap_copy.h"
#include "imaging/proc/magic_wand.h"
#include "imaging/view/view.h"

namespace kx {

namespace {

constexpr int32_t kGripHalf = 3;  // grips are 7 x 7 client pixels around a corner

// Sub-polygons of a point list: [begin, end) index pairs between break markers.
template <typename F>
void ForEachSubPolygon(const std::vector<TPoint>& points, F&& f) {
  size_t begin = 0;
  for (size_t i = 0; i <= points.size(); ++i) {
    if (i == points.size() || IsSelBreak(points[i])) {
      if (i > begin) f(begin, i);
      begin = i + 1;
    }
  }
}

// Floor of a / b for b > 0; the products of two client distances need more than 64 bits.
int64_t FloorDiv(__int128 a, __int128 b) { return int64_t(a >= 0 ? a / b : -((-a + b - 1) / b)); }

}  // namespace

TPoint TKestrixView::ClampToPicture(int32_t x, int32_t y) const {
  return TPoint{std::clamp(x, 0, std::max(fBitmap.Width() - 1, 0)),
                std::clamp(y, 0, std::max(fBitmap.Height() - 1, 0))};
}

TPoint TKestrixView::ToPicture(int32_t x, int32_t y) const {
  if (fSelectionBase == kxsbBitmap) return TPoint{x, y};
  return TPoint{XScr2Bmp(x), YScr2Bmp(y)};
}

void TKestrixView::ShowSelection() {
  fSel.Visible = true;
  Invalidate();
}

void TKestrixView::SetVisibleSelection(bool visible) {
  fSel.Visible = visible;
  Invalidate();
}

void TKestrixView::Select(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TKXSelectOp op) {
  if (x1 == x2 || y1 == y2) return;
  const TPoint a = ToPicture(x1, y1), b = ToPicture(x2, y2);
  SelectBmp(a.X, a.Y, b.X, b.Y, op);
}

void TKestrixView::SelectBmp(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TKXSelectOp op) {
  if (op == kxspAdd && PolySelCount() > 0)
    fSel.AddBreak();
  else
    fSel.Clear();
  const TPoint a = ClampToPicture(x1, y1), b = ClampToPicture(x2, y2);
  const int32_t l = std::min(a.X, b.X), r = std::max(a.X, b.X), t = std::min(a.Y, b.Y), btm = std::max(a.Y, b.Y);
  fSel.AddPoint(l, t);
  fSel.AddPoint(r, t);
  fSel.AddPoint(r, btm);
  fSel.AddPoint(l, btm);
  ShowSelection();
}

void TKestrixView::SelectMagicWand(int32_t x, int32_t y, TKXSelectOp op) {
  const TPoint p = ToPicture(x, y);
  if (p.X < 0 || p.Y < 0 || p.X >= fBitmap.Width() || p.Y >= fBitmap.Height()) return;
  const std::vector<TPoint> outline = _MakeMagicWandPoints(fBitmap, p.X, p.Y, fMagicWandMaxFilter, fMagicWandTolerance);
  if (outline.empty()) return;
  if (op == kxspAdd && PolySelCount() > 0)
    fSel.AddBreak();
  else
    fSel.Clear();
  // Outline vertices are pixel corners: the right and bottom edges lie at Width and Height.
  for (const TPoint& q : outline)
    fSel.AddPoint(std::clamp(q.X, 0, fBitmap.Width()), std::clamp(q.Y, 0, fBitmap.Height()));
  ShowSelection();
}

void TKestrixView::AddSelPoint(int32_t x, int32_t y) {
  TPoint p{x, y};
  if (fSelectionBase == kxsbClientArea) p = ClampToPicture(XScr2Bmp(x), YScr2Bmp(y));
  fSel.AddPoint(p.X, p.Y);
  ShowSelection();
}

void TKestrixView::AddSelBreak() { fSel.AddBreak(); }

void TKestrixView::DeSelect() {
  fSel.Visible = false;
  fSel.Clear();
  fDrag = dgNone;
  fGrip = -1;
  fAddStart = -1;
  fPolyDrawing = false;
  fRubberShown = false;
  KillTimer(kKXAutoScrollTimer);
  Invalidate();
}

int32_t TKestrixView::GripAt(int32_t x, int32_t y) const {
  if (!fSel.Visible || !_IsRectangle(PolySelArray(), PolySelCount())) return -1;
  const int32_t l = XBmp2Scr(SelX1()), t = YBmp2Scr(SelY1()), r = XBmp2Scr(SelX2()), b = YBmp2Scr(SelY2());
  auto near = [](int32_t a, int32_t b) { return std::abs(int64_t(a) - b) <= kGripHalf; };
  if (fSel.Sizeable) {
    const TPoint corners[4] = {{l, t}, {r, t}, {r, b}, {l, b}};
    for (int32_t i = 0; i < 4; ++i)
      if (near(x, corners[i].X) && near(y, corners[i].Y)) return i;
    const bool betweenY = y >= t && y <= b, betweenX = x >= l && x <= r;
    if (betweenY && near(x, l)) return 4;
    if (betweenY && near(x, r)) return 5;
    if (betweenX && near(y, t)) return 6;
    if (betweenX && near(y, b)) return 7;
  }
  return x > l && x < r && y > t && y < b ? 8 : -1;
}

int32_t TKestrixView::SelectResizeEx(int32_t grip, int32_t x, int32_t y) {
  const TPoint p = ClampToPicture(XScr2Bmp(x), YScr2Bmp(y));
  int32_t l = SelX1(), t = SelY1(), r = SelX2(), b = SelY2();
  const int32_t w = fBitmap.Width(), h = fBitmap.Height();
  // Moves side `side` to `to`; past the fixed side `other` the two swap roles.
  auto move = [](int32_t& side, int32_t& other, int32_t to, bool low) {
    if (low ? to < other : to > other) {
      side = to;
      return false;
    }
    if (to == other) {
      side = low ? other - 1 : other + 1;
      return false;
    }
    side = other;
    other = to;
    return true;
  };
  static constexpr int32_t kSwapX[8] = {1, 0, 3, 2, 5, 4, 6, 7}, kSwapY[8] = {3, 2, 1, 0, 4, 5, 7, 6};
  if (grip == 0 || grip == 3 || grip == 4) {
    if (move(l, r, p.X, true)) grip = kSwapX[grip];
  } else if (grip == 1 || grip == 2 || grip == 5) {
    if (move(r, l, p.X, false)) grip = kSwapX[grip];
  }
  if (grip == 0 || grip == 1 || grip == 6) {
    if (move(t, b, p.Y, true)) grip = kSwapY[grip];
  } else if (grip == 2 || grip == 3 || grip == 7) {
    if (move(b, t, p.Y, false)) grip = kSwapY[grip];
  }
  // Keep the rectangle inside the picture and at least one pixel apart.
  auto fit = [](int32_t& lo, int32_t& hi, int32_t size) {
    if (lo > hi) std::swap(lo, hi);
    lo = std::clamp(lo, 0, std::max(size - 2, 0));
    hi = std::clamp(hi, lo + 1, std::max(size - 1, lo + 1));
  };
  fit(l, r, w);
  fit(t, b, h);
  SelectBmp(l, t, r, b, kxspReplace);
  return grip;
}

void TKestrixView::SelectMoveEx(int32_t x, int32_t y) {
  const int32_t dx = XScr2Bmp(x) - fPressBmp.X, dy = YScr2Bmp(y) - fPressBmp.Y;
  const int32_t w = fPressSel.X2 - fPressSel.X1, h = fPressSel.Y2 - fPressSel.Y1;
  const int32_t l = std::clamp(fPressSel.X1 + dx, 0, std::max(fBitmap.Width() - 1 - w, 0));
  const int32_t t = std::clamp(fPressSel.Y1 + dy, 0, std::max(fBitmap.Height() - 1 - h, 0));
  SelectBmp(l, t, l + w, t + h, kxspReplace);
}

// Marching ants: every edge walked pixel by pixel in client coordinates, a counter that starts
// at the phase and runs on from edge to edge giving 3 pixels of each colour in turn. Each edge
// is first cut to the client area so the cost follows the visible outline, not the zoom.
void TKestrixView::DrawSelection(bool announce) {
  if (!fSel.Visible || fSel.Points.empty() || fLockPaint > 0) return;
  TBitmap& window = Buffer();
  const int32_t cw = window.Width(), ch = window.Height();
  if (cw <= 0 || ch <= 0) return;
  const TRGB colors[2] = {TColor2TRGB(ColorToRGB(fSel.Color1)), TColor2TRGB(ColorToRGB(fSel.Color2))};
  int64_t minX = cw, minY = ch, maxX = -1, maxY = -1;
  int64_t counter = fSel.Phase;
  auto edge = [&](TPoint a, TPoint b) {
    const int64_t dx = int64_t(b.X) - a.X, dy = int64_t(b.Y) - a.Y, n = std::max(std::abs(dx), std::abs(dy));
    if (n == 0) return;
    // Steps t whose pixel may fall inside the client area.
    double lo = 0, hi = double(n - 1);
    auto cut = [&](int64_t c0, int64_t d, int32_t size) {
      if (d == 0) {
        if (c0 < 0 || c0 >= size) hi = -1;
        return;
      }
      double t1 = double(-1 - c0) * double(n) / double(d), t2 = double(size - c0) * double(n) / double(d);
      lo = std::max(lo, std::floor(std::min(t1, t2)));
      hi = std::min(hi, std::ceil(std::max(t1, t2)));
    };
    cut(a.X, dx, cw);
    cut(a.Y, dy, ch);
    for (int64_t t = int64_t(lo); double(t) <= hi; ++t) {
      const int64_t x = a.X + FloorDiv(__int128(2 * t) * dx + n, 2 * n),
                    y = a.Y + FloorDiv(__int128(2 * t) * dy + n, 2 * n);
      if (x < 0 || y < 0 || x >= cw || y >= ch) continue;
      const TRGB c = colors[((counter + t) / 3) % 2];
      uint8_t* px = window.ScanLine(int32_t(y)) + x * 3;
      px[0] = c.b;
      px[1] = c.g;
      px[2] = c.r;
      minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    counter += n;
  };
  const std::vector<TPoint>& points = fSel.Points;
  size_t lastBegin = 0;
  ForEachSubPolygon(points, [&](size_t begin, size_t) { lastBegin = begin; });
  ForEachSubPolygon(points, [&](size_t begin, size_t end) {
    auto client = [&](size_t i) { return TPoint{XBmp2Scr(points[i].X), YBmp2Scr(points[i].Y)}; };
    for (size_t i = begin; i + 1 < end; ++i) edge(client(i), client(i + 1));
    const bool open = fPolyDrawing && begin == lastBegin;
    if (!open) edge(client(end - 1), client(begin));
  });
  if (fSel.Sizeable && _IsRectangle(PolySelArray(), PolySelCount())) {
    TCanvas& canvas = Canvas();
    canvas.Pen = TPen{fSel.Color1, 1, psSolid, pmCopy};
    canvas.Brush = TBrush{fSel.Color2, bsSolid};
    for (size_t i = 0; i < 4; ++i) {
      const int32_t x = XBmp2Scr(points[i].X), y = YBmp2Scr(points[i].Y);
      canvas.Rectangle(Rect(x - kGripHalf, y - kGripHalf, x + kGripHalf + 1, y + kGripHalf + 1));
      minX = std::min<int64_t>(minX, x - kGripHalf), maxX = std::max<int64_t>(maxX, x + kGripHalf);
      minY = std::min<int64_t>(minY, y - kGripHalf), maxY = std::max<int64_t>(maxY, y + kGripHalf);
    }
  }
  if (announce && maxX >= minX && maxY >= minY)
    Announce(Rect(int32_t(std::max<int64_t>(minX, 0)), int32_t(std::max<int64_t>(minY, 0)),
                  int32_t(std::min<int64_t>(maxX + 1, cw)), int32_t(std::min<int64_t>(maxY + 1, ch))));
}

void TKestrixView::Timer(int32_t id) {
  if (id == kKXAutoScrollTimer) {
    if (fDrag == dgNone && !fPolyDrawing) {
      KillTimer(id);
      return;
    }
    if (AutoScroll(fLastX, fLastY))
      DragTo(fLastShift, fLastX, fLastY);
    else
      KillTimer(id);
    return;
  }
  if (id != kKXAnimationTimer) return;
  const bool selecting = fPolyDrawing || fDrag == dgRect || fDrag == dgMove || fDrag == dgResize || fDrag == dgEllipse;
  if (fSel.Visible && fSel.Animated && !selecting && !fSel.Points.empty()) fSel.Phase = (fSel.Phase + 1) % 6;
  // A pending repaint draws the outline itself; a tick only redraws the outline's pixels.
  const bool painted = !NeedsPaint() && Buffer().Width() == ClientWidth() && Buffer().Height() == ClientHeight();
  if (painted && HasParent()) DrawSelection(true);
  if (fDelayCount > 0 && --fDelayCount == 0) Update();
}

void TKestrixView::AssignSelTo(TBitmap& target) {
  if (fSel.Points.empty() || fBitmap.Empty()) return;
  const int32_t l = std::clamp(SelX1(), 0, fBitmap.Width() - 1), t = std::clamp(SelY1(), 0, fBitmap.Height() - 1);
  const int32_t r = std::clamp(SelX2(), l, fBitmap.Width() - 1), b = std::clamp(SelY2(), t, fBitmap.Height() - 1);
  if (_IsRectangle(PolySelArray(), PolySelCount())) {
    const int32_t w = r - l + 1, h = b - t + 1;
    target.SetPixelFormat(fBitmap.PixelFormat());
    target.SetSize(w, h);
    target.Canvas().CopyRect(Rect(0, 0, w, h), fBitmap, Rect(l, t, r + 1, b + 1));
    return;
  }
  // The pixels of a polygon are those the crop and the processing frame take: the union of the
  // sub-polygons. The rest of the box takes the background colour.
  _CopyBitmapPoly(fBitmap, target, l, t, r + 1, b + 1, PolySelArray(), PolySelCount(), ColorToRGB(fBackground));
}

void TKestrixView::AssignSelTo(TKestrixView& target) {
  target.RefuseWhileBusy();
  AssignSelTo(target.fBitmap);
  target.fBackground = fBackground;
  target.SetDPI(DpiX(), DpiY());
  target.PictureChanged();
}

void TKestrixView::CopyFromPolygon(const TBitmap& source, const TPoint* points, int32_t count, TPoint dest) {
  RefuseWhileBusy();
  _CopyPolygonToPoint(source, points, count, dest, fBitmap);
  PictureChanged();
}

void TKestrixView::CopyToPolygon(const TBitmap& source, const TPoint* points, int32_t count, TPoint from) {
  RefuseWhileBusy();
  _CopyPointToPolygon(source, points, count, from, fBitmap);
  PictureChanged();
}

}  // namespace kx
