// One scanned page as the acquisition hands it on: rows of whole pixels, top row first, in the
// protocol's sample order (red, green, blue; 8-bit gray; 1-bit with 0 as black), and the same
// page as a packed device-independent bitmap for native transfers.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/sane/sane_device.h"

namespace kx {

struct TSanePage {
  int32_t Width = 0;
  int32_t Lines = 0;
  int BitsPerPixel = 0;  // 1, 8 or 24
  size_t RowBytes = 0;   // Width pixels, no padding
  std::vector<uint8_t> Rows;
};

// The bits per pixel a frame of these parameters gives (1, 8 or 24); 0 for a frame the bridge
// cannot hand on (separate colour planes, compressed or other data, depths other than 1, 8, 16).
int KXSanePageBits(const SANE_Parameters& parameters);

// Reads the frame the device has started to its end and converts it: line art inverted (SANE's
// 1 is black), 16-bit samples to their high byte. A frame of unknown length is as long as the
// data. Whatever status ends the read other than its end is returned; an incomplete last row
// is dropped.
SANE_Status KXSaneReadPage(TSaneDevice& device, const SANE_Parameters& parameters, TSanePage& page);

// The page as a DIB: the 40-byte header (with the resolution in pixels per metre), for 8 bits a
// 256-level gray table and for 1 bit the table black then white, then the rows bottom first,
// padded to 4 bytes, with blue, green, red samples.
std::vector<uint8_t> KXSanePageToDIB(const TSanePage& page, double dpi);

}  // namespace kx
