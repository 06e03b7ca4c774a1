// TSaveKestrixDialog: the dialog that chooses where and as what to save a picture. It lists only
// the formats that can be written, completes a name typed without extension, renames the typed
// name when the type changes, and asks before replacing an existing file.
#pragma once

#include "imaging/dialogs/open_dialog.h"

namespace kx {

enum TKXSaveDlgOption : uint8_t {
  sdShowPreview,  // show the picture area
};
using TKXSaveDlgOpt = TEnumSet<TKXSaveDlgOption>;

class TSaveKestrixDialog : public TOpenKestrixDialog {
 public:
  explicit TSaveKestrixDialog(QWidget* parent = nullptr);

  bool Execute() override;

  TKXSaveDlgOpt ExOptions() const { return fExOptions; }
  void SetExOptions(TKXSaveDlgOpt options) { fExOptions = options; }

 protected:
  void DoTypeChange(const QString& nameFilter) override;
  std::string CompletedName(const std::string& name) const override;
  std::string SuffixForTypedNames() const override;

 private:
  TKXSaveDlgOpt fExOptions = {sdShowPreview};
};

}  // namespace kx
