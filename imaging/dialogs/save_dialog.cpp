// The save dialog. A name typed without extension gets DefaultExt, or the selected type's
// extension when there is none; Qt's dialog adds the same suffix before it checks for an
// existing file, so the overwrite prompt asks about the name that will be written.
#include "imaging/dialogs/save_dialog.h"

#include <QLineEdit>

#include "imaging/dialogs/filter_builder.h"
#include "imaging/dialogs/save_names.h"

namespace kx {

TSaveKestrixDialog::TSaveKestrixDialog(QWidget* parent) : TOpenKestrixDialog(parent) {
  SetFilter(KXBuildStrFilter(ffWritable));
  SetOptions({ofOverwritePrompt});
}

bool TSaveKestrixDialog::Execute() {
  if (AutoSetFilter()) SetFilter(KXBuildStrFilter(ffWritable));
  return RunDialog(QFileDialog::AcceptSave, fExOptions.Contains(sdShowPreview));
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
