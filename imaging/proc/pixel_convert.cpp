// The shared pixel conversions: gray, 1-bit expansion and reduction, ordered dithering, row
// depth changes and small palette helpers.
#include "imaging/proc/pixel_convert.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "imaging/core/pixelformat.h"
#include "imaging/proc/bitmap_copy.h"
#include "imaging/proc/quantizer.h"
#include "imaging/proc/simd_x86.h"
#include "imaging/proc/to_one_bit.h"

namespace kx {

const uint8_t kDitherMatrix[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                     {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                                     {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                                     {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

namespace {

// Swaps red and blue in the longest prefix of `bytes` it can do five pixels at a time, returns
// its length. Each 16-byte step rewrites its last byte unchanged and the next step starts
// there, so the same call works in place (dest == source) and into a separate row.
#if defined(KX_X86)
KX_SSSE3 size_t SwapRedBlueSsse3(uint8_t* dest, const uint8_t* source, size_t bytes) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  size_t i = 0;
  for (; i + 16 <= bytes; i += 15) Store16(dest + i, _mm_shuffle_epi8(Load16(source + i), order));
  return i;
}

size_t SwapRedBlueWide(uint8_t* dest, const uint8_t* source, size_t bytes) {
  return HasSsse3() ? SwapRedBlueSsse3(dest, source, bytes) : 0;
}
#else
size_t SwapRedBlueWide(uint8_t*, const uint8_t*, size_t) { return 0; }
#endif

#if defined(KX_X86)
// Shuffles that gather channel `ch` of 16 pixels (48 bytes in three registers) into lane order,
// and that spread 16 gray bytes back into the three registers, each gray three times.
constexpr std::array<TPickMasks, 3> kGatherMasks = {KXPickMasks([](int lane) { return 3 * lane; }),
                                                    KXPickMasks([](int lane) { return 3 * lane + 1; }),
                                                    KXPickMasks([](int lane) { return 3 * lane + 2; })};
constexpr auto kSpreadMasks = [] {
  std::array<std::array<uint8_t, 16>, 3> m{};
  for (int reg = 0; reg < 3; ++reg)
    for (int j = 0; j < 16; ++j) m[reg][j] = uint8_t((16 * reg + j) / 3);
  return m;
}();

// 21 r + 71 g + 7 b of 8 pixels in 16-bit lanes, divided by 100: (sum x 5243) >> 19 equals
// sum div 100 for every sum below 43699, and sums stay below 25246.
KX_SSSE3 inline __m128i Gray8(__m128i redGreen, __m128i blue) {
  const __m128i sum = _mm_add_epi16(
      _mm_maddubs_epi16(redGreen, _mm_setr_epi8(21, 71, 21, 71, 21, 71, 21, 71, 21, 71, 21, 71, 21, 71, 21, 71)),
      _mm_mullo_epi16(blue, _mm_set1_epi16(7)));
  return _mm_srli_epi16(_mm_mulhi_epu16(sum, _mm_set1_epi16(5243)), 3);
}

// KXGrayRow 16 pixels a step as far as whole steps go; returns the pixels done.
KX_SSSE3 int32_t GrayRowSsse3(uint8_t* p, int32_t count) {
  const __m128i zero = _mm_setzero_si128();
  int32_t done = 0;
  for (; done + 16 <= count; done += 16, p += 48) {
    const __m128i v[3] = {Load16(p), Load16(p + 16), Load16(p + 32)};
    const __m128i blue = Pick(v, kGatherMasks[0]), green = Pick(v, kGatherMasks[1]), red = Pick(v, kGatherMasks[2]);
    const __m128i low = Gray8(_mm_unpacklo_epi8(red, green), _mm_unpacklo_epi8(blue, zero));
    const __m128i high = Gray8(_mm_unpackhi_epi8(red, green), _mm_unpackhi_epi8(blue, zero));
    const __m128i gray = _mm_packus_epi16(low, high);
    for (int reg = 0; reg < 3; ++reg) Store16(p + 16 * reg, _mm_shuffle_epi8(gray, Load16(kSpreadMasks[reg].data())));
  }
  return done;
}
#endif

constexpr TC1TO24 MakeC1TO24() {
  TC1TO24 t{};
  for (int i = 0; i < 256; ++i)
    for (int bit = 0; bit < 8; ++bit) {
      const uint8_t v = (i >> (7 - bit)) & 1 ? 255 : 0;
      t[size_t(i)][size_t(bit * 3)] = t[size_t(i)][size_t(bit * 3 + 1)] = t[size_t(i)][size_t(bit * 3 + 2)] = v;
    }
  return t;
}

}  // namespace

const TC1TO24 C1TO24 = MakeC1TO24();

void _Conv1to24(const TBitmap& source, TBitmap& dest, TProgressRec& progress) {
  if (source.BitCount() != 1 || &source == &dest) return;
  const int32_t w = source.Width(), h = source.Height();
  dest.SetSize(1, 1);
  dest.SetPixelFormat(pf24bit);
  dest.SetSize(w, h);
  progress.StartRows(h);
  const int32_t whole = w / 8, rest = w % 8;
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* s = source.ScanLine(y);
    uint8_t* d = dest.ScanLine(y);
    for (int32_t i = 0; i < whole; ++i, d += 24) std::memcpy(d, C1TO24[s[i]].data(), 24);
    if (rest) std::memcpy(d, C1TO24[s[whole]].data(), size_t(rest) * 3);
    progress.RowDone();
  }
}

void _Negative1Bit(TBitmap& bitmap) {
  if (bitmap.BitCount() != 1) return;
  const size_t len = size_t(bitmap.RowLen());
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    uint8_t* row = bitmap.ScanLine(y);
    for (size_t i = 0; i < len; ++i) row[i] = uint8_t(~row[i]);
  }
}

std::unique_ptr<TBitmap> _ConvertTo1bit(const TBitmap& bitmap, TRGB& c1, TRGB& c2) {
  if (bitmap.BitCount() != 24 || bitmap.Empty()) return nullptr;
  const int32_t w = bitmap.Width(), h = bitmap.Height();
  auto result = std::make_unique<TBitmap>(w, h, pf1bit);
  int colors = 0;
  for (int32_t y = 0; y < h && colors <= 2; ++y) {
    const TRGB* s = reinterpret_cast<const TRGB*>(bitmap.ScanLine(y));
    uint8_t* d = result->ScanLine(y);
    std::memset(d, 0, OneBitRowBytes(w));
    for (int32_t x = 0; x < w; ++x) {
      const TRGB c = s[x];
      if (colors == 0) {
        c1 = c;
        colors = 1;
      } else if (!(c == c1)) {
        if (colors == 1) {
          c2 = c;
          colors = 2;
        } else if (!(c == c2)) {
          colors = 3;
          break;
        }
        d[x >> 3] |= uint8_t(0x80 >> (x & 7));
      }
    }
  }
  if (colors != 2) return nullptr;
  const auto luma = [](TRGB c) { return KXRound((21.0 * c.r + 71.0 * c.g + 7.0 * c.b) / 100.0); };
  if (luma(c2) < luma(c1)) {
    _Negative1Bit(*result);
    std::swap(c1, c2);
  }
  return result;
}

void _ConvertToBWOrdered(TBitmap& bitmap, TProgressRec& progress) {
  _Convert24To1Bit(bitmap, progress, [](TRGB pixel, int32_t x, int32_t y) {
    const uint8_t gray = _RGBToGray(pixel);
    // The matrix holds 63 and white's gray div 4 is 63: without the first test every 8 x 8
    // tile of a white page would get one black dot.
    return gray >= 252 || gray / 4 > kDitherMatrix[x & 7][y & 7];
  });
}

std::unique_ptr<TBitmap> _OneBitForWriter(const TBitmap& bitmap, TRGB& c0, TRGB& c1, TProgressRec& progress) {
  if (bitmap.Empty()) return nullptr;
  auto result = std::make_unique<TBitmap>();
  KXCopyBitmap(bitmap, *result);
  if (bitmap.BitCount() == 1) {
    const std::vector<TRGB>& palette = bitmap.Palette();
    c0 = palette.size() > 0 ? palette[0] : TRGB{0, 0, 0};
    c1 = palette.size() > 1 ? palette[1] : TRGB{255, 255, 255};
    return result;
  }
  if (result->BitCount() != 24) result->SetPixelFormat(pf24bit);
  if (auto twoColors = _ConvertTo1bit(*result, c0, c1)) return twoColors;
  _ConvertToBWOrdered(*result, progress);
  c0 = TRGB{0, 0, 0};
  c1 = TRGB{255, 255, 255};
  return result;
}

int32_t _GetSimilColor(const TRGB* palette, int32_t count, TRGB color) {
  int32_t best = -1, bestDistance = 1000;
  for (int32_t i = 0; i < count; ++i) {
    const TRGB p = palette[i];
    const int d = std::abs(int(p.r) - color.r) + std::abs(int(p.g) - color.g) + std::abs(int(p.b) - color.b);
    if (d < bestDistance) bestDistance = d, best = i;
  }
  return best;
}

void KXGrayRow(TRGB* pixels, int32_t count) {
  int32_t done = 0;
#if defined(KX_X86)
  if (HasSsse3()) done = GrayRowSsse3(reinterpret_cast<uint8_t*>(pixels), count);
#endif
  for (; done < count; ++done) {
    const uint8_t g = _RGBToGray(pixels[done]);
    pixels[done] = TRGB{g, g, g};
  }
}

void _RGB2BGR(TRGB* colors, int32_t count) { _CopyBGR_RGB(colors, colors, count); }

void _CopyBGR_RGB(TRGB* dest, const TRGB* source, int32_t count) {
  if (count <= 0) return;
  // Bytes, not TRGB fields: the fields would alias when dest == source.
  auto* d = reinterpret_cast<uint8_t*>(dest);
  const auto* s = reinterpret_cast<const uint8_t*>(source);
  const size_t bytes = size_t(count) * 3;
  size_t done = SwapRedBlueWide(d, s, bytes);
  for (; done < bytes; done += 3) {
    const uint8_t red = s[done];
    d[done] = s[done + 2];
    d[done + 1] = s[done + 1];
    d[done + 2] = red;
  }
}

int32_t _ConvertXBitsToYBits(const uint8_t* source, uint8_t* dest, int32_t srcBits, int32_t dstBits, int32_t width,
                             std::span<const TRGB> palette, const TKXQuantizer* quantizer) {
  if (width < 0) width = 0;
  const size_t w = size_t(width);
  if (dstBits != 1 && dstBits != 4 && dstBits != 8 && dstBits != 24) return 0;
  const size_t length = KXRowPixelBytes(int64_t(w), dstBits);
  const auto bit = [source](size_t x) { return uint8_t((source[x >> 3] >> (7 - (x & 7))) & 1); };
  const auto nibble = [source](size_t x) { return uint8_t(x & 1 ? source[x >> 1] & 15 : source[x >> 1] >> 4); };
  const auto index = [quantizer](const uint8_t* p) {
    return quantizer ? uint8_t(quantizer->GetRGBIndex(TRGB{p[0], p[1], p[2]})) : uint8_t(0);
  };
  const auto entry = [&palette, dest](size_t x, size_t i) {
    const TRGB c = i < palette.size() ? palette[i] : TRGB{};
    dest[x * 3] = c.b, dest[x * 3 + 1] = c.g, dest[x * 3 + 2] = c.r;
  };
  const int32_t pair = srcBits * 100 + dstBits;
  switch (pair) {
    case 101:
    case 404:
    case 808:
    case 2424:
      std::memcpy(dest, source, length);
      break;
    case 104:
      std::memset(dest, 0, length);
      for (size_t x = 0; x < w; ++x) dest[x >> 1] |= uint8_t(bit(x) << (x & 1 ? 0 : 4));
      break;
    case 108:
      for (size_t x = 0; x < w; ++x) dest[x] = bit(x);
      break;
    case 408:
      for (size_t x = 0; x < w; ++x) dest[x] = nibble(x);
      break;
    case 124:
      for (size_t x = 0; x < w; ++x) entry(x, bit(x));
      break;
    case 424:
      for (size_t x = 0; x < w; ++x) entry(x, nibble(x));
      break;
    case 824:
      for (size_t x = 0; x < w; ++x) entry(x, source[x]);
      break;
    case 801:
      std::memset(dest, 0, length);
      for (size_t x = 0; x < w; ++x) dest[x >> 3] |= uint8_t((source[x] & 1) << (7 - (x & 7)));
      break;
    case 2404:
      std::memset(dest, 0, length);
      for (size_t x = 0; x < w; ++x) dest[x >> 1] |= uint8_t((index(source + x * 3) & 15) << (x & 1 ? 0 : 4));
      break;
    case 2408:
      for (size_t x = 0; x < w; ++x) dest[x] = index(source + x * 3);
      break;
    case 3224:
      for (size_t x = 0; x < w; ++x) std::memcpy(dest + x * 3, source + x * 4, 3);
      break;
    default:
      break;
  }
  return int32_t(length);
}

TKXPalette _CreateWinPalette(const TRGB* palette, int32_t count) {
  TKXPalette result;
  result.Entries.reserve(size_t(std::max(count, 0)));
  for (int32_t i = 0; i < count; ++i) result.Entries.push_back({palette[i].r, palette[i].g, palette[i].b, 0});
  return result;
}

}  // namespace kx
