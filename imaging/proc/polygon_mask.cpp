// Scan conversion of selection polygons with an active edge list, in exact integer arithmetic:
// a crossing at a row's centre line becomes the first column whose centre lies at or right of
// it, so shared edges of neighbouring polygons never overlap or leave a gap.
#include "imaging/proc/polygon_mask.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/pixel_rows.h"

namespace kx {

namespace {

struct TEdge {
  int64_t X0, Y0, Dx, Dy;  // from (X0, Y0) downwards by (Dx, Dy), Dy > 0
  int64_t YStart, YEnd;    // rows whose centres it crosses, [YStart, YEnd)
  int32_t Polygon;
};

int64_t CeilDiv(__int128 a, __int128 b) { return int64_t(a >= 0 ? (a + b - 1) / b : -((-a) / b)); }

// First column whose centre x + 0.5 is at or right of the edge's crossing of row y's centre.
int64_t CrossingColumn(const TEdge& e, int64_t y) {
  // crossing - 0.5 = ((2 X0 - 1) Dy + (2 y + 1 - 2 Y0) Dx) / (2 Dy)
  const __int128 num = __int128(2 * e.X0 - 1) * e.Dy + __int128(2 * y + 1 - 2 * e.Y0) * e.Dx;
  return CeilDiv(num, __int128(2) * e.Dy);
}

}  // namespace

TKXSpanMask::TKXSpanMask(const TPoint* points, int32_t count, const TRect& clip, int32_t dx, int32_t dy) : fBox(clip) {
  if (fBox.IsEmpty()) fBox = TRect{};
  const int32_t rows = fBox.Height();
  fRowStart.assign(size_t(rows) + 1, 0);
  if (rows == 0) return;

  std::vector<TEdge> edges;
  int32_t polygon = 0;
  auto addPolygon = [&](int32_t begin, int32_t end) {
    if (end - begin < 3) return;
    for (int32_t i = begin; i < end; ++i) {
      const TPoint& p = points[i];
      const TPoint& q = points[i + 1 < end ? i + 1 : begin];
      int64_t px = int64_t(p.X) + dx, py = int64_t(p.Y) + dy, qx = int64_t(q.X) + dx, qy = int64_t(q.Y) + dy;
      if (py == qy) continue;
      if (py > qy) std::swap(px, qx), std::swap(py, qy);
      const int64_t y0 = std::max<int64_t>(py, fBox.Top), y1 = std::min<int64_t>(qy, fBox.Bottom);
      if (y0 < y1) edges.push_back(TEdge{px, py, qx - px, qy - py, y0, y1, polygon});
    }
    ++polygon;
  };
  int32_t begin = 0;
  for (int32_t i = 0; i <= count; ++i) {
    if (i == count || IsSelBreak(points[i])) {
      addPolygon(begin, i);
      begin = i + 1;
    }
  }
  std::sort(edges.begin(), edges.end(), [](const TEdge& a, const TEdge& b) { return a.YStart < b.YStart; });

  struct TCrossing {
    int32_t Polygon;
    int64_t X;
  };
  std::vector<const TEdge*> active;
  std::vector<TCrossing> crossings;
  std::vector<TKXSpan> row;
  size_t next = 0;
  for (int32_t r = 0; r < rows; ++r) {
    const int64_t y = int64_t(fBox.Top) + r;
    while (next < edges.size() && edges[next].YStart == y) active.push_back(&edges[next++]);
    std::erase_if(active, [y](const TEdge* e) { return e->YEnd <= y; });
    crossings.clear();
    for (const TEdge* e : active) crossings.push_back(TCrossing{e->Polygon, CrossingColumn(*e, y)});
    std::sort(crossings.begin(), crossings.end(), [](const TCrossing& a, const TCrossing& b) {
      return a.Polygon != b.Polygon ? a.Polygon < b.Polygon : a.X < b.X;
    });
    row.clear();
    for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
      const int64_t x0 = std::max<int64_t>(crossings[i].X, fBox.Left);
      const int64_t x1 = std::min<int64_t>(crossings[i + 1].X, fBox.Right);
      if (x0 < x1) row.push_back(TKXSpan{int32_t(x0), int32_t(x1)});
    }
    std::sort(row.begin(), row.end(), [](const TKXSpan& a, const TKXSpan& b) { return a.X0 < b.X0; });
    for (const TKXSpan& s : row) {
      const bool joins = fSpans.size() > fRowStart[size_t(r)] && fSpans.back().X1 >= s.X0;
      if (joins)
        fSpans.back().X1 = std::max(fSpans.back().X1, s.X1);
      else
        fSpans.push_back(s);
    }
    fRowStart[size_t(r) + 1] = uint32_t(fSpans.size());
  }
}

std::span<const TKXSpan> TKXSpanMask::Row(int32_t y) const {
  if (y < fBox.Top || y >= fBox.Bottom) return {};
  const size_t r = size_t(y - fBox.Top);
  return std::span<const TKXSpan>(fSpans.data() + fRowStart[r], fRowStart[r + 1] - fRowStart[r]);
}

TRect TKXSpanMask::Bounds() const {
  TRect b{fBox.Right, fBox.Bottom, fBox.Left, fBox.Top};
  for (int32_t y = fBox.Top; y < fBox.Bottom; ++y) {
    const std::span<const TKXSpan> spans = Row(y);
    if (spans.empty()) continue;
    b.Top = std::min(b.Top, y);
    b.Bottom = y + 1;
    b.Left = std::min(b.Left, spans.front().X0);
    b.Right = std::max(b.Right, spans.back().X1);
  }
  return b.IsEmpty() ? TRect{} : b;
}

namespace {

// Copies runs of pixels from `source` pixel (x + offsetX, y + offsetY) into `dest`, both cut to
// the pixels that exist on both sides. Same-format 24-bit rows copy bytes; same-format 1-bit
// rows copy whole bytes under masks when the two columns line up within their bytes, bits
// otherwise; other pairs convert colours.
class TRunCopier {
 public:
  TRunCopier(const TBitmap& source, int32_t offsetX, int32_t offsetY, TBitmap& dest)
      : fSource(source),
        fDest(dest),
        fOffsetX(offsetX),
        fOffsetY(offsetY),
        fBits(source.BitCount()),
        fSame(fBits == dest.BitCount() && (fBits == 24 || fBits == 1)),
        fDecoder(source.PixelFormat(), source.Palette()),
        fEncoder(dest.PixelFormat(), dest.Palette()),
        fLeft(std::max<int64_t>(0, -int64_t(offsetX))),
        fRight(std::min<int64_t>(int64_t(source.Width()) - offsetX, dest.Width())),
        fTop(std::max<int64_t>(0, -int64_t(offsetY))),
        fBottom(std::min<int64_t>(int64_t(source.Height()) - offsetY, dest.Height())) {}

  bool RowExists(int32_t y) const { return y >= fTop && y < fBottom; }

  // Columns x0..x1 - 1 of row y (which must exist).
  void Copy(int32_t y, int64_t x0, int64_t x1) {
    const int64_t a = std::max(x0, fLeft), b = std::min(x1, fRight);
    if (a >= b) return;
    const uint8_t* srow = fSource.ScanLine(y + fOffsetY);
    uint8_t* drow = fDest.ScanLine(y);
    const int64_t sa = a + fOffsetX;
    if (fSame && fBits == 24) {
      std::memcpy(drow + a * 3, srow + sa * 3, size_t(b - a) * 3);
    } else if (fSame && (a & 7) == (sa & 7)) {
      const int64_t shift = (sa >> 3) - (a >> 3);
      for (int64_t x = a; x < b;) {
        const int64_t byte = x >> 3, end = std::min(b, (byte + 1) * 8);
        const auto mask = uint8_t((0xFF >> (x & 7)) & ~(0xFF >> (end - byte * 8)));
        drow[byte] = uint8_t((drow[byte] & ~mask) | (srow[byte + shift] & mask));
        x = end;
      }
    } else if (fSame) {
      for (int64_t x = a, sx = sa; x < b; ++x, ++sx) {
        const uint8_t bit = uint8_t(0x80 >> (x & 7));
        if ((srow[sx >> 3] >> (7 - (sx & 7))) & 1)
          drow[x >> 3] |= bit;
        else
          drow[x >> 3] &= uint8_t(~bit);
      }
    } else {
      fLine.resize(size_t(b - a));
      for (int64_t x = a; x < b; ++x) fLine[size_t(x - a)] = fDecoder.DecodeOne(srow, int32_t(x + fOffsetX));
      fEncoder.Encode(fLine.data(), drow, int32_t(a), int32_t(b - a));
    }
  }

 private:
  const TBitmap& fSource;
  TBitmap& fDest;
  const int32_t fOffsetX, fOffsetY;
  const int fBits;
  const bool fSame;
  TPixelRowCodec fDecoder, fEncoder;
  const int64_t fLeft, fRight, fTop, fBottom;
  std::vector<TRGB> fLine;
};

}  // namespace

namespace {

// The covered pixels of the mask's box, or with `outside` the others.
void CopyMasked(const TBitmap& source, int32_t offsetX, int32_t offsetY, TBitmap& dest, const TKXSpanMask& mask,
                bool outside) {
  TRunCopier copier(source, offsetX, offsetY, dest);
  const TRect& box = mask.Box();
  for (int32_t y = box.Top; y < box.Bottom; ++y) {
    if (!copier.RowExists(y)) continue;
    int64_t x = box.Left;
    for (const TKXSpan& s : mask.Row(y)) {
      if (outside)
        copier.Copy(y, x, s.X0);
      else
        copier.Copy(y, s.X0, s.X1);
      x = s.X1;
    }
    if (outside) copier.Copy(y, x, box.Right);
  }
}

}  // namespace

void KXCopyThroughMask(const TBitmap& source, int32_t offsetX, int32_t offsetY, TBitmap& dest,
                       const TKXSpanMask& mask) {
  CopyMasked(source, offsetX, offsetY, dest, mask, false);
}

void KXCopyOutsideMask(const TBitmap& source, int32_t offsetX, int32_t offsetY, TBitmap& dest,
                       const TKXSpanMask& mask) {
  CopyMasked(source, offsetX, offsetY, dest, mask, true);
}

bool _IsRectangle(const TPoint* points, int32_t count) {
  if (count != 4) return false;
  bool wantVertical = points[0].X == points[1].X;
  for (int i = 0; i < 4; ++i) {
    const TPoint& a = points[i];
    const TPoint& b = points[(i + 1) % 4];
    const bool vertical = a.X == b.X && a.Y != b.Y;
    const bool horizontal = a.Y == b.Y && a.X != b.X;
    if (wantVertical ? !vertical : !horizontal) return false;
    wantVertical = !wantVertical;
  }
  return true;
}

void _ClearSel(TBitmap& bitmap, const TPoint* points, int32_t count, TColor color) {
  if (bitmap.Empty()) return;
  const TKXSpanMask mask(points, count, Rect(0, 0, bitmap.Width(), bitmap.Height()));
  TCanvas& canvas = bitmap.Canvas();
  canvas.Brush = TBrush{color, bsSolid};
  for (int32_t y = mask.Box().Top; y < mask.Box().Bottom; ++y)
    for (const TKXSpan& span : mask.Row(y)) canvas.FillRect(Rect(span.X0, y, span.X1, y + 1));
}

}  // namespace kx
