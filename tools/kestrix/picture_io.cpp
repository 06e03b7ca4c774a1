// Picture files: format choice, progress, error messages and the temporary-then-rename save.
#include "tools/kestrix/picture_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "tools/kestrix/errors.h"
#include "tools/kestrix/formats.h"
#include "tools/kestrix/progress_bar.h"

namespace kestrix {
namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// A new empty file next to `path`, with the permissions a plain create would give it.
std::string CreateTemporaryNextTo(const std::string& path) {
  const std::filesystem::path target(path);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string name = (folder / ("." + target.filename().string() + ".kx-XXXXXX")).string();
  const int fd = mkstemp(name.data());
  if (fd < 0) throw EFileFailure("cannot write " + Quoted(path) + ": " + std::strerror(errno));
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  return name;
}

}  // namespace

void LoadPicture(const std::string& path, kx::TBitmap& bitmap, kx::TIOParamsVals& params, bool preview, bool quiet) {
  try {
    kx::TFileStream stream(path, kx::fmOpenRead);
    const TToolFormat* format = InputFormat(path, stream);
    if (!format) throw EFileFailure(Quoted(path) + ": not a picture format this tool reads");
    bool aborting = false;
    TProgressBar bar("reading " + path, !quiet && !preview);
    kx::TProgressRec progress = bar.Record(aborting);
    format->Read(stream, bitmap, params, preview, progress);
    bar.Finish();
    if (aborting) throw EFileFailure(Quoted(path) + ": not a valid " + std::string(format->Name) + " file, or damaged");
    params.FileType = format->FileType;
    params.FileName = path;
  } catch (const kx::EStreamError& e) {
    throw EFileFailure(e.what());
  }
}

void SavePicture(const std::string& path, kx::TBitmap& bitmap, const kx::TIOParamsVals& params, bool quiet) {
  const TToolFormat& format = OutputFormat(path);
  const std::string temporary = CreateTemporaryNextTo(path);
  try {
    bool aborting = false;
    {
      kx::TFileStream stream(temporary, kx::fmCreate);
      TProgressBar bar("writing " + path, !quiet);
      kx::TProgressRec progress = bar.Record(aborting);
      format.Write(stream, bitmap, params, progress);
      bar.Finish();
      if (!aborting) stream.Flush();
    }
    if (aborting)
      throw EFileFailure(Quoted(path) + ": the " + std::string(format.Name) +
                         " writer cannot write this picture with these parameters");
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
      throw EFileFailure("cannot write " + Quoted(path) + ": " + std::strerror(errno));
  } catch (const kx::EStreamError& e) {
    std::remove(temporary.c_str());
    throw EFileFailure("cannot write " + Quoted(path) + ": " + e.what());
  } catch (...) {
    std::remove(temporary.c_str());
    throw;
  }
}

}  // namespace kestrix
