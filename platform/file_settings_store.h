// The settings store of a Linux desktop: one text file per key under the user's configuration
// folder. Key "\SOFTWARE\Brindlework\Quillop" of the current user is the file
// <folder>/Brindlework/Quillop.conf. Each line is "<type> <name> = <text>" with the types
// "string" and "integer"; in the text a backslash escapes a backslash (\\), a line end (\n), a
// carriage return (\r) and a tab (\t). Lines starting with '#' and empty lines are comments. A
// commit rewrites the whole file under a temporary name in its folder and renames it over the
// old one, so a crash or a full disk never leaves a half-written file.
#pragma once

#include <map>
#include <string>

#include "platform/settings_store.h"

namespace kx {

class TFileSettingsStore : public TSettingsStore {
 public:
  // Keys live under `folder` (KXUserConfigFolder() by default).
  explicit TFileSettingsStore(std::string folder);
  TFileSettingsStore();

  bool OpenKey(const std::string& path, bool canCreate) override;
  void CloseKey() override { fOpen = nullptr; }
  std::string ReadString(const std::string& name) override;
  void WriteString(const std::string& name, const std::string& value) override;
  void Flush() override;
  void Discard() override;

  // The file that holds key `path`, or empty for a path that names no file of ours (another
  // root, an empty or ".." component).
  std::string KeyFile(const std::string& path) const;

  struct TValue {
    TSettingsValueType Type = TSettingsValueType::String;
    std::string Text;
    std::string OtherType;  // the type word of an Other value, kept when the file is rewritten
  };
  using TValues = std::map<std::string, TValue>;
  // The text of a key file and back; unknown types read as Other, malformed lines are skipped.
  static TValues Parse(const std::string& text);
  static std::string Format(const TValues& values);

 private:
  struct TKey {
    TValues Values;   // as read, plus the committed writes
    TValues Pending;  // written since the last commit
    bool Dirty = false;
  };

  std::string fFolder;
  std::map<std::string, TKey> fKeys;  // by file
  TKey* fOpen = nullptr;
};

}  // namespace kx
