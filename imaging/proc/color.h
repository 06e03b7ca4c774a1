// The pixel code behind the colour and tone members of TKestrixProc: the colour spaces, the row
// routines of brightness, contrast, negative, gray, hue/saturation shifts, colour replacement,
// thresholds, level stretch and equalisation, and the whole-picture statistics, reductions and
// channel extractions. The histogram record is in proc_types.h.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/core/types.h"
#include "imaging/proc/proc_types.h"

namespace kx {

// More colours than 24 bits hold cannot be told apart; the cap also bounds the palette buffer.
constexpr int32_t kMaxColors = 1 << 24;

// Colour spaces. HSL components are 0..1; HSV hue is 0..359 degrees, saturation and value
// 0..99. HSL2RGB and HSV2RGB clamp their input instead of wrapping the hue.
void RGB2HSL(TRGB c, double& h, double& s, double& l);
TRGB HSL2RGB(double l, double s, double h);
void RGB2HSV(TRGB c, int32_t& h, int32_t& s, int32_t& v);
TRGB HSV2RGB(int32_t h, int32_t s, int32_t v);

// Row routines on the inclusive rectangle x1..x2, y1..y2 of a 24-bit bitmap, reporting each
// row through `progress`.
void _IntensityRGBall(TBitmap& bitmap, int32_t dr, int32_t dg, int32_t db, int32_t x1, int32_t y1, int32_t x2,
                      int32_t y2, const TProgressRec& progress);
void _ContrastRGB(TBitmap& bitmap, int32_t v, int32_t redMean, int32_t greenMean, int32_t blueMean, int32_t x1,
                  int32_t y1, int32_t x2, int32_t y2, const TProgressRec& progress);
void _Negative(TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const TProgressRec& progress);
void _ConvertToGray(TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const TProgressRec& progress);
void _HSLvar(TBitmap& bitmap, int32_t dh, int32_t ds, int32_t dl, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
             const TProgressRec& progress);
void _HSVvar(TBitmap& bitmap, int32_t dh, int32_t ds, int32_t dv, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
             const TProgressRec& progress);
void _CastColorRange(TBitmap& bitmap, TRGB begin, TRGB end, TRGB cast, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                     const TProgressRec& progress);
void _Threshold(TBitmap& bitmap, TRGB downLimit, TRGB upLimit, TRGB downValue, TRGB upValue, int32_t x1, int32_t y1,
                int32_t x2, int32_t y2, const TProgressRec& progress);
void _HistEqualize(TBitmap& bitmap, TRGB low, TRGB high, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                   const TProgressRec& progress);
void _HistAutoEqualize(TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const TProgressRec& progress);

// Channel means of the whole picture: 64-bit sums divided by the pixel count (128 each for an
// empty or non-24-bit picture).
void _GetMediaContrastRGB(const TBitmap& bitmap, int32_t& red, int32_t& green, int32_t& blue);
// Zeroes the histogram, then counts the rectangle (cut to the picture; nothing unless 24-bit).
void _GetHistogram(const TBitmap& bitmap, THistogram& histogram, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Distinct colours of the rectangle of a 24-bit picture.
int32_t _GetImageNumColors(const TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Reduces a 24-bit picture to `colors` quantizer colours in place (it stays 24-bit); the palette,
// when given, receives them.
void _ConvertTo(TBitmap& bitmap, int32_t colors, std::span<TRGB> palette, TProgressRec& progress);
// 1-bit by gray threshold; -1 takes the gray of the channel means.
void _ConvertToBWThreshold(TBitmap& bitmap, int32_t threshold, TProgressRec& progress);
std::unique_ptr<TBitmap> _GetRGBChannel(const TBitmap& bitmap, int32_t channel, TProgressRec& progress);
std::unique_ptr<TBitmap> _GetHSVChannel(const TBitmap& bitmap, int32_t channel, TProgressRec& progress);
void _GetRGBChannelAll(const TBitmap& bitmap, TBitmap& red, TBitmap& green, TBitmap& blue, TProgressRec& progress);
void _GetHSVChannelAll(const TBitmap& bitmap, TBitmap& hue, TBitmap& saturation, TBitmap& value,
                       TProgressRec& progress);

}  // namespace kx
