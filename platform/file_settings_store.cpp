// The file-backed settings store.
#include "platform/file_settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/user_folders.h"

namespace kx {
namespace {

constexpr const char* kSoftwarePrefix = "\\SOFTWARE\\";

const char* TypeName(TSettingsValueType type) {
  switch (type) {
    case TSettingsValueType::String:
      return "string";
    case TSettingsValueType::Integer:
      return "integer";
    case TSettingsValueType::Other:
      break;
  }
  return "";
}

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
  }
  return out;
}

bool ValidName(const std::string& name) {
  return !name.empty() && name.find_first_of(" \t\r\n=#") == std::string::npos;
}

// Writes `text` to `file` through a temporary in its folder and a rename.
void ReplaceFileText(const std::string& file, const std::string& text) {
  const std::string folder = file.substr(0, file.rfind('/'));
  const auto fail = [&](const std::string& temporary) {
    const std::string reason = std::strerror(errno);
    if (!temporary.empty()) unlink(temporary.c_str());
    throw ESettingsError("cannot save the settings \"" + file + "\": " + reason);
  };
  if (!KXMakeFolders(folder, 0700)) fail({});
  std::string temporary = folder + "/." + file.substr(file.rfind('/') + 1) + ".partial-XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) fail({});
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      fail(temporary);
    }
    done += size_t(n);
  }
  if (fsync(fd) != 0 || close(fd) != 0) fail(temporary);
  if (rename(temporary.c_str(), file.c_str()) != 0) fail(temporary);
}

}  // namespace

TFileSettingsStore::TFileSettingsStore(std::string folder) : fFolder(std::move(folder)) {}

TFileSettingsStore::TFileSettingsStore() : TFileSettingsStore(KXUserConfigFolder()) {}

std::string TFileSettingsStore::KeyFile(const std::string& path) const {
  if (RootKey() != TSettingsRoot::CurrentUser || fFolder.empty()) return {};
  std::string rest = path;
  if (rest.size() >= std::strlen(kSoftwarePrefix) &&
      strncasecmp(rest.c_str(), kSoftwarePrefix, std::strlen(kSoftwarePrefix)) == 0)
    rest.erase(0, std::strlen(kSoftwarePrefix));
  std::string file = fFolder;
  std::istringstream parts(rest);
  int count = 0;
  for (std::string part; std::getline(parts, part, '\\');) {
    if (part.empty() && count == 0) continue;  // a leading backslash
    if (part.empty() || part == "." || part == ".." || part.find('/') != std::string::npos) return {};
    file += "/" + part;
    ++count;
  }
  return count ? file + ".conf" : std::string();
}

bool TFileSettingsStore::OpenKey(const std::string& path, bool canCreate) {
  fOpen = nullptr;
  const std::string file = KeyFile(path);
  if (file.empty()) return false;
  auto it = fKeys.find(file);
  if (it == fKeys.end()) {
    struct stat st {};
    const bool exists = stat(file.c_str(), &st) == 0;
    std::ifstream in(file, std::ios::binary);
    // A file that exists but cannot be read is never replaced by an empty one.
    if (!in && (exists || !canCreate)) return false;
    TKey key;
    if (in) {
      std::ostringstream text;
      text << in.rdbuf();
      if (in.bad()) return false;
      key.Values = Parse(text.str());
    } else {
      key.Dirty = true;  // created: the commit writes the file even with no values
    }
    it = fKeys.emplace(file, std::move(key)).first;
  }
  fOpen = &it->second;
  return true;
}

std::string TFileSettingsStore::ReadString(const std::string& name) {
  if (!fOpen) throw ESettingsError("no settings key is open");
  const auto it = fOpen->Values.find(name);
  if (it == fOpen->Values.end()) return {};
  if (it->second.Type != TSettingsValueType::String) throw ESettingsError("\"" + name + "\" is not a text value");
  return it->second.Text;
}

void TFileSettingsStore::WriteString(const std::string& name, const std::string& value) {
  if (!fOpen) throw ESettingsError("no settings key is open");
  if (!ValidName(name)) throw ESettingsError("\"" + name + "\" cannot name a setting");
  fOpen->Pending[name] = TValue{TSettingsValueType::String, value, {}};
  fOpen->Dirty = true;
}

void TFileSettingsStore::Flush() {
  for (auto& [file, key] : fKeys) {
    if (!key.Dirty) continue;
    TValues merged = key.Values;
    for (const auto& [name, value] : key.Pending) merged[name] = value;
    ReplaceFileText(file, Format(merged));
    key.Values = std::move(merged);
    key.Pending.clear();
    key.Dirty = false;
  }
}

void TFileSettingsStore::Discard() {
  for (auto& [file, key] : fKeys) {
    key.Pending.clear();
    key.Dirty = false;
  }
}

TFileSettingsStore::TValues TFileSettingsStore::Parse(const std::string& text) {
  TValues values;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    const size_t space = line.find(' ');
    const size_t equals = line.find(" = ");
    if (space == std::string::npos || equals == std::string::npos || equals <= space) continue;
    const std::string type = line.substr(0, space), name = line.substr(space + 1, equals - space - 1);
    if (!ValidName(name)) continue;
    const TSettingsValueType kind = type == "string"    ? TSettingsValueType::String
                                    : type == "integer" ? TSettingsValueType::Integer
                                                        : TSettingsValueType::Other;
    values[name] = TValue{kind, Unescape(line.substr(equals + 3)), kind == TSettingsValueType::Other ? type : ""};
  }
  return values;
}

std::string TFileSettingsStore::Format(const TValues& values) {
  std::string text = "# Settings written by the program; one value per line: type name = text\n";
  for (const auto& [name, value] : values)
    text += (value.Type == TSettingsValueType::Other ? value.OtherType : std::string(TypeName(value.Type))) + " " +
            name + " = " + Escape(value.Text) + "\n";
  return text;
}

}  // namespace kx
