// The 12-byte headers that let several images follow one another in one stream: a four-letter
// signature, four zero bytes and the little-endian int32 length of the image data after it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kx {

class TStream;

constexpr int64_t kStreamHeaderSize = 12;

struct TStreamHeader {
  // The first five bytes read as zero-terminated text ("JFIF", "TIFF", "PCX2", or the older
  // 4-byte PCX header's "PCX").
  std::string Text;
  int32_t Length = 0;
};

// Reads the 12 bytes at the position; false, with the position moved by what was read, when
// fewer are there.
bool ReadStreamHeader(TStream& stream, TStreamHeader& header);
// The header text of the bytes at the position, which stays; empty for a short stream.
std::string PeekStreamHeaderText(TStream& stream);
// True when a header's length fits in the `remaining` bytes after it, so it can serve as the
// size of the image block.
bool StreamHeaderLengthFits(const TStreamHeader& header, int64_t remaining);

// Writes 12 zero bytes where the header goes; returns the header's position.
int64_t BeginStreamHeader(TStream& stream);
// Fills the header begun at `start` for the image that ends at the current position, and
// returns there. False, with the header left zero, when the image is too long for the length.
bool FinishStreamHeader(TStream& stream, int64_t start, std::string_view signature);

}  // namespace kx
