// libpng's error, warning and stream callbacks over TStream.
#include "imaging/io/png_glue.h"

#include <cstring>

#include "imaging/core/stream.h"

namespace kx {
namespace {

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
  auto* context = static_cast<TPngContext*>(png_get_error_ptr(png));
  std::strncpy(context->message, message ? message : "", sizeof context->message - 1);
  context->message[sizeof context->message - 1] = '\0';
  png_longjmp(png, 1);
}

// Warnings (an unknown critical-looking chunk skipped, a bad gamma value) leave the picture
// intact.
void OnWarning(png_structp, png_const_charp) {}

// Fills the buffer completely or raises a libpng error. The catch block ends before png_error
// jumps, so no exception is alive while libpng's frames are skipped.
void ReadData(png_structp png, png_bytep data, size_t length) {
  auto* context = static_cast<TPngContext*>(png_get_io_ptr(png));
  size_t got = 0;
  bool failed = false;
  try {
    while (got < length) {
      const int64_t n = context->stream->Read(data + got, int64_t(length - got));
      if (n <= 0) break;
      got += size_t(n);
    }
  } catch (...) {
    failed = true;
  }
  if (failed) png_error(png, "stream read failed");
  if (got < length) png_error(png, "unexpected end of file");
}

void WriteData(png_structp png, png_bytep data, size_t length) {
  auto* context = static_cast<TPngContext*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    failed = context->stream->Write(data, int64_t(length)) != int64_t(length);
  } catch (...) {
    if (context->streamFailure) *context->streamFailure = std::current_exception();
    failed = true;
  }
  if (failed) png_error(png, "stream write failed");
}

// The stream is flushed by its owner.
void FlushData(png_structp) {}

}  // namespace

png_structp PngCreateRead(TPngContext& context) {
  context.message[0] = '\0';
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, OnError, OnWarning);
  if (png) png_set_read_fn(png, &context, ReadData);
  return png;
}

png_structp PngCreateWrite(TPngContext& context) {
  context.message[0] = '\0';
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &context, OnError, OnWarning);
  if (png) png_set_write_fn(png, &context, WriteData, FlushData);
  return png;
}

}  // namespace kx
