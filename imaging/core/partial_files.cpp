// The table of temporaries and the signal handler that removes them. The handler only reads
// fixed buffers, changes lock-free atomics and calls unlink, sigaction and raise, all of which
// are safe inside a signal handler.
#include "imaging/core/partial_files.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>

namespace kx {
namespace {

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free atomics");

enum TSlotState : int { kFree, kFilling, kListed, kRemoving, kRemoved };

struct TSlot {
  std::atomic<int> state{kFree};
  char path[PATH_MAX];
};

TSlot gSlots[kKXPartialFileSlots];

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = int(sizeof kSignals / sizeof kSignals[0]);
// The handler each signal had before this one; written only while this one is not installed for
// that signal, so the handler never reads it half-written.
struct sigaction gPrevious[kSignalCount];
std::mutex gInstallMutex;

void RemovePartialFiles() {
  for (TSlot& slot : gSlots) {
    int listed = kListed;
    if (!slot.state.compare_exchange_strong(listed, kRemoving)) continue;
    unlink(slot.path);
    slot.state.store(kRemoved);
  }
}

void OnEndingSignal(int signal, siginfo_t* info, void* context) {
  const int savedErrno = errno;
  RemovePartialFiles();
  int index = 0;
  while (kSignals[index] != signal) ++index;
  const struct sigaction& previous = gPrevious[index];
  if (previous.sa_flags & SA_SIGINFO) {
    previous.sa_sigaction(signal, info, context);
  } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
    previous.sa_handler(signal);
  } else {
    // The signal is blocked while this handler runs; raised again, it ends the program with its
    // default action as soon as the handler returns.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
  }
  errno = savedErrno;
}

bool IsOurs(const struct sigaction& action) {
  return (action.sa_flags & SA_SIGINFO) && action.sa_sigaction == &OnEndingSignal;
}

bool IsIgnored(const struct sigaction& action) {
  return !(action.sa_flags & SA_SIGINFO) && action.sa_handler == SIG_IGN;
}

// Puts the handler in front of whatever the program has installed since the last save.
void InstallHandlers() {
  const std::lock_guard<std::mutex> lock(gInstallMutex);
  for (int i = 0; i < kSignalCount; ++i) {
    struct sigaction current {};
    if (sigaction(kSignals[i], nullptr, &current) != 0 || IsOurs(current) || IsIgnored(current)) continue;
    gPrevious[i] = current;
    struct sigaction ours {};
    ours.sa_sigaction = &OnEndingSignal;
    ours.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&ours.sa_mask);
    for (int other : kSignals) sigaddset(&ours.sa_mask, other);
    sigaction(kSignals[i], &ours, nullptr);
  }
}

}  // namespace

bool TKXPartialFileEntry::List(const std::string& path) {
  Unlist();
  std::error_code error;
  const std::string absolute = std::filesystem::absolute(path, error).string();
  if (error || absolute.size() >= PATH_MAX) return false;
  InstallHandlers();
  for (int i = 0; i < kKXPartialFileSlots; ++i) {
    int free = kFree;
    if (!gSlots[i].state.compare_exchange_strong(free, kFilling)) continue;
    std::memcpy(gSlots[i].path, absolute.c_str(), absolute.size() + 1);
    gSlots[i].state.store(kListed);
    fSlot = i;
    return true;
  }
  return false;
}

void TKXPartialFileEntry::Unlist() {
  if (fSlot < 0) return;
  std::atomic<int>& state = gSlots[fSlot].state;
  // A handler busy with this slot on another thread finishes first; on this thread it cannot be
  // half-way, as it runs to its end before this code resumes.
  int seen = state.load();
  while (seen == kRemoving || !state.compare_exchange_weak(seen, kFree)) seen = state.load();
  fSlot = -1;
}

bool TKXPartialFileEntry::Removed() const { return fSlot >= 0 && gSlots[fSlot].state.load() == kRemoved; }

}  // namespace kx
