// The GIF block layer that reading, writing and editing share: the header with the screen
// descriptor and global colour table, data sub-blocks, the walk over the blocks of a file held
// in memory, and the blocks that the writer and the inserter build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/core/types.h"

namespace kx {

class TStream;
class TKXByteReader;
class TKXByteWriter;

constexpr uint8_t kGifExtensionIntroducer = 0x21;
constexpr uint8_t kGifImageSeparator = 0x2C;
constexpr uint8_t kGifTrailer = 0x3B;
constexpr uint8_t kGifControlLabel = 0xF9;
constexpr uint8_t kGifApplicationLabel = 0xFF;
// Header and logical screen descriptor.
constexpr size_t kGifHeaderSize = 13;
// The separator and the nine bytes after it.
constexpr size_t kGifDescriptorSize = 10;
// The whole looping application extension.
constexpr size_t kGifLoopingSize = 19;

// Colour table entries in the blue, green, red order of TRGB.
using TGifTable = std::vector<TRGB>;

struct TGifScreen {
  std::string Version;  // the six header characters
  uint16_t Width = 0;
  uint16_t Height = 0;
  uint8_t Packed = 0;
  uint8_t Background = 0;
  uint8_t Aspect = 0;
  TGifTable Table;  // empty without a global table
  int TableBits() const { return Packed & 0x80 ? (Packed & 7) + 1 : 0; }
};

// Reads the header, the screen descriptor and the global table. False when the bytes do not
// begin with "GIF" or end inside them.
bool GifReadScreen(TKXByteReader& reader, TGifScreen& screen);
// Reads a colour table of 2^bits entries (file order red, green, blue).
TGifTable GifReadTable(TKXByteReader& reader, int bits);
// The table padded with black to 256 entries, so that every index a file holds has a colour.
TGifTable GifPaddedTable(const TGifTable& table);

// Walks the data sub-blocks at the stream's position up to and including the empty one,
// appending their bytes to `data` when given, in large reads. False when the stream ended
// first (the bytes of a cut sub-block are kept); the stream is left after the last byte used.
bool GifReadSubBlocks(TStream& stream, std::vector<uint8_t>* data);

// One block of a GIF held in memory.
enum TGifBlockKind : uint8_t { gbExtension, gbImage, gbTrailer, gbOther };
struct TGifBlock {
  TGifBlockKind Kind = gbOther;
  size_t Begin = 0;
  size_t End = 0;        // after its last byte; the end of the bytes when cut short
  bool Complete = true;  // false when the bytes ended inside it
  uint8_t Label = 0;     // of an extension
};
// The block at `at` (`at` < bytes.size()); a byte that starts no block is a block of its own.
// The end of the bytes counts as a trailer.
TGifBlock GifBlockAt(std::span<const uint8_t> bytes, size_t at);
// Whether the bytes at `at` are a looping application extension.
bool GifIsLooping(std::span<const uint8_t> bytes, size_t at);

// The blocks a writer builds (tables in TRGB order, written red, green, blue).
void GifPutTable(TKXByteWriter& out, const TGifTable& table);
void GifPutControl(TKXByteWriter& out, bool transparent, int32_t delay, uint8_t transparentIndex);
void GifPutLooping(TKXByteWriter& out, uint16_t loopCount);

}  // namespace kx
