// The per-send copies of the preview for the mail program.
#include "app/mail_outbox.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "imaging/core/file_replace.h"
#include "imaging/core/stream.h"

namespace quillop {

namespace fs = std::filesystem;

namespace {

// Send folders are made by mkdtemp from this pattern.
constexpr const char* kSendPrefix = "send-";

std::runtime_error OutboxError(const std::string& folder, int error) {
  return std::runtime_error("The picture cannot be kept for the e-mail in \"" + folder + "\": " + std::strerror(error) +
                            ".");
}

}  // namespace

std::string OutboxFolder(const std::string& workingFolder) { return workingFolder + "/outbox"; }

std::string KeepForMail(const std::string& outbox, const std::vector<uint8_t>& bytes) {
  if (::mkdir(outbox.c_str(), 0700) != 0 && errno != EEXIST) throw OutboxError(outbox, errno);
  std::string pattern = outbox + "/" + kSendPrefix + "XXXXXX";
  if (!::mkdtemp(pattern.data())) throw OutboxError(outbox, errno);
  const std::string file = pattern + "/" + kAttachmentName;
  kx::KXReplaceFile(file, [&](kx::TStream& stream) {
    stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    return true;
  });
  return file;
}

int RemoveOldMailCopies(const std::string& outbox, fs::file_time_type now, std::chrono::hours keep) {
  std::error_code ec;
  int removed = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(outbox, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(kSendPrefix, 0) != 0 || !entry.is_directory(ec) || entry.is_symlink(ec)) continue;
    const fs::file_time_type changed = fs::last_write_time(entry.path(), ec);
    if (ec || now - changed <= keep) continue;
    if (fs::remove_all(entry.path(), ec) != static_cast<std::uintmax_t>(-1) && !ec) ++removed;
  }
  return removed;
}

}  // namespace quillop
