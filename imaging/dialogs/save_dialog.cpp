// The save dialog. A name typed without extension gets DefaultExt, or the selected type's
// extension when there is none; Qt's dialog adds the same suffix before it checks for an
// existing file, so the overwrite prompt asks about the name that will be written.
#include "imaging/dialogs/save_dialog.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include "imaging/components/kestrix_io.h"
#include "imaging/core/words.h"
#include "imaging/dialogs/filter_builder.h"
#include "imaging/dialogs/io_params_pages.h"
#include "imaging/dialogs/picture_panel.h"
#include "imaging/dialogs/save_names.h"

namespace kx {

TSaveKestrixDialog::TSaveKestrixDialog(QWidget* parent) : TOpenKestrixDialog(parent) {
  SetFilter(KXBuildStrFilter(ffWritable));
  SetOptions({ofOverwritePrompt});
}

bool TSaveKestrixDialog::Execute() {
  if (AutoSetFilter()) SetFilter(KXBuildStrFilter(ffWritable));
  // What the advanced button changes is undone when the user cancels.
  TIOParamsVals saved;
  if (fAttached) saved.Assign(fAttached->IOParams());
  const bool confirmed = RunDialog(QFileDialog::AcceptSave, fExOptions.Contains(sdShowPreview));
  if (!confirmed && fAttached) fAttached->IOParams().Assign(saved);
  return confirmed;
}

void TSaveKestrixDialog::DoShow() {
  if (fExOptions.Contains(sdShowAdvanced) && Dialog()) {
    QWidget* strip = PicturePanel() ? PicturePanel()->InfoStrip() : nullptr;
    fAdvanced =
        new QPushButton(QString::fromStdString(kxmsg(KXMSG_ADVANCED, MsgLanguage())) + "...", strip ? strip : Dialog());
    fAdvanced->setObjectName("AdvancedButton");
    fAdvanced->setEnabled(fAttached != nullptr);
    QObject::connect(fAdvanced, &QPushButton::clicked, [this] { fBarrier.Run("advanced", [&] { Advanced(); }); });
    if (strip) {
      strip->layout()->addWidget(fAdvanced);
    } else if (auto* grid = qobject_cast<QGridLayout*>(Dialog()->layout())) {
      grid->addWidget(fAdvanced, grid->rowCount(), 0);
    }
  }
  TOpenKestrixDialog::DoShow();
}

void TSaveKestrixDialog::DoClose() {
  TOpenKestrixDialog::DoClose();
  // The button goes with the running dialog.
  fAdvanced = nullptr;
}

void TSaveKestrixDialog::Advanced() {
  if (!fAttached) return;
  std::string name = FileName();
  if (QFileDialog* dialog = Dialog())
    if (auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit")) name = edit->text().toStdString();
  TPreviewParamsItems page;
  const std::string ext = DefaultExt().starts_with('.') ? DefaultExt() : "." + DefaultExt();
  if (KXIOPageOfExtension(KXLowerExtension(name), page) || KXIOPageOfExtension(KXLowerExtension("x" + ext), page))
    fAttached->DoPreviews({page});
}

std::string TSaveKestrixDialog::SuffixForTypedNames() const {
  const std::string own = TOpenKestrixDialog::SuffixForTypedNames();
  if (!own.empty()) return own;
  const std::string ext = KXPatternExtension(CurrentPatterns());
  return ext.empty() ? ext : ext.substr(1);
}

std::string TSaveKestrixDialog::CompletedName(const std::string& name) const {
  return KXWithDefaultExtension(name, SuffixForTypedNames());
}

// The typed name follows the type: only its last extension changes, so "my.holiday.jpg" keeps
// its first dot.
void TSaveKestrixDialog::DoTypeChange(const QString& nameFilter) {
  TakeNameFilter(nameFilter);
  if (QFileDialog* dialog = Dialog()) {
    const std::string ext = KXPatternExtension(CurrentPatterns());
    dialog->setDefaultSuffix(QString::fromStdString(SuffixForTypedNames()));
    auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
    if (edit && !ext.empty() && !edit->text().isEmpty())
      edit->setText(QString::fromStdString(KXWithExtension(edit->text().toStdString(), ext)));
  }
  OnTypeChange(this);
}

}  // namespace kx
