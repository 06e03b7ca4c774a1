// TQtEventBarrier: where an exception thrown by a control ends when Qt delivered the event.
// Qt's event loop does not carry exceptions, so every event handler and slot of the Qt host runs
// the control's work through Run. A failure is reported on stderr, once per kind of event so a
// paint that always fails does not flood it, and the widget goes on taking events. A control
// destroyed by its own handler (EControlDestroyed) is not a failure.
#pragma once

#include <exception>
#include <string>
#include <vector>

#include "platform/control.h"

namespace kx {

class TQtEventBarrier {
 public:
  // Runs `work`; false when it threw (the exception is reported and dropped). `event` names
  // the kind of event in the report.
  template <typename Work>
  bool Run(const char* event, Work&& work) noexcept {
    try {
      work();
      return true;
    } catch (const EControlDestroyed&) {
      // The control went while it worked, as its owner wished: nothing to report.
    } catch (const std::exception& e) {
      Report(event, e.what());
    } catch (...) {
      Report(event, "an exception of unknown type");
    }
    return false;
  }

 private:
  void Report(const char* event, const char* what) noexcept;

  std::vector<std::string> fReported;  // kinds of event already reported
};

}  // namespace kx
