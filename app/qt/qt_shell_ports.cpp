// The Qt ports of the shell.
#include "app/qt/qt_shell_ports.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include "imaging/dialogs/filter_builder.h"
#include "imaging/dialogs/save_dialog.h"
#include "imaging/io/format_registry.h"

namespace quillop {

void TQtMessages::ShowMessage(const std::string& text) {
  QMessageBox::information(fParent, "Quillop", QString::fromStdString(text));
}

bool TQtWebOpener::Open(const std::string& url) { return QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); }

std::string SaveFilter() {
  std::string filter = kx::KXBuildStrFilter(kx::ffWritable);
  if (kx::KXFileFormatAbilities(kx::ioBMP).Writes) filter += "|OS/2 Bitmap (BMP)|*.bmp";
  return filter;
}

std::optional<std::string> TQtFileChooser::ChooseOpen(const std::string& folder) {
  kx::TOpenKestrixDialog dialog(fParent);
  dialog.SetInitialDir(folder);
  dialog.SetOptions({kx::ofFileMustExist});
  if (!dialog.Execute()) return std::nullopt;
  return dialog.FileName();
}

std::optional<TSaveChoice> TQtFileChooser::ChooseSave() {
  kx::TSaveKestrixDialog dialog(fParent);
  dialog.SetAutoSetFilter(false);
  dialog.SetFilter(SaveFilter());
  dialog.SetDefaultExt("jpg");
  dialog.SetExOptions({});
  if (!dialog.Execute()) return std::nullopt;
  const std::vector<kx::TKXFilterEntry> entries = kx::KXSplitFilter(dialog.Filter());
  const int index = dialog.FilterIndex() - 1;
  return TSaveChoice{dialog.FileName(), index >= 0 && index < int(entries.size()) ? entries[index].Description : ""};
}

std::optional<int32_t> TQtFileChooser::ChooseScanner(const std::vector<std::string>& names, int32_t selected) {
  return fScanners.Choose(names, selected);
}

}  // namespace quillop
