// TShellController: the decisions of Quillop's main window, without any window. It owns the
// picture pipeline and runs the start-up steps, the three ways of getting a picture (scan, load,
// paste), the three ways of sending it (e-mail, save, copy), the scanner choice, the web link
// and the close sequence. It reaches the world only through the ports it is given
// (app/shell_ports.h, app/scanner_port.h, the timer service, the busy cursor and the current
// clipboard), so the Qt window only wires its widgets to it.
//
// Every command runs through Run: whatever fails is shown as its text in a message box, and the
// wait window and the busy cursor are taken away on every way out. A picture replaces the one
// held only when it arrived whole; a cancel or a failure keeps the picture and its edits.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/pipeline.h"
#include "app/scanner_port.h"
#include "app/settings.h"
#include "app/shell_ports.h"
#include "platform/busy_cursor.h"
#include "platform/settings_store.h"
#include "platform/timer.h"

namespace quillop {

// The product page the window links to.
inline constexpr const char* kProductPage = "https://quillop.example/";
// The page's address as the window shows it.
inline constexpr const char* kProductAddress = "quillop.example";
inline constexpr const char* kLinkText = "Questions, problems, comments? Visit our website: ";
inline constexpr int32_t kStartupTimerMs = 500;
inline constexpr int32_t kAboutTimerMs = 10;

// Texts of the wait window and the splash.
inline constexpr const char* kWaitScanning = "Accessing scanner... Please wait...";
inline constexpr const char* kWaitProcessing = "Processing image... Please wait...";
inline constexpr const char* kWaitLoading = "Loading image... Please wait...";
inline constexpr const char* kWaitMailing = "Launching e-mail software... Please wait...";
inline constexpr const char* kSplashLoading = "Loading software... Please wait...";
inline constexpr const char* kAcquisitionFailed = "Acquisition Failed!";

struct TShellPorts {
  TMessageDisplay& Messages;
  TWaitWindow& Wait;
  TShellWindows& Windows;
  TFileChooser& Chooser;
  TScanner& Scanner;
  TMailHandoff& Mail;
  TWebOpener& Web;
  kx::TTimerService& Timers;
  kx::TBusyCursor* Cursor = nullptr;
};

class TShellController;
using TShellEvent = kx::TEvent<TShellController*>;

class TShellController {
 public:
  using TFileClock = std::function<std::filesystem::file_time_type()>;

  // The main window's construction: no last folder, Timer1 and the splash's timer started.
  // Previews go to `previews`' folder, mail copies to `outbox`; `now` (the file clock by
  // default) dates the old mail copies removed at start-up.
  TShellController(const TShellPorts& ports, kx::TSettingsStore& store, TPreviewFiles& previews, std::string outbox,
                   TFileClock now = {});
  ~TShellController();
  TShellController(const TShellController&) = delete;
  TShellController& operator=(const TShellController&) = delete;

  TPicturePipeline& Pipeline() { return fPipeline; }

  // Start-up after the windows exist: lists the scanners, reads the settings (on a first run the
  // scanner dialog comes first), puts quality and smoothing into their sliders and shows the
  // main window.
  void Start();
  bool StartupDone() const { return fStartupDone; }
  bool FirstRun() const { return fFirstRun; }
  const std::vector<std::string>& ScannerNames() const { return fScannerNames; }

  // The commands.
  void PB_ScanClick();
  void PB_LoadClick();
  void PB_PasteClick();
  void PB_EmailClick();
  void PB_SaveClick();
  void PB_CopyClick();
  void PB_SetupClick();
  void Label13Click();
  // Loads `file` as Load does once a file is chosen (a file named on the command line or
  // dropped on the window); MRUD follows only a load through the dialog.
  void LoadPicture(const std::string& file);
  // The close sequence: the settings written, the preview deleted. The close is never refused.
  void FormCloseQuery();

  // Runs one command: any failure is shown in a message box; the wait window and the busy
  // cursor are gone afterwards whatever happened. False when the command failed.
  bool Run(const std::function<void()>& command);

  // What the window may offer: the edits and the send commands need a picture.
  bool CanEdit() const { return fPipeline.HasPicture(); }
  bool CanSend() const { return fPipeline.HasPicture(); }
  // The scanner index in force; -1 when none is chosen.
  int32_t TwainSource() const { return fTwainSource; }
  const std::string& MRUD() const { return fMRUD; }
  // The settings as the close would write them.
  TSettings CurrentSettings() const;
  // The file the last e-mail handed over, or empty.
  const std::string& LastMailCopy() const { return fLastMailCopy; }

  // Raised when a picture arrived or the scanner choice changed, so the window updates what it
  // enables.
  TShellEvent OnStateChange;

  // The start-up timers' steps, public for the window's tests.
  void Timer1Timer();
  void Timer2Timer();
  void AboutTimerTimer();

 private:
  // A new picture in `arrived` replaces the source copy and is prepared.
  void TakePicture(kx::TKestrix& arrived);
  void LoadInto(const std::string& file);
  void SliderChanged(TSliderModel*);
  // The message shown when a send command has no picture; false then.
  bool HavePicture();

  TShellPorts fPorts;
  kx::TSettingsStore& fStore;
  TPreviewFiles& fPreviews;
  std::string fOutbox;
  TFileClock fNow;
  TPicturePipeline fPipeline;

  std::vector<std::string> fScannerNames;
  std::string fMRUD;
  int32_t fTwainSource = 0;
  bool fStartupDone = false;
  bool fFirstRun = false;
  bool fTimer1Ran = false;
  int64_t fTimer1 = 0, fTimer2 = 0, fAboutTimer = 0;
  std::string fLastMailCopy;
};

}  // namespace quillop
