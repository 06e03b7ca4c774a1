// Colour reduction through the quantizer, palette calculation, the 1-bit conversions and the
// RGB channel extraction.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/bitmap_copy.h"
#include "imaging/core/pixel_convert.h"
#include "imaging/core/quantizer.h"
#include "imaging/proc/color.h"
#include "imaging/proc/color_rows.h"
#include "imaging/proc/proc.h"

namespace kx {

namespace {

// More colours than 24 bits hold cannot be told apart; the cap also bounds the palette buffer.
constexpr int32_t kMaxColors = 1 << 24;

void StartRows(TProgressRec& progress, int32_t height) {
  progress.per1 = 100.0 / (double(height) + 0.5);
  progress.val = 0;
}

}  // namespace

void _ConvertTo(TBitmap& bitmap, int32_t colors, std::span<TRGB> palette, TProgressRec& progress) {
  if (bitmap.BitCount() != 24 || bitmap.Empty()) return;
  colors = std::clamp(colors, 1, kMaxColors);
  std::vector<TRGB> entries(static_cast<size_t>(colors));
  const TKXQuantizer quantizer(bitmap, entries, colors, -1);
  std::copy_n(entries.begin(), std::min(entries.size(), palette.size()), palette.begin());
  const int32_t w = bitmap.Width();
  StartRows(progress, bitmap.Height());
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    quantizer.MapRow(reinterpret_cast<TRGB*>(bitmap.ScanLine(y)), w, entries);
    ++progress.val;
    progress.Report();
  }
}

void _ConvertToBWThreshold(TBitmap& bitmap, int32_t threshold, TProgressRec& progress) {
  if (bitmap.BitCount() != 24) return;
  if (threshold == -1) {
    int32_t r, g, b;
    _GetMediaContrastRGB(bitmap, r, g, b);
    threshold = _RGBToGray(CreateRGB(uint8_t(r), uint8_t(g), uint8_t(b)));
  }
  const int32_t w = bitmap.Width(), h = bitmap.Height();
  TBitmap result(w, h, pf1bit);
  StartRows(progress, h);
  for (int32_t y = 0; y < h; ++y) {
    const TRGB* s = reinterpret_cast<const TRGB*>(bitmap.ScanLine(y));
    uint8_t* d = result.ScanLine(y);
    std::memset(d, 0, (size_t(w) + 7) / 8);
    for (int32_t x = 0; x < w; ++x)
      if (_RGBToGray(s[x]) >= threshold) d[x >> 3] |= uint8_t(0x80 >> (x & 7));
    ++progress.val;
    progress.Report();
  }
  KXCopyBitmap(result, bitmap);
  bitmap.SetPalette(result.Palette());
}

void TKestrixProc::CalcImagePalette(std::span<TRGB> palette, int32_t maxColors) const {
  if (!fBitmap || fBitmap->BitCount() != 24) return;
  const TKXQuantizer quantizer(*fBitmap, palette, std::clamp(maxColors, 1, kMaxColors), -1);
}

void TKestrixProc::ConvertToPalette(int32_t colors, std::span<TRGB> palette) {
  if (!fBitmap || fBitmap->BitCount() != 24) return;
  if (fAutoUndo) SaveUndo();
  TProgressRec progress = ProgressRec();
  if (colors > 2) {
    _ConvertTo(*fBitmap, colors, palette, progress);
  } else {
    _ConvertToBWOrdered(*fBitmap, progress);
    constexpr TRGB kBlackWhite[2] = {{0, 0, 0}, {255, 255, 255}};
    std::copy_n(kBlackWhite, std::min<size_t>(2, palette.size()), palette.begin());
  }
  Update();
}

void TKestrixProc::ConvertTo(int32_t colors) { ConvertToPalette(colors, {}); }

void TKestrixProc::ConvertToBWOrdered() {
  if (!fBitmap || fBitmap->BitCount() != 24) return;
  if (fAutoUndo) SaveUndo();
  TProgressRec progress = ProgressRec();
  _ConvertToBWOrdered(*fBitmap, progress);
  Update();
}

void TKestrixProc::ConvertToBWThreshold(int32_t threshold) {
  if (!fBitmap || fBitmap->BitCount() != 24) return;
  if (fAutoUndo) SaveUndo();
  TProgressRec progress = ProgressRec();
  _ConvertToBWThreshold(*fBitmap, threshold, progress);
  Update();
}

void TKestrixProc::ConvertTo24Bit() {
  if (!fBitmap || fBitmap->BitCount() != 1) return;
  if (fAutoUndo) SaveUndo();
  const TBitmap source(*fBitmap);
  TProgressRec progress = ProgressRec();
  _Conv1to24(source, *fBitmap, progress);
  Update();
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

std::unique_ptr<TBitmap> TKestrixProc::GetRGBChannel(int32_t channel) const {
  if (!fBitmap) return nullptr;
  TProgressRec progress = ProgressRec();
  return _GetRGBChannel(*fBitmap, channel, progress);
}

void TKestrixProc::GetRGBChannelAll(TBitmap& red, TBitmap& green, TBitmap& blue) const {
  if (!fBitmap) return;
  TProgressRec progress = ProgressRec();
  _GetRGBChannelAll(*fBitmap, red, green, blue, progress);
}

}  // namespace kx
