// PackBits: control byte n, 0..127 copies the next n + 1 bytes, -1..-127 repeats the next byte
// 1 - n times, -128 does nothing.
#include "imaging/io/tiff_packbits.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

namespace {

// The first position from `i` on where four equal bytes start, or `size`. Starting a repeat only
// there is what trying each position in turn gives: a run of two or three equal bytes cannot
// hide a run of four beginning inside it.
int32_t NextRun(const uint8_t* row, int32_t size, int32_t i) {
#if defined(__SSE2__)
  for (; i + 19 <= size; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i + 1));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i + 2));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i + 3));
    const __m128i same = _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(a, b), _mm_cmpeq_epi8(b, c)), _mm_cmpeq_epi8(c, d));
    if (const int mask = _mm_movemask_epi8(same)) return i + std::countr_zero(unsigned(mask));
  }
#endif
  for (; i + 4 <= size; ++i)
    if (row[i] == row[i + 1] && row[i] == row[i + 2] && row[i] == row[i + 3]) return i;
  return size;
}

}  // namespace

void PackBitsEncodeRow(const uint8_t* row, int32_t size, std::vector<uint8_t>& out) {
  // Room for the longest coding (a control byte per 128 literals) is made once.
  const size_t start = out.size();
  out.resize(start + size_t(size) + size_t(size) / 128 + 1);
  uint8_t* o = out.data() + start;
  auto literals = [&](int32_t from, int32_t end) {
    while (from < end) {
      const int32_t count = std::min(end - from, 128);
      *o++ = uint8_t(count - 1);
      std::memcpy(o, row + from, size_t(count));
      o += count;
      from += count;
    }
  };
  int32_t i = 0;
  while (i < size) {
    const int32_t runStart = NextRun(row, size, i);
    literals(i, runStart);
    if (runStart == size) break;
    int32_t run = 4;
    while (runStart + run < size && run < 128 && row[runStart + run] == row[runStart]) ++run;
    *o++ = uint8_t(1 - run);
    *o++ = row[runStart];
    i = runStart + run;
  }
  out.resize(size_t(o - out.data()));
}

}  // namespace kx
