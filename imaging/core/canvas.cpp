// Drawing on a bitmap's own pixels: pixels, fills, hatches, lines, frames and bitmap copies.
#include "imaging/core/canvas.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/pixel_rows.h"

namespace kx {

namespace {
TRect Clip(const TRect& r, const TBitmap& b) {
  return TRect{std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, b.Width()), std::min(r.Bottom, b.Height())};
}

bool HatchHit(TBrushStyle style, int32_t x, int32_t y) {
  switch (style) {
    case bsHorizontal: return y % 8 == 0;
    case bsVertical: return x % 8 == 0;
    case bsFDiagonal: return (x - y) % 8 == 0;
    case bsBDiagonal: return (x + y) % 8 == 0;
    case bsCross: return x % 8 == 0 || y % 8 == 0;
    case bsDiagCross: return (x - y) % 8 == 0 || (x + y) % 8 == 0;
    default: return true;
  }
}
}  // namespace

TColor TCanvas::Pixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= fBitmap.Width() || y >= fBitmap.Height()) return clNone;
  return TRGB2TColor(fBitmap.GetPixel(x, y));
}

void TCanvas::SetPixel(int32_t x, int32_t y, TColor color) { fBitmap.SetPixel(x, y, TColor2TRGB(color)); }

void TCanvas::Plot(int32_t x, int32_t y, TColor rgb) {
  if (x < 0 || y < 0 || x >= fBitmap.Width() || y >= fBitmap.Height()) return;
  if (Pen.Mode == pmCopy) {
    fBitmap.SetPixel(x, y, TColor2TRGB(rgb));
    return;
  }
  TRGB c = fBitmap.GetPixel(x, y);
  TRGB p = TColor2TRGB(rgb);
  if (Pen.Mode == pmNot) {
    c = TRGB{uint8_t(~c.b), uint8_t(~c.g), uint8_t(~c.r)};
  } else {
    c = TRGB{uint8_t(c.b ^ p.b), uint8_t(c.g ^ p.g), uint8_t(c.r ^ p.r)};
  }
  fBitmap.SetPixel(x, y, c);
}

void TCanvas::FillRect(const TRect& r) {
  if (Brush.Style == bsClear) return;
  TRect c = Clip(r, fBitmap);
  if (c.IsEmpty()) return;
  TRGB color = TColor2TRGB(Brush.Color);
  if (Brush.Style == bsSolid && fBitmap.PixelFormat() == pf24bit) {
    for (int32_t y = c.Top; y < c.Bottom; ++y) {
      auto* px = reinterpret_cast<TRGB*>(fBitmap.ScanLine(y));
      std::fill(px + c.Left, px + c.Right, color);
    }
    return;
  }
  TPixelRowCodec codec(fBitmap.PixelFormat(), fBitmap.Palette());
  for (int32_t y = c.Top; y < c.Bottom; ++y) {
    uint8_t* row = fBitmap.ScanLine(y);
    for (int32_t x = c.Left; x < c.Right; ++x)
      if (HatchHit(Brush.Style, x, y)) codec.EncodeOne(color, row, x);
  }
}

void TCanvas::FrameRect(const TRect& r) {
  if (r.IsEmpty()) return;
  TColor c = ColorToRGB(Brush.Color);
  TPenMode mode = Pen.Mode;
  Pen.Mode = pmCopy;
  for (int32_t x = r.Left; x < r.Right; ++x) {
    Plot(x, r.Top, c);
    Plot(x, r.Bottom - 1, c);
  }
  for (int32_t y = r.Top + 1; y < r.Bottom - 1; ++y) {
    Plot(r.Left, y, c);
    Plot(r.Right - 1, y, c);
  }
  Pen.Mode = mode;
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

void TCanvas::LineTo(int32_t x, int32_t y) {
  TColor color = ColorToRGB(Pen.Color);
  int32_t x0 = fPenPos.X, y0 = fPenPos.Y;
  int64_t dx = std::abs(int64_t(x) - x0), dy = -std::abs(int64_t(y) - y0);
  int32_t sx = x0 < x ? 1 : -1, sy = y0 < y ? 1 : -1;
  int64_t err = dx + dy;
  int32_t step = 0;
  int32_t half = std::max(Pen.Width, 1) / 2;
  while (!(x0 == x && y0 == y)) {
    bool on = true;
    if (Pen.Style == psDash) on = step % 9 < 6;
    if (Pen.Style == psDot) on = step % 2 == 0;
    if (Pen.Style == psDashDot) on = step % 12 < 6 || step % 12 == 8;
    if (Pen.Style == psDashDotDot) on = step % 15 < 6 || step % 15 == 8 || step % 15 == 11;
    if (Pen.Style == psClear) on = false;
    if (on) {
      for (int32_t oy = -half; oy <= (Pen.Width > 1 ? half : 0); ++oy)
        for (int32_t ox = -half; ox <= (Pen.Width > 1 ? half : 0); ++ox) Plot(x0 + ox, y0 + oy, color);
    }
    ++step;
    int64_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
  fPenPos = {x, y};
}

void TCanvas::Draw(int32_t x, int32_t y, const TBitmap& source) {
  CopyRect(TRect{x, y, x + source.Width(), y + source.Height()}, source, TRect{0, 0, source.Width(), source.Height()});
}

void TCanvas::StretchDraw(const TRect& dest, const TBitmap& source) {
  CopyRect(dest, source, TRect{0, 0, source.Width(), source.Height()});
}

void TCanvas::CopyRect(const TRect& dest, const TBitmap& source, const TRect& src) {
  if (dest.IsEmpty() || src.IsEmpty() || source.Empty()) return;
  TRect clip = Clip(dest, fBitmap);
  if (clip.IsEmpty()) return;
  int64_t dw = dest.Width(), dh = dest.Height(), sw = src.Width(), sh = src.Height();
  std::vector<int32_t> xmap(size_t(clip.Width()));
  for (int32_t x = clip.Left; x < clip.Right; ++x)
    xmap[size_t(x - clip.Left)] = int32_t(src.Left + (int64_t(x - dest.Left) * sw) / dw);
  TPixelRowCodec from(source.PixelFormat(), source.Palette());
  TPixelRowCodec to(fBitmap.PixelFormat(), fBitmap.Palette());
  
  for (int32_t y = clip.Top; y < clip.Bottom; ++y) {
    int32_t sy = int32_t(src.Top + (int64_t(y - dest.Top) * sh) / dh);
    if (sy < 0 || sy >= source.Height()) continue;
    const uint8_t* srow = source.ScanLine(sy);
    uint8_t* drow = fBitmap.ScanLine(y);
    for (size_t i = 0; i < xmap.size(); ++i) {
      int32_t sx = xmap[i];
      if (sx < 0 || sx >= source.Width()) continue;
      to.EncodeOne(from.DecodeOne(srow, sx), drow, clip.Left + int32_t(i));
    }
  }
}

}  // namespace kx
