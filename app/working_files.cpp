// The working folder and preview names.
#include "app/working_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "platform/user_folders.h"

namespace quillop {
namespace {

constexpr const char* kLockName = ".instances";
// More tries than a running clock ever needs; a clock that stands still gets the next numbers.
constexpr int kNameTries = 4096;

uint32_t MillisecondsOfDay() {
  const auto now = std::chrono::system_clock::now();
  const auto day = std::chrono::floor<std::chrono::days>(now);
  return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now - day).count());
}

std::string HexName(uint32_t value) {
  char name[16];
  std::snprintf(name, sizeof name, "%08x.jpg", value);
  return name;
}

}  // namespace

std::string PrepareWorkingFolder() {
  const std::string cache = kx::KXUserCacheFolder();
  if (cache.empty() || !kx::KXMakeFolders(cache, 0700)) return {};
  const std::string folder = cache + "/quillop";
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
  struct stat st {};
  if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return {};
  if ((st.st_mode & 0077) != 0 && chmod(folder.c_str(), 0700) != 0) return {};
  return folder;
}

bool IsPreviewName(const std::string& name) {
  if (name.size() != 12 || name.compare(8, 4, ".jpg") != 0) return false;
  for (size_t i = 0; i < 8; ++i)
    if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'a' && name[i] <= 'f'))) return false;
  return true;
}

std::string FolderOfFile(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : path.substr(0, slash);
}

TPreviewFiles::TPreviewFiles(std::string folder, TClock clock)
    : fFolder(std::move(folder)), fClock(clock ? std::move(clock) : TClock(MillisecondsOfDay)) {
  const std::string lock = fFolder + "/" + kLockName;
  fLock = open(lock.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fLock >= 0) flock(fLock, LOCK_SH);
}

TPreviewFiles::~TPreviewFiles() {
  if (fLock >= 0) close(fLock);
}

std::string TPreviewFiles::ReserveName() {
  uint32_t candidate = fClock();
  uint32_t last = candidate;
  for (int i = 0; i < kNameTries; ++i) {
    const std::string name = fFolder + "/" + HexName(candidate);
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      close(fd);
      return name;
    }
    if (errno != EEXIST) return {};
    const uint32_t now = fClock();
    candidate = now != last ? now : candidate + 1;
    last = now;
  }
  return {};
}

void TPreviewFiles::Adopt(const std::string& name) {
  if (name == fTempFileName) return;
  DeletePreview();
  fTempFileName = name;
}

void TPreviewFiles::Release(const std::string& name) {
  if (!name.empty()) unlink(name.c_str());
}

void TPreviewFiles::DeletePreview() {
  if (!fTempFileName.empty()) unlink(fTempFileName.c_str());
  fTempFileName.clear();
}

int TPreviewFiles::RemoveLeftovers() {
  if (fLock < 0 || flock(fLock, LOCK_EX | LOCK_NB) != 0) return 0;
  int removed = 0;
  if (DIR* dir = opendir(fFolder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (!IsPreviewName(name)) continue;
      const std::string path = fFolder + "/" + name;
      struct stat st {};
      if (path == fTempFileName || lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
      if (unlink(path.c_str()) == 0) ++removed;
    }
    closedir(dir);
  }
  flock(fLock, LOCK_SH);
  return removed;
}

TScratchFolder::TScratchFolder(const std::string& parent, const std::string& prefix) {
  std::string pattern = parent + "/" + prefix + "-XXXXXX";
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("no working folder can be made in \"" + parent + "\": " + std::strerror(errno));
  fPath = pattern;
}

TScratchFolder::~TScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(fPath, ignored);
}

std::string TemporaryFolder() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

}  // namespace quillop
