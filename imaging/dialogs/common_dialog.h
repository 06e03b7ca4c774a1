// TKXCommonDialog: what the picture dialogs share: Qt's own file dialog (never the desktop's,
// which cannot take the picture area), run modally with the dialog's notifications turned into
// our events, and the words of the dialog's language.
#pragma once

#include <QFileDialog>
#include <functional>

#include "imaging/core/event.h"
#include "imaging/core/types.h"

namespace kx {

// A notification with its sender, the dialog component.
using TKXDialogNotify = TEvent<void*>;
// Asked when the user confirms; setting the flag to false keeps the dialog open.
using TKXCanCloseEvent = TEvent<void*, bool&>;

// The file dialog itself, with the confirmation asked first.
class TKXFileDialogWidget : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;
  std::function<bool()> CanClose;

  void accept() override;
};

class TKXCommonDialog {
 public:
  explicit TKXCommonDialog(QWidget* parent = nullptr) : fParent(parent) {}
  virtual ~TKXCommonDialog() = default;
  TKXCommonDialog(const TKXCommonDialog&) = delete;
  TKXCommonDialog& operator=(const TKXCommonDialog&) = delete;

  TMsgLanguage MsgLanguage() const { return fMsgLanguage; }
  void SetMsgLanguage(TMsgLanguage language) { fMsgLanguage = language; }
  // The running dialog, null outside Execute.
  QFileDialog* Dialog() const { return fDialog; }

  TKXDialogNotify OnShow;
  TKXDialogNotify OnClose;

 protected:
  QWidget* Parent() const { return fParent; }
  // Runs `dialog` modally between DoShow and DoClose; true when the user confirmed.
  bool RunModal(TKXFileDialogWidget& dialog);
  // The dialog is built and about to be shown.
  virtual void DoShow() { OnShow(this); }
  // The dialog ended, confirmed or not.
  virtual void DoClose() { OnClose(this); }

 private:
  QWidget* fParent;
  TMsgLanguage fMsgLanguage = msSystem;
  TKXFileDialogWidget* fDialog = nullptr;
};

}  // namespace kx
