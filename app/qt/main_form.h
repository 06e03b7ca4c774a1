// TMainForm: Quillop's three-step window. It lays out the controls, shows the display composite
// through a control host, and wires every button, slider, label, shortcut and dropped file to
// the shell controller, which decides everything; each handler runs through the window's event
// barrier, so nothing thrown crosses Qt's event loop. It also keeps its place between runs.
#pragma once

#include <QFrame>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/qt/about.h"
#include "app/qt/click_label.h"
#include "app/qt/message_dialog.h"
#include "app/qt/qt_shell_ports.h"
#include "app/qt/scanner_selection.h"
#include "app/qt/step_slider.h"
#include "app/qt/xdg_email.h"
#include "app/scanner_port.h"
#include "app/shell_controller.h"
#include "platform/qt/control_host.h"
#include "platform/qt/event_barrier.h"
#include "platform/qt/qt_busy_cursor.h"
#include "platform/qt/qt_timers.h"

namespace quillop {

// What the window works with besides itself.
struct TMainFormSetup {
  kx::TSettingsStore& Store;
  TPreviewFiles& Previews;
  std::string Outbox;
  // The ports the window gives itself unless others are named (the tests' fakes).
  TScanner* Scanner = nullptr;          // the library's scanners
  TMailHandoff* Mail = nullptr;         // xdg-email
  TMessageDisplay* Messages = nullptr;  // message boxes
  TFileChooser* Chooser = nullptr;      // the picture dialogs and the scanner selection
  TWebOpener* Web = nullptr;            // the desktop's browser
};

class TMainForm : public QWidget, public TShellWindows {
 public:
  explicit TMainForm(const TMainFormSetup& setup, QWidget* parent = nullptr);
  ~TMainForm() override;

  TShellController& Shell() { return *fShell; }
  TAbout& About() { return *fAbout; }
  TMessageDialog& Wait() { return *fWait; }
  TScannerSelection& ScannerSelection() { return *fScannerSelection; }
  kx::TQtControlHost& DisplayHost() { return *fDisplayHost; }

  // Runs `then` once the window has been painted again (timing and smoke runs).
  void AfterNextPaint(std::function<void()> then);

  void ShowMain() override;
  void ShowSplash(const std::string& caption) override;
  void CloseSplash() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void Build();
  QPushButton* Button(QWidget* parent, const char* name, const char* caption, QRect bounds);
  TStepSlider* Slider(QWidget* parent, const char* name, TSliderModel& model, QRect bounds);
  TClickLabel* Label(QWidget* parent, const char* name, const char* text, QPoint at, const QFont* font = nullptr);
  // Wires `button` to `command`, run through the barrier.
  void OnClick(QPushButton* button, std::function<void()> command);
  // An edit of the working copy, offered once there is a picture.
  std::function<void()> Edit(void (TPicturePipeline::*edit)());
  void Shortcut(const char* keys, QPushButton* button);
  // The pipeline changed what it shows.
  void PipelineShown(TPicturePipeline*);
  void StateChanged(TShellController*);

  kx::TQtEventBarrier fBarrier;
  kx::TQtTimerService fTimers{this, fBarrier};
  kx::TQtBusyCursor fCursor;
  kx::TSettingsStore& fStore;
  TAbout* fAbout;
  TMessageDialog* fWait;
  TScannerSelection* fScannerSelection;
  TQtMessages fMessages{this};
  TQtWebOpener fWeb;
  TQtFileChooser fChooser;
  TXdgEmail fXdgEmail{this};
  TKestrixScanner fLibraryScanner;
  std::unique_ptr<TShellController> fShell;

  kx::TQtControlHost* fDisplayHost = nullptr;
  QFrame* fEditGroup = nullptr;
  QFrame* fHiddenPanel = nullptr;
  QPushButton *fScan = nullptr, *fLoad = nullptr, *fPaste = nullptr;
  QPushButton *fEmail = nullptr, *fSave = nullptr, *fCopy = nullptr;
  TClickLabel *fQuality = nullptr, *fBrightness = nullptr, *fContrast = nullptr, *fSmooth = nullptr;
  QLabel* fFileSize = nullptr;
  std::function<void()> fAfterPaint;
};

}  // namespace quillop
