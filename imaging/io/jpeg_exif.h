// The EXIF orientation tag of a JPEG file's APP1 block. Private to the JPEG codec.
#pragma once

#include <cstdint>
#include <span>

namespace kx {

// The orientation (tag 0x0112 of IFD0) in an APP1 block's bytes (from "Exif\0\0" on); 0 when
// the block is not EXIF, has no orientation, or any offset or count in the way is out of range.
int32_t JpegExifOrientation(std::span<const uint8_t> app1);

}  // namespace kx
