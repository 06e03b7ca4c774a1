// Pixel-format helpers, bit tricks and checked rounding.
#include "imaging/core/pixelformat.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace kx {

int32_t _BitmapRowLen(int32_t width, int32_t bits) { return int32_t(((int64_t(width) * bits + 31) / 32) * 4); }

int64_t _BitmapRowLen64(int64_t width, int64_t bits) { return ((width * bits + 31) / 32) * 4; }

int32_t _Pixelformat2BitCount(TPixelFormat pf) {
  switch (pf) {
    case pf1bit:
      return 1;
    case pf4bit:
      return 4;
    case pf8bit:
      return 8;
    case pf15bit:
      return 15;
    case pf16bit:
      return 16;
    case pf24bit:
      return 24;
    case pf32bit:
      return 32;
    default:
      return 0;
  }
}

TPixelFormat _Bitcount2Pixelformat(int32_t bits) {
  switch (bits) {
    case 1:
      return pf1bit;
    case 4:
      return pf4bit;
    case 8:
      return pf8bit;
    case 15:
      return pf15bit;
    case 16:
      return pf16bit;
    case 24:
      return pf24bit;
    case 32:
      return pf32bit;
    default:
      return pfCustom;
  }
}

int32_t _GetBitCount(uint32_t mask) {
  int bit = 0;
  while (bit < 31 && !(mask & (1u << bit))) ++bit;
  int32_t count = 0;
  while (bit < 32 && (mask & (1u << bit))) {
    ++count;
    ++bit;
  }
  return count;
}

int32_t _NColToBitsPixel(int32_t ncolors) {
  int32_t result = -1;
  bool first = true;
  for (int bit = 0; bit < 32; ++bit) {
    if (uint32_t(ncolors) & (1u << bit)) {
      result = first ? bit : bit + 1;
      first = false;
    }
  }
  return result;
}

int64_t _GetNumCol(int32_t bits, int32_t samples) {
  int64_t n = 1;
  if (bits < 0 && samples > 0) return 0;
  for (int32_t i = 0; i < samples; ++i) {
    if (bits >= 62 || n > (int64_t(1) << (62 - bits))) return std::numeric_limits<int64_t>::max();
    n <<= bits;
  }
  return n;
}

uint32_t ReverseBits(uint32_t& v) {
  uint32_t r = v;
  r = ((r >> 1) & 0x55555555u) | ((r & 0x55555555u) << 1);
  r = ((r >> 2) & 0x33333333u) | ((r & 0x33333333u) << 2);
  r = ((r >> 4) & 0x0F0F0F0Fu) | ((r & 0x0F0F0F0Fu) << 4);
  r = ((r >> 8) & 0x00FF00FFu) | ((r & 0x00FF00FFu) << 8);
  v = (r >> 16) | (r << 16);
  return v;
}

namespace {
struct TReverseTable {
  uint8_t t[256];
  constexpr TReverseTable() : t{} {
    for (int i = 0; i < 256; ++i) {
      int r = 0;
      for (int b = 0; b < 8; ++b)
        if (i & (1 << b)) r |= 1 << (7 - b);
      t[i] = uint8_t(r);
    }
  }
};
constexpr TReverseTable kReverse;
}  // namespace

uint8_t ReverseBitsB(uint8_t& v) {
  v = kReverse.t[v];
  return v;
}

int32_t KXTrunc(double x) {
  if (std::isnan(x)) return 0;
  if (x >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (x <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return int32_t(x);
}

int32_t KXRound(double x) {
  if (std::isnan(x)) return 0;
  return KXTrunc(std::nearbyint(x));
}

int32_t KXFloor(double x) {
  int32_t t = KXTrunc(x);
  return x < double(t) && t > INT32_MIN ? t - 1 : t;
}

int64_t _getfilesize(const std::string& name) {
  struct stat st;
  if (stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return int64_t(st.st_size);
}

}  // namespace kx
