// Colour reduction through the quantizer, palette calculation, the 1-bit conversions and the
// RGB channel extraction.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/proc/bitmap_copy.h"
#include "imaging/proc/color.h"
#include "imaging/proc/color_rows.h"
#include "imaging/proc/pixel_convert.h"
#include "imaging/proc/quantizer.h"
#include "imaging/proc/to_one_bit.h"

namespace kx {

void _ConvertTo(TBitmap& bitmap, int32_t colors, std::span<TRGB> palette, TProgressRec& progress) {
  if (bitmap.BitCount() != 24 || bitmap.Empty()) return;
  colors = std::clamp(colors, 1, kMaxColors);
  // A picture has no more colours than pixels, so a longer palette would hold only zeros.
  const int64_t pixels = int64_t(bitmap.Width()) * bitmap.Height();
  std::vector<TRGB> entries(size_t(std::min<int64_t>(colors, pixels)));
  const TKXQuantizer quantizer(bitmap, entries, colors, -1);
  const size_t given = std::min(entries.size(), palette.size());
  std::copy_n(entries.begin(), given, palette.begin());
  std::fill(palette.begin() + ptrdiff_t(given), palette.end(), TRGB{});
  const int32_t w = bitmap.Width();
  progress.StartRows(bitmap.Height());
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    quantizer.MapRow(reinterpret_cast<TRGB*>(bitmap.ScanLine(y)), w, entries);
    progress.RowDone();
  }
}

void _ConvertToBWThreshold(TBitmap& bitmap, int32_t threshold, TProgressRec& progress) {
  if (bitmap.BitCount() != 24) return;
  if (threshold == -1) {
    int32_t r, g, b;
    _GetMediaContrastRGB(bitmap, r, g, b);
    threshold = _RGBToGray(CreateRGB(uint8_t(r), uint8_t(g), uint8_t(b)));
  }
  _Convert24To1Bit(bitmap, progress,
                   [threshold](TRGB pixel, int32_t, int32_t) { return _RGBToGray(pixel) >= threshold; });
}

namespace {

void RGBValues(TRGB c, uint8_t (&out)[3]) { out[0] = c.r, out[1] = c.g, out[2] = c.b; }

}  // namespace

std::unique_ptr<TBitmap> _GetRGBChannel(const TBitmap& bitmap, int32_t channel, TProgressRec& progress) {
  if (bitmap.BitCount() != 24) return nullptr;
  auto result = std::make_unique<TBitmap>();
  // Channel numbers are byte positions in a pixel: 0 blue, 1 green, 2 (or more) red.
  const int k = channel == 0 ? 2 : channel == 1 ? 1 : 0;
  TBitmap* targets[3] = {nullptr, nullptr, nullptr};
  targets[k] = result.get();
  ExtractChannels(bitmap, targets, progress, RGBValues);
  return result;
}

void _GetRGBChannelAll(const TBitmap& bitmap, TBitmap& red, TBitmap& green, TBitmap& blue, TProgressRec& progress) {
  if (bitmap.BitCount() != 24) return;
  TBitmap* const targets[3] = {&red, &green, &blue};
  ExtractChannels(bitmap, targets, progress, RGBValues);
}

}  // namespace kx
