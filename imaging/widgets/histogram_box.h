// THistogramBox: the histogram of a processing component's picture (its selection's bounding
// box), as bars or lines per channel, with count and level labels and a colour ramp below.
// Update counts the picture; every other change redraws from the counts it holds, so changing
// the look never walks the picture again.
#pragma once

#include <cstdint>

#include "imaging/components/kestrix_proc.h"
#include "imaging/proc/proc_types.h"
#include "imaging/view/buffered_control.h"
#include "imaging/widgets/widget_font.h"
#include "platform/enum_set.h"

namespace kx {

enum THistogramKindItem : uint8_t { hkRed, hkGreen, hkBlue, hkGray };
using THistogramKind = TEnumSet<THistogramKindItem>;
enum THistogramLabel : uint8_t { hlVertical, hlHorizontal };
using THistogramLabels = TEnumSet<THistogramLabel>;
enum THistogramStyle : uint8_t { hsBars, hsLines };

class THistogramBox : public TBufferedControl, private TProcFreeNotifyTarget {
 public:
  THistogramBox();
  ~THistogramBox() override;

  // Whose picture is shown; forgotten when that component is destroyed. Attaching counts.
  TKestrixProc* AttachedKestrixProc() const { return fProc; }
  void SetAttachedKestrixProc(TKestrixProc* proc);

  TColor Background() const { return fBackground; }
  void SetBackground(TColor color);
  THistogramKind HistogramKind() const { return fKind; }
  void SetHistogramKind(THistogramKind kind);
  THistogramLabels Labels() const { return fLabels; }
  void SetLabels(THistogramLabels labels);
  bool CompBar() const { return fCompBar; }
  void SetCompBar(bool on);
  THistogramStyle HistogramStyle() const { return fStyle; }
  void SetHistogramStyle(THistogramStyle style);
  const TWidgetFont& Font() const { return fFont; }
  void SetFont(const TWidgetFont& font);

  // Counts the attached component's picture again and redraws.
  void Update();
  // The counts shown (all 0 without a picture).
  const THistogram& Counts() const { return fCounts; }
  // Left edge of the plotting area in the parent's coordinates, set by each redraw.
  int32_t PlotLeft() const { return fPlotLeft; }

 protected:
  void Paint() override;
  void Resize() override { Invalidate(); }

 private:
  void ProcFreed(TKestrixProc& proc) override;
  // The largest count of a chosen channel over the levels column x of `width` covers: below
  // 256 columns a column covers several levels, and a spike must not vanish between them.
  uint32_t ColumnCount(int channel, int32_t x, int32_t width) const;

  TKestrixProc* fProc = nullptr;
  TColor fBackground = clWhite;
  THistogramKind fKind{hkGray};
  THistogramLabels fLabels{hlVertical, hlHorizontal};
  bool fCompBar = true;
  THistogramStyle fStyle = hsBars;
  TWidgetFont fFont;
  THistogram fCounts{};
  bool fHasPicture = false;
  int32_t fPlotLeft = 0;
};

}  // namespace kx
