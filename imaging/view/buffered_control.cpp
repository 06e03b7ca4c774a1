// The back buffer of self-drawn controls.
#include "imaging/view/buffered_control.h"

namespace kx {

bool TBufferedControl::FitBuffer() {
  if (fBuffer.Width() == ClientWidth() && fBuffer.Height() == ClientHeight()) return false;
  fBuffer.SetSize(ClientWidth(), ClientHeight());
  return true;
}

TPixelView TBufferedControl::Render() {
  if (FitBuffer() || NeedsPaint()) {
    ValidatePaint();
    fRendering = true;
    Paint();
    fRendering = false;
  }
  if (fBuffer.Empty()) return TPixelView{};
  return TPixelView{fBuffer.ScanLine(0), fBuffer.Stride(), fBuffer.Width(), fBuffer.Height()};
}

}  // namespace kx
