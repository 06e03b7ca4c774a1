// `kestrix hide`, `reveal` and `capacity`: data in the low bits of a picture's pixels. A 1-bit
// picture is taken as its 24-bit form, which is what carries the data. Hide encodes OUT in
// memory and reads the data back from that encoding before anything is written, so a format
// that changes pixels (JPEG, or a writer that reduces colours) is refused instead of leaving a
// file that silently lost the data.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "imaging/components/kestrix_io.h"
#include "imaging/components/kestrix_proc.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/file_replace.h"
#include "imaging/core/progress.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/proc/pixel_convert.h"
#include "tools/kestrix/commands.h"
#include "tools/kestrix/errors.h"
#include "tools/kestrix/formats.h"
#include "tools/kestrix/picture_io.h"

namespace kestrix {
namespace {

// IN as the 24-bit picture that carries the data.
void LoadCarrier(const TCommandLine& cl, kx::TBitmap& bitmap, kx::TIOParamsVals& params) {
  LoadPicture(cl.Files[0], bitmap, params, false, cl.Quiet);
  if (bitmap.BitCount() == 1) {
    kx::TBitmap full;
    kx::TProgressRec quiet = kx::NullProgress();
    kx::_Conv1to24(bitmap, full, quiet);
    bitmap.Swap(full);
  }
}

// The bytes of DATA, refused before reading when they are more than `space`.
std::vector<uint8_t> ReadData(const std::string& path, int32_t space) {
  const std::string shown = ShownName(path, false);
  try {
    kx::TFileStream stream(path, kx::fmOpenRead);
    const int64_t size = stream.Size();
    if (size > space)
      throw EOperationFailure("hide: " + shown + " holds " + std::to_string(size) + " bytes; the picture holds " +
                              std::to_string(space));
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (stream.Read(bytes.data(), size) != size) throw EFileFailure(shown + ": could not be read whole");
    return bytes;
  } catch (const kx::EStreamError& e) {
    throw EFileFailure(e.what());
  }
}

// The data hidden in `bitmap`, or nothing with `found` false.
std::vector<uint8_t> HiddenData(kx::TBitmap& bitmap, bool& found) {
  kx::TKestrixProc proc;
  proc.SetAttachedBitmap(&bitmap);
  std::vector<uint8_t> data(size_t(proc.ReadHiddenData(nullptr, 0)));
  proc.ReadHiddenData(data.data(), int32_t(data.size()));
  found = !data.empty();
  return data;
}

}  // namespace

int RunHide(const TCommandLine& cl) {
  const std::string& out = cl.Files[1];
  if (out == "-") throw EUsageError("hide writes OUT to a file");
  const kx::TIOFileType outputType = OutputFileType(out, cl.OutputFormat);
  kx::TBitmap bitmap;
  kx::TIOParamsVals params;
  LoadCarrier(cl, bitmap, params);
  kx::TKestrixProc proc;
  proc.SetAutoUndo(false);
  proc.SetAttachedBitmap(&bitmap);
  const int32_t space = proc.GetHiddenDataSpace();
  const std::vector<uint8_t> data =
      cl.HasHideText ? std::vector<uint8_t>(cl.HideText.begin(), cl.HideText.end()) : ReadData(cl.HideFile, space);
  // An empty block would read back as no data at all.
  if (data.empty()) throw EOperationFailure("hide: " + ShownName(cl.HideFile, false) + " is empty");
  if (data.size() > size_t(space))
    throw EOperationFailure("hide: " + std::to_string(data.size()) + " bytes do not fit: the picture holds " +
                            std::to_string(space));
  proc.WriteHiddenData(data.data(), int32_t(data.size()));

  const std::string shown = ShownName(out, true);
  try {
    // A fresh parameter set: the input's own (a palette size, a JPEG's settings) could make the
    // writer change pixels. The resolution is kept.
    kx::TIOParamsVals outParams;
    outParams.DpiX = params.DpiX;
    outParams.DpiY = params.DpiY;
    kx::TKestrixIO writer;
    writer.SetAttachedBitmap(&bitmap);
    writer.IOParams().Assign(outParams);
    kx::TMemoryStream encoded;
    writer.SaveToStream(encoded, outputType);
    if (writer.Aborting())
      throw EFileFailure(shown + ": the " + FormatName(outputType) + " writer cannot write this picture");
    kx::TBitmap decoded;
    kx::TKestrixIO reader;
    reader.SetAttachedBitmap(&decoded);
    kx::TMemoryStream copy(encoded.Bytes());
    reader.LoadFromStream(copy);
    bool found = false;
    if (reader.Aborting() || HiddenData(decoded, found) != data)
      throw EOperationFailure("hide: " + FormatName(outputType) +
                              " would not keep every pixel exactly, and so not the data; choose PNG or BMP");
    const bool written = kx::KXReplaceFile(out, [&](kx::TStream& stream) {
      stream.Write(encoded.Bytes().data(), int64_t(encoded.Bytes().size()));
      return true;
    });
    if (!written) throw EFileFailure(shown + ": could not be written");
  } catch (const kx::EStreamError& e) {
    throw EFileFailure(e.what());
  } catch (const std::bad_alloc&) {
    throw EFileFailure(shown + ": out of memory while writing");
  }
  return 0;
}

int RunReveal(const TCommandLine& cl) {
  kx::TBitmap bitmap;
  kx::TIOParamsVals params;
  LoadCarrier(cl, bitmap, params);
  bool found = false;
  const std::vector<uint8_t> data = HiddenData(bitmap, found);
  if (!found) throw EOperationFailure("reveal: " + ShownName(cl.Files[0], false) + " holds no hidden data");
  if (cl.RevealOut.empty()) {
    if (std::fwrite(data.data(), 1, data.size(), stdout) != data.size() || std::fflush(stdout) != 0)
      throw EFileFailure(std::string("standard output: ") + std::strerror(errno));
    return 0;
  }
  try {
    kx::KXReplaceFile(cl.RevealOut, [&](kx::TStream& stream) {
      stream.Write(data.data(), int64_t(data.size()));
      return true;
    });
  } catch (const kx::EStreamError& e) {
    throw EFileFailure(e.what());
  }
  return 0;
}

int RunCapacity(const TCommandLine& cl) {
  kx::TBitmap bitmap;
  kx::TIOParamsVals params;
  LoadCarrier(cl, bitmap, params);
  kx::TKestrixProc proc;
  proc.SetAttachedBitmap(&bitmap);
  std::printf("%d\n", proc.GetHiddenDataSpace());
  return 0;
}

}  // namespace kestrix
