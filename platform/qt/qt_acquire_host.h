// The acquisition host on Qt: window handles are the controls that TQtControlHost widgets show;
// the scan disables input to the control's top-level window; one turn of the event loop handles
// what is pending and waits at most a tick; a request to quit the application that arrives
// during the scan is held back, ends the scan, and is passed on to the application's loop.
#pragma once

#include <QObject>

#include "platform/acquire_host.h"

class QWidget;

namespace kx {

class TQtAcquireHost final : public QObject, public TAcquireHost {
 public:
  // How long one turn waits for an event at most.
  static constexpr int kTickMs = 20;

  TQtAcquireHost();
  ~TQtAcquireHost() override;

  bool IsWindow(uintptr_t window) override;
  void EnableWindow(uintptr_t window, bool on) override;
  bool NextEvent() override;
  void PostQuit() override;

  // The widget that shows the control `window` names; null when none does.
  static QWidget* WidgetOf(uintptr_t window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool fQuitRequested = false;
  bool fInTurn = false;
};

}  // namespace kx
