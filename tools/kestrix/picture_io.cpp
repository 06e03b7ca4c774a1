// Picture files through the I/O component: format choice, reading from pipes, progress, and
// messages that say what went wrong. Saving goes through the library's safe replacing writer.
#include "tools/kestrix/picture_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "imaging/components/kestrix_io.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/file_replace.h"
#include "imaging/core/limits.h"
#include "imaging/core/stream.h"
#include "tools/kestrix/errors.h"
#include "tools/kestrix/formats.h"
#include "tools/kestrix/progress_bar.h"

namespace kestrix {
namespace {

// A component working on `bitmap` with a copy of `params`, reporting to `bar`.
class TToolIO {
 public:
  TToolIO(kx::TBitmap& bitmap, const kx::TIOParamsVals& params, TProgressBar& bar) {
    RegisterToolFormats();
    fIO.SetAttachedBitmap(&bitmap);
    fIO.AssignParams(&params);
    bool unused = false;
    fIO.OnProgress = bar.Record(unused).fOnProgress;
  }
  kx::TKestrixIO& IO() { return fIO; }

 private:
  kx::TKestrixIO fIO;
};

// The most a pipe or device may hand us: more than any picture within the pixel limit takes in
// any format (16 bytes a pixel covers text Netpbm), and never less than 64 MiB.
int64_t PipeBound() {
  int64_t bytes = 0;
  if (!kx::KXCheckedMul(kx::KXPixelLimit(), 16, bytes)) bytes = INT64_MAX;
  return std::max<int64_t>(bytes, int64_t(64) << 20);
}

// Reads all of `fd` into memory, up to PipeBound() bytes.
std::vector<uint8_t> ReadWhole(int fd, const std::string& shown) {
  const int64_t bound = PipeBound();
  std::vector<uint8_t> bytes;
  for (;;) {
    if (int64_t(bytes.size()) > bound)
      throw EFileFailure(shown + ": more than " + std::to_string(bound) + " bytes; see --pixel-limit");
    const size_t have = bytes.size();
    bytes.resize(have + (size_t(1) << 20));
    const ssize_t got = read(fd, bytes.data() + have, size_t(1) << 20);
    if (got < 0 && errno == EINTR) {
      bytes.resize(have);
      continue;
    }
    if (got < 0) throw EFileFailure(shown + ": " + std::strerror(errno));
    bytes.resize(have + size_t(got));
    if (got == 0) return bytes;
  }
}

// The input as a stream: a regular file is read where it lies; standard input, pipes, FIFOs
// and devices cannot be measured or re-read, so they are read whole first.
std::unique_ptr<kx::TStream> OpenInput(const std::string& path, const std::string& shown, bool& regular) {
  regular = false;
  if (path == "-") return std::make_unique<kx::TMemoryStream>(ReadWhole(STDIN_FILENO, shown));
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) throw EFileFailure(shown + ": " + std::strerror(errno));
  if (S_ISDIR(st.st_mode)) throw EFileFailure(shown + ": is a folder, not a picture");
  if (S_ISREG(st.st_mode)) {
    regular = true;
    return std::make_unique<kx::TFileStream>(path, kx::fmOpenRead);
  }
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EFileFailure(shown + ": " + std::strerror(errno));
  try {
    auto stream = std::make_unique<kx::TMemoryStream>(ReadWhole(fd, shown));
    close(fd);
    return stream;
  } catch (...) {
    close(fd);
    throw;
  }
}

// The reader's reason for a failed read, or a general one.
std::string ReadFailure(const kx::TKestrixIO& io, const std::string& formatName) {
  const std::string& reason = io.Diagnostics().Reason;
  return reason.empty() ? "not a valid " + formatName + " file, or damaged" : WithPixelLimitHint(reason);
}

void PrintWarnings(const kx::TKestrixIO& io, const std::string& shown) {
  for (const std::string& warning : io.Diagnostics().Warnings)
    std::fprintf(stderr, "kestrix: %s: warning: %s\n", shown.c_str(), warning.c_str());
}

// Writes all of `bytes` to standard output.
void WriteStandardOutput(const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EFileFailure(std::string("standard output: ") + std::strerror(errno));
    done += size_t(n);
  }
}

}  // namespace

std::string ShownName(const std::string& path, bool output) {
  if (path == "-") return output ? "standard output" : "standard input";
  return "\"" + path + "\"";
}

void LoadPicture(const std::string& path, kx::TBitmap& bitmap, kx::TIOParamsVals& params, bool preview, bool quiet) {
  const std::string shown = ShownName(path, false);
  try {
    TProgressBar bar("reading " + path, !quiet && !preview);
    TToolIO tool(bitmap, params, bar);
    kx::TKestrixIO& io = tool.IO();
    bool regular = false;
    const std::unique_ptr<kx::TStream> stream = OpenInput(path, shown, regular);
    const kx::TIOFileType byExtension = preview || !regular ? kx::ioUnknown : InputFileType(path);
    const kx::TIOFileType type = byExtension != kx::ioUnknown ? byExtension : kx::FindStreamFormat(*stream);
    if (type == kx::ioUnknown) throw EFileFailure(shown + ": not a picture format this tool reads");
    if (!ToolReads(type)) throw EFileFailure(shown + ": cannot read " + FormatName(type) + " files");
    bool failed = false;
    if (preview) {
      io.ParamsFromStream(*stream);
      failed = io.IOParams().FileType == kx::ioUnknown;
    } else {
      if (byExtension != kx::ioUnknown)
        io.LoadFromFile(path);
      else
        io.LoadFromStream(*stream);
      failed = io.Aborting();
    }
    bar.Finish();
    PrintWarnings(io, shown);
    if (failed) throw EFileFailure(shown + ": " + ReadFailure(io, FormatName(type)));
    params.Assign(io.IOParams());
    params.FileName = path;
  } catch (const kx::EStreamError& e) {
    throw EFileFailure(e.what());
  } catch (const kx::EPixelLimit& e) {
    throw EFileFailure(shown + ": " + e.what() + "; see --pixel-limit");
  } catch (const std::bad_alloc&) {
    throw EFileFailure(shown + ": out of memory");
  }
}

void SavePicture(const std::string& path, kx::TIOFileType fileType, kx::TBitmap& bitmap,
                 const kx::TIOParamsVals& params, bool quiet) {
  const std::string shown = ShownName(path, true);
  const std::string cannot = shown + ": the " + FormatName(fileType) + " writer cannot write this picture";
  try {
    TProgressBar bar("writing " + path, !quiet);
    TToolIO tool(bitmap, params, bar);
    kx::TKestrixIO& io = tool.IO();
    const auto write = [&](kx::TStream& stream) {
      io.SaveToStream(stream, fileType);
      return !io.Aborting();
    };
    if (path == "-") {
      kx::TMemoryStream encoded;
      const bool written = write(encoded);
      bar.Finish();
      if (!written) throw EFileFailure(cannot);
      WriteStandardOutput(encoded.Bytes());
      return;
    }
    const bool written = kx::KXReplaceFile(path, write);
    bar.Finish();
    if (!written) throw EFileFailure(cannot);
  } catch (const kx::EStreamError& e) {
    throw EFileFailure(e.what());
  } catch (const std::bad_alloc&) {
    throw EFileFailure(shown + ": out of memory while writing");
  }
}

}  // namespace kestrix
