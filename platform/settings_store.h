// The per-user settings store, in the shape of a registry: a root, keys named by paths such as
// "\SOFTWARE\Brindlework\Quillop", and named values that keep their type. An application opens
// a key, reads and writes string values, and commits what it wrote with Flush: a store writes
// all of a commit or nothing, so a failure never leaves half-written settings.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kx {

// A value that has another type than the one asked for, a key that is not open, or a commit
// that failed; the message says which.
class ESettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TSettingsRoot : uint8_t { CurrentUser, LocalMachine };
// The type a value was stored with (Other: one this program does not know).
enum class TSettingsValueType : uint8_t { String, Integer, Other };

class TSettingsStore {
 public:
  virtual ~TSettingsStore() = default;

  // The root the next OpenKey looks under; CurrentUser until set.
  void SetRootKey(TSettingsRoot root) { fRoot = root; }
  TSettingsRoot RootKey() const { return fRoot; }
  // Opens the key at `path` under the root, creating it when `canCreate`; false when it does not
  // exist (and may not be created) or cannot be opened. Any key open before is closed.
  virtual bool OpenKey(const std::string& path, bool canCreate) = 0;
  virtual void CloseKey() = 0;
  // The string value `name` of the open key; empty when absent. Throws ESettingsError when the
  // value has another type or no key is open.
  virtual std::string ReadString(const std::string& name) = 0;
  // Sets the string value `name` of the open key, to be committed by Flush. Throws
  // ESettingsError when no key is open.
  virtual void WriteString(const std::string& name, const std::string& value) = 0;
  // Commits every write since the last commit, all or none. Throws ESettingsError on failure,
  // leaving what was stored before as it was.
  virtual void Flush() = 0;
  // Drops every write since the last commit.
  virtual void Discard() = 0;

 private:
  TSettingsRoot fRoot = TSettingsRoot::CurrentUser;
};

}  // namespace kx
