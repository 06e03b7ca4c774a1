// The colour and tone members of the processing component: each runs its pixel routine on
// the effective selection (or the whole picture) with undo, progress and a repaint.
#include <algorithm>
#include <string>

#include "imaging/components/kestrix_proc.h"
#include "imaging/proc/color.h"
#include "imaging/proc/pixel_convert.h"
#include "imaging/proc/quantizer.h"

namespace kx {

void TKestrixProc::IntensityRGBall(int32_t dr, int32_t dg, int32_t db) {
  RunOnSelection([&](TBitmap& b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    _IntensityRGBall(b, dr, dg, db, x1, y1, x2, y2, ProgressRec());
  });
}

void TKestrixProc::Contrast(int32_t v) {
  if (!fBitmap || fBitmap->BitCount() != 24 || fBitmap->Width() < 2 || fBitmap->Height() < 2) return;
  int32_t r, g, b;
  _GetMediaContrastRGB(*fBitmap, r, g, b);
  RunOnSelection([&](TBitmap& bmp, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    _ContrastRGB(bmp, v, r, g, b, x1, y1, x2, y2, ProgressRec());
  });
}

void TKestrixProc::Negative() {
  RunOnSelection(
      [&](TBitmap& b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) { _Negative(b, x1, y1, x2, y2, ProgressRec()); },
      true);
}

void TKestrixProc::ConvertToGray() {
  RunOnSelection([&](TBitmap& b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    _ConvertToGray(b, x1, y1, x2, y2, ProgressRec());
  });
}

void TKestrixProc::CastColorRange(TRGB begin, TRGB end, TRGB cast) {
  RunOnSelection([&](TBitmap& b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    _CastColorRange(b, begin, end, cast, x1, y1, x2, y2, ProgressRec());
  });
}

void TKestrixProc::Threshold(TRGB downLimit, TRGB upLimit, TRGB downValue, TRGB upValue) {
  RunOnSelection([&](TBitmap& b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    _Threshold(b, downLimit, upLimit, downValue, upValue, x1, y1, x2, y2, ProgressRec());
  });
}

void TKestrixProc::HistEqualize(TRGB low, TRGB high) {
  RunOnSelection([&](TBitmap& b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    _HistEqualize(b, low, high, x1, y1, x2, y2, ProgressRec());
  });
}

void TKestrixProc::HSLvar(int32_t dh, int32_t ds, int32_t dl) {
  RunOnSelection([&](TBitmap& b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    _HSLvar(b, dh, ds, dl, x1, y1, x2, y2, ProgressRec());
  });
}

void TKestrixProc::HSVvar(int32_t dh, int32_t ds, int32_t dv) {
  RunOnSelection([&](TBitmap& b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    _HSVvar(b, dh, ds, dv, x1, y1, x2, y2, ProgressRec());
  });
}

std::unique_ptr<TBitmap> TKestrixProc::GetHSVChannel(int32_t channel) const {
  if (!fBitmap) return nullptr;
  TProgressRec progress = ProgressRec();
  return _GetHSVChannel(*fBitmap, channel, progress);
}

void TKestrixProc::GetHSVChannelAll(TBitmap& hue, TBitmap& saturation, TBitmap& value) const {
  if (!fBitmap) return;
  TProgressRec progress = ProgressRec();
  _GetHSVChannelAll(*fBitmap, hue, saturation, value, progress);
}

void TKestrixProc::HistAutoEqualize() {
  RunOnSelection([&](TBitmap& b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    _HistAutoEqualize(b, x1, y1, x2, y2, ProgressRec());
  });
}

void TKestrixProc::GetHistogram(THistogram& histogram) const {
  std::fill(std::begin(histogram), std::end(histogram), THistogramItem{});
  if (!fBitmap) return;
  int32_t x1, y1, x2, y2, count;
  const TPoint* polygon;
  GetReSel(x1, y1, x2, y2, polygon, count);
  if (x1 > x2 || y1 > y2) return;
  _GetHistogram(*fBitmap, histogram, x1, y1, x2, y2);
}

int32_t TKestrixProc::CalcImageNumColors() const {
  if (!fBitmap) return 0;
  if (fBitmap->BitCount() == 1) return 2;
  int32_t x1, y1, x2, y2, count;
  const TPoint* polygon;
  GetReSel(x1, y1, x2, y2, polygon, count);
  if (x1 > x2 || y1 > y2) return 0;
  return _GetImageNumColors(*fBitmap, x1, y1, x2, y2);
}

void TKestrixProc::CalcImagePalette(std::span<TRGB> palette, int32_t maxColors) const {
  if (!fBitmap || fBitmap->BitCount() != 24) return;
  const TKXQuantizer quantizer(*fBitmap, palette, std::clamp(maxColors, 1, kMaxColors), -1);
}

void TKestrixProc::ConvertToPalette(int32_t colors, std::span<TRGB> palette) {
  if (!fBitmap || fBitmap->BitCount() != 24) return;
  fLastRefusal.clear();
  if (colors > 2 && TKXQuantizer::Refuses(*fBitmap, colors)) {
    fLastRefusal = "ConvertTo: " + std::to_string(colors) +
                   " colours of this picture need more learning than the quantizer allows; ask for fewer colours";
    return;
  }
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
