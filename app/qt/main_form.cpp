// The main window: its layout, the wiring to the shell controller, drops and its placement.
#include "app/qt/main_form.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMimeData>
#include <QShortcut>
#include <QTimer>
#include <QUrl>
#include <utility>

#include "app/qt/edit_glyphs.h"
#include "app/qt/shell_look.h"
#include "app/window_placement.h"

namespace quillop {

namespace {

QFont Heading() {
  QFont font = ShellFont(10);
  font.setBold(true);
  font.setUnderline(true);
  return font;
}

QFrame* Panel(QWidget* parent, const char* name, QRect bounds) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(name);
  panel->setGeometry(bounds);
  panel->setFrameStyle(QFrame::Box | QFrame::Plain);
  QPalette palette = panel->palette();
  palette.setColor(QPalette::WindowText, QColor(160, 155, 140));
  panel->setPalette(palette);
  return panel;
}

// The first local file of a drop, or empty.
QString DroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return {};
}

}  // namespace

TMainForm::TMainForm(const TMainFormSetup& setup, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      fStore(setup.Store),
      fAbout(new TAbout(this)),
      fWait(new TMessageDialog(this)),
      fScannerSelection(new TScannerSelection(this)),
      fChooser(this, *fScannerSelection) {
  setObjectName("MainForm");
  setWindowTitle("Quillop");
  setFixedSize(791, 573);
  setFont(ShellFont());
  PaintFace(*this);
  setAcceptDrops(true);
  const TShellPorts ports{setup.Messages ? *setup.Messages : fMessages,
                          *fWait,
                          *this,
                          setup.Chooser ? *setup.Chooser : fChooser,
                          setup.Scanner ? *setup.Scanner : fLibraryScanner,
                          setup.Mail ? *setup.Mail : fXdgEmail,
                          setup.Web ? *setup.Web : fWeb,
                          fTimers,
                          &fCursor};
  fShell = std::make_unique<TShellController>(ports, setup.Store, setup.Previews, setup.Outbox);
  Build();
  fShell->Pipeline().OnShow = TPipelineEvent::Bind<&TMainForm::PipelineShown>(this);
  fShell->OnStateChange = TShellEvent::Bind<&TMainForm::StateChanged>(this);
  StateChanged(fShell.get());
}

TMainForm::~TMainForm() {
  fShell->Pipeline().OnShow = {};
  fShell->OnStateChange = {};
  // The widgets over the pipeline's display and sliders go before the controller that owns them.
  delete fDisplayHost;
  delete fEditGroup;
  delete fHiddenPanel;
}

QPushButton* TMainForm::Button(QWidget* parent, const char* name, const char* caption, QRect bounds) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setGeometry(bounds);
  return button;
}

TStepSlider* TMainForm::Slider(QWidget* parent, const char* name, TSliderModel& model, QRect bounds) {
  auto* slider = new TStepSlider(model, Qt::Horizontal, parent);
  slider->setObjectName(name);
  slider->setGeometry(bounds);
  slider->setTickPosition(QSlider::TicksBelow);
  return slider;
}

TClickLabel* TMainForm::Label(QWidget* parent, const char* name, const char* text, QPoint at, const QFont* font) {
  auto* label = new TClickLabel(text, parent);
  if (*name) label->setObjectName(name);
  if (font) label->setFont(*font);
  // Black, whatever colour the panel around it draws its frame in.
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::black);
  label->setPalette(palette);
  label->move(at);
  label->adjustSize();
  return label;
}

void TMainForm::OnClick(QPushButton* button, std::function<void()> command) {
  connect(button, &QPushButton::clicked, this, [this, command] { fBarrier.Run("click", command); });
}

std::function<void()> TMainForm::Edit(void (TPicturePipeline::*edit)()) {
  return [this, edit] {
    if (fShell->CanEdit()) fShell->Run([&] { (fShell->Pipeline().*edit)(); });
  };
}

void TMainForm::Shortcut(const char* keys, QPushButton* button) {
  auto* shortcut = new QShortcut(QKeySequence(keys), this);
  connect(shortcut, &QShortcut::activated, button, [button] {
    if (button->isEnabled()) button->click();
  });
}

void TMainForm::Build() {
  TPicturePipeline& pipeline = fShell->Pipeline();
  TShellController& shell = *fShell;
  const QFont heading = Heading();

  // Step 1.
  Label(this, "Label1", "Step 1: Get picture", {49, 8}, &heading);
  QFrame* get = Panel(this, "FlatPanel3", {9, 27, 225, 97});
  fScan = Button(get, "PB_Scan", "Scan", {5, 34, 50, 25});
  fLoad = Button(get, "PB_Load", "Load", {86, 34, 50, 25});
  fPaste = Button(get, "PB_Paste", "Paste", {167, 34, 50, 25});
  Label(get, "", "or", {66, 40});
  Label(get, "", "or", {147, 40});
  OnClick(fScan, [&shell] { shell.PB_ScanClick(); });
  OnClick(fLoad, [&shell] { shell.PB_LoadClick(); });
  OnClick(fPaste, [&shell] { shell.PB_PasteClick(); });

  // Step 2.
  Label(this, "Label6", "Step 2 (optional): Edit picture", {23, 138}, &heading);
  fEditGroup = Panel(this, "FlatPanel4", {9, 157, 225, 237});
  QFrame* e = fEditGroup;
  Label(e, "", "Rotate", {48, 5});
  Label(e, "", "Flip", {161, 5});
  const auto glyphButton = [&](const char* name, TEditGlyph glyph, QRect bounds, const char* tip) {
    QPushButton* b = Button(e, name, "", bounds);
    b->setIcon(EditGlyphIcon(glyph));
    b->setToolTip(tip);
    return b;
  };
  QPushButton* rotateCCW = glyphButton("PB_RotateCCW", TEditGlyph::RotateLeft, {31, 21, 25, 25}, "Rotate left");
  QPushButton* rotateCW = glyphButton("PB_RotateCW", TEditGlyph::RotateRight, {66, 21, 25, 25}, "Rotate right");
  QPushButton* flipH = glyphButton("PB_FlipH", TEditGlyph::FlipHorizontal, {139, 21, 25, 25}, "Mirror left to right");
  QPushButton* flipV = glyphButton("PB_FlipV", TEditGlyph::FlipVertical, {177, 21, 25, 25}, "Mirror top to bottom");
  QPushButton* sharpen = Button(e, "PB_Sharpen", "Sharpen", {5, 60, 70, 25});
  QPushButton* invert = Button(e, "PB_Invert", "Invert", {79, 60, 70, 25});
  QPushButton* restore = Button(e, "PB_Restore", "Restore", {152, 60, 70, 25});
  OnClick(rotateCCW, Edit(&TPicturePipeline::PB_RotateCCWClick));
  OnClick(rotateCW, Edit(&TPicturePipeline::PB_RotateCWClick));
  OnClick(flipH, Edit(&TPicturePipeline::PB_FlipHClick));
  OnClick(flipV, Edit(&TPicturePipeline::PB_FlipVClick));
  OnClick(sharpen, Edit(&TPicturePipeline::PB_SharpenClick));
  OnClick(invert, Edit(&TPicturePipeline::PB_InvertClick));
  OnClick(restore, Edit(&TPicturePipeline::PB_RestoreClick));
  Label(e, "", "Brightness", {6, 106});
  TStepSlider* brightness = Slider(e, "SB_Brightness", pipeline.SB_Brightness, {76, 100, 124, 33});
  fBrightness = Label(e, "T_Brightness", "0", {205, 106});
  Label(e, "", "Contrast", {6, 140});
  TStepSlider* contrast = Slider(e, "SB_Contrast", pipeline.SB_Contrast, {76, 133, 124, 33});
  fContrast = Label(e, "T_Contrast", "0", {203, 139});
  Label(e, "", "Quality/Size", {6, 197});
  TStepSlider* quality = Slider(e, "SB_JpegCompress", pipeline.SB_JpegCompress, {78, 184, 122, 33});
  fQuality = Label(e, "T_JpegCompress", "60", {203, 200});
  for (TClickLabel* l : {fBrightness, fContrast, fQuality}) l->setFixedWidth(24);
  fFileSize = Label(e, "FileSize", "FileSize:", {86, 221});
  fFileSize->setGeometry(86, 221, 107, 13);
  fFileSize->setAlignment(Qt::AlignCenter);
  const auto labelClick = [this](TClickLabel* label, void (TPicturePipeline::*reset)()) {
    label->OnClick = [this, run = Edit(reset)] { fBarrier.Run("click", run); };
  };
  labelClick(fBrightness, &TPicturePipeline::T_BrightnessClick);
  labelClick(fContrast, &TPicturePipeline::T_ContrastClick);
  labelClick(fQuality, &TPicturePipeline::T_JpegCompressClick);

  // Step 3.
  Label(this, "Label2", "Step 3: Send picture:", {51, 404}, &heading);
  QFrame* send = Panel(this, "FlatPanel2", {9, 423, 225, 97});
  fEmail = Button(send, "PB_Email", "E-mail", {5, 36, 50, 25});
  fSave = Button(send, "PB_Save", "Save ", {86, 36, 50, 25});
  fCopy = Button(send, "PB_Copy", "Copy", {167, 36, 50, 25});
  Label(send, "", "or", {67, 41});
  Label(send, "", "or", {147, 41});
  OnClick(fEmail, [&shell] { shell.PB_EmailClick(); });
  OnClick(fSave, [&shell] { shell.PB_SaveClick(); });
  OnClick(fCopy, [&shell] { shell.PB_CopyClick(); });

  QPushButton* setup = Button(this, "PB_Setup", "Setup Scanner", {134, 527, 100, 25});
  OnClick(setup, [&shell] { shell.PB_SetupClick(); });

  QFrame* frame = Panel(this, "FlatPanel1", {242, 10, 542, 542});
  fDisplayHost = new kx::TQtControlHost(pipeline.Kestrix_Display, frame);
  fDisplayHost->setObjectName("Kestrix_Display");
  fDisplayHost->setGeometry(1, 1, kDisplaySide, kDisplaySide);

  auto* link = new TClickLabel(QString(kLinkText) + kProductAddress, this);
  link->setObjectName("Label13");
  link->setGeometry(318, 556, 358, 13);
  link->setAlignment(Qt::AlignCenter);
  link->setWordWrap(true);
  // The line was measured in a face that may be missing here; a wider stand-in would wrap it
  // out of its one line, so the stand-in is made smaller until the line fits.
  QFont linkFont = link->font();
  while (QFontMetrics(linkFont).horizontalAdvance(link->text()) > link->width() && linkFont.pointSizeF() > 6)
    linkFont.setPointSizeF(linkFont.pointSizeF() - 0.5);
  link->setFont(linkFont);
  link->setCursor(Qt::PointingHandCursor);
  QPalette ink = link->palette();
  ink.setColor(QPalette::WindowText, ShellInkColor());
  link->setPalette(ink);
  link->OnClick = [this, &shell] { fBarrier.Run("click", [&shell] { shell.Label13Click(); }); };

  // The hidden smoothing slider: kept, stored and used by the encoder, never shown.
  fHiddenPanel = new QFrame(this);
  QFrame* hidden = fHiddenPanel;
  hidden->setObjectName("Panel1");
  hidden->hide();
  Slider(hidden, "SB_JpegSmooth", pipeline.SB_JpegSmooth, {0, 0, 100, 33});
  fSmooth = Label(hidden, "T_JpegSmooth", "0", {0, 0});

  // Keyboard order: step 1, the display, Setup Scanner, step 3, then the edit group.
  QWidget* order[] = {fScan,    fLoad,     fPaste,  fDisplayHost, setup, fSave,      fEmail,   fCopy,  quality,
                      rotateCW, rotateCCW, sharpen, flipH,        flipV, brightness, contrast, invert, restore};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  Shortcut("Ctrl+O", fLoad);
  Shortcut("Ctrl+V", fPaste);
  Shortcut("Ctrl+C", fCopy);
  Shortcut("Ctrl+S", fSave);
  Shortcut("Ctrl+E", fEmail);
}

void TMainForm::PipelineShown(TPicturePipeline* pipeline) {
  fQuality->setText(QString::fromStdString(pipeline->T_JpegCompress));
  fBrightness->setText(QString::fromStdString(pipeline->T_Brightness));
  fContrast->setText(QString::fromStdString(pipeline->T_Contrast));
  fSmooth->setText(QString::fromStdString(pipeline->T_JpegSmooth));
  fFileSize->setText(QString::fromStdString(pipeline->FileSize));
  const kx::TKestrix& display = pipeline->Kestrix_Display;
  const QRect place(1 + display.Left(), 1 + display.Top(), display.Width(), display.Height());
  if (fDisplayHost->geometry() != place) fDisplayHost->setGeometry(place);
  fDisplayHost->update();
}

void TMainForm::StateChanged(TShellController* shell) {
  for (QPushButton* b : {fEmail, fSave, fCopy}) b->setEnabled(shell->CanSend());
  fEditGroup->setEnabled(shell->CanEdit());
}

void TMainForm::ShowMain() {
  TWindowPlacement placement;
  // A place on a screen that is no longer there would hide the window.
  if (ReadPlacement(fStore, placement) &&
      QGuiApplication::screenAt(QPoint(placement.Left, placement.Top) + QPoint(20, 20))) {
    move(placement.Left, placement.Top);
    if (placement.Minimized) return showMinimized();
  } else {
    CentreOnScreen(*this);
  }
  show();
}

void TMainForm::ShowSplash(const std::string& caption) { fAbout->ShowWith(caption); }

void TMainForm::CloseSplash() { fAbout->hide(); }

void TMainForm::closeEvent(QCloseEvent* event) {
  fBarrier.Run("close", [&] {
    fShell->FormCloseQuery();
    WritePlacement(fStore, {frameGeometry().x(), frameGeometry().y(), isMinimized()});
  });
  fAbout->hide();
  fWait->hide();
  event->accept();
}

void TMainForm::AfterNextPaint(std::function<void()> then) {
  fAfterPaint = std::move(then);
  update();
}

void TMainForm::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (!fAfterPaint) return;
  // After the children over the same region have been painted and the frame was flushed.
  QTimer::singleShot(0, this, std::exchange(fAfterPaint, {}));
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  const QString file = DroppedFile(event->mimeData());
  if (file.isEmpty()) return;
  event->acceptProposedAction();
  fBarrier.Run("drop", [&] { fShell->LoadPicture(file.toStdString()); });
}

}  // namespace quillop
