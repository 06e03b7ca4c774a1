// TKXByteReader: the one bounds-checked reader every parser of untrusted bytes goes through,
// over a byte span or over a stream from its position. Reading past the end never reads
// outside the input: it marks the reader failed (sticky), and every later read then returns
// zero, so a parser checks Ok() once after a group of reads. Counts and lengths taken from the
// input are checked against the bytes that are left before anything is allocated for them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace kx {

class TStream;

class TKXByteReader {
 public:
  explicit TKXByteReader(std::span<const uint8_t> bytes);
  // Reads `stream` from its current position; the reader leaves the position after what it
  // read (or tried to read).
  explicit TKXByteReader(TStream& stream);

  // False once any read, skip or count check has failed.
  bool Ok() const { return fOk; }
  // Marks the input as unusable, e.g. on a value the parser rejects.
  void Fail() { fOk = false; }
  // Bytes read so far, and bytes left (0 after a failure).
  int64_t Consumed() const { return fConsumed; }
  int64_t Remaining() const {
    if (!fOk) return 0;
    return fStream ? StreamRemaining() : int64_t(fBytes.size()) - fConsumed;
  }

  // Exactly n bytes into `out`, or none and failed (out is zero-filled then). Reads from a span
  // that has the bytes are inline: parsers call these once per code of their data.
  bool Bytes(void* out, int64_t n) {
    if (!fStream && fOk && n >= 0 && n <= int64_t(fBytes.size()) - fConsumed) {
      std::memcpy(out, fBytes.data() + fConsumed, size_t(n));
      fConsumed += n;
      return true;
    }
    return CheckedBytes(out, n);
  }
  bool Skip(int64_t n) {
    if (!fStream && fOk && n >= 0 && n <= int64_t(fBytes.size()) - fConsumed) {
      fConsumed += n;
      return true;
    }
    return CheckedSkip(n);
  }

  uint8_t U8();
  uint16_t U16LE();
  uint16_t U16BE();
  uint32_t U32LE();
  uint32_t U32BE();
  uint64_t U64LE();
  uint64_t U64BE();
  int16_t I16LE() { return int16_t(U16LE()); }
  int16_t I16BE() { return int16_t(U16BE()); }
  int32_t I32LE() { return int32_t(U32LE()); }
  int32_t I32BE() { return int32_t(U32BE()); }
  int64_t I64LE() { return int64_t(U64LE()); }
  double F64LE();

  // True when `count` items of `itemSize` bytes each are at most `bound` items and fit in the
  // bytes left; otherwise the reader fails. Use before allocating for a count read from input.
  bool CountFits(int64_t count, int64_t itemSize, int64_t bound = INT64_MAX);
  // A string of `length` bytes (checked by CountFits against `bound`), empty on failure.
  std::string String(int64_t length, int64_t bound = INT64_MAX);

 private:
  // Everything but a span read that fits: streams, failures and reads past the end.
  bool CheckedBytes(void* out, int64_t n);
  bool CheckedSkip(int64_t n);
  int64_t StreamRemaining() const;
  template <typename T, bool BigEndian>
  T Unsigned();

  std::span<const uint8_t> fBytes;
  TStream* fStream = nullptr;
  int64_t fConsumed = 0;
  bool fOk = true;
};

}  // namespace kx
