// The in-memory clipboard and the process's current clipboard.
#include "platform/memory_clipboard.h"

namespace kx {

namespace {

TClipboard* gClipboard = nullptr;

TClipboard& OwnClipboard() {
  static TMemoryClipboard own;
  return own;
}

}  // namespace

bool TMemoryClipboard::Open() {
  if (Refuses || fIsOpen) return false;
  fIsOpen = true;
  return true;
}

std::optional<std::vector<uint8_t>> TMemoryClipboard::Get(const std::string& format) {
  const auto it = fBlocks.find(format);
  if (it == fBlocks.end()) return std::nullopt;
  return it->second;
}

TClipboard& KXClipboard() { return gClipboard ? *gClipboard : OwnClipboard(); }

TClipboard* KXSetClipboard(TClipboard* clipboard) {
  TClipboard* previous = gClipboard;
  gClipboard = clipboard;
  return previous;
}

}  // namespace kx
