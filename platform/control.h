// TCustomControl: the toolkit-neutral base of every control the library draws itself. It holds
// bounds, border, scroll-bar state, cursor, focus and timers, takes input through plain virtual
// methods, and asks its host (platform/host.h) to repaint, show a cursor or move scroll bars.
// Painting itself lives above this layer: Render gives the host the painted client area.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/cursor.h"
#include "platform/enum_set.h"

namespace kx {

class TControlHost;
class TCustomControl;

// Something that refers to a control it does not own and must forget it when it goes.
class TFreeNotifyTarget {
 public:
  // `control` is being destroyed: only its address is still valid.
  virtual void ControlFreed(TCustomControl& control) = 0;

 protected:
  ~TFreeNotifyTarget() = default;
};

// Thrown by a control's long work when a handler it called destroyed the control: it unwinds
// the work and its caller, neither of which may touch the control again. It is no
// std::exception, so handlers of ordinary failures let it pass; the host's event barrier
// drops it without a report.
struct EControlDestroyed {};

enum TBorderStyle : uint8_t { bsNone, bsSingle };
enum TScrollBarKind : uint8_t { sbHorizontal, sbVertical };
enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };
// ssDouble marks the second press of a double click.
enum TShiftStateItem : uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TEnumSet<TShiftStateItem>;

struct TScrollBarState {
  bool Visible = false;
  int32_t Min = 0;
  int32_t Max = 0;
  int32_t Page = 0;
  int32_t Position = 0;
  friend bool operator==(const TScrollBarState&, const TScrollBarState&) = default;
};

// A painted client area: Height rows of Width blue-green-red pixels, row y at Top + y x Stride.
struct TPixelView {
  const uint8_t* Top = nullptr;
  intptr_t Stride = 0;
  int32_t Width = 0;
  int32_t Height = 0;
};

// Thickness of a scroll bar while no host says otherwise.
constexpr int32_t kDefaultScrollBarExtent = 16;

class TCustomControl {
 public:
  TCustomControl();
  virtual ~TCustomControl();
  TCustomControl(const TCustomControl&) = delete;
  TCustomControl& operator=(const TCustomControl&) = delete;

  // Host link. A control without a host has no parent window: it keeps its state but nothing
  // shows it and its timers do not run.
  void SetHost(TControlHost* host);
  TControlHost* Host() const { return fHost; }
  bool HasParent() const { return fHost != nullptr; }

  // Outer bounds, border and scroll bars included. A size change calls Resize.
  int32_t Left() const { return fLeft; }
  int32_t Top() const { return fTop; }
  int32_t Width() const { return fWidth; }
  int32_t Height() const { return fHeight; }
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);

  TBorderStyle BorderStyle() const { return fBorderStyle; }
  void SetBorderStyle(TBorderStyle style);
  int32_t BorderWidth() const { return fBorderStyle == bsSingle ? 1 : 0; }

  // Client area: the bounds less the border and the visible scroll bars, never negative.
  // Its origin is the border's inner corner.
  int32_t ClientWidth() const;
  int32_t ClientHeight() const;
  int32_t ScrollBarExtent() const;

  // Scroll bars. Showing or hiding one changes the client area without calling Resize: the
  // caller that changes visibility settles the layout itself.
  const TScrollBarState& ScrollBar(TScrollBarKind kind) const { return fBars[kind]; }
  void SetScrollBar(TScrollBarKind kind, const TScrollBarState& state);
  // The user moved a scroll box (a host's command): the default stores the position.
  virtual void Scrolled(TScrollBarKind kind, int32_t position);

  // Repaint: the whole client area is painted again at the next Render.
  void Invalidate();
  bool NeedsPaint() const { return fNeedsPaint; }
  // Paints what is invalid and returns the client area's pixels, valid until the next call.
  virtual TPixelView Render() = 0;

  // Cursor: the control's own (the Cursor property), and the one shown now, which input
  // handling may change for a while (grips, long operations).
  TCursor Cursor() const { return fCursor; }
  void SetCursor(TCursor cursor);
  TCursor ShownCursor() const { return fShownCursor; }
  void ShowCursor(TCursor cursor);

  bool Focused() const { return fFocused; }
  // A host tells the control that it gained or lost the keyboard focus.
  void SetFocused(bool focused);

  // Input, in client coordinates.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
  virtual void MouseMove(TShiftState shift, int32_t x, int32_t y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
  // `delta` in eighths of a degree, positive away from the user; true when handled.
  virtual bool MouseWheel(TShiftState shift, int32_t delta, int32_t x, int32_t y);
  // `key` in the desktop's virtual-key numbering (letters and digits are their upper-case ASCII).
  virtual void KeyDown(int32_t key, TShiftState shift);
  virtual void KeyUp(int32_t key, TShiftState shift);

  // Timers by the control's own ids; while a host is attached they run on its timer service.
  void SetTimer(int32_t id, int32_t intervalMs);
  void KillTimer(int32_t id);
  bool TimerActive(int32_t id) const { return fTimers.count(id) != 0; }

  // Destruction notice: each registered target is told once, in registration order, when the
  // control is destroyed. A target registered twice is told once.
  void FreeNotification(TFreeNotifyTarget* target);
  void RemoveFreeNotification(TFreeNotifyTarget* target);

 protected:
  virtual void Resize() {}
  virtual void FocusChanged() {}
  virtual void Timer(int32_t /*id*/) {}
  // Tells the host that the pixels of a client rectangle changed outside a repaint.
  void InvalidateRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  // Called by Render before painting.
  void ValidatePaint() { fNeedsPaint = false; }

 private:
  struct TTimerEntry {
    int32_t Interval;
    int64_t Handle;  // 0 while no host runs it
  };
  void StartHostTimer(int32_t id, TTimerEntry& entry);
  void StopHostTimers();

  TControlHost* fHost = nullptr;
  int32_t fLeft = 0, fTop = 0, fWidth = 0, fHeight = 0;
  TBorderStyle fBorderStyle = bsNone;
  TScrollBarState fBars[2];
  bool fNeedsPaint = true;
  TCursor fCursor = crDefault;
  TCursor fShownCursor = crDefault;
  bool fFocused = false;
  std::map<int32_t, TTimerEntry> fTimers;
  std::vector<TFreeNotifyTarget*> fFreeNotifies;
};

}  // namespace kx
