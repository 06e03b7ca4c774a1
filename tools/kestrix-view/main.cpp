// kestrix-view FILE [--grab=OUT.png]: shows a picture in a hosted image view, for trying the view
// by hand and for screenshots. The keys are listed by --help; the window title shows the mode.
// --grab saves the window's first frame and quits (works on the offscreen platform too).
#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "imaging/dialogs/io_params_dialog.h"
#include "imaging/dialogs/open_dialog.h"
#include "imaging/io/lzw/lzw_coders.h"
#include "imaging/widgets/histogram_box.h"
#include "platform/qt/control_host.h"
#include "platform/qt/desktop.h"
#include "platform/qt/qt_clipboard.h"
#include "tools/kestrix-view/picture_load.h"
#include "tools/kestrix-view/viewer_view.h"

namespace {

struct TTitle {
  kestrixview::TViewerView* View;
  QWidget* Window;
  QString File;
  kx::THistogramBox* Histogram;
  QWidget* HistogramWindow;
  void Refresh() {
    Window->setWindowTitle(File + " - " + QString::fromStdString(View->Status()));
    if (HistogramWindow->isVisible()) Histogram->Update();
  }
  void SelectionChanged(kx::TKXView*) { Refresh(); }
  // The "H" key: the histogram box in a tool window at the viewer's right.
  void ToggleHistogram() {
    if (HistogramWindow->isVisible()) {
      HistogramWindow->hide();
      return;
    }
    HistogramWindow->move(Window->frameGeometry().topRight() + QPoint(4, 0));
    HistogramWindow->show();
    Histogram->Update();
  }
  void ViewChanged(kx::TKXView*, int32_t) { Refresh(); }
  // The "O" key: another picture through the open dialog, starting beside the shown one.
  void Open() {
    kx::TOpenKestrixDialog dialog(Window);
    dialog.SetInitialDir(QFileInfo(File).absolutePath().toStdString());
    if (!dialog.Execute()) return;
    const QString chosen = QString::fromStdString(dialog.FileName());
    if (const std::string failure = kestrixview::LoadIntoView(*View, dialog.FileName()); !failure.empty()) {
      QMessageBox::warning(Window, "kestrix-view", QString::fromStdString(failure));
      return;
    }
    File = chosen;
  }
};

}  // namespace

int main(int argc, char** argv) {
  kx::KXInstallLZWCoders();
  const bool help = argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
  const bool grab = argc == 3 && std::strncmp(argv[2], "--grab=", 7) == 0;
  if (help || (argc != 2 && !grab)) {
    std::fprintf(help ? stdout : stderr, "usage: kestrix-view PICTURE [--grab=OUT.png]\n\n%s\n",
                 kestrixview::kViewerKeys);
    return help ? 0 : 2;
  }
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  kx::KXQtApplyDesktop(app.primaryScreen(), app.palette());
  kx::TQtClipboard clipboard;
  const kx::TClipboardScope systemClipboard(clipboard);

  kestrixview::TViewerView view;
  if (const std::string failure = kestrixview::LoadIntoView(view, args[1].toStdString()); !failure.empty()) {
    std::fprintf(stderr, "kestrix-view: %s\n", failure.c_str());
    return 1;
  }
  view.SetScrollBars(kx::ssBoth);
  view.SetMouseInteract({kx::miZoom, kx::miScroll});
  // The histogram reads the shown picture (the selection's box when there is one) through a
  // processing component of its own attached to the view.
  kx::TKestrixProc histogramProc;
  histogramProc.SetAttachedKestrix(&view);
  kx::THistogramBox histogram;
  histogram.SetHistogramKind({kx::hkRed, kx::hkGreen, kx::hkBlue, kx::hkGray});
  histogram.SetHistogramStyle(kx::hsLines);
  histogram.SetAttachedKestrixProc(&histogramProc);
  kx::TQtControlHost host(view);
  kx::TKXQtIOPreviewsDialog previews(&host);
  view.SetIOPreviewsDialog(&previews);
  kx::TQtControlHost histogramHost(histogram, &host);
  histogramHost.setWindowFlags(Qt::Tool);
  histogramHost.setWindowTitle("Histogram");
  histogramHost.resize(402, 202);
  TTitle title{&view, &host, args[1], &histogram, &histogramHost};
  view.OnHistogramRequest = kx::TEvent<>::Bind<&TTitle::ToggleHistogram>(&title);
  view.OnSelectionChange = kx::TKXViewNotify::Bind<&TTitle::SelectionChanged>(&title);
  view.OnStatusChange = kx::TEvent<>::Bind<&TTitle::Refresh>(&title);
  view.OnOpenRequest = kx::TEvent<>::Bind<&TTitle::Open>(&title);
  view.OnViewChange = kx::TKXViewChangeEvent::Bind<&TTitle::ViewChanged>(&title);
  const QSize screen = app.primaryScreen() ? app.primaryScreen()->availableSize() * 3 / 4 : QSize(1000, 800);
  const kx::TBitmap& picture = view.Bitmap();
  host.resize(std::min(picture.Width() + 2, screen.width()), std::min(picture.Height() + 2, screen.height()));
  title.Refresh();
  host.show();
  if (grab) return host.grab().save(args[2].mid(7)) ? 0 : 1;
  return app.exec();
}
