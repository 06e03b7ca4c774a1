// The folders a picture dialog was confirmed in, newest first, offered again by the dialog's
// history list.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kx {

class TKXFolderHistory {
 public:
  explicit TKXFolderHistory(size_t capacity = 20) : fCapacity(capacity) {}
  // Puts `folder` first; an earlier entry of it moves rather than repeats, and the oldest falls
  // off past the capacity. An empty name changes nothing.
  void Add(const std::string& folder);
  const std::vector<std::string>& Folders() const { return fFolders; }

 private:
  size_t fCapacity;
  std::vector<std::string> fFolders;
};

}  // namespace kx
