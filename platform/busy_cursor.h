// The application's "busy" cursor (an hourglass or a watch) over all its windows while a
// command works. TBusyCursorScope shows it for one scope and takes it away on every way out,
// also when the command throws; scopes nest, and each takes away only what it showed.
#pragma once

namespace kx {

class TBusyCursor {
 public:
  virtual void Show() = 0;
  virtual void Hide() = 0;

 protected:
  ~TBusyCursor() = default;
};

class TBusyCursorScope {
 public:
  // A null cursor shows nothing (a program without windows).
  explicit TBusyCursorScope(TBusyCursor* cursor) : fCursor(cursor) {
    if (fCursor) fCursor->Show();
  }
  ~TBusyCursorScope() {
    if (fCursor) fCursor->Hide();
  }
  TBusyCursorScope(const TBusyCursorScope&) = delete;
  TBusyCursorScope& operator=(const TBusyCursorScope&) = delete;

 private:
  TBusyCursor* fCursor;
};

}  // namespace kx
