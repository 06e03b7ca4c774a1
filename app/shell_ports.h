// The small interfaces through which the shell's commands reach the world outside the picture
// pipeline: messages, the wait window, the splash and the main window, the file, save and
// scanner choices, the mail program and the web browser. The Qt window implements them
// (app/qt/); the tests give fakes. The clipboard is the process's current one
// (platform/clipboard.h), the timers a kx::TTimerService and the busy cursor a kx::TBusyCursor.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillop {

// A message box with an OK button; returns when the user closed it.
class TMessageDisplay {
 public:
  virtual void ShowMessage(const std::string& text) = 0;

 protected:
  ~TMessageDisplay() = default;
};

// The non-modal "please wait" window. Show sets its text and paints it before returning, since
// the command that follows keeps the event loop from running.
class TWaitWindow {
 public:
  virtual void Show(const std::string& text) = 0;
  // Closing a window that is not shown does nothing.
  virtual void Close() = 0;

 protected:
  ~TWaitWindow() = default;
};

// The application's own windows as the start-up sequence sees them.
class TShellWindows {
 public:
  virtual void ShowMain() = 0;
  // Shows the splash with `caption` and paints it.
  virtual void ShowSplash(const std::string& caption) = 0;
  virtual void CloseSplash() = 0;

 protected:
  ~TShellWindows() = default;
};

// What the user chose in the save dialog: the name and the description of the chosen type
// ("JPEG Bitmap (JPG)", "OS/2 Bitmap (BMP)", ...).
struct TSaveChoice {
  std::string FileName;
  std::string TypeDescription;
};

// The modal choices.
class TFileChooser {
 public:
  // The picture to open, starting in `folder` (empty: wherever the dialog likes); nothing when
  // the user cancelled.
  virtual std::optional<std::string> ChooseOpen(const std::string& folder) = 0;
  virtual std::optional<TSaveChoice> ChooseSave() = 0;
  // The scanner selection dialog over `names` with `selected` chosen (-1: none). The index the
  // user confirmed (-1 when the list is empty or nothing is selected), or nothing when the dialog
  // was closed without OK.
  virtual std::optional<int32_t> ChooseScanner(const std::vector<std::string>& names, int32_t selected) = 0;

 protected:
  ~TFileChooser() = default;
};

// How handing a file to the user's mail program went.
enum class TMailOutcome : uint8_t {
  Handed,         // the mail program has it
  NoMailProgram,  // none is set up
  ToolMissing,    // the hand-off program itself is not installed
  Failed,         // it ran and failed
};
struct TMailResult {
  TMailOutcome Outcome = TMailOutcome::Handed;
  std::string Detail;  // what the hand-off program said, when it failed
};

class TMailHandoff {
 public:
  // Opens a new message in the user's mail program with `file` attached.
  virtual TMailResult Send(const std::string& file) = 0;

 protected:
  ~TMailHandoff() = default;
};

class TWebOpener {
 public:
  // Asks the desktop to open `url` in the user's browser; false when it could not.
  virtual bool Open(const std::string& url) = 0;

 protected:
  ~TWebOpener() = default;
};

}  // namespace quillop
