// What a scanner acquisition needs of the desktop while the source works: to know whether a
// window handle names a live window, to disable input to that window for the scan, to run one
// turn of the event loop at a time and to pass a request to quit on to the application's own loop.
//
// Window handles are the addresses of our TCustomControl objects as uintptr_t (0: none). The
// process has one current host: a headless one until a desktop installs its own
// (platform/qt/). The headless host knows no windows but accepts any nonzero handle, and its
// event loop never waits, so a scripted source drives a whole acquisition from its answers.
#pragma once

#include <cstdint>

namespace kx {

// The record handed to the source with every event-processing call (TW_EVENT.pEvent points to
// one). A source that runs its own work on the application's thread does a slice of it on every
// turn; Turn counts the turns of one acquisition from 1.
struct TAcquireEventRecord {
  uintptr_t Window;
  uint64_t Turn;
};

class TAcquireHost {
 public:
  virtual ~TAcquireHost() = default;
  // Whether `window` is a window the host shows now; 0 never is.
  virtual bool IsWindow(uintptr_t window) = 0;
  // Enables or disables mouse and keyboard input to `window` (0: nothing).
  virtual void EnableWindow(uintptr_t window, bool on) = 0;
  // One turn of the event loop: handles what is pending, waiting for something to happen for at
  // most a short tick, so that the source is asked again soon. False when the application was
  // told to quit (the acquisition then ends and calls PostQuit, so the application's loop sees it).
  virtual bool NextEvent() = 0;
  // Asks the application's own event loop to quit.
  virtual void PostQuit() = 0;
};

// Accepts every nonzero handle, disables nothing, never waits and is never told to quit.
class THeadlessAcquireHost : public TAcquireHost {
 public:
  bool IsWindow(uintptr_t window) override { return window != 0; }
  void EnableWindow(uintptr_t, bool) override {}
  bool NextEvent() override { return true; }
  void PostQuit() override {}
};

// The current host of the process.
TAcquireHost& KXAcquireHost();
// Installs `host` (null: the headless one again) and returns the previous one; the caller keeps
// ownership.
TAcquireHost* KXSetAcquireHost(TAcquireHost* host);

// Installs a host for one scope and puts the previous one back.
class TAcquireHostScope {
 public:
  explicit TAcquireHostScope(TAcquireHost& host) : fPrevious(KXSetAcquireHost(&host)) {}
  ~TAcquireHostScope() { KXSetAcquireHost(fPrevious); }
  TAcquireHostScope(const TAcquireHostScope&) = delete;
  TAcquireHostScope& operator=(const TAcquireHostScope&) = delete;

 private:
  TAcquireHost* fPrevious;
};

}  // namespace kx
