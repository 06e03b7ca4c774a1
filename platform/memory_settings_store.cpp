// The in-memory settings store.
#include "platform/memory_settings_store.h"

namespace kx {

bool TMemorySettingsStore::OpenKey(const std::string& path, bool canCreate) {
  TKeyId key{RootKey(), path};
  fOpen.reset();
  if (!fKeys.contains(key) && !fPending.contains(key)) {
    if (!canCreate) return false;
    fPending[key];
  }
  fOpen = std::move(key);
  return true;
}

std::string TMemorySettingsStore::ReadString(const std::string& name) {
  if (!fOpen) throw ESettingsError("no settings key is open");
  const auto key = fKeys.find(*fOpen);
  if (key == fKeys.end()) return {};
  const auto it = key->second.find(name);
  if (it == key->second.end()) return {};
  if (it->second.Type != TSettingsValueType::String) throw ESettingsError("\"" + name + "\" is not a text value");
  return it->second.Text;
}

void TMemorySettingsStore::WriteString(const std::string& name, const std::string& value) {
  if (!fOpen) throw ESettingsError("no settings key is open");
  ++fWrites;
  if (fFailIn > 0 && --fFailIn == 0) throw ESettingsError("cannot write \"" + name + "\": No space left on device");
  fPending[*fOpen][name] = TValue{TSettingsValueType::String, value};
}

void TMemorySettingsStore::Flush() {
  for (auto& [key, values] : fPending) {
    auto& committed = fKeys[key];
    for (auto& [name, value] : values) committed[name] = std::move(value);
  }
  fPending.clear();
}

void TMemorySettingsStore::Plant(const std::string& path, const std::string& name, TValue value) {
  fKeys[{RootKey(), path}][name] = std::move(value);
}

}  // namespace kx
