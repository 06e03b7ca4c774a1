// The full-size preview reads the file again: the picture area may hold a reduced decoding.
#include "imaging/dialogs/preview_window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "imaging/dialogs/preview_plan.h"
#include "platform/qt/control_host.h"

namespace kx {

TKXPreviewWindow::TKXPreviewWindow(const std::string& path, const TKestrixView& shown, QWidget* parent)
    : QDialog(parent, Qt::Tool) {
  setObjectName("PreviewForm");
  setWindowTitle(QString::fromStdString(": " + path));
  setSizeGripEnabled(true);
  fView.SetBackGround(clWhite);
  fView.SetCenter(true);
  fView.SetScrollBars(ssBoth);
  fView.SetMouseInteract({miZoom, miScroll});
  try {
    fView.LoadFromFile(path);
    if (fView.Aborting()) fView.Assign(&shown);
  } catch (const std::exception&) {
    fView.Assign(&shown);
  }
  fHost = new TQtControlHost(fView, this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(fHost);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize available = screen ? screen->availableSize() : QSize(1024, 768);
  const TBitmap& picture = fView.Bitmap();
  resize(KXPreviewWindowSide(picture.Width(), available.width()),
         KXPreviewWindowSide(picture.Height(), available.height()));
  move(screen ? screen->availableGeometry().center() - rect().center() : QPoint());
}

TKXPreviewWindow::~TKXPreviewWindow() = default;

}  // namespace kx
