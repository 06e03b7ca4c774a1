// The I/O parameters dialog's widgets. Every widget is made from the editor's control table;
// a control's event hands the new value to the editor and then shows the page again from the
// editor (events blocked), so the rules between controls (the TIFF colours following the
// photometric choice, the transparent colour following its box) live in the editor alone.
#include "imaging/dialogs/io_params_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "imaging/core/words.h"
#include "imaging/dialogs/palette_dialog.h"
#include "platform/qt/control_host.h"

namespace kx {

namespace {

constexpr int kViewWidth = 200;
constexpr int kViewHeight = 150;

QString Caption(TMsgLanguageWords word, TIOCaptionForm form, TMsgLanguage language) {
  const QString text = QString::fromStdString(kxmsg(word, language));
  return form == cfColon ? text + ":" : text;
}

void ShowColor(QWidget* panel, TRGB c) {
  panel->setStyleSheet(QString("background-color: rgb(%1, %2, %3);").arg(c.r).arg(c.g).arg(c.b));
}

}  // namespace

// One preview on its way. The worker owns a reference until it has posted its result, and the
// form compares runs by identity only, so an abandoned run is simply ignored.
struct TfIOPreviews::TRun {
  TfIOPreviews* Form = nullptr;
  std::atomic<bool> Cancel{false};
  int LastPercent = -1;  // touched by the worker only

  void Progress(void*, int percent) {
    if (percent == LastPercent) return;
    LastPercent = percent;
    QMetaObject::invokeMethod(
        Form,
        [form = Form, self = this, percent] {
          if (form->fRunning.get() == self) form->fProgress->setValue(percent);
        },
        Qt::QueuedConnection);
  }
};

TfIOPreviews::TfIOPreviews(TIOParamsVals& params, const TBitmap& source, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint),
      fEditor(params, source),
      fSource(std::make_unique<TKestrix>()),
      fResult(std::make_unique<TKestrix>()) {
  setObjectName("fIOPreviews");
  fPool.setMaxThreadCount(1);
  for (TKestrix* view : {fSource.get(), fResult.get()}) {
    view->SetBackGround(clBtnFace);
    view->SetBorderStyle(bsSingle);
    view->SetCenter(true);
  }
  fSource->Assign(&source);
  fSource->OnViewChange = TKXViewChangeEvent::Bind<&TfIOPreviews::FollowSourceView>(this);

  fSourceHost = new TQtControlHost(*fSource, this);
  fSourceHost->setObjectName("Kestrix1");
  fResultHost = new TQtControlHost(*fResult, this);
  fResultHost->setObjectName("Kestrix2");
  for (TQtControlHost* host : {fSourceHost, fResultHost}) host->setFixedSize(kViewWidth, kViewHeight);
  fSourceLabel = new QLabel(this);
  fSourceLabel->setObjectName("Label1");
  fResultLabel = new QLabel(this);
  fResultLabel->setObjectName("Label2");
  fProgress = new QProgressBar(this);
  fProgress->setObjectName("ProgressBar1");
  fProgress->setRange(0, 100);
  fProgress->setValue(0);
  fProgress->setTextVisible(false);

  fOk = new QPushButton(this);
  fOk->setObjectName("Button1");
  fOk->setDefault(true);
  fCancel = new QPushButton(this);
  fCancel->setObjectName("Button2");
  fPreviewNow = new QPushButton(this);
  fPreviewNow->setObjectName("Button3");
  fLock = new QToolButton(this);
  fLock->setObjectName("SpeedButton1");
  fLock->setCheckable(true);
  fLock->setText(QString::fromUtf8("\u21bb"));
  connect(fOk, &QPushButton::clicked, this, [this] {
    fEditor.Accept();
    accept();
  });
  connect(fCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(fPreviewNow, &QPushButton::clicked, this, [this] { StartPreview(); });
  connect(fLock, &QToolButton::toggled, this, [this](bool down) { LockToggled(down); });

  fPages = new QTabWidget(this);
  fPages->setObjectName("PageControl1");
  fPages->setTabPosition(QTabWidget::South);
  for (size_t i = 0; i < std::size(kIOPages); ++i) {
    QWidget* page = BuildPage(kIOPages[i]);
    page->setObjectName(QString("TabSheet%1").arg(i + 1));
    fPages->addTab(
        page, QString::fromUtf8(KXIOPageCaption(kIOPages[i]).data(), qsizetype(KXIOPageCaption(kIOPages[i]).size())));
  }
  connect(fPages, &QTabWidget::currentChanged, this, [this](int index) {
    if (fReady && index >= 0) PageChanged(index);
  });

  auto* sourceColumn = new QVBoxLayout;
  sourceColumn->addWidget(fSourceLabel);
  sourceColumn->addWidget(fSourceHost);
  auto* resultColumn = new QVBoxLayout;
  resultColumn->addWidget(fResultLabel);
  resultColumn->addWidget(fResultHost);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(fOk);
  buttons->addWidget(fCancel);
  buttons->addWidget(fPreviewNow);
  buttons->addWidget(fLock, 0, Qt::AlignHCenter);
  buttons->addStretch();
  auto* top = new QHBoxLayout;
  top->addLayout(sourceColumn);
  top->addLayout(resultColumn);
  top->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(fProgress);
  layout->addWidget(fPages, 1);
  resize(522, 383);

  SetLanguage(msSystem);
  // The palette window's caption waits for a language given by the caller.
  fPaletteCancel = "&Cancel";
}

TfIOPreviews::~TfIOPreviews() {
  fSource->OnViewChange = {};
  StopPreviews();
}

QWidget* TfIOPreviews::BuildPage(TPreviewParamsItems page) {
  auto* widget = new QWidget;
  auto* grid = new QGridLayout(widget);
  QGridLayout* groupGrid = nullptr;
  TMsgLanguageWords groupWord;
  if (KXIOPageGroup(page, groupWord)) {
    auto* group = new QGroupBox(widget);
    group->setObjectName(QString("Group%1").arg(KXIOPageCaption(page).data()));
    groupGrid = new QGridLayout(group);
    fGroups[page] = group;
    grid->addWidget(group, 0, 2, 6, 2);
  }
  int rows[2] = {0, 0};
  for (const TIOControlInfo& info : KXIOControls()) {
    if (info.Page != page) continue;
    const bool grouped = info.Grouped && groupGrid;
    QGridLayout* target = grouped ? groupGrid : grid;
    int& row = rows[grouped];
    QWidget* parent = grouped ? fGroups[page] : widget;
    QWidget* control = BuildControl(info, parent);
    if (info.Kind == ckCheck) {
      target->addWidget(control, row++, 0, 1, 2);
      continue;
    }
    auto* caption = new QLabel(parent);
    fCaptions[info.Id] = caption;
    target->addWidget(caption, row, 0);
    target->addWidget(control, row++, 1);
  }
  for (int i = 0; i < 2; ++i) {
    auto* caption = new QLabel(widget);
    auto* value = new QLabel(widget);
    value->setObjectName(i == 0 ? "UncompressedSize" : "CompressedSize");
    fSizeCaptions[i][page] = caption;
    (i == 0 ? fUncompressed : fCompressed)[page] = value;
    grid->addWidget(caption, rows[0], 0);
    grid->addWidget(value, rows[0]++, 1);
  }
  grid->setRowStretch(std::max(rows[0], 6), 1);
  return widget;
}

QWidget* TfIOPreviews::BuildControl(const TIOControlInfo& info, QWidget* parent) {
  const TIOControl id = info.Id;
  QWidget* made = nullptr;
  QWidget* placed = nullptr;
  switch (info.Kind) {
    case ckNumber: {
      auto* spin = new QSpinBox(parent);
      spin->setRange(info.Min, info.Max);
      connect(spin, &QSpinBox::valueChanged, this, [this, id](int value) {
        if (!fReady) return;
        AfterChange(fEditor.SetValue(id, value));
      });
      made = placed = spin;
      if (id == icJpegQuality) {
        fQualityBar = new QSlider(Qt::Horizontal, parent);
        fQualityBar->setObjectName("TrackBar1");
        fQualityBar->setRange(info.Min, info.Max);
        fQualityBar->setTickInterval(5);
        fQualityBar->setTickPosition(QSlider::TicksBelow);
        connect(fQualityBar, &QSlider::valueChanged, this, [this, id](int value) {
          if (!fReady) return;
          AfterChange(fEditor.SetValue(id, value));
        });
        auto* pair = new QWidget(parent);
        auto* row = new QHBoxLayout(pair);
        row->setContentsMargins(0, 0, 0, 0);
        spin->setParent(pair);
        row->addWidget(spin);
        row->addWidget(fQualityBar, 1);
        placed = pair;
      }
      break;
    }
    case ckList: {
      auto* list = new QComboBox(parent);
      for (std::string_view item : info.Items) list->addItem(QString::fromUtf8(item.data(), qsizetype(item.size())));
      connect(list, &QComboBox::currentIndexChanged, this, [this, id](int index) {
        if (!fReady || index < 0) return;
        AfterChange(fEditor.SetValue(id, index));
      });
      made = placed = list;
      break;
    }
    case ckCheck: {
      auto* box = new QCheckBox(parent);
      connect(box, &QCheckBox::toggled, this, [this, id](bool on) {
        if (!fReady) return;
        AfterChange(fEditor.SetValue(id, on));
      });
      made = placed = box;
      break;
    }
    case ckText: {
      auto* edit = new QLineEdit(parent);
      connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& text) {
        if (!fReady) return;
        AfterChange(fEditor.SetText(id, text.toStdString()));
      });
      made = placed = edit;
      break;
    }
    case ckColor: {
      auto* panel = new QPushButton(parent);
      panel->setFixedSize(40, 20);
      connect(panel, &QPushButton::clicked, this, [this, id] {
        if (fReady) PickColor(id);
      });
      made = placed = panel;
      break;
    }
  }
  made->setObjectName(QString("Control%1").arg(int(id)));
  fWidgets[id] = made;
  return placed;
}

void TfIOPreviews::SetLockPreview(bool down) {
  fStartLocked = down;
  fEditor.SetLockPreview(down);
}

void TfIOPreviews::SetLanguage(TMsgLanguage language) {
  fLanguage = language;
  setWindowTitle(QString::fromStdString(kxmsg(KXMSG_PARAMETERSPREVIEW, language)));
  fSourceLabel->setText(Caption(KXMSG_SOURCE, cfColon, language));
  fResultLabel->setText(Caption(KXMSG_RESULT, cfColon, language));
  fOk->setText(Caption(KXMSG_OK, cfPlain, language));
  fCancel->setText(Caption(KXMSG_CANCEL, cfPlain, language));
  fPreviewNow->setText(Caption(KXMSG_PREVIEW, cfPlain, language));
  fLock->setToolTip(Caption(KXMSG_LOCKPREVIEW, cfPlain, language));
  for (const TIOControlInfo& info : KXIOControls()) {
    const QString text = info.FixedCaption.empty()
                             ? Caption(info.Word, info.Form, language)
                             : QString::fromUtf8(info.FixedCaption.data(), qsizetype(info.FixedCaption.size()));
    if (info.Kind == ckCheck)
      static_cast<QCheckBox*>(fWidgets[info.Id])->setText(text);
    else
      fCaptions[info.Id]->setText(text);
  }
  for (auto& [page, group] : fGroups) {
    TMsgLanguageWords word;
    if (KXIOPageGroup(page, word))
      static_cast<QGroupBox*>(group)->setTitle(" " + Caption(word, cfPlain, language) + " ");
  }
  for (TPreviewParamsItems page : kIOPages) {
    fSizeCaptions[0][page]->setText(Caption(KXMSG_ORIGINALSIZE, cfColon, language));
    fSizeCaptions[1][page]->setText(Caption(KXMSG_COMPRESSEDSIZE, cfColon, language));
  }
  fPaletteCancel = "&" + Caption(KXMSG_CANCEL, cfPlain, language);
}

void TfIOPreviews::SetPreviewFont(const TKXFont& font) {
  QFont f(QString::fromStdString(font.Name), font.Size > 0 ? font.Size : 8);
  f.setBold(font.Style.Contains(fsBold));
  f.setItalic(font.Style.Contains(fsItalic));
  f.setUnderline(font.Style.Contains(fsUnderline));
  f.setStrikeOut(font.Style.Contains(fsStrikeOut));
  setFont(f);
}

void TfIOPreviews::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (fOpened) return;
  fOpened = true;
  if (!parentWidget()) {
    if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  }
  fReady = false;
  {
    const QSignalBlocker blockLock(fLock);
    fLock->setChecked(fStartLocked);
  }
  fPreviewNow->setEnabled(fEditor.PreviewButtonEnabled());
  int first = -1;
  {
    const QSignalBlocker blockPages(fPages);
    for (size_t i = 0; i < std::size(kIOPages); ++i) {
      const bool visible = fEditor.PageVisible(kIOPages[i]);
      fPages->setTabVisible(int(i), visible);
      if (visible && first < 0) first = int(i);
    }
    if (first >= 0) fPages->setCurrentIndex(first);
  }
  fSource->Fit();
  fReady = true;
  if (first >= 0) PageChanged(first);
}

void TfIOPreviews::PageChanged(int index) {
  fReady = false;
  fEditor.SetActivePage(kIOPages[size_t(index)]);
  LoadPage();
  fReady = true;
  StartPreview();
}

void TfIOPreviews::LoadPage() {
  const TPreviewParamsItems page = fEditor.ActivePage();
  for (const TIOControlInfo& info : KXIOControls()) {
    if (info.Page != page) continue;
    QWidget* widget = fWidgets[info.Id];
    const QSignalBlocker block(widget);
    switch (info.Kind) {
      case ckNumber:
        static_cast<QSpinBox*>(widget)->setValue(fEditor.Value(info.Id));
        break;
      case ckList:
        static_cast<QComboBox*>(widget)->setCurrentIndex(fEditor.Value(info.Id));
        break;
      case ckCheck:
        static_cast<QCheckBox*>(widget)->setChecked(fEditor.Value(info.Id) != 0);
        break;
      case ckText: {
        auto* edit = static_cast<QLineEdit*>(widget);
        const QString text = QString::fromStdString(fEditor.Text(info.Id));
        // Setting the same text again would move the cursor of a user typing.
        if (edit->text() != text) edit->setText(text);
        break;
      }
      case ckColor:
        ShowColor(widget, fEditor.Color(info.Id));
        break;
    }
    const bool enabled = fEditor.Enabled(info.Id);
    widget->setEnabled(enabled);
    if (fCaptions.count(info.Id)) fCaptions[info.Id]->setEnabled(enabled);
  }
  if (page == ppJPEG && fQualityBar) {
    const QSignalBlocker block(fQualityBar);
    fQualityBar->setValue(fEditor.Value(icJpegQuality));
  }
  fUncompressed[page]->setText(QString::fromStdString(fEditor.UncompressedSizeText()));
  fCompressed[page]->setText(QString::fromStdString(fEditor.CompressedSizeText()));
}

void TfIOPreviews::AfterChange(bool preview) {
  fReady = false;
  LoadPage();
  fReady = true;
  if (preview) StartPreview();
}

void TfIOPreviews::PickColor(TIOControl control) {
  TRGB chosen = fEditor.Color(control);
  bool picked = false;
  if (fEditor.ColorFromPalette(control)) {
    TKestrixPaletteDialog palette(this);
    palette.SetPalette(fEditor.ColorMap(), int32_t(fEditor.ColorMap().size()));
    palette.SetCancelCaption(fPaletteCancel);
    if ((picked = palette.Execute())) chosen = TColor2TRGB(palette.Color());
  } else {
    const QColor c = QColorDialog::getColor(QColor(chosen.r, chosen.g, chosen.b), this);
    if ((picked = c.isValid())) chosen = TRGB{uint8_t(c.blue()), uint8_t(c.green()), uint8_t(c.red())};
  }
  if (picked) AfterChange(fEditor.SetColor(control, chosen));
}

void TfIOPreviews::LockToggled(bool down) {
  fEditor.SetLockPreview(down);
  fPreviewNow->setEnabled(fEditor.PreviewButtonEnabled());
  if (down) StartPreview();
}

void TfIOPreviews::StartPreview() {
  if (fRunning) fRunning->Cancel = true;
  // A preview still waiting for the worker is of no use any more.
  fPool.clear();
  auto run = std::make_shared<TRun>();
  run->Form = this;
  fRunning = run;
  fPool.start([run, job = fEditor.PreviewJob()] {
    TKXIOPreviewResult result = KXRunIOPreview(job, TProgressEvent::Bind<&TRun::Progress>(run.get()), &run->Cancel);
    QMetaObject::invokeMethod(
        run->Form, [run, result = std::move(result)] { run->Form->PreviewDone(run.get(), result); },
        Qt::QueuedConnection);
  });
}

void TfIOPreviews::PreviewDone(TRun* run, const TKXIOPreviewResult& result) {
  if (run != fRunning.get()) return;
  fRunning.reset();
  fProgress->setValue(0);
  if (result.Cancelled) return;
  fEditor.TakePreview(result);
  fCompressed[fEditor.ActivePage()]->setText(QString::fromStdString(fEditor.CompressedSizeText()));
  if (result.Failed)
    fResult->Assign(static_cast<const TBitmap*>(nullptr));
  else
    fResult->Assign(&result.Picture);
  FollowSourceView(fSource.get(), 1);
  ++fShown;
}

void TfIOPreviews::FollowSourceView(TKXView*, int32_t) {
  // A reduced result is shown at the zoom that gives it the source's size on the screen.
  const int32_t whole = std::max(1, fSource->Bitmap().Width());
  const int32_t shown = std::max(1, fResult->Bitmap().Width());
  const int64_t zoom = int64_t(fSource->Zoom()) * whole / shown;
  fResult->SetZoom(int32_t(std::clamp<int64_t>(zoom, 1, kKXMaxZoom)));
  fResult->SetViewXY(fSource->ViewX(), fSource->ViewY());
}

void TfIOPreviews::StopPreviews() {
  if (fRunning) fRunning->Cancel = true;
  fPool.clear();
  fPool.waitForDone();
  fRunning.reset();
}

bool TKXQtIOPreviewsDialog::Execute(TKestrixIO& io, TPreviewParams pages) {
  if (!io.Bitmap()) return false;
  TfIOPreviews form(io.IOParams(), *io.Bitmap(), fParent);
  form.SetLockPreview(io.PreviewsParams().Contains(ioppDefaultLockPreview));
  form.SetLanguage(io.MsgLanguage());
  form.SetPreviewFont(io.PreviewFont());
  if (!form.SetPreviewParams(pages)) return false;
  io.OnIOPreview(&io, &form);
  return form.exec() == QDialog::Accepted;
}

}  // namespace kx
