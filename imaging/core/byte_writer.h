// TKXByteWriter: the counterpart of TKXByteReader for writers. It builds a block in memory,
// each value in the byte order its format wants, so that a writer puts whole headers and
// records into its stream in one write.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kx {

class TKXByteWriter {
 public:
  TKXByteWriter() = default;
  // Room for `expected` bytes up front, for a block whose size the writer knows.
  explicit TKXByteWriter(size_t expected) { fOut.reserve(expected); }

  void Bytes(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    fOut.insert(fOut.end(), b, b + n);
  }
  void Zeros(size_t n) { fOut.insert(fOut.end(), n, 0); }
  void U8(uint8_t v) { fOut.push_back(v); }
  void U16LE(uint16_t v) { Put<2, false>(v); }
  void U16BE(uint16_t v) { Put<2, true>(v); }
  void U32LE(uint32_t v) { Put<4, false>(v); }
  void U32BE(uint32_t v) { Put<4, true>(v); }
  void U64LE(uint64_t v) { Put<8, false>(v); }
  void I32LE(int32_t v) { U32LE(uint32_t(v)); }
  void F64LE(double v) { U64LE(std::bit_cast<uint64_t>(v)); }

  const std::vector<uint8_t>& Result() const { return fOut; }
  size_t Size() const { return fOut.size(); }

 private:
  template <size_t N, bool BigEndian>
  void Put(uint64_t v) {
    for (size_t i = 0; i < N; ++i) fOut.push_back(uint8_t(v >> (8 * (BigEndian ? N - 1 - i : i))));
  }

  std::vector<uint8_t> fOut;
};

}  // namespace kx
