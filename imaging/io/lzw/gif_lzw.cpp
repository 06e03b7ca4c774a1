// The GIF LZW coder. Decoding copies each code's string from where it was written before (the
// table keeps its place and length); codes come out of a 64-bit bit buffer. Encoding finds
// (prefix, byte) pairs in an open-addressing hash table.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/byte_reader.h"
#include "imaging/core/stream.h"
#include "imaging/io/gif_blocks.h"
#include "imaging/io/lzw/lzw_coders.h"

namespace kx {
namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;
// The largest minimum code size that still leaves room for the clear and end codes.
constexpr int kMaxMinCodeSize = 11;

// Decodes `data` into `out` (stream order) and returns the bytes written; stops at the end
// code, at an invalid code, at the end of the data or when `out` is full.
//
// Every string but a single byte has been written to `out` before: a new code's string is the
// previous code's string followed by the first byte of the next one, which is exactly what
// stands in `out` where the previous code was written. So the table keeps, per code, where its
// string was written and its length, and a code is decoded by copying from earlier output.
int64_t DecodeCodes(const std::vector<uint8_t>& data, int minCodeSize, uint8_t* out, int64_t outSize) {
  std::array<int64_t, kTableSize> offset;
  std::array<uint16_t, kTableSize> length;
  const int clear = 1 << minCodeSize;
  const int end = clear + 1;
  for (int c = 0; c < clear; ++c) length[size_t(c)] = 1;
  int codeSize = minCodeSize + 1;
  int next = end + 1;
  int previous = -1;
  int64_t previousAt = 0;  // where the previous code's string was written
  uint64_t bits = 0;
  int bitCount = 0;
  size_t in = 0;
  int64_t written = 0;
  for (;;) {
    if (bitCount < codeSize) {
      while (bitCount <= 56 && in < data.size()) {
        bits |= uint64_t(data[in++]) << bitCount;
        bitCount += 8;
      }
      if (bitCount < codeSize) break;
    }
    const int code = int(bits & ((uint64_t(1) << codeSize) - 1));
    bits >>= codeSize;
    bitCount -= codeSize;
    if (code == clear) {
      codeSize = minCodeSize + 1;
      next = end + 1;
      previous = -1;
      continue;
    }
    if (code == end) break;
    if (previous < 0) {
      if (code > clear) break;  // the first code after a clear must be a literal
    } else if (next < kTableSize) {
      if (code > next) break;
      // A full table takes no entries until the next clear code.
      offset[size_t(next)] = previousAt;
      length[size_t(next)] = uint16_t(length[size_t(previous)] + 1);
      ++next;
      if (next == (1 << codeSize) && codeSize < kMaxCodeBits) ++codeSize;
    } else if (code >= next) {
      break;
    }
    previous = code;
    previousAt = written;
    if (code < clear) {
      out[written++] = uint8_t(code);
    } else {
      const int64_t n = length[size_t(code)];
      const int64_t from = offset[size_t(code)];
      const int64_t room = outSize - written;
      if (n <= 16 && room >= 16) {
        // Sixteen bytes in two moves; the bytes past the string are overwritten by the next
        // codes. Only a code defined by its own use starts less than n bytes back, and then
        // just its last byte, its own first one, overlaps what is being written.
        std::memmove(out + written, out + from, 8);
        std::memmove(out + written + 8, out + from + 8, 8);
        if (written - from < n) out[written + n - 1] = out[from];
      } else {
        // Forward, byte by byte where the string overlaps itself (a code defined by its own
        // use: the previous string followed by its own first byte).
        const int64_t count = std::min(n, room);
        for (int64_t i = 0; i < count; ++i) out[written + i] = out[from + i];
      }
      if (n >= room) return outSize;
      written += n;
    }
    if (written == outSize) break;
  }
  return written;
}

// Row `k` of the stream in an interlaced image of `height` rows: its display row.
void InterlacedOrder(int32_t height, std::vector<int32_t>& rows) {
  rows.clear();
  rows.reserve(size_t(height));
  static constexpr int32_t kStart[4] = {0, 4, 2, 1};
  static constexpr int32_t kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int32_t y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
}

// Packs codes least significant bit first and frames them in 255-byte sub-blocks.
class TCodeWriter {
 public:
  explicit TCodeWriter(size_t expected) { fOut.reserve(expected + expected / 255 + 16); }
  void Put(int code, int size) {
    fBits |= uint64_t(code) << fCount;
    fCount += size;
    while (fCount >= 8) {
      Byte(uint8_t(fBits));
      fBits >>= 8;
      fCount -= 8;
    }
  }
  // Flushes the last bits, closes the open sub-block and adds the empty one.
  const std::vector<uint8_t>& Finish() {
    if (fCount > 0) Byte(uint8_t(fBits));
    fCount = 0;
    if (fBlockLength > 0)
      fOut[fBlockStart] = uint8_t(fBlockLength);
    else if (!fOut.empty())
      fOut.pop_back();
    fOut.push_back(0);
    return fOut;
  }
  void Begin(uint8_t minCodeSize) {
    fOut.push_back(minCodeSize);
    OpenBlock();
  }

 private:
  void OpenBlock() {
    fBlockStart = fOut.size();
    fOut.push_back(0);
    fBlockLength = 0;
  }
  void Byte(uint8_t b) {
    fOut.push_back(b);
    if (++fBlockLength == 255) {
      fOut[fBlockStart] = 255;
      OpenBlock();
    }
  }

  std::vector<uint8_t> fOut;
  uint64_t fBits = 0;
  int fCount = 0;
  size_t fBlockStart = 0;
  int fBlockLength = 0;
};

// (prefix, byte) -> code, open addressing over twice the table's size.
class TPairTable {
 public:
  void Clear() { fKeys.fill(kEmpty); }
  // The code of the pair, or -1; `slot` receives where it is or would go.
  int Find(uint32_t key, size_t& slot) const {
    size_t i = (key * 2654435761u) >> (32 - kBits);
    while (fKeys[i] != kEmpty) {
      if (fKeys[i] == key) {
        slot = i;
        return fCodes[i];
      }
      i = (i + 1) & (kSlots - 1);
    }
    slot = i;
    return -1;
  }
  void Put(size_t slot, uint32_t key, int code) {
    fKeys[slot] = key;
    fCodes[slot] = uint16_t(code);
  }

 private:
  static constexpr int kBits = 13;
  static constexpr size_t kSlots = size_t(1) << kBits;
  static constexpr uint32_t kEmpty = 0xFFFFFFFF;
  std::array<uint32_t, kSlots> fKeys;
  std::array<uint16_t, kSlots> fCodes;
};

}  // namespace

bool KXGifLZWDecode(TStream& stream, int32_t height, int32_t width, bool interlaced, uint8_t* indices) {
  const int64_t start = stream.Position();
  TKXByteReader reader(stream);
  const int minCodeSize = reader.U8();
  if (!reader.Ok()) return false;
  std::vector<uint8_t> data;
  GifReadSubBlocks(stream, &data);
  if (minCodeSize < 1 || minCodeSize > kMaxMinCodeSize || width <= 0 || height <= 0) return false;
  const int64_t total = int64_t(width) * height;
  int64_t decoded = 0;
  if (!interlaced) {
    decoded = DecodeCodes(data, minCodeSize, indices, total);
  } else {
    std::vector<uint8_t> ordered(static_cast<size_t>(total));
    decoded = DecodeCodes(data, minCodeSize, ordered.data(), total);
    std::vector<int32_t> rows;
    InterlacedOrder(height, rows);
    for (int64_t k = 0; k * width < decoded; ++k) {
      const int64_t n = std::min<int64_t>(width, decoded - k * width);
      std::memcpy(indices + int64_t(rows[size_t(k)]) * width, ordered.data() + k * width, size_t(n));
    }
  }
  // Data cut short after the last pixel still gives the whole image.
  return decoded == total && stream.Position() != start;
}

void KXGifLZWEncode(TStream& stream, int32_t height, int32_t width, bool interlaced, const uint8_t* indices,
                    int32_t bitsPerPixel) {
  const int minCodeSize = std::clamp(bitsPerPixel, 2, 8);
  const int clear = 1 << minCodeSize;
  const int end = clear + 1;
  const uint8_t mask = uint8_t((1 << minCodeSize) - 1);
  const int64_t total = width > 0 && height > 0 ? int64_t(width) * height : 0;
  TCodeWriter out(size_t(total / 2));
  out.Begin(uint8_t(minCodeSize));
  auto table = std::make_unique<TPairTable>();
  table->Clear();
  int codeSize = minCodeSize + 1;
  int next = end + 1;
  out.Put(clear, codeSize);
  int current = -1;
  // After each code put out, the decoder adds an entry and may widen its codes.
  auto advance = [&] {
    if (next > (1 << codeSize) && codeSize < kMaxCodeBits) ++codeSize;
  };
  std::vector<int32_t> rows;
  if (interlaced) InterlacedOrder(height, rows);
  for (int32_t k = 0; k < (total ? height : 0); ++k) {
    const uint8_t* row = indices + int64_t(interlaced ? rows[size_t(k)] : k) * width;
    int32_t x = 0;
    if (current < 0) current = row[x++] & mask;
    for (; x < width; ++x) {
      const uint8_t b = row[x] & mask;
      const uint32_t key = uint32_t(current) << 8 | b;
      size_t slot;
      const int found = table->Find(key, slot);
      if (found >= 0) {
        current = found;
        continue;
      }
      out.Put(current, codeSize);
      table->Put(slot, key, next++);
      advance();
      if (next == kTableSize) {
        out.Put(clear, codeSize);
        table->Clear();
        codeSize = minCodeSize + 1;
        next = end + 1;
      }
      current = b;
    }
  }
  if (current >= 0) {
    out.Put(current, codeSize);
    ++next;
    advance();
  }
  out.Put(end, codeSize);
  const std::vector<uint8_t>& bytes = out.Finish();
  stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

}  // namespace kx
