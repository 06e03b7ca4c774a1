// TKXPicturePanel: the picture area a picture dialog adds beside its file list: the selected
// file's preview in a composite shown through the control host, the zoom list, the button of
// the full-size preview, the progress of a load and three facts; and, below the list, the
// strip with the file's type and sizes and the check box that turns previews off.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>

#include "imaging/components/kestrix.h"
#include "imaging/dialogs/file_facts.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QToolButton;

namespace kx {

class TQtControlHost;
class TKXPreviewWindow;

class TKXPicturePanel : public QWidget {
 public:
  TKXPicturePanel(TMsgLanguage language, QWidget* parent);
  ~TKXPicturePanel() override;

  // The strip placed below the dialog's list; a child of the panel's parent.
  QWidget* InfoStrip() const { return fInfo; }

  // Shows the facts and the preview of `path`, or nothing when it is no picture; a path given
  // while one is being shown is ignored.
  void ShowFile(const std::string& path);
  // Blanks the preview and clears the facts.
  void Clear();

  TKestrix& Preview() { return *fPreview; }
  TQtControlHost& PreviewHost() const { return *fHost; }
  const TKXFileFacts& Facts() const { return fFacts; }
  QComboBox* ZoomCombo() const { return fZoom; }
  QToolButton* PreviewButton() const { return fPreviewButton; }
  QCheckBox* PreviewCheck() const { return fPreviewCheck; }
  // The full-size preview window while it is open, else null.
  TKXPreviewWindow* PreviewWindow() const;
  void OpenPreviewWindow();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyZoom();
  void ShowFacts(const TKXFileFacts& facts);
  void PreviewToggled(bool on);
  void LoadProgress(void* sender, int percent);

  TMsgLanguage fLanguage;
  std::unique_ptr<TKestrix> fPreview;
  TQtControlHost* fHost;
  QComboBox* fZoom;
  QToolButton* fPreviewButton;
  QProgressBar* fProgress;
  QLabel* fPicLabels[3];
  QWidget* fInfo;
  QLabel* fInfoLabels[2];
  QCheckBox* fPreviewCheck;
  TKXFileFacts fFacts;
  std::string fPath;
  bool fShowing = false;
  QPointer<TKXPreviewWindow> fWindow;
};

}  // namespace kx
