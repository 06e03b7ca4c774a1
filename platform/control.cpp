// The control base: geometry, scroll-bar state, cursor, focus and timers, with the host told
// of every change it has to show.
#include "platform/control.h"

#include <algorithm>

#include "platform/host.h"
#include "platform/timer.h"

namespace kx {

TCustomControl::TCustomControl() = default;

TCustomControl::~TCustomControl() {
  if (fHost) {
    StopHostTimers();
    fHost->ControlDestroyed(*this);
  }
  // Taken out first, so a target that unregisters itself while being told changes nothing.
  const std::vector<TFreeNotifyTarget*> targets = std::move(fFreeNotifies);
  fFreeNotifies.clear();
  for (TFreeNotifyTarget* t : targets) t->ControlFreed(*this);
}

void TCustomControl::FreeNotification(TFreeNotifyTarget* target) {
  if (target && std::find(fFreeNotifies.begin(), fFreeNotifies.end(), target) == fFreeNotifies.end())
    fFreeNotifies.push_back(target);
}

void TCustomControl::RemoveFreeNotification(TFreeNotifyTarget* target) { std::erase(fFreeNotifies, target); }

void TCustomControl::SetHost(TControlHost* host) {
  if (host == fHost) return;
  if (fHost) StopHostTimers();
  fHost = host;
  if (fHost) {
    for (auto& [id, entry] : fTimers) StartHostTimer(id, entry);
    Invalidate();
  }
}

void TCustomControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  fLeft = left;
  fTop = top;
  if (width == fWidth && height == fHeight) return;
  fWidth = width;
  fHeight = height;
  fNeedsPaint = true;
  Resize();
}

void TCustomControl::SetBorderStyle(TBorderStyle style) {
  if (style == fBorderStyle) return;
  fBorderStyle = style;
  Resize();
  Invalidate();
}

int32_t TCustomControl::ScrollBarExtent() const { return fHost ? fHost->ScrollBarExtent() : kDefaultScrollBarExtent; }

int32_t TCustomControl::ClientWidth() const {
  const int32_t bar = fBars[sbVertical].Visible ? ScrollBarExtent() : 0;
  return std::max(0, fWidth - 2 * BorderWidth() - bar);
}

int32_t TCustomControl::ClientHeight() const {
  const int32_t bar = fBars[sbHorizontal].Visible ? ScrollBarExtent() : 0;
  return std::max(0, fHeight - 2 * BorderWidth() - bar);
}

void TCustomControl::SetScrollBar(TScrollBarKind kind, const TScrollBarState& state) {
  if (fBars[kind] == state) return;
  const bool layout = fBars[kind].Visible != state.Visible;
  fBars[kind] = state;
  if (fHost) fHost->ScrollBarsChanged(*this);
  if (layout) Invalidate();
}

void TCustomControl::Scrolled(TScrollBarKind kind, int32_t position) {
  TScrollBarState s = fBars[kind];
  s.Position = std::clamp(position, s.Min, std::max(s.Min, s.Max));
  SetScrollBar(kind, s);
}

void TCustomControl::Invalidate() {
  fNeedsPaint = true;
  if (fHost) fHost->Invalidate(*this, 0, 0, ClientWidth(), ClientHeight());
}

void TCustomControl::InvalidateRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, ClientWidth());
  bottom = std::min(bottom, ClientHeight());
  if (fHost && left < right && top < bottom) fHost->Invalidate(*this, left, top, right, bottom);
}

void TCustomControl::SetCursor(TCursor cursor) {
  fCursor = cursor;
  ShowCursor(cursor);
}

void TCustomControl::ShowCursor(TCursor cursor) {
  if (cursor == fShownCursor) return;
  fShownCursor = cursor;
  if (fHost) fHost->CursorChanged(*this);
}

void TCustomControl::SetFocused(bool focused) {
  if (focused == fFocused) return;
  fFocused = focused;
  FocusChanged();
}

void TCustomControl::MouseDown(TMouseButton, TShiftState, int32_t, int32_t) {}
void TCustomControl::MouseMove(TShiftState, int32_t, int32_t) {}
void TCustomControl::MouseUp(TMouseButton, TShiftState, int32_t, int32_t) {}
bool TCustomControl::MouseWheel(TShiftState, int32_t, int32_t, int32_t) { return false; }
void TCustomControl::KeyDown(int32_t, TShiftState) {}
void TCustomControl::KeyUp(int32_t, TShiftState) {}

void TCustomControl::SetTimer(int32_t id, int32_t intervalMs) {
  KillTimer(id);
  TTimerEntry& entry = fTimers[id] = TTimerEntry{std::max(intervalMs, 1), 0};
  if (fHost) StartHostTimer(id, entry);
}

void TCustomControl::KillTimer(int32_t id) {
  auto it = fTimers.find(id);
  if (it == fTimers.end()) return;
  if (fHost && it->second.Handle) fHost->Timers().Stop(it->second.Handle);
  fTimers.erase(it);
}

void TCustomControl::StartHostTimer(int32_t id, TTimerEntry& entry) {
  entry.Handle = fHost->Timers().Start(entry.Interval, [this, id] { Timer(id); });
}

void TCustomControl::StopHostTimers() {
  for (auto& [id, entry] : fTimers) {
    if (entry.Handle) fHost->Timers().Stop(entry.Handle);
    entry.Handle = 0;
  }
}

}  // namespace kx
