// The shell's ports on Qt: message boxes, the desktop's web browser, and the picture dialogs
// and the scanner selection as the file chooser.
#pragma once

#include <QWidget>

#include "app/qt/scanner_selection.h"
#include "app/shell_ports.h"

namespace quillop {

class TQtMessages final : public TMessageDisplay {
 public:
  explicit TQtMessages(QWidget* parent) : fParent(parent) {}
  void ShowMessage(const std::string& text) override;

 private:
  QWidget* fParent;
};

class TQtWebOpener final : public TWebOpener {
 public:
  bool Open(const std::string& url) override;
};

// The save dialog's types: every type that writes, and the OS/2 form of a bitmap when bitmaps
// write.
std::string SaveFilter();

class TQtFileChooser final : public TFileChooser {
 public:
  TQtFileChooser(QWidget* parent, TScannerSelection& scanners) : fParent(parent), fScanners(scanners) {}
  std::optional<std::string> ChooseOpen(const std::string& folder) override;
  std::optional<TSaveChoice> ChooseSave() override;
  std::optional<int32_t> ChooseScanner(const std::vector<std::string>& names, int32_t selected) override;

 private:
  QWidget* fParent;
  TScannerSelection& fScanners;
};

}  // namespace quillop
