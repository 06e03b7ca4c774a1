// TMessageDialog: the non-modal "please wait" window shown while a scan, a load or the mail
// hand-off runs. A command keeps the event loop busy, so Show paints the window at once.
#pragma once

#include <QLabel>
#include <QWidget>

#include "app/shell_ports.h"

namespace quillop {

class TMessageDialog : public QWidget, public TWaitWindow {
 public:
  explicit TMessageDialog(QWidget* parent = nullptr);

  QLabel* TextMessage() const { return fText; }

  void Show(const std::string& text) override;
  void Close() override;

 private:
  QLabel* fText;
};

}  // namespace quillop
