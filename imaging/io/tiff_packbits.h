// PackBits run-length coding of TIFF pixel data.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kx {

// Decodes `in` into `out` until out is full. Runs that reach past the end of `out` are cut
// there; returns false when the input ends before `out` is full (the rest left as it was).
bool PackBitsDecode(std::span<const uint8_t> in, std::span<uint8_t> out);

// The same decoding a part at a time: each Read fills its `out` and keeps the rest of a run that
// reaches past it for the next, so the parts together are what one PackBitsDecode into all of
// them gives.
class TPackBitsReader {
 public:
  explicit TPackBitsReader(std::span<const uint8_t> in) : fIn(in) {}
  // False when the input ends before `out` is full (the rest left as it was).
  bool Read(std::span<uint8_t> out);

 private:
  std::span<const uint8_t> fIn;
  size_t fAt = 0;
  size_t fLiteral = 0;  // bytes of a literal still to copy
  bool fCut = false;    // the literal is cut by the end of the input
  size_t fRepeat = 0;   // copies of fValue still to store
  uint8_t fValue = 0;
};
// Appends the PackBits form of one row: runs of 4 to 128 equal bytes as repeats, anything
// shorter gathered into literals of at most 128 bytes.
void PackBitsEncodeRow(const uint8_t* row, int32_t size, std::vector<uint8_t>& out);

}  // namespace kx
