// TKXView: the small base of the library's picture views. It holds the background colour, the
// picture's resolution and the list of components that follow the view's bitmap.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/core/event.h"
#include "imaging/view/buffered_control.h"

namespace kx {

class TKXView;
using TKXViewNotify = TEvent<TKXView*>;

class TKXView : public TBufferedControl {
 public:
  TKXView();

  TColor Background() const { return fBackground; }
  virtual void SetBackGround(TColor color);
  // The view's picture; none in the base.
  virtual TBitmap* GetFBitmap() { return nullptr; }
  int32_t DpiX() const { return fDpiX; }
  int32_t DpiY() const { return fDpiY; }
  virtual void SetDPIX(int32_t dpi);
  virtual void SetDPIY(int32_t dpi);
  virtual void SetDPI(int32_t dpiX, int32_t dpiY);
  // The picture was replaced or its look changed; nothing in the base.
  virtual void ImageChange() {}

  // Bitmap-change listeners, called in registration order with the view. Removal deletes the
  // first entry whose code and receiver both match, so one component leaving never removes
  // another's entry. A listener may register or remove listeners while it is called: one
  // removed then is not called any more, one added then is called from the next call on.
  void RegisterBitmapChangeEvent(TKXViewNotify handler);
  void RemoveBitmapChangeEvent(TKXViewNotify handler);
  void CallBitmapChangeEvents();

 protected:
  TColor fBackground;
  int32_t fDpiX;
  int32_t fDpiY;

 private:
  struct TBitmapChangeEntry {
    TKXViewNotify Handler;
    uint64_t Serial;  // registration number: entries stay sorted by it
  };
  std::vector<TBitmapChangeEntry> fBitmapChangeEvents;
  uint64_t fNextBitmapChangeSerial = 0;
};

}  // namespace kx
