// The picture holder's painting.
#include "imaging/view/image_holder.h"

namespace kx {

void TImage::SetColor(TColor color) {
  fColor = color;
  Invalidate();
}

void TImage::Paint() {
  FitBuffer();
  TCanvas& canvas = Canvas();
  canvas.Brush.Color = fColor;
  canvas.Brush.Style = bsSolid;
  canvas.FillRect(TRect{0, 0, ClientWidth(), ClientHeight()});
  if (!fBitmap.Empty()) canvas.Draw(0, 0, fBitmap);
}

}  // namespace kx
