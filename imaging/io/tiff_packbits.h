// PackBits run-length coding of TIFF pixel data.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kx {

// Decodes `in` into `out` until out is full. Runs that reach past the end of `out` are cut
// there; returns false when the input ends before `out` is full (the rest left as it was).
bool PackBitsDecode(std::span<const uint8_t> in, std::span<uint8_t> out);
// Appends the PackBits form of one row: runs of 4 to 128 equal bytes as repeats, anything
// shorter gathered into literals of at most 128 bytes.
void PackBitsEncodeRow(const uint8_t* row, int32_t size, std::vector<uint8_t>& out);

}  // namespace kx
