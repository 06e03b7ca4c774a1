// TSaveKestrixDialog: the dialog that chooses where and as what to save a picture. It lists only
// the formats that can be written, completes a name typed without extension, renames the typed
// name when the type changes, and asks before replacing an existing file. Its advanced button
// opens the I/O parameters dialog of an attached I/O component for the chosen format; a
// cancelled run puts the component's parameters back.
#pragma once

#include "imaging/dialogs/open_dialog.h"

class QPushButton;

namespace kx {

class TKestrixIO;

enum TKXSaveDlgOption : uint8_t {
  sdShowPreview,   // show the picture area
  sdShowAdvanced,  // show the advanced button
};
using TKXSaveDlgOpt = TEnumSet<TKXSaveDlgOption>;

class TSaveKestrixDialog : public TOpenKestrixDialog {
 public:
  explicit TSaveKestrixDialog(QWidget* parent = nullptr);

  bool Execute() override;

  TKXSaveDlgOpt ExOptions() const { return fExOptions; }
  void SetExOptions(TKXSaveDlgOpt options) { fExOptions = options; }
  // The component whose parameters the advanced button edits (not owned; it must outlive the
  // dialog's runs), or null.
  TKestrixIO* AttachedKestrixIO() const { return fAttached; }
  void SetAttachedKestrixIO(TKestrixIO* io) { fAttached = io; }
  // The advanced button of the running dialog, null outside Execute or without sdShowAdvanced.
  QPushButton* AdvancedButton() const { return fAdvanced; }
  // What the advanced button does: the page of the selected name's extension (else of
  // DefaultExt) in the attached component's DoPreviews; nothing when no page matches.
  void Advanced();

 protected:
  void DoTypeChange(const QString& nameFilter) override;
  std::string CompletedName(const std::string& name) const override;
  std::string SuffixForTypedNames() const override;
  void DoShow() override;
  void DoClose() override;

 private:
  TKXSaveDlgOpt fExOptions = {sdShowPreview, sdShowAdvanced};
  TKestrixIO* fAttached = nullptr;
  QPushButton* fAdvanced = nullptr;
  TQtEventBarrier fBarrier;
};

}  // namespace kx
