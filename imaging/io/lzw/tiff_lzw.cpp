// The TIFF LZW coder: codes most significant bit first, 9 to 12 bits wide, widened one code
// early, with the clear (256) and end (257) codes. A strip is one code stream that the codec
// takes row by row, so the decoder keeps the bytes of a string that ran past a row for the next.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/stream.h"
#include "imaging/io/lzw/lzw_coders.h"

namespace kx {
namespace {

constexpr int kClear = 256;
constexpr int kEnd = 257;
constexpr int kFirstFree = 258;
constexpr int kMinBits = 9;
constexpr int kMaxBits = 12;
constexpr int kTableSize = 1 << kMaxBits;
// A context that failed: every later row fails too, until the release call.
constexpr intptr_t kFailed = -1;

struct TDecoder {
  TDecoder() {
    for (int c = 0; c < 256; ++c) {
      suffix[size_t(c)] = first[size_t(c)] = uint8_t(c);
      length[size_t(c)] = 1;
    }
  }
  std::array<uint16_t, kTableSize> prefix{};
  std::array<uint8_t, kTableSize> suffix{};
  std::array<uint8_t, kTableSize> first{};
  std::array<uint16_t, kTableSize> length{};
  int codeBits = kMinBits;
  int next = kFirstFree;
  int previous = -1;
  bool ended = false;
  int64_t in = 0;  // the next byte of the strip
  uint64_t bits = 0;
  int bitCount = 0;
  // Decoded bytes not yet handed out start at out[outAt].
  std::vector<uint8_t> out;
  size_t outAt = 0;

  // Appends the string of the next code; false at the end code, the end of the strip or an
  // invalid code.
  bool DecodeOne(const uint8_t* strip, int64_t size) {
    for (;;) {
      if (ended) return false;
      if (bitCount < codeBits) {
        while (bitCount <= 56 && in < size) {
          bits |= uint64_t(strip[in++]) << (56 - bitCount);
          bitCount += 8;
        }
        if (bitCount < codeBits) return false;
      }
      const int code = int(bits >> (64 - codeBits));
      bits <<= codeBits;
      bitCount -= codeBits;
      if (code == kClear) {
        codeBits = kMinBits;
        next = kFirstFree;
        previous = -1;
        continue;
      }
      if (code == kEnd) {
        ended = true;
        return false;
      }
      if (previous < 0) {
        if (code > 255) return false;
      } else if (next < kTableSize) {
        if (code > next) return false;
        prefix[size_t(next)] = uint16_t(previous);
        suffix[size_t(next)] = first[size_t(code == next ? previous : code)];
        first[size_t(next)] = first[size_t(previous)];
        length[size_t(next)] = uint16_t(length[size_t(previous)] + 1);
        ++next;
        if (next == (1 << codeBits) - 1 && codeBits < kMaxBits) ++codeBits;
      } else if (code >= next) {
        return false;
      }
      previous = code;
      const size_t n = length[size_t(code)];
      const size_t at = out.size();
      out.resize(at + n);
      uint8_t* target = out.data() + at;
      int c = code;
      for (size_t i = n - 1; i > 0; --i) {
        target[i] = suffix[size_t(c)];
        c = prefix[size_t(c)];
      }
      target[0] = suffix[size_t(c)];
      return true;
    }
  }
};

// (prefix, byte) -> code, open addressing over twice the table's size.
struct TEncoder {
  static constexpr int kBits = 13;
  static constexpr size_t kSlots = size_t(1) << kBits;
  static constexpr uint32_t kEmpty = 0xFFFFFFFF;
  std::array<uint32_t, kSlots> keys;
  std::array<uint16_t, kSlots> codes;
  int codeBits = kMinBits;
  int next = kFirstFree;
  int current = -1;
  uint64_t bits = 0;
  int bitCount = 0;
  std::vector<uint8_t> out;

  TEncoder() {
    keys.fill(kEmpty);
    Put(kClear);
  }
  void Put(int code) {
    bits = bits << codeBits | uint64_t(code);
    bitCount += codeBits;
    while (bitCount >= 8) {
      bitCount -= 8;
      out.push_back(uint8_t(bits >> bitCount));
    }
  }
  // After a code is put out the decoder counts one more entry: widen, or start over when the
  // table is full.
  void Advance() {
    ++next;
    if (next > kTableSize - 2) {
      Put(kClear);
      keys.fill(kEmpty);
      codeBits = kMinBits;
      next = kFirstFree;
    } else if (next > (1 << codeBits) - 1) {
      ++codeBits;
    }
  }
  void Feed(const uint8_t* row, int32_t size) {
    int32_t x = 0;
    if (current < 0 && size > 0) current = row[x++];
    for (; x < size; ++x) {
      const uint32_t key = uint32_t(current) << 8 | row[x];
      size_t i = (key * 2654435761u) >> (32 - kBits);
      while (keys[i] != kEmpty && keys[i] != key) i = (i + 1) & (kSlots - 1);
      if (keys[i] == key) {
        current = codes[i];
        continue;
      }
      Put(current);
      keys[i] = key;
      codes[i] = uint16_t(next);
      Advance();
      current = row[x];
    }
  }
  void Finish() {
    if (current >= 0) {
      Put(current);
      Advance();
    }
    Put(kEnd);
    if (bitCount > 0) out.push_back(uint8_t(bits << (8 - bitCount)));
    bitCount = 0;
  }
};

}  // namespace

const uint8_t* KXTiffLZWDecodeRow(const uint8_t* strip, int64_t stripSize, int32_t rowSize, intptr_t& context) {
  if (!strip) {
    if (context != kFailed) delete reinterpret_cast<TDecoder*>(context);
    context = 0;
    return nullptr;
  }
  if (context == kFailed || rowSize <= 0 || stripSize < 0) return nullptr;
  if (context == 0) context = reinterpret_cast<intptr_t>(new TDecoder);
  auto* d = reinterpret_cast<TDecoder*>(context);
  // What the last row handed out is no longer needed.
  if (d->outAt > 0) {
    d->out.erase(d->out.begin(), d->out.begin() + int64_t(d->outAt));
    d->outAt = 0;
  }
  while (d->out.size() < size_t(rowSize))
    if (!d->DecodeOne(strip, stripSize)) {
      delete d;
      context = kFailed;
      return nullptr;
    }
  d->outAt = size_t(rowSize);
  return d->out.data();
}

void KXTiffLZWEncodeRow(const uint8_t* row, int32_t size, TStream& stream, intptr_t& context) {
  if (context == 0) context = reinterpret_cast<intptr_t>(new TEncoder);
  auto* e = reinterpret_cast<TEncoder*>(context);
  if (row && size > 0) {
    e->Feed(row, size);
  } else {
    e->Finish();
    std::unique_ptr<TEncoder> owned(e);
    context = 0;
    stream.WriteBuffer(e->out.data(), int64_t(e->out.size()));
    return;
  }
  stream.WriteBuffer(e->out.data(), int64_t(e->out.size()));
  e->out.clear();
}

}  // namespace kx
