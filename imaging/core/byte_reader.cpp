// The bounds-checked byte reader.
#include "imaging/core/byte_reader.h"

#include <bit>
#include <cstring>

#include "imaging/core/limits.h"
#include "imaging/core/stream.h"

namespace kx {

TKXByteReader::TKXByteReader(std::span<const uint8_t> bytes) : fBytes(bytes) {}

TKXByteReader::TKXByteReader(TStream& stream) : fStream(&stream) {}

int64_t TKXByteReader::StreamRemaining() const { return fStream->Remaining(); }

bool TKXByteReader::CheckedBytes(void* out, int64_t n) {
  if (n < 0 || !fOk || n > Remaining()) {
    fOk = false;
    if (n > 0) std::memset(out, 0, size_t(n));
    return false;
  }
  if (n == 0) return true;
  if (fStream) {
    const int64_t got = fStream->Read(out, n);
    if (got != n) {
      fOk = false;
      std::memset(out, 0, size_t(n));
      return false;
    }
  } else {
    std::memcpy(out, fBytes.data() + fConsumed, size_t(n));
  }
  fConsumed += n;
  return true;
}

bool TKXByteReader::CheckedSkip(int64_t n) {
  if (n < 0 || !fOk || n > Remaining()) {
    fOk = false;
    return false;
  }
  if (fStream) fStream->Seek(n, soCurrent);
  fConsumed += n;
  return true;
}

template <typename T, bool BigEndian>
T TKXByteReader::Unsigned() {
  uint8_t b[sizeof(T)];
  if (!Bytes(b, sizeof(T))) return 0;
  T v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) {
    const size_t k = BigEndian ? i : sizeof(T) - 1 - i;
    v = T(v << 8 | b[k]);
  }
  return v;
}

uint8_t TKXByteReader::U8() { return Unsigned<uint8_t, false>(); }
uint16_t TKXByteReader::U16LE() { return Unsigned<uint16_t, false>(); }
uint16_t TKXByteReader::U16BE() { return Unsigned<uint16_t, true>(); }
uint32_t TKXByteReader::U32LE() { return Unsigned<uint32_t, false>(); }
uint32_t TKXByteReader::U32BE() { return Unsigned<uint32_t, true>(); }
uint64_t TKXByteReader::U64LE() { return Unsigned<uint64_t, false>(); }
uint64_t TKXByteReader::U64BE() { return Unsigned<uint64_t, true>(); }
double TKXByteReader::F64LE() { return std::bit_cast<double>(U64LE()); }

bool TKXByteReader::CountFits(int64_t count, int64_t itemSize, int64_t bound) {
  int64_t bytes = 0;
  if (!fOk || count < 0 || count > bound || !KXCheckedMul(count, itemSize, bytes) || bytes > Remaining()) fOk = false;
  return fOk;
}

std::string TKXByteReader::String(int64_t length, int64_t bound) {
  if (!CountFits(length, 1, bound)) return {};
  std::string s(size_t(length), '\0');
  if (!Bytes(s.data(), length)) return {};
  return s;
}

}  // namespace kx
