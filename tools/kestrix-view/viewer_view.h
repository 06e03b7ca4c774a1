// The viewer's view: a composite whose keys switch the mouse interaction, zoom, change the
// background style, centre and fit, exchange the picture with the clipboard, ask for another
// picture to open or for its histogram, and open the save options dialog (the window hands the
// view that dialog). Kept apart from Qt so its key handling is plain code.
#pragma once

#include <string>

#include "imaging/components/kestrix.h"

namespace kestrixview {

class TViewerView : public kx::TKestrix {
 public:
  void KeyDown(int32_t key, kx::TShiftState shift) override;
  // One line for the window title: mode, zoom, background.
  std::string Status() const;
  // Called after every key that changed something.
  kx::TEvent<> OnStatusChange;
  // The "O" key: the window chooses a picture and loads it (the view has no dialogs).
  kx::TEvent<> OnOpenRequest;
  // The "H" key: the window shows or hides the histogram of the picture beside it.
  kx::TEvent<> OnHistogramRequest;
};

// The keys, for the usage text.
extern const char* const kViewerKeys;

}  // namespace kestrixview
