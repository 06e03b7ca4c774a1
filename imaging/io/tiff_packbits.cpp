// PackBits: control byte n, 0..127 copies the next n + 1 bytes, -1..-127 repeats the next byte
// 1 - n times, -128 does nothing.
#include "imaging/io/tiff_packbits.h"

#include <algorithm>
#include <cstring>

namespace kx {

bool PackBitsDecode(std::span<const uint8_t> in, std::span<uint8_t> out) { return TPackBitsReader(in).Read(out); }

bool TPackBitsReader::Read(std::span<uint8_t> out) {
  size_t o = 0;
  const size_t n = fIn.size(), m = out.size();
  for (;;) {
    if (fLiteral) {
      const size_t take = std::min({fLiteral, n - fAt, m - o});
      std::memcpy(out.data() + o, fIn.data() + fAt, take);
      fAt += take;
      o += take;
      fLiteral -= take;
      // A literal cut by the end of the input gives the bytes there are and ends the data.
      if (fCut && !fLiteral) return false;
    }
    if (fRepeat) {
      const size_t take = std::min(fRepeat, m - o);
      std::memset(out.data() + o, fValue, take);
      o += take;
      fRepeat -= take;
    }
    if (o == m) return true;
    if (fAt >= n) return false;
    const int8_t control = int8_t(fIn[fAt++]);
    if (control >= 0) {
      fLiteral = size_t(control) + 1;
      if (fLiteral > n - fAt) {
        fLiteral = n - fAt;
        fCut = true;
        if (!fLiteral) return false;
      }
    } else if (control != -128) {
      if (fAt >= n) return false;
      fRepeat = size_t(1 - control);
      fValue = fIn[fAt++];
    }
  }
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
