// Fuzzes content detection and the io layer's stream chains: a chain of headered images read by
// content with and without StreamHeaders, every built-in row read directly through its stream
// header, and a parameter-only read. Detection must leave the position where it found it, and
// an image read through a header must leave the stream inside it.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/stream.h"
#include "imaging/io/format_io.h"
#include "imaging/io/ioparams.h"

namespace {

struct TRead {
  kx::TBitmap bitmap;
  kx::TIOParamsVals params;
  bool aborting = false;
  kx::TProgressRec progress{};
  TRead() { progress.Aborting = &aborting; }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kx::KXSetPixelLimit(int64_t(1) << 22);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  for (bool headers : {true, false}) {
    kx::TMemoryStream stream(bytes);
    // Each image moves the stream forward; a few rounds cover a chain of images.
    for (int i = 0; i < 4 && stream.Position() < stream.Size(); ++i) {
      const int64_t before = stream.Position();
      const kx::TKXFormatChoice choice = kx::KXLoadChoiceForStream(stream);
      if (stream.Position() != before) __builtin_trap();
      TRead read;
      kx::KXReadChoice(choice, stream, read.bitmap, read.params, headers, read.progress);
      if (stream.Position() > stream.Size()) __builtin_trap();
      if (stream.Position() <= before) break;
    }
    for (const kx::TKXBuiltInFormat& row : kx::KXBuiltInFormats()) {
      kx::TMemoryStream one(bytes);
      TRead read;
      kx::KXReadStreamImage(row, one, read.bitmap, read.params, headers, read.progress);
      if (one.Position() > one.Size()) __builtin_trap();
    }
  }
  kx::TMemoryStream stream(bytes);
  TRead read;
  read.params.FileType = kx::FindStreamFormat(stream);
  try {
    kx::KXReadParams(read.params.FileType, stream, stream.Size(), read.bitmap, read.params);
  } catch (const std::exception&) {
    // The component turns any failure of a parameter read into an unknown type.
  }
  return 0;
}
