// Start-up of the windowed program: the working folder, the settings store, the system
// clipboard, the windows in their order, and the picture named on the command line.
#include "app/qt/quillop_window.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <exception>
#include <iostream>

#include "app/mail_outbox.h"
#include "app/qt/main_form.h"
#include "app/working_files.h"
#include "platform/file_settings_store.h"
#include "platform/qt/desktop.h"
#include "platform/qt/qt_acquire_host.h"
#include "platform/qt/qt_clipboard.h"
#if KX_HAVE_SANE
#include "platform/qt/scan_options_dialog.h"
#include "platform/qt/scan_source_dialog.h"
#include "platform/sane/sane_source_manager.h"
#endif

namespace quillop {

bool ParseWindowOptions(const std::vector<std::string>& args, TWindowOptions& options, std::string& error) {
  bool endOfOptions = false;
  for (const std::string& a : args) {
    if (!endOfOptions && a == "--") {
      endOfOptions = true;
    } else if (!endOfOptions && a == "--demo-scanner") {
      options.DemoScanner = true;
    } else if (!endOfOptions && a == "--quit-when-shown") {
      options.QuitWhenShown = true;
    } else if (!endOfOptions && a.size() > 1 && a[0] == '-') {
      error = "unknown option " + a;
      return false;
    } else if (options.File.empty()) {
      options.File = a;
    } else {
      error = "only one picture can be opened at start";
      return false;
    }
  }
  return true;
}

int RunQuillopWindow(int argc, char** argv, const TWindowOptions& options) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quillop");
  QApplication::setApplicationDisplayName("Quillop");
  QApplication::setDesktopFileName("quillop");
  kx::KXQtApplyDesktop(QGuiApplication::primaryScreen(), QApplication::palette());

  const std::string folder = PrepareWorkingFolder();
  if (folder.empty()) {
    QMessageBox::critical(nullptr, "Quillop",
                          "Quillop cannot make its working folder in the cache folder ($XDG_CACHE_HOME or "
                          "~/.cache), where the previews are kept.");
    return 1;
  }
  if (options.DemoScanner) {
    const std::string error = EnableDemoScanner(folder + "/scanner");
    if (!error.empty()) std::cerr << "quillop: --demo-scanner: " << error << "\n";
  }
  kx::TQtClipboard clipboard;
  const kx::TClipboardScope clipboardScope(clipboard);
  // Scanners: SANE's devices with our own selection and options dialogs, scanned while the
  // window's event loop turns.
  kx::TQtAcquireHost acquireHost;
  const kx::TAcquireHostScope acquireScope(acquireHost);
#if KX_HAVE_SANE
  kx::TQtSourceChooserUI sourceChooser;
  kx::TQtScanOptionsUI scanOptions;
  const kx::TSourceManagerScope scanners(kx::KXSaneSourceManagerLoader(&sourceChooser, &scanOptions));
#endif
  TPreviewFiles previews(folder);
  previews.RemoveLeftovers();
  kx::TFileSettingsStore store;

  TMainForm form({store, previews, OutboxFolder(folder)});
  try {
    form.Shell().Start();
  } catch (const std::exception& e) {
    // Nothing to go on with: said once, and the program ends.
    QMessageBox::critical(nullptr, "Quillop", QString("Quillop could not start: ") + e.what());
    return 1;
  }
  // Loaded before the event loop paints the window, so its first picture is the preview.
  if (!options.File.empty()) form.Shell().LoadPicture(options.File);
  if (options.QuitWhenShown) form.AfterNextPaint([] { QApplication::quit(); });
  return app.exec();
}

}  // namespace quillop
