// The save: find what the name leads to, then either write a temporary and rename it over the
// file, or write a device or FIFO in place. Errors always name the file the caller gave, never
// the temporary.
#include "imaging/core/file_replace.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string_view>
#include <utility>

#include "imaging/core/partial_files.h"
#include "imaging/core/stream.h"

namespace kx {
namespace {

constexpr int kMaxLinks = 40;  // as many as the kernel follows in one path
constexpr std::string_view kPartialMark = ".kx-partial-";
constexpr int kRandomLetters = 6;
constexpr int kCreateAttempts = 64;

[[noreturn]] void CreateFailure(const std::string& fileName, int error) {
  throw EFCreateError("Cannot create file \"" + fileName + "\". " + std::strerror(error));
}

// What a save through a name reaches.
struct TTarget {
  std::string path;  // the name to rename over: the given one, or the end of its links
  bool exists = false;
  bool inPlace = false;  // written where it stands
  bool truncate = false;
  struct stat info {};
};

std::string LinkTarget(const std::string& link, const std::string& fileName) {
  char buffer[PATH_MAX];
  const ssize_t length = readlink(link.c_str(), buffer, sizeof buffer);
  if (length < 0) CreateFailure(fileName, errno);
  if (size_t(length) == sizeof buffer) CreateFailure(fileName, ENAMETOOLONG);
  const std::filesystem::path next(std::string(buffer, size_t(length)));
  if (next.is_absolute()) return next.string();
  return (std::filesystem::path(link).parent_path() / next).string();
}

TTarget Resolve(const std::string& fileName) {
  TTarget target;
  struct stat reached {};
  const bool reachable = stat(fileName.c_str(), &reached) == 0;
  if (reachable && S_ISDIR(reached.st_mode)) CreateFailure(fileName, EISDIR);
  if (reachable && !S_ISREG(reached.st_mode)) {
    target = {fileName, true, true, false, reached};
    return target;
  }
  std::string path = fileName;
  for (int links = 0;; ++links) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
      if (errno != ENOENT) CreateFailure(fileName, errno);
      target.path = path;
      return target;
    }
    if (!S_ISLNK(info.st_mode)) {
      target = {path, true, false, false, info};
      break;
    }
    if (links == kMaxLinks) CreateFailure(fileName, ELOOP);
    path = LinkTarget(path, fileName);
  }
  // A link that names no path of its own (a descriptor of a deleted file under /proc) still
  // leads somewhere: that file is written in place.
  if (reachable && (reached.st_dev != target.info.st_dev || reached.st_ino != target.info.st_ino))
    target = {fileName, true, true, true, reached};
  return target;
}

// ".<name>.kx-partial-" in the target's folder; the random letters follow. The name is cut, at
// the start of a character, so that the whole stays a legal name.
std::string PartialPrefix(const std::string& path) {
  const std::filesystem::path target(path);
  std::string name = target.filename().string();
  const size_t room = NAME_MAX - 1 - kPartialMark.size() - kRandomLetters;
  if (name.size() > room) {
    size_t cut = room;
    while (cut > 0 && (uint8_t(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  return (folder / ("." + name)).string() + std::string(kPartialMark);
}

std::string RandomLetters() {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 generator{std::random_device{}()};
  std::string letters(kRandomLetters, ' ');
  for (char& c : letters) c = kLetters[generator() % (sizeof kLetters - 1)];
  return letters;
}

// Blocks the ending signals on this thread while a temporary is made and listed, so that none of
// them finds it made but not yet listed.
class TEndingSignalsBlocked {
 public:
  TEndingSignalsBlocked() {
    sigset_t ending;
    sigemptyset(&ending);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, signal);
    pthread_sigmask(SIG_BLOCK, &ending, &fSaved);
  }
  ~TEndingSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &fSaved, nullptr); }
  TEndingSignalsBlocked(const TEndingSignalsBlocked&) = delete;
  TEndingSignalsBlocked& operator=(const TEndingSignalsBlocked&) = delete;

 private:
  sigset_t fSaved;
};

// The temporary of one save: removed on destruction unless it was renamed over the target.
class TTemporary {
 public:
  TTemporary(const std::string& fileName, const TTarget& target) : fFileName(fileName) {
    const std::string prefix = PartialPrefix(target.path);
    // A new file gets the permissions a plain create would give it; a replacement starts private
    // and takes the old file's permissions once its owner is settled.
    const mode_t mode = target.exists ? 0600 : 0666;
    const TEndingSignalsBlocked blocked;
    for (int attempt = 0; fFd < 0; ++attempt) {
      fPath = prefix + RandomLetters();
      fFd = open(fPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
      if (fFd < 0 && (errno != EEXIST || attempt == kCreateAttempts)) CreateFailure(fFileName, errno);
    }
    fEntry.List(fPath);
    if (target.exists && !TakeOwnerAndMode(target.info)) {
      const int error = errno;
      Discard();
      CreateFailure(fFileName, error);
    }
  }
  ~TTemporary() {
    if (!fRenamed) Discard();
  }
  TTemporary(const TTemporary&) = delete;
  TTemporary& operator=(const TTemporary&) = delete;

  // The open temporary, now owned by the caller.
  int TakeDescriptor() { return std::exchange(fFd, -1); }

  void RenameOver(const std::string& path) {
    if (fEntry.Removed()) CreateFailure(fFileName, EINTR);
    if (::rename(fPath.c_str(), path.c_str()) != 0) CreateFailure(fFileName, errno);
    fRenamed = true;
  }

 private:
  void Discard() {
    if (fFd >= 0) close(std::exchange(fFd, -1));
    if (!fEntry.Removed()) unlink(fPath.c_str());
    fEntry.Unlist();
  }

  bool TakeOwnerAndMode(const struct stat& old) {
    // Only root may give a file away; anyone may pass it to a group of their own.
    if (fchown(fFd, old.st_uid, old.st_gid) != 0) fchown(fFd, uid_t(-1), old.st_gid);
    struct stat now {};
    const bool ownerKept = fstat(fFd, &now) == 0 && now.st_uid == old.st_uid && now.st_gid == old.st_gid;
    const mode_t bits = old.st_mode & (ownerKept ? 07777 : 0777);
    return fchmod(fFd, bits) == 0;
  }

  std::string fFileName;
  std::string fPath;
  int fFd = -1;
  bool fRenamed = false;
  TKXPartialFileEntry fEntry;
};

bool WriteInPlace(const std::string& fileName, const TTarget& target, const std::function<bool(TStream&)>& write) {
  const int fd = open(fileName.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (target.truncate ? O_TRUNC : 0));
  if (fd < 0) CreateFailure(fileName, errno);
  TFileStream stream(fd, fileName);
  if (!write(stream)) return false;
  stream.Flush();
  return true;
}

bool WriteAndRename(const std::string& fileName, const TTarget& target, const std::function<bool(TStream&)>& write) {
  if (target.exists && access(target.path.c_str(), W_OK) != 0) CreateFailure(fileName, errno);
  TTemporary temporary(fileName, target);
  {
    TFileStream stream(temporary.TakeDescriptor(), fileName);
    if (!write(stream)) return false;
    stream.Flush();
  }
  temporary.RenameOver(target.path);
  return true;
}

}  // namespace

bool KXReplaceFile(const std::string& fileName, const std::function<bool(TStream&)>& write) {
  const TTarget target = Resolve(fileName);
  try {
    return target.inPlace ? WriteInPlace(fileName, target, write) : WriteAndRename(fileName, target, write);
  } catch (const EWriteError& e) {
    const std::string quoted = "\"" + fileName + "\"";
    if (std::string_view(e.what()).find(quoted) != std::string_view::npos) throw;
    throw EWriteError("Cannot write file " + quoted + ". " + e.what());
  }
}

}  // namespace kx
