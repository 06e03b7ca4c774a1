// TKXPreviewWindow: the selected picture at full size in a sizeable tool window over the file
// dialog, with both scroll bars and the view's mouse zoom and scrolling; Escape closes it.
#pragma once

#include <QDialog>
#include <string>

#include "imaging/components/kestrix.h"

namespace kx {

class TQtControlHost;

class TKXPreviewWindow : public QDialog {
 public:
  // Shows `path` (the picture in `shown` when reading the file again fails), sized to the
  // picture within the screen.
  TKXPreviewWindow(const std::string& path, const TKestrixView& shown, QWidget* parent);
  ~TKXPreviewWindow() override;

  TKestrix& View() { return fView; }

 private:
  TKestrix fView;
  TQtControlHost* fHost;
};

}  // namespace kx
