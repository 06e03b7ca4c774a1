// The temporaries of saves in progress, removed when SIGINT, SIGTERM or SIGHUP ends the program,
// so that an interrupted save leaves nothing behind. Everything the signal handler touches is
// preallocated at load time, so the handler stays async-signal-safe.
#pragma once

#include <string>

namespace kx {

// Saves in progress that the table can protect at once; further saves go unprotected.
constexpr int kKXPartialFileSlots = 16;

// One temporary in the table. Each listing puts the handler in front of what the program has
// installed for each of the three signals: an ignored signal stays ignored; a handler of the
// program is called after the temporaries are removed; without one the signal is raised again
// with its default action, so the exit status still names it.
class TKXPartialFileEntry {
 public:
  TKXPartialFileEntry() = default;
  ~TKXPartialFileEntry() { Unlist(); }
  TKXPartialFileEntry(const TKXPartialFileEntry&) = delete;
  TKXPartialFileEntry& operator=(const TKXPartialFileEntry&) = delete;

  // Lists `path` (made absolute) for removal; false when the table is full or the path too long.
  bool List(const std::string& path);
  // Takes the entry off the table; the file itself is left alone.
  void Unlist();
  // True when a signal handler removed the file.
  bool Removed() const;

 private:
  int fSlot = -1;
};

}  // namespace kx
