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

namespace kx {

namespace {

// More colours than 24 bits hold cannot be told apart; the cap also bounds the palette buffer.
constexpr int32_t kMaxColors = 1 << 24;

bool Has24(const TKestrixProc& proc) { return proc.WorkingBitmap() && proc.WorkingBitmap()->BitCount() == 24; }

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

void CalcImagePalette(TKestrixProc& proc, std::span<TRGB> palette, int32_t maxColors) {
  if (!Has24(proc)) return;
  const TKXQuantizer quantizer(*proc.WorkingBitmap(), palette, std::clamp(maxColors, 1, kMaxColors), -1);
}

void ConvertToPalette(TKestrixProc& proc, int32_t colors, std::span<TRGB> palette) {
  if (!Has24(proc)) return;
  if (proc.AutoUndo()) proc.SaveUndo();
  TProgressRec progress = proc.ProgressRec();
  TBitmap& bitmap = *proc.WorkingBitmap();
  if (colors > 2) {
    _ConvertTo(bitmap, colors, palette, progress);
  } else {
    _ConvertToBWOrdered(bitmap, progress);
    constexpr TRGB kBlackWhite[2] = {{0, 0, 0}, {255, 255, 255}};
    std::copy_n(kBlackWhite, std::min<size_t>(2, palette.size()), palette.begin());
  }
  proc.Update();
}

void ConvertTo(TKestrixProc& proc, int32_t colors) { ConvertToPalette(proc, colors, {}); }

void ConvertToBWOrdered(TKestrixProc& proc) {
  if (!Has24(proc)) return;
  if (proc.AutoUndo()) proc.SaveUndo();
  TProgressRec progress = proc.ProgressRec();
  _ConvertToBWOrdered(*proc.WorkingBitmap(), progress);
  proc.Update();
}

void ConvertToBWThreshold(TKestrixProc& proc, int32_t threshold) {
  if (!Has24(proc)) return;
  if (proc.AutoUndo()) proc.SaveUndo();
  TProgressRec progress = proc.ProgressRec();
  _ConvertToBWThreshold(*proc.WorkingBitmap(), threshold, progress);
  proc.Update();
}

void ConvertTo24Bit(TKestrixProc& proc) {
  TBitmap* bitmap = proc.WorkingBitmap();
  if (!bitmap || bitmap->BitCount() != 1) return;
  if (proc.AutoUndo()) proc.SaveUndo();
  const TBitmap source(*bitmap);
  TProgressRec progress = proc.ProgressRec();
  _Conv1to24(source, *bitmap, progress);
  proc.Update();
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

std::unique_ptr<TBitmap> GetRGBChannel(TKestrixProc& proc, int32_t channel) {
  if (!proc.WorkingBitmap()) return nullptr;
  TProgressRec progress = proc.ProgressRec();
  return _GetRGBChannel(*proc.WorkingBitmap(), channel, progress);
}

void GetRGBChannelAll(TKestrixProc& proc, TBitmap& red, TBitmap& green, TBitmap& blue) {
  if (!proc.WorkingBitmap()) return;
  TProgressRec progress = proc.ProgressRec();
  _GetRGBChannelAll(*proc.WorkingBitmap(), red, green, blue, progress);
}

}  // namespace kx
