// Fuzzes content detection and the stream-header paths of the I/O component: a chain of
// headered images read by content with and without StreamHeaders, and each headered format
// read directly. Detection must leave the position where it found it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/stream.h"
#include "imaging/io/format_registry.h"
#include "imaging/components/kestrix_io.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kx::KXSetPixelLimit(int64_t(1) << 22);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  kx::TBitmap bitmap;
  kx::TKestrixIO io;
  io.SetAttachedBitmap(&bitmap);
  for (bool headers : {true, false}) {
    io.SetStreamHeaders(headers);
    kx::TMemoryStream stream(bytes);
    // Each image moves the stream forward; a few rounds cover a chain of images.
    for (int i = 0; i < 4 && stream.Position() < stream.Size(); ++i) {
      const int64_t before = stream.Position();
      kx::FindStreamFormat(stream);
      if (stream.Position() != before) __builtin_trap();
      io.LoadFromStream(stream);
      if (stream.Position() <= before) break;
    }
    for (void (*load)(kx::TKestrixIO&, kx::TStream&) :
         {+[](kx::TKestrixIO&c, kx::TStream&s) { c.LoadFromStreamJpeg(s); },
          +[](kx::TKestrixIO&c, kx::TStream&s) { c.LoadFromStreamTIFF(s); },
          +[](kx::TKestrixIO&c, kx::TStream&s) { c.LoadFromStreamPCX(s); },
          +[](kx::TKestrixIO&c, kx::TStream&s) { c.ParamsFromStream(s); }}) {
      kx::TMemoryStream one(bytes);
      load(io, one);
    }
  }
  return 0;
}
