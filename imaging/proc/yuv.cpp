// YUV frames to 24-bit pictures. The colour formula is evaluated in doubles from three
// 256-entry tables of its products, which gives exactly the values of the formula written out
// (each product is the same double, summed in the same order). Packed layouts are one template
// over a small table of where each pixel of a group finds its Y, U and V; the planar ones
// walk a luma row beside the chroma row that serves it.
#include "imaging/proc/yuv.h"

#include <array>
#include <cmath>

#include "imaging/core/limits.h"

namespace kx {

namespace {

struct TYuvTables {
  std::array<double, 256> Luma, BlueU, GreenV, GreenU, RedV;
  TYuvTables() {
    for (int i = 0; i < 256; ++i) {
      Luma[i] = 1.164 * (i - 16);
      BlueU[i] = 2.018 * (i - 128);
      GreenV[i] = 0.813 * (i - 128);
      GreenU[i] = 0.391 * (i - 128);
      RedV[i] = 1.596 * (i - 128);
    }
  }
};

const TYuvTables& Tables() {
  static const TYuvTables tables;
  return tables;
}

uint8_t Clamp8(double x) {
  const double r = std::nearbyint(x);
  return r <= 0 ? 0 : r >= 255 ? 255 : uint8_t(r);
}

bool InByteRange(int32_t v) { return v >= 0 && v <= 255; }

// Where stored row `i` of a frame goes in the bitmap.
int32_t TargetRow(const TBitmap& bitmap, int32_t i, bool topDown) { return topDown ? i : bitmap.Height() - 1 - i; }

TRGB* RowOf(TBitmap& bitmap, int32_t i, bool topDown) {
  return reinterpret_cast<TRGB*>(bitmap.ScanLine(TargetRow(bitmap, i, topDown)));
}

// One packed layout: a group of `Pixels` pixels in `Bytes` bytes; pixel k reads its luma at
// byte Y[k] and its chroma at U[k] and V[k].
struct TPackedLayout {
  int Pixels;
  int Bytes;
  std::array<uint8_t, 8> Y, U, V;
};

constexpr TPackedLayout kYUY2{2, 4, {0, 2}, {1, 1}, {3, 3}};
constexpr TPackedLayout kUYVY{2, 4, {1, 3}, {0, 0}, {2, 2}};
constexpr TPackedLayout kYVYU{2, 4, {0, 2}, {3, 3}, {1, 1}};
constexpr TPackedLayout kIYU1{4, 6, {1, 2, 4, 5}, {0, 0, 0, 0}, {3, 3, 3, 3}};
constexpr TPackedLayout kIYU2{1, 3, {1}, {0}, {2}};
constexpr TPackedLayout kY211{4, 4, {0, 0, 2, 2}, {1, 1, 1, 1}, {3, 3, 3, 3}};
constexpr TPackedLayout kY41P{8, 12, {1, 3, 5, 7, 8, 9, 10, 11}, {0, 0, 0, 0, 4, 4, 4, 4}, {2, 2, 2, 2, 6, 6, 6, 6}};
// CLJR: one 32-bit word per 4 pixels, handled on its own.
constexpr int kCLJRPixels = 4;
constexpr int kCLJRBytes = 4;

bool Usable(const TBitmap& bitmap, std::span<const uint8_t> data, uint32_t fourcc) {
  if (bitmap.PixelFormat() != pf24bit || bitmap.Empty()) return false;
  const int64_t need = KXYuvFrameBytes(fourcc, bitmap.Width(), bitmap.Height());
  return need >= 0 && int64_t(data.size()) >= need;
}

constexpr uint32_t FourCC(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
         uint32_t(uint8_t(s[3])) << 24;
}

void CopyPacked(const TPackedLayout& layout, uint32_t fourcc, std::span<const uint8_t> data, TBitmap& bitmap,
                bool topDown) {
  if (!Usable(bitmap, data, fourcc)) return;
  const int32_t groups = bitmap.Width() / layout.Pixels;
  const size_t rowBytes = size_t(groups) * size_t(layout.Bytes);
  for (int32_t i = 0; i < bitmap.Height(); ++i) {
    const uint8_t* in = data.data() + size_t(i) * rowBytes;
    TRGB* out = RowOf(bitmap, i, topDown);
    for (int32_t g = 0; g < groups; ++g, in += layout.Bytes, out += layout.Pixels)
      for (int k = 0; k < layout.Pixels; ++k) YUV2RGB(in[layout.Y[k]], in[layout.U[k]], in[layout.V[k]], out[k]);
  }
}

// Planar Y, then two chroma planes of ceil(w / factor) x ceil(h / factor) samples, one per
// factor x factor block of pixels; `uFirst` tells which plane comes first.
void CopyPlanar(int factor, bool uFirst, uint32_t fourcc, std::span<const uint8_t> data, TBitmap& bitmap,
                bool topDown) {
  if (!Usable(bitmap, data, fourcc)) return;
  const int32_t w = bitmap.Width(), h = bitmap.Height();
  const size_t cw = size_t((w + factor - 1) / factor), ch = size_t((h + factor - 1) / factor);
  const uint8_t* luma = data.data();
  const uint8_t* first = luma + size_t(w) * size_t(h);
  const uint8_t* second = first + cw * ch;
  const uint8_t* uPlane = uFirst ? first : second;
  const uint8_t* vPlane = uFirst ? second : first;
  for (int32_t i = 0; i < h; ++i) {
    const uint8_t* y = luma + size_t(i) * size_t(w);
    const uint8_t* u = uPlane + size_t(i / factor) * cw;
    const uint8_t* v = vPlane + size_t(i / factor) * cw;
    TRGB* out = RowOf(bitmap, i, topDown);
    for (int32_t x = 0; x < w; ++x) YUV2RGB(y[x], u[x / factor], v[x / factor], out[x]);
  }
}

struct TFrameLayout {
  uint32_t Code;
  int Planar;         // chroma subsampling factor of a planar layout; 0 for packed
  int Pixels, Bytes;  // packed group
};

constexpr std::array<TFrameLayout, 15> kLayouts{{
    {FourCC("I420"), 2, 0, 0},
    {FourCC("IYUV"), 2, 0, 0},
    {FourCC("YV12"), 2, 0, 0},
    {FourCC("YVU9"), 4, 0, 0},
    {FourCC("YUY2"), 0, kYUY2.Pixels, kYUY2.Bytes},
    {FourCC("YUNV"), 0, kYUY2.Pixels, kYUY2.Bytes},
    {FourCC("UYVY"), 0, kUYVY.Pixels, kUYVY.Bytes},
    {FourCC("UYNV"), 0, kUYVY.Pixels, kUYVY.Bytes},
    {FourCC("cyuv"), 0, kUYVY.Pixels, kUYVY.Bytes},
    {FourCC("YVYU"), 0, kYVYU.Pixels, kYVYU.Bytes},
    {FourCC("IYU1"), 0, kIYU1.Pixels, kIYU1.Bytes},
    {FourCC("IYU2"), 0, kIYU2.Pixels, kIYU2.Bytes},
    {FourCC("Y211"), 0, kY211.Pixels, kY211.Bytes},
    {FourCC("Y41P"), 0, kY41P.Pixels, kY41P.Bytes},
    {FourCC("CLJR"), 0, kCLJRPixels, kCLJRBytes},
}};

const TFrameLayout* FindLayout(uint32_t fourcc) {
  for (const TFrameLayout& l : kLayouts)
    if (l.Code == fourcc) return &l;
  return nullptr;
}

}  // namespace

void YUV2RGB(int32_t y, int32_t u, int32_t v, TRGB& out) {
  if (InByteRange(y) && InByteRange(u) && InByteRange(v)) {
    const TYuvTables& t = Tables();
    const double l = t.Luma[y];
    out.b = Clamp8(l + t.BlueU[u]);
    out.g = Clamp8(l - t.GreenV[v] - t.GreenU[u]);
    out.r = Clamp8(l + t.RedV[v]);
    return;
  }
  const double l = 1.164 * (y - 16);
  out.b = Clamp8(l + 2.018 * (u - 128));
  out.g = Clamp8(l - 0.813 * (v - 128) - 0.391 * (u - 128));
  out.r = Clamp8(l + 1.596 * (v - 128));
}

int64_t KXYuvFrameBytes(uint32_t fourcc, int64_t width, int64_t height) {
  const TFrameLayout* layout = FindLayout(fourcc);
  if (!layout || width < 0 || height < 0) return -1;
  int64_t total = 0;
  if (layout->Planar) {
    const int64_t f = layout->Planar;
    int64_t luma = 0, chroma = 0;
    if (!KXCheckedMul(width, height, luma) || !KXCheckedMul((width + f - 1) / f, (height + f - 1) / f, chroma) ||
        !KXCheckedMul(chroma, 2, chroma) || !KXCheckedAdd(luma, chroma, total))
      return -1;
    return total;
  }
  int64_t rowBytes = 0;
  if (!KXCheckedMul(width / layout->Pixels, layout->Bytes, rowBytes) || !KXCheckedMul(rowBytes, height, total))
    return -1;
  return total;
}

bool KXConvertYuv(uint32_t fourcc, std::span<const uint8_t> data, TBitmap& bitmap, bool topDown) {
  if (!Usable(bitmap, data, fourcc)) return false;
  switch (fourcc) {
    case FourCC("I420"):
    case FourCC("IYUV"):
      _CopyI420ToBitmap(data, bitmap, topDown);
      break;
    case FourCC("YV12"):
      _CopyYV12ToBitmap(data, bitmap, topDown);
      break;
    case FourCC("YVU9"):
      _CopyYVU9ToBitmap(data, bitmap, topDown);
      break;
    case FourCC("YUY2"):
    case FourCC("YUNV"):
      _CopyYUY2ToBitmap(data, bitmap, topDown);
      break;
    case FourCC("UYVY"):
    case FourCC("UYNV"):
      _CopyUYVYToBitmap(data, bitmap, topDown);
      break;
    // The same bytes as UYVY with the rows stored the other way round.
    case FourCC("cyuv"):
      _CopyUYVYToBitmap(data, bitmap, !topDown);
      break;
    case FourCC("YVYU"):
      _CopyYVYUToBitmap(data, bitmap, topDown);
      break;
    case FourCC("IYU1"):
      _CopyIYU1ToBitmap(data, bitmap, topDown);
      break;
    case FourCC("IYU2"):
      _CopyIYU2ToBitmap(data, bitmap, topDown);
      break;
    case FourCC("Y211"):
      _CopyY211ToBitmap(data, bitmap, topDown);
      break;
    case FourCC("Y41P"):
      _CopyY41PToBitmap(data, bitmap, topDown);
      break;
    case FourCC("CLJR"):
      _CopyCLJRToBitmap(data, bitmap, topDown);
      break;
    default:
      return false;
  }
  return true;
}

void _CopyI420ToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown) {
  CopyPlanar(2, true, FourCC("I420"), data, bitmap, topDown);
}
void _CopyYV12ToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown) {
  CopyPlanar(2, false, FourCC("YV12"), data, bitmap, topDown);
}
void _CopyYVU9ToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown) {
  CopyPlanar(4, false, FourCC("YVU9"), data, bitmap, topDown);
}
void _CopyYUY2ToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown) {
  CopyPacked(kYUY2, FourCC("YUY2"), data, bitmap, topDown);
}
void _CopyUYVYToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown) {
  CopyPacked(kUYVY, FourCC("UYVY"), data, bitmap, topDown);
}
void _CopyYVYUToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown) {
  CopyPacked(kYVYU, FourCC("YVYU"), data, bitmap, topDown);
}
void _CopyIYU1ToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown) {
  CopyPacked(kIYU1, FourCC("IYU1"), data, bitmap, topDown);
}
void _CopyIYU2ToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown) {
  CopyPacked(kIYU2, FourCC("IYU2"), data, bitmap, topDown);
}
void _CopyY211ToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown) {
  CopyPacked(kY211, FourCC("Y211"), data, bitmap, topDown);
}
void _CopyY41PToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown) {
  CopyPacked(kY41P, FourCC("Y41P"), data, bitmap, topDown);
}

void _CopyCLJRToBitmap(std::span<const uint8_t> data, TBitmap& bitmap, bool topDown) {
  if (!Usable(bitmap, data, FourCC("CLJR"))) return;
  const int32_t groups = bitmap.Width() / kCLJRPixels;
  const size_t rowBytes = size_t(groups) * kCLJRBytes;
  for (int32_t i = 0; i < bitmap.Height(); ++i) {
    const uint8_t* in = data.data() + size_t(i) * rowBytes;
    TRGB* out = RowOf(bitmap, i, topDown);
    for (int32_t g = 0; g < groups; ++g, in += kCLJRBytes, out += kCLJRPixels) {
      const uint32_t word = uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
      const int32_t v = int32_t(word & 0x3F), u = int32_t((word >> 6) & 0x3F);
      for (int k = 0; k < kCLJRPixels; ++k) YUV2RGB(int32_t((word >> (12 + 5 * k)) & 0x1F), u, v, out[k]);
    }
  }
}

}  // namespace kx
