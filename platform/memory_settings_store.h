// A settings store held in memory, for tests: values of any type can be planted, and a write
// can be made to fail, to check how an application handles a broken store.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>

#include "platform/settings_store.h"

namespace kx {

class TMemorySettingsStore : public TSettingsStore {
 public:
  struct TValue {
    TSettingsValueType Type = TSettingsValueType::String;
    std::string Text;
    friend bool operator==(const TValue&, const TValue&) = default;
  };
  // Key path -> value name -> value, per root.
  using TKeys = std::map<std::pair<TSettingsRoot, std::string>, std::map<std::string, TValue>>;

  bool OpenKey(const std::string& path, bool canCreate) override;
  void CloseKey() override { fOpen.reset(); }
  // Reads see the committed values.
  std::string ReadString(const std::string& name) override;
  void WriteString(const std::string& name, const std::string& value) override;
  void Flush() override;
  void Discard() override { fPending.clear(); }

  // Plants a value of any type in key `path` of the root, creating the key.
  void Plant(const std::string& path, const std::string& name, TValue value);
  // The committed keys and values.
  const TKeys& Keys() const { return fKeys; }
  // Makes the n-th WriteString from now (1 = the next) fail, as a full disk would; 0 never.
  void FailWrite(int n) { fFailIn = n; }
  int Writes() const { return fWrites; }

 private:
  using TKeyId = std::pair<TSettingsRoot, std::string>;
  TKeys fKeys;
  // Keys created and values written since the last commit.
  TKeys fPending;
  std::optional<TKeyId> fOpen;
  int fFailIn = 0;
  int fWrites = 0;
};

}  // namespace kx
