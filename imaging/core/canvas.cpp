// Drawing on a bitmap's own pixels: pixels, fills, hatches, lines, frames and bitmap copies.
// Every shape is clipped to the bitmap before its pixels are walked, so the cost follows the
// pixels drawn, never the coordinates asked for.
#include "imaging/core/canvas.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/pixel_rows.h"

namespace kx {

namespace {

// Half-open range [lo, hi) in 64 bits, so that no coordinate arithmetic can overflow.
struct TSpan {
  int64_t lo, hi;
  bool Empty() const { return hi <= lo; }
};

TSpan ClipSpan(int64_t lo, int64_t hi, int32_t size) {
  return TSpan{std::max<int64_t>(lo, 0), std::min<int64_t>(hi, size)};
}

// Writes one colour into clipped spans of a bitmap in a pen mode, with one row codec for the
// whole shape.
class TPainter {
 public:
  TPainter(TBitmap& bitmap, TColor color, TPenMode mode)
      : fBitmap(bitmap), fCodec(bitmap.PixelFormat(), bitmap.Palette()), fColor(TColor2TRGB(color)), fMode(mode) {}

  // Pixels [x0, x1) of row y; parts outside the bitmap are dropped.
  void Span(int64_t y, int64_t x0, int64_t x1) {
    if (y < 0 || y >= fBitmap.Height()) return;
    TSpan s = ClipSpan(x0, x1, fBitmap.Width());
    if (s.Empty()) return;
    uint8_t* row = fBitmap.ScanLine(int32_t(y));
    auto n = size_t(s.hi - s.lo);
    if (fLine.size() < n) fLine.resize(n);
    if (fMode == pmCopy) {
      std::fill_n(fLine.begin(), n, fColor);
    } else {
      for (size_t i = 0; i < n; ++i) {
        TRGB c = fCodec.DecodeOne(row, int32_t(s.lo) + int32_t(i));
        fLine[i] = fMode == pmNot ? TRGB{uint8_t(~c.b), uint8_t(~c.g), uint8_t(~c.r)}
                                  : TRGB{uint8_t(c.b ^ fColor.b), uint8_t(c.g ^ fColor.g), uint8_t(c.r ^ fColor.r)};
      }
    }
    fCodec.Encode(fLine.data(), row, int32_t(s.lo), int32_t(n));
  }
  void Block(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    TSpan rows = ClipSpan(y0, y1, fBitmap.Height());
    for (int64_t y = rows.lo; y < rows.hi; ++y) Span(y, x0, x1);
  }

 private:
  TBitmap& fBitmap;
  TPixelRowCodec fCodec;
  TRGB fColor;
  TPenMode fMode;
  std::vector<TRGB> fLine;
};

bool DashOn(TPenStyle style, int64_t step) {
  switch (style) {
    case psDash:
      return step % 9 < 6;
    case psDot:
      return step % 2 == 0;
    case psDashDot:
      return step % 12 < 6 || step % 12 == 8;
    case psDashDotDot:
      return step % 15 < 6 || step % 15 == 8 || step % 15 == 11;
    case psClear:
      return false;
    default:
      return true;
  }
}

// Floor and ceiling of a / b for b > 0, in 128 bits: the line equations multiply two 33-bit
// lengths.
__int128 FloorDiv(__int128 a, __int128 b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
__int128 CeilDiv(__int128 a, __int128 b) { return -FloorDiv(-a, b); }

}  // namespace

bool KXHatchHit(TBrushStyle style, int64_t x, int64_t y) {
  switch (style) {
    case bsHorizontal:
      return y % 8 == 0;
    case bsVertical:
      return x % 8 == 0;
    case bsFDiagonal:
      return (x - y) % 8 == 0;
    case bsBDiagonal:
      return (x + y) % 8 == 0;
    case bsCross:
      return x % 8 == 0 || y % 8 == 0;
    case bsDiagCross:
      return (x - y) % 8 == 0 || (x + y) % 8 == 0;
    default:
      return true;
  }
}

TColor TCanvas::Pixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= fBitmap.Width() || y >= fBitmap.Height()) return clNone;
  return TRGB2TColor(fBitmap.GetPixel(x, y));
}

void TCanvas::SetPixel(int32_t x, int32_t y, TColor color) { fBitmap.SetPixel(x, y, TColor2TRGB(color)); }

void TCanvas::FillRect(const TRect& r) {
  if (Brush.Style == bsClear) return;
  TPainter painter(fBitmap, Brush.Color, pmCopy);
  if (Brush.Style == bsSolid) {
    painter.Block(r.Left, r.Top, r.Right, r.Bottom);
    return;
  }
  TSpan rows = ClipSpan(r.Top, r.Bottom, fBitmap.Height());
  TSpan cols = ClipSpan(r.Left, r.Right, fBitmap.Width());
  for (int64_t y = rows.lo; y < rows.hi; ++y)
    for (int64_t x = cols.lo; x < cols.hi; ++x)
      if (KXHatchHit(Brush.Style, x, y)) painter.Span(y, x, x + 1);
}

void TCanvas::FrameRect(const TRect& r) {
  if (r.IsEmpty()) return;
  TPainter painter(fBitmap, Brush.Color, pmCopy);
  const int64_t width = int64_t(r.Right) - r.Left, height = int64_t(r.Bottom) - r.Top;
  painter.Span(r.Top, r.Left, r.Right);
  if (height > 1) painter.Span(int64_t(r.Bottom) - 1, r.Left, r.Right);
  painter.Block(r.Left, int64_t(r.Top) + 1, int64_t(r.Left) + 1, int64_t(r.Bottom) - 1);
  if (width > 1) painter.Block(int64_t(r.Right) - 1, int64_t(r.Top) + 1, r.Right, int64_t(r.Bottom) - 1);
}

void TCanvas::Rectangle(const TRect& r) {
  if (r.IsEmpty()) return;
  FillRect(TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1});
  if (Pen.Style == psClear) return;
  TPoint saved = fPenPos;
  MoveTo(r.Left, r.Top);
  LineTo(r.Right - 1, r.Top);
  LineTo(r.Right - 1, r.Bottom - 1);
  LineTo(r.Left, r.Bottom - 1);
  LineTo(r.Left, r.Top);
  fPenPos = saved;
}

// The line steps once per pixel along its longer (major) axis; at step t the minor axis has
// moved round(t x minor / major) pixels, halves away from the start. That closed form lets the
// walk start and stop where the line meets the bitmap, widened by the pen.
void TCanvas::LineTo(int32_t x, int32_t y) {
  const TPoint from = fPenPos;
  fPenPos = {x, y};
  if (Pen.Style == psClear) return;
  const int64_t dx = int64_t(x) - from.X, dy = int64_t(y) - from.Y;
  const bool xMajor = std::abs(dx) >= std::abs(dy);
  const int64_t major = xMajor ? std::abs(dx) : std::abs(dy), minor = xMajor ? std::abs(dy) : std::abs(dx);
  if (major == 0) return;
  const int64_t majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1, minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
  const int64_t majorStart = xMajor ? from.X : from.Y, minorStart = xMajor ? from.Y : from.X;
  const int64_t half = std::max(Pen.Width, 1) / 2, reach = Pen.Width > 1 ? half : 0;
  const int32_t majorSize = xMajor ? fBitmap.Width() : fBitmap.Height();
  const int32_t minorSize = xMajor ? fBitmap.Height() : fBitmap.Width();

  // Steps t in [first, last] whose pen square can touch the bitmap: major - half .. major + reach
  // and minor - half .. minor + reach must meet 0 .. size - 1.
  int64_t first = 0, last = major - 1;
  auto clipMajor = [&](int64_t lo, int64_t hi) {  // coordinate range the pen centre may take
    int64_t a = (lo - majorStart) * majorStep, b = (hi - majorStart) * majorStep;
    first = std::max(first, std::min(a, b));
    last = std::min(last, std::max(a, b));
  };
  clipMajor(-reach, int64_t(majorSize) - 1 + half);
  // Minor offset m(t) = floor((2 t minor + major) / (2 major)), non-decreasing in t.
  // m(t) >= k  <=>  t >= ceil((2k - 1) major / (2 minor));  m(t) <= k  <=>  t <= ceil((2k + 1) major / (2 minor)) - 1.
  int64_t kLo = (minorStep > 0 ? -reach - minorStart : minorStart - (int64_t(minorSize) - 1 + half));
  int64_t kHi = (minorStep > 0 ? int64_t(minorSize) - 1 + half - minorStart : minorStart + reach);
  if (minor == 0) {
    if (kLo > 0 || kHi < 0) return;
  } else {
    __int128 tLo = CeilDiv(__int128(2 * kLo - 1) * major, 2 * __int128(minor));
    __int128 tHi = CeilDiv(__int128(2 * kHi + 1) * major, 2 * __int128(minor)) - 1;
    if (tLo > first) first = tLo > last ? last + 1 : int64_t(tLo);
    if (tHi < last) last = tHi < first ? first - 1 : int64_t(tHi);
  }
  if (first > last) return;

  TPainter painter(fBitmap, Pen.Color, Pen.Mode);
  int64_t m = int64_t(FloorDiv(__int128(2) * first * minor + major, 2 * __int128(major)));
  // Remainder of 2 t minor + major over 2 major, carried from step to step.
  int64_t err = int64_t(__int128(2) * first * minor + major - __int128(m) * 2 * major);
  for (int64_t t = first; t <= last; ++t) {
    if (DashOn(Pen.Style, t)) {
      int64_t a = majorStart + t * majorStep, b = minorStart + m * minorStep;
      int64_t px = xMajor ? a : b, py = xMajor ? b : a;
      painter.Block(px - half, py - half, px + reach + 1, py + reach + 1);
    }
    err += 2 * minor;
    if (err >= 2 * major) {
      err -= 2 * major;
      ++m;
    }
  }
}

void TCanvas::Draw(int32_t x, int32_t y, const TBitmap& source) {
  CopyRect(int64_t(x), int64_t(y), int64_t(x) + source.Width(), int64_t(y) + source.Height(), source,
           TRect{0, 0, source.Width(), source.Height()});
}

void TCanvas::StretchDraw(const TRect& dest, const TBitmap& source) {
  CopyRect(dest, source, TRect{0, 0, source.Width(), source.Height()});
}

void TCanvas::CopyRect(const TRect& dest, const TBitmap& source, const TRect& src) {
  CopyRect(dest.Left, dest.Top, dest.Right, dest.Bottom, source, src);
}

// Each destination pixel takes the source pixel under its centre: column x reads
// sl + floor((x - dl + 0.5) x sw / dw), so the whole source rectangle lands on the whole
// destination one, symmetrically, and whole-number enlargements repeat every pixel equally.
void TCanvas::CopyRect(int64_t dl, int64_t dt, int64_t dr, int64_t db, const TBitmap& source, const TRect& src) {
  const int64_t dw = dr - dl, dh = db - dt, sw = int64_t(src.Right) - src.Left, sh = int64_t(src.Bottom) - src.Top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || source.Empty()) return;
  const TSpan cols = ClipSpan(dl, dr, fBitmap.Width()), rows = ClipSpan(dt, db, fBitmap.Height());
  if (cols.Empty() || rows.Empty()) return;
  if (&source == &fBitmap) {
    // Rows already drawn may be read again when the rectangles overlap: copy from a snapshot.
    const TBitmap snapshot(source);
    CopyRect(dl, dt, dr, db, snapshot, src);
    return;
  }
  auto sourceX = [&](int64_t x) { return src.Left + int64_t(__int128(2 * (x - dl) + 1) * sw / (2 * dw)); };
  // Only the destination columns whose source pixel exists are drawn: the part of the source
  // rectangle outside the source bitmap leaves the destination as it was.
  int64_t x0 = cols.lo, x1 = cols.hi;
  while (x0 < x1 && sourceX(x0) < 0) ++x0;
  while (x1 > x0 && sourceX(x1 - 1) >= source.Width()) --x1;
  if (x0 >= x1) return;
  std::vector<int32_t> xmap(size_t(x1 - x0));
  for (int64_t x = x0; x < x1; ++x) xmap[size_t(x - x0)] = int32_t(sourceX(x));
  TPixelRowCodec from(source.PixelFormat(), source.Palette());
  TPixelRowCodec to(fBitmap.PixelFormat(), fBitmap.Palette());
  std::vector<TRGB> line(xmap.size());
  const bool direct = source.BitCount() == 24;
  for (int64_t y = rows.lo; y < rows.hi; ++y) {
    int64_t sy = src.Top + int64_t(__int128(2 * (y - dt) + 1) * sh / (2 * dh));
    if (sy < 0 || sy >= source.Height()) continue;
    const uint8_t* srow = source.ScanLine(int32_t(sy));
    if (direct) {
      const auto* px = reinterpret_cast<const TRGB*>(srow);
      for (size_t i = 0; i < xmap.size(); ++i) line[i] = px[xmap[i]];
    } else {
      for (size_t i = 0; i < xmap.size(); ++i) line[i] = from.DecodeOne(srow, xmap[i]);
    }
    to.Encode(line.data(), fBitmap.ScanLine(int32_t(y)), int32_t(x0), int32_t(line.size()));
  }
}

}  // namespace kx
