// The temporary-then-rename save. The temporary gets the permissions a plain create would give
// the file, and a flush failure (a full disk) counts as a failed write.
#include "imaging/core/file_replace.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "imaging/core/stream.h"

namespace kx {
namespace {

std::string CreateFailure(const std::string& fileName) {
  return "Cannot create file \"" + fileName + "\". " + std::strerror(errno);
}

std::string CreateTemporaryNextTo(const std::string& fileName) {
  const std::filesystem::path target(fileName);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string name = (folder / ("." + target.filename().string() + ".kx-XXXXXX")).string();
  const int fd = mkstemp(name.data());
  if (fd < 0) throw EFCreateError(CreateFailure(fileName));
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  return name;
}

}  // namespace

bool KXReplaceFile(const std::string& fileName, const std::function<bool(TStream&)>& write) {
  const std::string temporary = CreateTemporaryNextTo(fileName);
  try {
    bool complete = false;
    {
      TFileStream stream(temporary, fmCreate);
      complete = write(stream);
      if (complete) stream.Flush();
    }
    if (!complete) {
      std::remove(temporary.c_str());
      return false;
    }
    if (std::rename(temporary.c_str(), fileName.c_str()) != 0) throw EFCreateError(CreateFailure(fileName));
    return true;
  } catch (...) {
    std::remove(temporary.c_str());
    throw;
  }
}

}  // namespace kx
