// Row loops shared by the colour operations: a per-pixel routine or three 256-entry channel
// tables applied to a rectangle of a 24-bit bitmap, one progress report per row.
#pragma once

#include <cstdint>

#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"

namespace kx {

// Output level of each input level, per channel.
struct TChannelTables {
  uint8_t B[256];
  uint8_t G[256];
  uint8_t R[256];
};

template <typename PixelFn>
void ForEachPixel(TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const TProgressRec& progress,
                  PixelFn fn) {
  for (int32_t y = y1; y <= y2; ++y) {
    TRGB* p = reinterpret_cast<TRGB*>(bitmap.ScanLine(y)) + x1;
    for (int32_t x = x1; x <= x2; ++x, ++p) fn(*p);
    ReportRow(progress, y, y1, y2);
  }
}

inline void ApplyTables(TBitmap& bitmap, const TChannelTables& t, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                        const TProgressRec& progress) {
  for (int32_t y = y1; y <= y2; ++y) {
    uint8_t* p = bitmap.ScanLine(y) + size_t(x1) * 3;
    uint8_t* const end = p + (size_t(x2) - size_t(x1) + 1) * 3;
    for (; p != end; p += 3) p[0] = t.B[p[0]], p[1] = t.G[p[1]], p[2] = t.R[p[2]];
    ReportRow(progress, y, y1, y2);
  }
}

// Makes each non-null target a 24-bit gray picture of the source's size holding value k of
// fn(pixel, values[3]). Progress: Trunc(row x 100 / height), rows counted from 0.
template <typename ValuesFn>
void ExtractChannels(const TBitmap& source, TBitmap* const (&targets)[3], TProgressRec& progress, ValuesFn fn) {
  const int32_t w = source.Width(), h = source.Height();
  for (TBitmap* t : targets)
    if (t) {
      t->SetSize(1, 1);
      t->SetPixelFormat(pf24bit);
      t->SetSize(w, h);
    }
  progress.per1 = h > 0 ? 100.0 / h : 0.0;
  for (int32_t y = 0; y < h; ++y) {
    const TRGB* s = reinterpret_cast<const TRGB*>(source.ScanLine(y));
    TRGB* rows[3];
    for (int k = 0; k < 3; ++k) rows[k] = targets[k] ? reinterpret_cast<TRGB*>(targets[k]->ScanLine(y)) : nullptr;
    for (int32_t x = 0; x < w; ++x) {
      uint8_t values[3];
      fn(s[x], values);
      for (int k = 0; k < 3; ++k)
        if (rows[k]) rows[k][x] = TRGB{values[k], values[k], values[k]};
    }
    progress.val = y;
    progress.Report();
  }
}

}  // namespace kx
