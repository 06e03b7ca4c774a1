// PackBits: control byte n, 0..127 copies the next n + 1 bytes, -1..-127 repeats the next byte
// 1 - n times, -128 does nothing.
#include "imaging/io/tiff_packbits.h"

#include <algorithm>
#include <cstring>

namespace kx {

bool PackBitsDecode(std::span<const uint8_t> in, std::span<uint8_t> out) {
  size_t i = 0, o = 0;
  const size_t n = in.size(), m = out.size();
  while (o < m) {
    if (i >= n) return false;
    const int8_t control = int8_t(in[i++]);
    if (control >= 0) {
      const size_t count = size_t(control) + 1;
      if (i + count > n) {
        const size_t have = std::min(n - i, m - o);
        std::memcpy(out.data() + o, in.data() + i, have);
        return false;
      }
      const size_t take = std::min(count, m - o);
      std::memcpy(out.data() + o, in.data() + i, take);
      i += count;
      o += take;
    } else if (control != -128) {
      if (i >= n) return false;
      const size_t take = std::min(size_t(1 - control), m - o);
      std::memset(out.data() + o, in[i++], take);
      o += take;
    }
  }
  return true;
}

void PackBitsEncodeRow(const uint8_t* row, int32_t size, std::vector<uint8_t>& out) {
  int32_t literalStart = 0;
  auto flushLiterals = [&](int32_t end) {
    while (literalStart < end) {
      const int32_t count = std::min(end - literalStart, 128);
      out.push_back(uint8_t(count - 1));
      out.insert(out.end(), row + literalStart, row + literalStart + count);
      literalStart += count;
    }
  };
  int32_t i = 0;
  while (i < size) {
    int32_t run = 1;
    while (i + run < size && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 4) {
      flushLiterals(i);
      out.push_back(uint8_t(1 - run));
      out.push_back(row[i]);
      i += run;
      literalStart = i;
    } else {
      i += run;
    }
  }
  flushLiterals(size);
}

}  // namespace kx
