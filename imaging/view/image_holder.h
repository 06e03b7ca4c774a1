// TImage: the least picture-holder control. It owns one bitmap and shows it at the top-left
// corner of its client area over its colour; components that load into it find the bitmap
// through Bitmap() and ask for a destruction notice (FreeNotification).
#pragma once

#include "imaging/core/bitmap.h"
#include "imaging/view/buffered_control.h"

namespace kx {

class TImage : public TBufferedControl {
 public:
  TBitmap& Bitmap() { return fBitmap; }
  TColor Color() const { return fColor; }
  void SetColor(TColor color);

 protected:
  void Paint() override;

 private:
  TBitmap fBitmap;
  TColor fColor = clBtnFace;
};

}  // namespace kx
