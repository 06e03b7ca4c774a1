// The working folder and the preview files in it. The folder is the user's own
// ($XDG_CACHE_HOME/quillop, mode 0700); the process's current folder is never changed, every
// name is absolute. A preview name is eight lower-case hexadecimal digits from the time of day
// plus ".jpg", created exclusively and never through a symbolic link, and it stays reserved (an
// empty file) until the encoder replaces it, so no other program or instance can take it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quillop {

// $XDG_CACHE_HOME/quillop (or ~/.cache/quillop), created with mode 0700 when missing; a folder
// of ours that others may enter is made 0700 again. Empty when it cannot be made or is not a
// folder of ours (a symbolic link, another user's folder).
std::string PrepareWorkingFolder();
// Whether `name` (a bare file name) has the form of a preview file.
bool IsPreviewName(const std::string& name);
// The folder of a chosen file, which becomes MRUD: everything before its last '/'.
std::string FolderOfFile(const std::string& path);

// A folder of one run's own (`parent`/`prefix`-XXXXXX, made with mkdtemp), removed with
// everything in it when the object goes: the previews of a headless job or a benchmark.
// Throws std::runtime_error naming `parent` and the reason when it cannot be made.
class TScratchFolder {
 public:
  TScratchFolder(const std::string& parent, const std::string& prefix);
  ~TScratchFolder();
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;
  const std::string& Path() const { return fPath; }

 private:
  std::string fPath;
};

// $TMPDIR, or /tmp when it is not set.
std::string TemporaryFolder();

class TPreviewFiles {
 public:
  // Milliseconds since midnight, or any clock a test gives.
  using TClock = std::function<uint32_t()>;

  // Preview files in `folder`; `clock` defaults to the time of day.
  explicit TPreviewFiles(std::string folder, TClock clock = {});
  ~TPreviewFiles();
  TPreviewFiles(const TPreviewFiles&) = delete;
  TPreviewFiles& operator=(const TPreviewFiles&) = delete;

  // Reserves a fresh name beside the current preview, which stays as it is. Empty when no name
  // can be created (the folder is gone or not writable).
  std::string ReserveName();
  // The reserved `name` now holds the new preview: the previous one is deleted and `name`
  // becomes TempFileName.
  void Adopt(const std::string& name);
  // Gives up a reserved name that was not used.
  static void Release(const std::string& name);
  // Deletes the preview named by TempFileName; failure is ignored.
  void DeletePreview();
  const std::string& TempFileName() const { return fTempFileName; }

  // Removes the preview files of earlier runs that ended abnormally: only regular files of the
  // preview form in our folder, and only when no other instance is running (the instances share
  // a lock on the folder while they live). Returns how many were removed.
  int RemoveLeftovers();

 private:
  std::string fFolder;
  TClock fClock;
  std::string fTempFileName;
  int fLock = -1;  // shared while we live; exclusive only to clean up
};

}  // namespace quillop
