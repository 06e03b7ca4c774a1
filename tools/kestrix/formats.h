// The picture formats the tool reads and writes, one row each, and how a file finds its row.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "imaging/core/progress.h"
#include "imaging/io/ioparams.h"

namespace kx {
class TStream;
class TBitmap;
}  // namespace kx

namespace kestrix {

struct TToolFormat {
  std::string_view Name;
  // Recorded in FileType after a read.
  kx::TIOFileType FileType;
  std::span<const std::string_view> Extensions;
  void (*Read)(kx::TStream&, kx::TBitmap&, kx::TIOParamsVals&, bool preview, kx::TProgressRec&);
  void (*Write)(kx::TStream&, kx::TBitmap&, const kx::TIOParamsVals&, kx::TProgressRec&);
  // True when the bytes at the stream's position look like this format; the position stays.
  bool (*Try)(kx::TStream&);
};

// The row for a file to read: by its extension, or by its content when the extension is not
// one of ours. Null when neither tells.
const TToolFormat* InputFormat(const std::string& path, kx::TStream& stream);
// The row for a file to write: the Netpbm extensions pick Netpbm, anything else JPEG.
const TToolFormat& OutputFormat(const std::string& path);

}  // namespace kestrix
