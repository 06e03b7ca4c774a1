// 3 x 3 convolution and the filter file. The pass works on whole rows of bytes: the three
// channels share the kernel, so a byte's left and right neighbours lie 3 bytes away in a copy of
// the row widened by one repeated edge pixel on each side. Kernels whose sums fit 16 bits (every
// preset, and any kernel whose absolute weights add up to at most 128) run eight bytes at a time
// with the division replaced by an exact multiply-and-shift; all others take 64-bit sums, so no
// kernel read from a file can overflow or trap.
#include "imaging/proc/filters.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/byte_reader.h"
#include "imaging/core/byte_writer.h"
#include "imaging/core/file_replace.h"
#include "imaging/core/pixelformat.h"
#include "imaging/core/stream.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kx {

const TGraphFilter KXFiltPres[kKXFilterPresetCount] = {
    {{{0, 0, 0}, {0, 1, 0}, {0, 0, 0}}, 0},          // fpNone
    {{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, 9},          // fpBlur
    {{{1, 1, 1}, {1, -8, 1}, {1, 1, 1}}, 1},         // fpEdge
    {{{-1, 0, 1}, {-1, 1, 1}, {-1, 0, 1}}, 1},       // fpEmboss
    {{{0, -1, 0}, {-1, 5, -1}, {0, -1, 0}}, 1},      // fpHighPass1
    {{{-1, -1, -1}, {-1, 9, -1}, {-1, -1, -1}}, 1},  // fpHighPass2
    {{{1, -2, 1}, {-2, 5, -2}, {1, -2, 1}}, 1},      // fpHighPass3
    {{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, 10},         // LowPass1
    {{{1, 2, 1}, {2, 4, 2}, {1, 2, 1}}, 16},         // LowPass2
};

namespace {

constexpr uint8_t kSignature[3] = {0x01, 0x03, 0x03};

struct TFilterPlan {
  int64_t Weights[9];
  int64_t Divisor;  // never 0
  // Every partial and full sum fits int16: at most 128 x 255 in magnitude.
  bool Narrow;
  // For the narrow pass: a negative divisor flips the sum's sign, then q = (s x Magic) >> Shift
  // equals s div |divisor| for every s in 0..32767 (Magic = ceil(2^(15 + l) / |divisor|) with
  // 2^l >= |divisor|, Shift = 15 + l).
  bool Negate;
  bool Divide;
  uint16_t Magic;
  int Shift;
};

TFilterPlan MakePlan(const TGraphFilter& filter) {
  TFilterPlan plan{};
  int64_t magnitude = 0;
  for (int k = 0; k < 9; ++k) {
    plan.Weights[k] = filter.Values[k / 3][k % 3];
    magnitude += plan.Weights[k] < 0 ? -plan.Weights[k] : plan.Weights[k];
  }
  plan.Divisor = filter.Divisor == 0 ? 1 : filter.Divisor;
  plan.Narrow = magnitude <= 128;
  plan.Negate = plan.Divisor < 0;
  const uint64_t d = uint64_t(plan.Negate ? -plan.Divisor : plan.Divisor);
  plan.Divide = d > 1;
  int l = 0;
  while ((uint64_t(1) << l) < d) ++l;
  plan.Magic = uint16_t(((uint64_t(1) << (15 + l)) + d - 1) / d);
  plan.Shift = 15 + l;
  return plan;
}

// rows[r] starts at the widened row's left edge pixel, so output byte i reads bytes i, i + 3
// and i + 6 of each row.
void FilterBytesWide(const uint8_t* const rows[3], uint8_t* out, size_t begin, size_t end, const TFilterPlan& plan) {
  const int64_t* w = plan.Weights;
  for (size_t i = begin; i < end; ++i) {
    int64_t sum = 0;
    for (int r = 0; r < 3; ++r) {
      const uint8_t* p = rows[r] + i;
      sum += w[r * 3] * p[0] + w[r * 3 + 1] * p[3] + w[r * 3 + 2] * p[6];
    }
    out[i] = uint8_t(std::clamp<int64_t>(sum / plan.Divisor, 0, 255));
  }
}

void FilterBytesNarrow(const uint8_t* const rows[3], uint8_t* out, size_t bytes, const TFilterPlan& plan) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  __m128i weights[9];
  for (int k = 0; k < 9; ++k) weights[k] = _mm_set1_epi16(int16_t(plan.Weights[k]));
  const __m128i magic = _mm_set1_epi16(int16_t(plan.Magic));
  // The high half of the product already dropped 16 bits.
  const __m128i shift = _mm_cvtsi32_si128(plan.Shift - 16);
  const auto load = [zero](const uint8_t* p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
  };
  for (; i + 8 <= bytes; i += 8) {
    __m128i sum = zero;
    for (int r = 0; r < 3; ++r) {
      const uint8_t* p = rows[r] + i;
      sum = _mm_add_epi16(sum, _mm_mullo_epi16(load(p), weights[r * 3]));
      sum = _mm_add_epi16(sum, _mm_mullo_epi16(load(p + 3), weights[r * 3 + 1]));
      sum = _mm_add_epi16(sum, _mm_mullo_epi16(load(p + 6), weights[r * 3 + 2]));
    }
    if (plan.Negate) sum = _mm_sub_epi16(zero, sum);
    // A sum at or below 0 gives 0 whatever the positive divisor; packing saturates above 255.
    sum = _mm_max_epi16(sum, zero);
    if (plan.Divide) sum = _mm_srl_epi16(_mm_mulhi_epu16(sum, magic), shift);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(sum, sum));
  }
#endif
  FilterBytesWide(rows, out, i, bytes, plan);
}

// Copies pixels x1..x2 of `src` into `dst` after one pixel of the left neighbour and before
// one of the right, each repeating the edge pixel where the picture ends.
void LoadWidenedRow(const uint8_t* src, int32_t width, int32_t x1, int32_t x2, uint8_t* dst) {
  const size_t bytes = size_t(x2 - x1 + 1) * 3;
  std::memcpy(dst, src + size_t(std::max(x1 - 1, 0)) * 3, 3);
  std::memcpy(dst + 3, src + size_t(x1) * 3, bytes);
  std::memcpy(dst + 3 + bytes, src + size_t(std::min(x2 + 1, width - 1)) * 3, 3);
}

}  // namespace

void _ApplyFilter(TBitmap& bitmap, const TGraphFilter& filter, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                  const TProgressRec& progress) {
  if (bitmap.BitCount() != 24 || bitmap.Empty()) return;
  const int32_t width = bitmap.Width(), height = bitmap.Height();
  x1 = std::max(x1, 0), y1 = std::max(y1, 0);
  x2 = std::min(x2, width - 1), y2 = std::min(y2, height - 1);
  if (x1 > x2 || y1 > y2) return;
  const TFilterPlan plan = MakePlan(filter);
  const size_t bytes = size_t(x2 - x1 + 1) * 3;
  const size_t stride = bytes + 6;
  // Rows are filtered in place, so the three source rows are kept as copies taken before
  // their row is overwritten.
  std::vector<uint8_t> copies(3 * stride);
  uint8_t* above = copies.data();
  uint8_t* own = above + stride;
  uint8_t* below = own + stride;
  LoadWidenedRow(bitmap.ScanLine(std::max(y1 - 1, 0)), width, x1, x2, above);
  LoadWidenedRow(bitmap.ScanLine(y1), width, x1, x2, own);
  LoadWidenedRow(bitmap.ScanLine(std::min(y1 + 1, height - 1)), width, x1, x2, below);
  for (int32_t y = y1; y <= y2; ++y) {
    const uint8_t* const rows[3] = {above, own, below};
    uint8_t* out = bitmap.ScanLine(y) + size_t(x1) * 3;
    if (plan.Narrow)
      FilterBytesNarrow(rows, out, bytes, plan);
    else
      FilterBytesWide(rows, out, 0, bytes, plan);
    ReportRow(progress, y, y1, y2);
    if (y == y2) break;
    std::swap(above, own);
    std::swap(own, below);
    LoadWidenedRow(bitmap.ScanLine(std::min(y + 2, height - 1)), width, x1, x2, below);
  }
}

bool ReadFilterFromStream(TStream& stream, TGraphFilter& filter) {
  TKXByteReader in(stream);
  uint8_t signature[sizeof(kSignature)];
  if (!in.Bytes(signature, sizeof signature) || std::memcmp(signature, kSignature, sizeof signature) != 0) return false;
  TGraphFilter read;
  for (int k = 0; k < 9; ++k) read.Values[k / 3][k % 3] = in.I32LE();
  read.Divisor = in.I32LE();
  if (!in.Ok()) return false;
  filter = read;
  return true;
}

bool LoadFilterFromFile(const std::string& fileName, TGraphFilter& filter) {
  TFileStream stream(fileName, fmOpenRead);
  return ReadFilterFromStream(stream, filter);
}

void SaveFilterToFile(const std::string& fileName, const TGraphFilter& filter) {
  TKXByteWriter bytes(sizeof kSignature + 10 * 4);
  bytes.Bytes(kSignature, sizeof kSignature);
  for (int k = 0; k < 9; ++k) bytes.I32LE(filter.Values[k / 3][k % 3]);
  bytes.I32LE(filter.Divisor);
  KXReplaceFile(fileName, [&](TStream& stream) {
    stream.WriteBuffer(bytes.Result().data(), int64_t(bytes.Size()));
    return true;
  });
}

}  // namespace kx
