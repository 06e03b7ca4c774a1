// The main window's place in the settings store.
#include "app/window_placement.h"

#include <charconv>
#include <string>

namespace quillop {

namespace {

bool ParseInt(const std::string& text, int32_t& out) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc() && ptr == end && !text.empty();
}

}  // namespace

bool ReadPlacement(kx::TSettingsStore& store, TWindowPlacement& placement) {
  store.SetRootKey(kx::TSettingsRoot::CurrentUser);
  if (!store.OpenKey(kPlacementKey, false)) return false;
  TWindowPlacement read;
  bool ok = false;
  try {
    const std::string state = store.ReadString("State");
    ok = ParseInt(store.ReadString("Left"), read.Left) && ParseInt(store.ReadString("Top"), read.Top) &&
         (state == "normal" || state == "minimized");
    read.Minimized = state == "minimized";
  } catch (const kx::ESettingsError&) {
    ok = false;
  }
  store.CloseKey();
  if (ok) placement = read;
  return ok;
}

bool WritePlacement(kx::TSettingsStore& store, const TWindowPlacement& placement) {
  store.SetRootKey(kx::TSettingsRoot::CurrentUser);
  try {
    if (!store.OpenKey(kPlacementKey, true)) return false;
    store.WriteString("Left", std::to_string(placement.Left));
    store.WriteString("Top", std::to_string(placement.Top));
    store.WriteString("State", placement.Minimized ? "minimized" : "normal");
    store.Flush();
  } catch (const kx::ESettingsError&) {
    store.Discard();
    store.CloseKey();
    return false;
  }
  store.CloseKey();
  return true;
}

}  // namespace quillop
