// Point operations through channel tables: brightness, contrast, negative, gray, colour-box
// replacement, thresholds and level stretch.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/core/pixelformat.h"
#include "imaging/proc/color.h"
#include "imaging/proc/color_rows.h"
#include "imaging/proc/pixel_convert.h"
#include "imaging/proc/simd_x86.h"

namespace kx {

namespace {

uint8_t Clamp255(int64_t v) { return uint8_t(std::clamp<int64_t>(v, 0, 255)); }

// Sixteen and then eight bytes per step: a negative needs no table, and byte steps run at a
// fraction of the speed.
void InvertBytes(uint8_t* p, size_t bytes) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i ones = _mm_set1_epi8(-1);
  for (; i + 16 <= bytes; i += 16)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i),
                     _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), ones));
#endif
  for (; i + 8 <= bytes; i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    word = ~word;
    std::memcpy(p + i, &word, 8);
  }
  for (; i < bytes; ++i) p[i] = uint8_t(~p[i]);
}

template <typename LevelFn>
void FillTable(uint8_t (&table)[256], LevelFn fn) {
  for (int i = 0; i < 256; ++i) table[i] = fn(i);
}

}  // namespace

void _IntensityRGBall(TBitmap& bitmap, int32_t dr, int32_t dg, int32_t db, int32_t x1, int32_t y1, int32_t x2,
                      int32_t y2, const TProgressRec& progress) {
  TChannelTables t;
  FillTable(t.R, [dr](int i) { return Clamp255(int64_t(i) + dr); });
  FillTable(t.G, [dg](int i) { return Clamp255(int64_t(i) + dg); });
  FillTable(t.B, [db](int i) { return Clamp255(int64_t(i) + db); });
  ApplyTables(bitmap, t, x1, y1, x2, y2, progress);
}

void _GetMediaContrastRGB(const TBitmap& bitmap, int32_t& red, int32_t& green, int32_t& blue) {
  red = green = blue = 128;
  if (bitmap.BitCount() != 24 || bitmap.Empty()) return;
  const int32_t w = bitmap.Width();
  uint64_t sum[3] = {0, 0, 0};
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* p = bitmap.ScanLine(y);
    // 255 x width fits 32 bits for any width below 16 million.
    uint32_t row[3] = {0, 0, 0};
    for (int32_t x = 0; x < w; ++x, p += 3) row[0] += p[0], row[1] += p[1], row[2] += p[2];
    for (int c = 0; c < 3; ++c) sum[c] += row[c];
  }
  const uint64_t pixels = uint64_t(w) * uint64_t(bitmap.Height());
  blue = int32_t(sum[0] / pixels), green = int32_t(sum[1] / pixels), red = int32_t(sum[2] / pixels);
}

void _ContrastRGB(TBitmap& bitmap, int32_t v, int32_t redMean, int32_t greenMean, int32_t blueMean, int32_t x1,
                  int32_t y1, int32_t x2, int32_t y2, const TProgressRec& progress) {
  const double f = v < 0 ? 1.0 - std::sqrt(-double(v)) / 10.0 : 1.0 + double(v) / 10.0;
  const auto level = [f](int32_t mean) {
    return [f, mean](int i) { return Clamp255(int64_t(mean) + KXTrunc(double(i - mean) * f)); };
  };
  TChannelTables t;
  FillTable(t.R, level(redMean));
  FillTable(t.G, level(greenMean));
  FillTable(t.B, level(blueMean));
  ApplyTables(bitmap, t, x1, y1, x2, y2, progress);
}

void _Negative(TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const TProgressRec& progress) {
  const bool bilevel = bitmap.BitCount() == 1;
  for (int32_t y = y1; y <= y2; ++y) {
    uint8_t* row = bitmap.ScanLine(y);
    if (bilevel) {
      // Whole bytes between the partial first and last ones.
      const int32_t first = x1 >> 3, last = x2 >> 3;
      const uint8_t head = uint8_t(0xFF >> (x1 & 7)), tail = uint8_t(0xFF00 >> ((x2 & 7) + 1));
      if (first == last) {
        row[first] ^= uint8_t(head & tail);
      } else {
        row[first] ^= head;
        InvertBytes(row + first + 1, size_t(last - first - 1));
        row[last] ^= tail;
      }
    } else {
      InvertBytes(row + size_t(x1) * 3, (size_t(x2) - size_t(x1) + 1) * 3);
    }
    ReportRow(progress, y, y1, y2);
  }
}

void _ConvertToGray(TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const TProgressRec& progress) {
  for (int32_t y = y1; y <= y2; ++y) {
    KXGrayRow(reinterpret_cast<TRGB*>(bitmap.ScanLine(y)) + x1, x2 - x1 + 1);
    ReportRow(progress, y, y1, y2);
  }
}

void _CastColorRange(TBitmap& bitmap, TRGB begin, TRGB end, TRGB cast, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                     const TProgressRec& progress) {
  ForEachPixel(bitmap, x1, y1, x2, y2, progress, [=](TRGB& p) {
    if (p.r >= begin.r && p.r <= end.r && p.g >= begin.g && p.g <= end.g && p.b >= begin.b && p.b <= end.b) p = cast;
  });
}

void _Threshold(TBitmap& bitmap, TRGB downLimit, TRGB upLimit, TRGB downValue, TRGB upValue, int32_t x1, int32_t y1,
                int32_t x2, int32_t y2, const TProgressRec& progress) {
  if (downLimit == TRGB{0, 0, 0} && upLimit == TRGB{255, 255, 255}) return;
  const auto level = [](uint8_t down, uint8_t up, uint8_t downV, uint8_t upV) {
    return [=](int i) {
      int c = i <= down ? downV : i;
      return uint8_t(c > up ? upV : c);
    };
  };
  TChannelTables t;
  FillTable(t.R, level(downLimit.r, upLimit.r, downValue.r, upValue.r));
  FillTable(t.G, level(downLimit.g, upLimit.g, downValue.g, upValue.g));
  FillTable(t.B, level(downLimit.b, upLimit.b, downValue.b, upValue.b));
  ApplyTables(bitmap, t, x1, y1, x2, y2, progress);
}

void _HistEqualize(TBitmap& bitmap, TRGB low, TRGB high, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                   const TProgressRec& progress) {
  high.r = std::max<uint8_t>(high.r, 1), high.g = std::max<uint8_t>(high.g, 1), high.b = std::max<uint8_t>(high.b, 1);
  if (low == high) return;
  const auto level = [](int lo, int hi) {
    const double d = lo == 255 ? 1.0 : 255.0 - lo;
    return [=](int i) {
      const uint8_t a = Clamp255(KXRound((i - lo) / d * 255.0));
      return Clamp255(KXRound(double(a) / hi * 255.0));
    };
  };
  TChannelTables t;
  FillTable(t.R, level(low.r, high.r));
  FillTable(t.G, level(low.g, high.g));
  FillTable(t.B, level(low.b, high.b));
  ApplyTables(bitmap, t, x1, y1, x2, y2, progress);
}

}  // namespace kx
