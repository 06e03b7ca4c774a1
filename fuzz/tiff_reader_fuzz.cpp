// Fuzzes the TIFF reader and the page editing over the same bytes: parameter-only and full
// reads of a page picked from the input's size, page counting, deleting a page, and inserting
// a small page before one.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/reader_fuzz.h"
#include "imaging/io/tiff_codec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kxfuzz::LimitPixels();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  for (bool preview : {true, false}) {
    kxfuzz::TRead r(bytes);
    r.params.TIFF_ImageIndex = int32_t(size % 3);
    int32_t pages = 0;
    kx::TIFFReadStream(r.bitmap, r.stream, pages, &r.params, r.progress, preview);
    const bool read = !preview && !r.aborting && r.params.TIFF_ImageIndex < pages;
    if (read && r.bitmap.PixelFormat() != kx::pf24bit && r.bitmap.PixelFormat() != kx::pf1bit) __builtin_trap();
    if (read && r.WrongSize(preview)) __builtin_trap();
  }
  kx::TMemoryStream counted(bytes);
  const int32_t pages = kx::_EnumTIFFImStream(counted);
  {
    kx::TMemoryStream edited(bytes);
    const int32_t before = kx::_DeleteTIFFImStream(edited, int32_t(size % 2));
    // A deleted page leaves one page less, each of them still countable; a file whose pages
    // cannot all be copied stays as it was.
    kx::TMemoryStream again(edited.Bytes());
    if (before > 1 && edited.Bytes() != bytes && kx::_EnumTIFFImStream(again) != before - 1) __builtin_trap();
    if (before == 0 && edited.Bytes() != bytes) __builtin_trap();
    if (before != 0 && before != pages) __builtin_trap();
  }
  {
    kxfuzz::TRead r(bytes);
    r.bitmap.SetSize(5, 3);
    r.params.TIFF_ImageIndex = int32_t(size % 4);
    const int32_t after = kx::TIFFWriteStream(r.stream, true, r.bitmap, r.params, r.progress);
    kx::TMemoryStream again(r.stream.Bytes());
    if (after > 0 && kx::_EnumTIFFImStream(again) != after) __builtin_trap();
  }
  return 0;
}
