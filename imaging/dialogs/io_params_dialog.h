// TfIOPreviews: the I/O parameters dialog. It shows the picture as it is and as the chosen save
// options would make it, the picture's uncompressed size and the size saving produces, and one
// page of options per format the registry writes. The decisions are TKXIOParamsEditor's; this
// form lays out the widgets from the editor's tables, keeps them in step with it, and runs
// each preview on a worker thread, so the dialog never freezes: a change abandons the preview
// still running and starts a fresh one.
//
// TKXQtIOPreviewsDialog is what a component's DoPreviews shows (TKXIOPreviewsDialog).
#pragma once

#include <QDialog>
#include <QThreadPool>
#include <atomic>
#include <map>
#include <memory>

#include "imaging/components/kestrix.h"
#include "imaging/dialogs/io_params_editor.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QTabWidget;
class QToolButton;

namespace kx {

class TQtControlHost;

class TfIOPreviews : public QDialog {
 public:
  // `params` is edited in place by OK only; `source` (24-bit or 1-bit) is copied.
  TfIOPreviews(TIOParamsVals& params, const TBitmap& source, QWidget* parent = nullptr);
  ~TfIOPreviews() override;

  // The page set; false when nothing is left to show (see TKXIOParamsEditor).
  bool SetPreviewParams(TPreviewParams pages) { return fEditor.SetPreviewParams(pages); }
  // The lock-preview button's state when the dialog opens.
  void SetLockPreview(bool down);
  void SetLanguage(TMsgLanguage language);
  void SetPreviewFont(const TKXFont& font);

  TKXIOParamsEditor& Editor() { return fEditor; }
  TKestrix& SourceView() { return *fSource; }
  TKestrix& ResultView() { return *fResult; }
  QTabWidget* Pages() const { return fPages; }
  // The widget of a control, to look at or drive.
  QWidget* ControlWidget(TIOControl control) const { return fWidgets.at(control); }
  QSlider* QualityBar() const { return fQualityBar; }
  QToolButton* LockButton() const { return fLock; }
  QPushButton* PreviewButton() const { return fPreviewNow; }
  // Previews shown in the result view so far (abandoned ones do not count).
  int PreviewsShown() const { return fShown; }
  // Whether a preview is running or waiting.
  bool PreviewPending() const { return fRunning != nullptr; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct TRun;

  QWidget* BuildPage(TPreviewParamsItems page);
  QWidget* BuildControl(const TIOControlInfo& info, QWidget* parent);
  // Puts the editor's values for the active page into its controls, events blocked.
  void LoadPage();
  void PageChanged(int index);
  // A control's change went to the editor; `preview` says whether it asked for a preview.
  void AfterChange(bool preview);
  void PickColor(TIOControl control);
  void LockToggled(bool down);
  void StartPreview();
  void PreviewDone(TRun* run, const TKXIOPreviewResult& result);
  void FollowSourceView(TKXView* view, int32_t what);
  void StopPreviews();

  TKXIOParamsEditor fEditor;
  std::unique_ptr<TKestrix> fSource;
  std::unique_ptr<TKestrix> fResult;
  TQtControlHost* fSourceHost;
  TQtControlHost* fResultHost;
  QLabel* fSourceLabel;
  QLabel* fResultLabel;
  QProgressBar* fProgress;
  QPushButton* fOk;
  QPushButton* fCancel;
  QPushButton* fPreviewNow;
  QToolButton* fLock;
  QTabWidget* fPages;
  QSlider* fQualityBar = nullptr;
  std::map<TIOControl, QWidget*> fWidgets;
  std::map<TIOControl, QLabel*> fCaptions;
  std::map<TPreviewParamsItems, QLabel*> fUncompressed;
  std::map<TPreviewParamsItems, QLabel*> fCompressed;
  std::map<TPreviewParamsItems, QLabel*> fSizeCaptions[2];
  std::map<TPreviewParamsItems, QWidget*> fGroups;
  TMsgLanguage fLanguage = msEnglish;
  QString fPaletteCancel = "&Cancel";
  bool fReady = false;
  bool fOpened = false;
  bool fStartLocked = false;
  int fShown = 0;
  // The preview running; the pool runs one at a time, so an abandoned one ends (at its next
  // progress report) before the next starts.
  std::shared_ptr<TRun> fRunning;
  QThreadPool fPool;
};

// DoPreviews' dialog on Qt: a TfIOPreviews over the component's bitmap and parameter set, with
// the component's lock-preview start state, language and font.
class TKXQtIOPreviewsDialog : public TKXIOPreviewsDialog {
 public:
  explicit TKXQtIOPreviewsDialog(QWidget* parent = nullptr) : fParent(parent) {}
  bool Execute(TKestrixIO& io, TPreviewParams pages) override;

 private:
  QWidget* fParent;
};

}  // namespace kx
