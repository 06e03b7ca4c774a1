// TBufferedControl: a control that paints with a TCanvas into a client-sized 24-bit bitmap, the
// back buffer its host shows. Derived controls implement Paint; drawing done outside a repaint
// (an animation frame) is announced with InvalidateRect so the host shows just that part.
#pragma once

#include "imaging/core/bitmap.h"
#include "imaging/core/canvas.h"
#include "platform/control.h"

namespace kx {

class TBufferedControl : public TCustomControl {
 public:
  TPixelView Render() override;
  // The back buffer, sized to the client area at the last Render or FitBuffer.
  TBitmap& Buffer() { return fBuffer; }
  TCanvas& Canvas() { return fBuffer.Canvas(); }

 protected:
  // Paints the whole client area into Buffer(). If it throws, the exception leaves Render and
  // the next Render paints again.
  virtual void Paint() = 0;
  // Sizes the back buffer to the client area; true when it changed (its pixels are then lost).
  bool FitBuffer();
  bool Rendering() const { return fRendering; }

 private:
  TBitmap fBuffer;
  bool fRendering = false;
  bool fPaintUnfinished = false;
};

}  // namespace kx
