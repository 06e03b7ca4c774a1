// The pieces that tie libpng to the library: an error handler that leaves libpng through its
// jump buffer, and TStream read and write callbacks. Private to the PNG codec.
#pragma once

#include <png.h>

#include <cstddef>
#include <exception>

namespace kx {

class TStream;

// The error context of one read or write. libpng may only be left through png_jmpbuf after an
// error (a handler that returns makes it end the process), so the frame that calls setjmp must
// hold no C++ objects with destructors. The stream callbacks never let an exception into libpng:
// they turn it into a libpng error, keeping a write's exception in *streamFailure (when set) for
// the writer to throw again once libpng is left. Trivially destructible.
struct TPngContext {
  TStream* stream;
  std::exception_ptr* streamFailure;
  char message[128];  // libpng's text of the error that ended the read or write
};

// Creates the read or write structure with this context's handlers; null when libpng refuses.
png_structp PngCreateRead(TPngContext& context);
png_structp PngCreateWrite(TPngContext& context);

}  // namespace kx
