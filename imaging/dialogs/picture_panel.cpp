// The picture area. Reading happens on the dialog's thread, so a selection must stay short:
// only regular files are opened, facts come from a parameter read, and a large JPEG is decoded
// at the reduction that still fills the preview.
#include "imaging/dialogs/picture_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "imaging/core/words.h"
#include "imaging/dialogs/preview_plan.h"
#include "imaging/dialogs/preview_window.h"
#include "platform/qt/control_host.h"
#include "platform/qt/qt_busy_cursor.h"

namespace kx {

namespace {

constexpr int kPreviewSide = 220;
// Percentages of the zoom list; 0 fits the picture to the preview.
constexpr int kZooms[] = {0, 25, 50, 75, 100, 125, 150, 175, 200, 300, 400};

}  // namespace

TKXPicturePanel::TKXPicturePanel(TMsgLanguage language, QWidget* parent)
    : QWidget(parent), fLanguage(language), fPreview(std::make_unique<TKestrix>()) {
  setObjectName("PicturePanel");
  fPreview->SetBackGround(clWhite);
  fPreview->SetBorderStyle(bsSingle);
  fPreview->SetCenter(true);
  fPreview->SetOnProgress(TProgressEvent::Bind<&TKXPicturePanel::LoadProgress>(this));
  fHost = new TQtControlHost(*fPreview, this);
  fHost->setObjectName("KestrixView");
  fHost->setFixedSize(kPreviewSide, kPreviewSide);
  fHost->installEventFilter(this);

  fZoom = new QComboBox(this);
  fZoom->setObjectName("ZoomCombo");
  fZoom->setToolTip("Zoom");
  for (int zoom : kZooms) fZoom->addItem(zoom ? QString("%1%").arg(zoom) : QString("Fit"), zoom);
  connect(fZoom, &QComboBox::currentIndexChanged, this, [this] { ApplyZoom(); });

  fPreviewButton = new QToolButton(this);
  fPreviewButton->setObjectName("PreviewButton");
  fPreviewButton->setAutoRaise(true);
  fPreviewButton->setText(QString::fromStdString(kxmsg(KXMSG_PREVIEW, language)) + "...");
  fPreviewButton->setEnabled(false);
  connect(fPreviewButton, &QToolButton::clicked, this, [this] { OpenPreviewWindow(); });

  fProgress = new QProgressBar(this);
  fProgress->setObjectName("ProgressBar");
  fProgress->setRange(0, 100);
  fProgress->hide();

  auto* tools = new QHBoxLayout;
  tools->addWidget(fZoom);
  tools->addWidget(fPreviewButton);
  tools->addStretch();
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addLayout(tools);
  column->addWidget(fHost);
  column->addWidget(fProgress);
  for (int i = 0; i < 3; ++i) {
    fPicLabels[i] = new QLabel(this);
    fPicLabels[i]->setObjectName(QString("PicLabel%1").arg(i + 1));
    column->addWidget(fPicLabels[i]);
  }
  column->addStretch();

  fInfo = new QWidget(parent);
  fInfo->setObjectName("InfoPanel");
  auto* info = new QHBoxLayout(fInfo);
  info->setContentsMargins(0, 0, 0, 0);
  for (int i = 0; i < 2; ++i) {
    fInfoLabels[i] = new QLabel(fInfo);
    fInfoLabels[i]->setObjectName(QString("InfoLabel%1").arg(i + 1));
    info->addWidget(fInfoLabels[i], 1);
  }
  fPreviewCheck = new QCheckBox(QString::fromStdString(kxmsg(KXMSG_PREVIEW, language)), fInfo);
  fPreviewCheck->setObjectName("PreviewCheck");
  fPreviewCheck->setChecked(true);
  connect(fPreviewCheck, &QCheckBox::toggled, this, [this](bool on) { PreviewToggled(on); });
  info->addWidget(fPreviewCheck);
}

// The composite goes before the host widget, which the control host allows.
TKXPicturePanel::~TKXPicturePanel() = default;

TKXPreviewWindow* TKXPicturePanel::PreviewWindow() const { return fWindow.data(); }

void TKXPicturePanel::ShowFile(const std::string& path) {
  if (fShowing) return;
  fShowing = true;
  fPath = path;
  const TKXPreviewPlan plan = KXPlanPreview(path);
  bool shown = false;
  if (plan.Open) {
    try {
      TQtBusyCursor cursor;
      const TBusyCursorScope busy(&cursor);
      // A reduction left from the last preview would shrink the facts' dimensions too.
      fPreview->IOParams().JPEG_Scale = ioJPEG_FULLSIZE;
      fPreview->ParamsFromFile(path);
      const TIOParamsVals& params = fPreview->IOParams();
      const bool known = params.FileType != ioUnknown && !fPreview->Aborting();
      const TKXFileFacts facts = known ? KXFileFacts(&params, 1, plan.FileSize, fLanguage) : TKXFileFacts{};
      // A file that may hold several frames (KXMayHoldFrames) shows its first picture here; the
      // frame preview with playback takes such files once multi-frame reading exists.
      if (known && fPreviewCheck->isChecked()) {
        const int32_t width = params.Width, height = params.Height;
        fPreview->Blank();
        fProgress->setValue(0);
        fProgress->show();
        fPreview->IOParams().JPEG_Scale =
            params.FileType == ioJPEG
                ? KXPreviewJpegScale(width, height, fPreview->ClientWidth(), fPreview->ClientHeight())
                : ioJPEG_FULLSIZE;
        fPreview->LoadFromFile(path);
        fProgress->hide();
        shown = !fPreview->Aborting();
        if (shown) {
          fZoom->setCurrentIndex(0);
          ApplyZoom();
        }
      } else {
        shown = known;
      }
      if (shown) ShowFacts(facts);
    } catch (const std::exception&) {
      // A file that vanished or cannot be read is simply no picture.
      shown = false;
      fProgress->hide();
    }
  }
  if (!shown) Clear();
  fPreviewButton->setEnabled(shown && fPreviewCheck->isChecked());
  fShowing = false;
}

void TKXPicturePanel::Clear() {
  ShowFacts({});
  fPreviewButton->setEnabled(false);
  fPreview->Blank();
  fPreview->SetZoom(100);
}

void TKXPicturePanel::ShowFacts(const TKXFileFacts& facts) {
  fFacts = facts;
  fPicLabels[0]->setText(QString::fromStdString(facts.Dimensions));
  fPicLabels[1]->setText(QString::fromStdString(facts.Colors));
  fPicLabels[2]->setText(QString::fromStdString(facts.Resolution));
  fInfoLabels[0]->setText(QString::fromStdString(facts.Type));
  fInfoLabels[1]->setText(QString::fromStdString(facts.Sizes));
}

void TKXPicturePanel::ApplyZoom() {
  const int zoom = fZoom->currentData().toInt();
  if (zoom == 0)
    fPreview->Fit();
  else
    fPreview->SetZoom(zoom);
}

void TKXPicturePanel::PreviewToggled(bool on) {
  if (on)
    ShowFile(fPath);
  else
    Clear();
}

void TKXPicturePanel::OpenPreviewWindow() {
  if (!fPreviewButton->isEnabled()) return;
  delete fWindow.data();
  fWindow = new TKXPreviewWindow(fPath, *fPreview, window());
  fWindow->setAttribute(Qt::WA_DeleteOnClose);
  fWindow->setWindowModality(Qt::ApplicationModal);
  fWindow->show();
}

bool TKXPicturePanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == fHost && event->type() == QEvent::MouseButtonRelease) OpenPreviewWindow();
  return QWidget::eventFilter(watched, event);
}

void TKXPicturePanel::LoadProgress(void*, int percent) { fProgress->setValue(percent); }

}  // namespace kx
