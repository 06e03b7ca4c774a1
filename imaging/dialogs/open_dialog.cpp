// The open dialog and what both picture dialogs share: building Qt's dialog from the
// properties, placing the picture area in its grid, and taking the answer.
#include "imaging/dialogs/open_dialog.h"

#include <QGridLayout>

#include "imaging/dialogs/filter_builder.h"
#include "imaging/dialogs/initial_dir.h"
#include "imaging/dialogs/picture_panel.h"
#include "imaging/dialogs/save_names.h"

namespace kx {

namespace {

QStringList SplitQtFilters(const std::string& filter) {
  return QString::fromStdString(KXQtNameFilters(filter)).split(";;", Qt::SkipEmptyParts);
}

}  // namespace

TOpenKestrixDialog::TOpenKestrixDialog(QWidget* parent) : TKXCommonDialog(parent) {
  fFilter = KXBuildStrFilter(ffReadable);
  fOptions = {ofFileMustExist};
}

TOpenKestrixDialog::~TOpenKestrixDialog() = default;

void TOpenKestrixDialog::SetInitialDir(const std::string& dir) { fInitialDir = KXInitialDir(dir); }

bool TOpenKestrixDialog::Execute() {
  if (fAutoSetFilter) fFilter = KXBuildStrFilter(ffReadable);
  return RunDialog(QFileDialog::AcceptOpen, true);
}

std::string TOpenKestrixDialog::SuffixForTypedNames() const {
  return fDefaultExt.starts_with('.') ? fDefaultExt.substr(1) : fDefaultExt;
}

bool TOpenKestrixDialog::RunDialog(QFileDialog::AcceptMode mode, bool showPreview) {
  fQtFilters = SplitQtFilters(fFilter);
  fPatterns = KXFilterPatterns(fFilter, fFilterIndex);
  TKXFileDialogWidget dialog(Parent());
  Configure(dialog, mode);
  if (showPreview) PlacePanel(dialog);
  dialog.CanClose = [this] { return AskCanClose(); };
  QObject::connect(&dialog, &QFileDialog::currentChanged,
                   [this](const QString& path) { fBarrier.Run("selection change", [&] { DoSelectionChange(path); }); });
  QObject::connect(&dialog, &QFileDialog::directoryEntered,
                   [this](const QString&) { fBarrier.Run("folder change", [&] { OnFolderChange(this); }); });
  QObject::connect(&dialog, &QFileDialog::filterSelected, [this](const QString& nameFilter) {
    fBarrier.Run("type change", [&] { DoTypeChange(nameFilter); });
  });
  const bool confirmed = RunModal(dialog);
  if (confirmed) TakeAnswer(dialog);
  fPanel = nullptr;
  return confirmed;
}

void TOpenKestrixDialog::Configure(TKXFileDialogWidget& dialog, QFileDialog::AcceptMode mode) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::ReadOnly, fOptions.Contains(ofReadOnly));
  dialog.setOption(QFileDialog::DontResolveSymlinks, fOptions.Contains(ofNoDereferenceLinks));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !fOptions.Contains(ofOverwritePrompt));
  dialog.setAcceptMode(mode);
  if (mode == QFileDialog::AcceptSave)
    dialog.setFileMode(QFileDialog::AnyFile);
  else if (fOptions.Contains(ofAllowMultiSelect))
    dialog.setFileMode(QFileDialog::ExistingFiles);
  else
    dialog.setFileMode(fOptions.Contains(ofFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!fTitle.empty()) dialog.setWindowTitle(QString::fromStdString(fTitle));
  dialog.setNameFilters(fQtFilters);
  if (fFilterIndex >= 1 && fFilterIndex <= fQtFilters.size()) dialog.selectNameFilter(fQtFilters[fFilterIndex - 1]);
  dialog.setDefaultSuffix(QString::fromStdString(SuffixForTypedNames()));
  if (!fInitialDir.empty()) dialog.setDirectory(QString::fromStdString(fInitialDir));
  QStringList history;
  for (const std::string& folder : fHistory.Folders()) history << QString::fromStdString(folder);
  if (!history.isEmpty()) dialog.setHistory(history);
  if (!fFileName.empty()) dialog.selectFile(QString::fromStdString(fFileName));
}

// Qt's dialog lays itself out in a grid: the picture area becomes a new column right of it,
// over all its rows, and the info strip a new row under it, over all its columns.
void TOpenKestrixDialog::PlacePanel(TKXFileDialogWidget& dialog) {
  auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
  fPanel = new TKXPicturePanel(MsgLanguage(), &dialog);
  if (!grid) return;
  const int rows = grid->rowCount(), columns = grid->columnCount();
  grid->addWidget(fPanel, 0, columns, rows, 1);
  grid->addWidget(fPanel->InfoStrip(), rows, 0, 1, columns + 1);
}

void TOpenKestrixDialog::TakeAnswer(const QFileDialog& dialog) {
  fFiles.clear();
  for (const QString& f : dialog.selectedFiles()) fFiles.push_back(CompletedName(f.toStdString()));
  if (!fFiles.empty()) fFileName = fFiles.front();
  const int index = fQtFilters.indexOf(dialog.selectedNameFilter());
  if (index >= 0) fFilterIndex = index + 1;
  fOptions.Exclude(ofReadOnly);
  if (dialog.testOption(QFileDialog::ReadOnly)) fOptions.Include(ofReadOnly);
  fOptions.Exclude(ofExtensionDifferent);
  const std::string wanted = SuffixForTypedNames();
  if (!wanted.empty() && KXNameExtension(fFileName) != "." + wanted) fOptions.Include(ofExtensionDifferent);
  fHistory.Add(dialog.directory().absolutePath().toStdString());
}

bool TOpenKestrixDialog::AskCanClose() {
  bool canClose = true;
  fBarrier.Run("confirmation", [&] { OnCanClose(this, canClose); });
  return canClose;
}

void TOpenKestrixDialog::DoSelectionChange(const QString& path) {
  if (fPanel) fPanel->ShowFile(path.toStdString());
  OnSelectionChange(this);
}

void TOpenKestrixDialog::TakeNameFilter(const QString& nameFilter) {
  const int index = fQtFilters.indexOf(nameFilter);
  if (index >= 0) fPatterns = KXFilterPatterns(fFilter, index + 1);
}

void TOpenKestrixDialog::DoTypeChange(const QString& nameFilter) {
  TakeNameFilter(nameFilter);
  OnTypeChange(this);
}

void TOpenKestrixDialog::DoClose() {
  if (fPanel) fPanel->Clear();
  TKXCommonDialog::DoClose();
}

}  // namespace kx
