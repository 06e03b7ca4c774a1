// Colour and tone operations of the processing component: brightness, contrast, negative,
// gray, hue/saturation shifts, colour replacement, thresholds, level stretch, equalisation,
// histogram and colour statistics, colour reduction, 1-bit conversions and channel extraction.
// Each takes the component it works through; selection-aware ones honour its selection.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/core/types.h"
#include "imaging/proc/proc.h"

namespace kx {

// Counters of one level: red, green, blue, gray.
struct THistogramItem {
  uint32_t r = 0;
  uint32_t g = 0;
  uint32_t b = 0;
  uint32_t Gray = 0;
};
using THistogram = THistogramItem[256];
using PHistogram = THistogramItem*;

// Colour spaces. HSL components are 0..1; HSV hue is 0..359 degrees, saturation and value
// 0..99. HSL2RGB and HSV2RGB clamp their input instead of wrapping the hue.
void RGB2HSL(TRGB c, double& h, double& s, double& l);
TRGB HSL2RGB(double l, double s, double h);
void RGB2HSV(TRGB c, int32_t& h, int32_t& s, int32_t& v);
TRGB HSV2RGB(int32_t h, int32_t s, int32_t v);

// Selection-aware operations (24-bit; Negative also 1-bit). Amounts are in -100..100 for the
// application's brightness and contrast.
void IntensityRGBall(TKestrixProc& proc, int32_t dr, int32_t dg, int32_t db);
void Contrast(TKestrixProc& proc, int32_t v);
void Negative(TKestrixProc& proc);
void ConvertToGray(TKestrixProc& proc);
void HSLvar(TKestrixProc& proc, int32_t dh, int32_t ds, int32_t dl);
void HSVvar(TKestrixProc& proc, int32_t dh, int32_t ds, int32_t dv);
void CastColorRange(TKestrixProc& proc, TRGB begin, TRGB end, TRGB cast);
void Threshold(TKestrixProc& proc, TRGB downLimit, TRGB upLimit, TRGB downValue, TRGB upValue);
void HistEqualize(TKestrixProc& proc, TRGB low, TRGB high);
void HistAutoEqualize(TKestrixProc& proc);

// Read-only statistics over the selection's bounding box (the palette: the whole picture).
void GetHistogram(TKestrixProc& proc, THistogram& histogram);
int32_t CalcImageNumColors(TKestrixProc& proc);
void CalcImagePalette(TKestrixProc& proc, std::span<TRGB> palette, int32_t maxColors);

// Whole-picture conversions.
void ConvertTo(TKestrixProc& proc, int32_t colors);
void ConvertToPalette(TKestrixProc& proc, int32_t colors, std::span<TRGB> palette);
void ConvertToBWOrdered(TKestrixProc& proc);
void ConvertToBWThreshold(TKestrixProc& proc, int32_t threshold);
void ConvertTo24Bit(TKestrixProc& proc);

// Channels as new gray 24-bit pictures; null (or untouched targets) for a non-24-bit picture.
// RGB channel 0 is blue, 1 green, 2 and above red; HSV channel 1 saturation, 2 value, others hue.
std::unique_ptr<TBitmap> GetRGBChannel(TKestrixProc& proc, int32_t channel);
std::unique_ptr<TBitmap> GetHSVChannel(TKestrixProc& proc, int32_t channel);
void GetRGBChannelAll(TKestrixProc& proc, TBitmap& red, TBitmap& green, TBitmap& blue);
void GetHSVChannelAll(TKestrixProc& proc, TBitmap& hue, TBitmap& saturation, TBitmap& value);

// Row routines on the inclusive rectangle x1..x2, y1..y2 of a 24-bit bitmap, reporting each
// row through `reporter` when given.
void _IntensityRGBall(TBitmap& bitmap, int32_t dr, int32_t dg, int32_t db, int32_t x1, int32_t y1, int32_t x2,
                      int32_t y2, const TKestrixProc* reporter);
void _ContrastRGB(TBitmap& bitmap, int32_t v, int32_t redMean, int32_t greenMean, int32_t blueMean, int32_t x1,
                  int32_t y1, int32_t x2, int32_t y2, const TKestrixProc* reporter);
void _Negative(TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const TKestrixProc* reporter);
void _ConvertToGray(TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const TKestrixProc* reporter);
void _HSLvar(TBitmap& bitmap, int32_t dh, int32_t ds, int32_t dl, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
             const TKestrixProc* reporter);
void _HSVvar(TBitmap& bitmap, int32_t dh, int32_t ds, int32_t dv, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
             const TKestrixProc* reporter);
void _CastColorRange(TBitmap& bitmap, TRGB begin, TRGB end, TRGB cast, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                     const TKestrixProc* reporter);
void _Threshold(TBitmap& bitmap, TRGB downLimit, TRGB upLimit, TRGB downValue, TRGB upValue, int32_t x1, int32_t y1,
                int32_t x2, int32_t y2, const TKestrixProc* reporter);
void _HistEqualize(TBitmap& bitmap, TRGB low, TRGB high, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                   const TKestrixProc* reporter);
void _HistAutoEqualize(TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const TKestrixProc* reporter);

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
