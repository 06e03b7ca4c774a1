// TOpenKestrixDialog: the dialog that chooses a picture to open, with the picture area beside
// the file list (preview, zoom, full-size view) and the file's facts below it. The filter is
// rebuilt from the format registry on every run unless AutoSetFilter is off.
#pragma once

#include <string>
#include <vector>

#include "imaging/dialogs/common_dialog.h"
#include "imaging/dialogs/folder_history.h"
#include "platform/enum_set.h"
#include "platform/qt/event_barrier.h"

namespace kx {

class TKXPicturePanel;

// The options Qt's file dialog has. After a confirmed run ofReadOnly holds the dialog's answer
// and ofExtensionDifferent tells whether the chosen name's extension differs from DefaultExt.
enum TKXDialogOption : uint8_t {
  ofReadOnly,            // files cannot be renamed, deleted or created in the dialog
  ofAllowMultiSelect,    // several files may be chosen (Files)
  ofFileMustExist,       // the open dialog takes only existing files
  ofOverwritePrompt,     // the save dialog asks before replacing a file
  ofNoDereferenceLinks,  // symbolic links are listed as themselves
  ofExtensionDifferent,
};
using TKXDialogOptions = TEnumSet<TKXDialogOption>;

class TOpenKestrixDialog : public TKXCommonDialog {
 public:
  explicit TOpenKestrixDialog(QWidget* parent = nullptr);
  ~TOpenKestrixDialog() override;

  // Runs the dialog modally; true when the user confirmed a file. Cancelling changes nothing.
  virtual bool Execute();

  const std::string& DefaultExt() const { return fDefaultExt; }
  void SetDefaultExt(const std::string& ext) { fDefaultExt = ext; }
  // The chosen file, the first of Files.
  const std::string& FileName() const { return fFileName; }
  void SetFileName(const std::string& name) { fFileName = name; }
  const std::vector<std::string>& Files() const { return fFiles; }
  // Pairs of description and ";"-separated patterns, all separated by "|".
  const std::string& Filter() const { return fFilter; }
  void SetFilter(const std::string& filter) { fFilter = filter; }
  // 1-based.
  int FilterIndex() const { return fFilterIndex; }
  void SetFilterIndex(int index) { fFilterIndex = index; }
  const std::string& InitialDir() const { return fInitialDir; }
  void SetInitialDir(const std::string& dir);
  TKXDialogOptions Options() const { return fOptions; }
  void SetOptions(TKXDialogOptions options) { fOptions = options; }
  const std::string& Title() const { return fTitle; }
  void SetTitle(const std::string& title) { fTitle = title; }
  bool AutoSetFilter() const { return fAutoSetFilter; }
  void SetAutoSetFilter(bool on) { fAutoSetFilter = on; }
  // Start playing a multi-frame preview at once. Kept for when multi-frame files are read:
  // until then every file previews as its first picture.
  bool AlwaysAnimate() const { return fAlwaysAnimate; }
  void SetAlwaysAnimate(bool on) { fAlwaysAnimate = on; }
  // The folders of earlier confirmed runs, newest first.
  const TKXFolderHistory& History() const { return fHistory; }

  // The picture area of the running dialog, null outside Execute or without a preview.
  TKXPicturePanel* PicturePanel() const { return fPanel; }
  // The patterns of the selected filter, following every type change.
  const std::string& CurrentPatterns() const { return fPatterns; }

  TKXCanCloseEvent OnCanClose;
  TKXDialogNotify OnFolderChange;
  TKXDialogNotify OnSelectionChange;
  TKXDialogNotify OnTypeChange;

 protected:
  // Builds and runs the Qt dialog in `mode` with Filter; takes the answer when confirmed.
  bool RunDialog(QFileDialog::AcceptMode mode, bool showPreview);
  virtual void DoSelectionChange(const QString& path);
  virtual void DoTypeChange(const QString& nameFilter);
  // Follows the filter Qt's dialog selected (CurrentPatterns).
  void TakeNameFilter(const QString& nameFilter);
  // The name Execute reports for a confirmed `name`.
  virtual std::string CompletedName(const std::string& name) const { return name; }
  // The extension a name typed without one gets in the dialog (without its dot), or empty.
  virtual std::string SuffixForTypedNames() const;
  void DoClose() override;

 private:
  void Configure(TKXFileDialogWidget& dialog, QFileDialog::AcceptMode mode);
  void PlacePanel(TKXFileDialogWidget& dialog);
  void TakeAnswer(const QFileDialog& dialog);
  bool AskCanClose();

  std::string fDefaultExt, fFileName, fFilter, fInitialDir, fTitle, fPatterns;
  std::vector<std::string> fFiles;
  int fFilterIndex = 1;
  TKXDialogOptions fOptions;
  bool fAutoSetFilter = true;
  bool fAlwaysAnimate = false;
  TKXFolderHistory fHistory;
  QStringList fQtFilters;
  TKXPicturePanel* fPanel = nullptr;
  TQtEventBarrier fBarrier;
};

}  // namespace kx
