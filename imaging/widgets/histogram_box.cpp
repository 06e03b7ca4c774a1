// The histogram box: counting through the processing component, drawing from the counts.
#include "imaging/widgets/histogram_box.h"

#include <algorithm>
#include <string>

#include "imaging/core/pixelformat.h"
#include "imaging/widgets/widget_draw.h"

namespace kx {

namespace {

constexpr THistogramKindItem kChannels[] = {hkRed, hkGreen, hkBlue, hkGray};
// Pen colours of the channels, in the order above: red, dark green, blue, black.
constexpr TColor kChannelColors[] = {0x0000FF, 0x008000, 0xFF0000, clBlack};

uint32_t CountOf(const THistogramItem& item, int channel) {
  switch (channel) {
    case hkRed:
      return item.r;
    case hkGreen:
      return item.g;
    case hkBlue:
      return item.b;
    default:
      return item.Gray;
  }
}

}  // namespace

THistogramBox::THistogramBox() { SetBounds(0, 0, 256, 105); }

THistogramBox::~THistogramBox() {
  if (fProc) fProc->RemoveFreeNotification(this);
}

void THistogramBox::SetAttachedKestrixProc(TKestrixProc* proc) {
  if (proc != fProc) {
    if (fProc) fProc->RemoveFreeNotification(this);
    fProc = proc;
    if (fProc) fProc->FreeNotification(this);
  }
  Update();
}

void THistogramBox::ProcFreed(TKestrixProc& proc) {
  if (&proc != fProc) return;
  fProc = nullptr;
  Update();
}

void THistogramBox::SetBackground(TColor color) {
  fBackground = color;
  Invalidate();
}

void THistogramBox::SetHistogramKind(THistogramKind kind) {
  if (kind == fKind) return;
  fKind = kind;
  Invalidate();
}

void THistogramBox::SetLabels(THistogramLabels labels) {
  if (labels == fLabels) return;
  fLabels = labels;
  Invalidate();
}

void THistogramBox::SetCompBar(bool on) {
  if (on == fCompBar) return;
  fCompBar = on;
  Invalidate();
}

void THistogramBox::SetHistogramStyle(THistogramStyle style) {
  if (style == fStyle) return;
  fStyle = style;
  Invalidate();
}

void THistogramBox::SetFont(const TWidgetFont& font) {
  if (font == fFont) return;
  fFont = font;
  Invalidate();
}

void THistogramBox::Update() {
  const TBitmap* picture = fProc ? fProc->WorkingBitmap() : nullptr;
  fHasPicture = picture && !picture->Empty();
  if (fHasPicture)
    fProc->GetHistogram(fCounts);
  else
    std::fill(std::begin(fCounts), std::end(fCounts), THistogramItem{});
  Invalidate();
}

uint32_t THistogramBox::ColumnCount(int channel, int32_t x, int32_t width) const {
  const int64_t first = int64_t(x) * 256 / width;
  const int64_t last = std::clamp<int64_t>((int64_t(x + 1) * 256 + width - 1) / width - 1, first, 255);
  uint32_t most = 0;
  for (int64_t i = first; i <= last; ++i) most = std::max(most, CountOf(fCounts[i], channel));
  return most;
}

void THistogramBox::Paint() {
  TBitmap& bitmap = Buffer();
  TCanvas& canvas = Canvas();
  canvas.Brush = TBrush{fBackground, bsSolid};
  canvas.FillRect(Rect(0, 0, bitmap.Width(), bitmap.Height()));
  fPlotLeft = Left();
  if (!fHasPicture) return;
  uint32_t most = 0;
  for (THistogramKindItem channel : kChannels)
    if (fKind.Contains(channel))
      for (const THistogramItem& item : fCounts) most = std::max(most, CountOf(item, channel));
  if (most == 0) return;

  int32_t w = bitmap.Width(), h = bitmap.Height(), left = 0;
  const int32_t f = KXFontHeight(fFont);
  const int32_t barRows = KXTrunc(f * 1.2);
  if (fCompBar) h -= barRows + 2;
  canvas.Pen = TPen{fFont.Color, 1, psSolid, pmCopy};
  if (fLabels.Contains(hlVertical)) {
    const std::string top = std::to_string(most);
    KXTextOut(bitmap, fFont, 0, 0, top);
    KXTextOut(bitmap, fFont, 0, h / 2, std::to_string(most / 2));
    const int32_t taken = KXTextWidth(fFont, top) + 2;
    w -= taken;
    left += taken;
  }
  if (fLabels.Contains(hlHorizontal)) {
    for (int32_t level : {0, 64, 128, 192})
      KXTextOut(bitmap, fFont, KXRound(level / 256.0 * w) + left, h - f - 1, std::to_string(level));
    KXTextOut(bitmap, fFont, left + w - KXTextWidth(fFont, "255"), h - f - 1, "255");
    h -= KXFontHeight(fFont) + 2;
    canvas.MoveTo(left - 1, 0);
    canvas.LineTo(left - 1, h);
    canvas.LineTo(left + w, h);
  }
  fPlotLeft = Left() + left;
  if (w <= 0) return;

  if (fCompBar) {
    const bool gray = fKind.Contains(hkGray);
    for (int32_t e = 0; e < w; ++e) {
      const uint8_t v = uint8_t(std::min(KXRound(double(e) / w * 256), 255));
      const TRGB ramp{uint8_t(gray || fKind.Contains(hkBlue) ? v : 0), uint8_t(gray || fKind.Contains(hkGreen) ? v : 0),
                      uint8_t(gray || fKind.Contains(hkRed) ? v : 0)};
      KXColumnRun(bitmap, left + e, bitmap.Height() - barRows, bitmap.Height() - 1, ramp);
    }
  }
  if (h <= 0) return;
  // Row of the top of a column's mark.
  auto peak = [&](int channel, int32_t x) { return h - KXRound(double(ColumnCount(channel, x, w)) / most * h) - 1; };
  for (THistogramKindItem channel : kChannels) {
    if (!fKind.Contains(channel)) continue;
    if (fStyle == hsBars) {
      const TRGB color = TColor2TRGB(kChannelColors[channel]);
      for (int32_t x = 0; x < w; ++x) KXColumnRun(bitmap, left + x, peak(channel, x), h - 1, color);
    } else {
      canvas.Pen = TPen{kChannelColors[channel], 1, psSolid, pmCopy};
      canvas.MoveTo(left, h - 1);
      for (int32_t x = 0; x < w; ++x) canvas.LineTo(left + x, peak(channel, x));
    }
  }
}

}  // namespace kx
