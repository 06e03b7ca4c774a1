// The back buffer of self-drawn controls.
#include "imaging/view/buffered_control.h"

namespace kx {

bool TBufferedControl::FitBuffer() {
  if (fBuffer.Width() == ClientWidth() && fBuffer.Height() == ClientHeight()) return false;
  fBuffer.SetSize(ClientWidth(), ClientHeight());
  return true;
}

namespace {

// Holds the rendering flag for one Paint, however Paint ends: a flag left set by a throwing
// Paint would keep every later drawing outside a repaint from being announced.
class TRenderingScope {
 public:
  explicit TRenderingScope(bool& flag) : fFlag(flag) { fFlag = true; }
  ~TRenderingScope() { fFlag = false; }
  TRenderingScope(const TRenderingScope&) = delete;
  TRenderingScope& operator=(const TRenderingScope&) = delete;

 private:
  bool& fFlag;
};

}  // namespace

TPixelView TBufferedControl::Render() {
  if (FitBuffer() || NeedsPaint() || fPaintUnfinished) {
    ValidatePaint();
    const TRenderingScope rendering(fRendering);
    // A Paint that throws leaves a half-painted buffer: the next Render paints it again,
    // without asking the host for a repaint (which would repeat a failing paint forever).
    fPaintUnfinished = true;
    Paint();
    fPaintUnfinished = false;
  }
  if (fBuffer.Empty()) return TPixelView{};
  return TPixelView{fBuffer.ScanLine(0), fBuffer.Stride(), fBuffer.Width(), fBuffer.Height()};
}

}  // namespace kx
