// DIB blocks to and from bitmaps. Import reads the header through the bounds-checked reader,
// checks every size in 64 bits against the block and the pixel limit before it allocates, and
// decodes into a picture of its own that replaces the caller's only when all went well.
#include "imaging/proc/dib.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "imaging/core/byte_reader.h"
#include "imaging/core/byte_writer.h"
#include "imaging/core/limits.h"
#include "imaging/core/pixel_rows.h"
#include "imaging/core/pixelformat.h"
#include "imaging/proc/yuv.h"

namespace kx {

namespace {

constexpr uint32_t kRGB = 0, kRLE8 = 1, kRLE4 = 2, kBitFields = 3;
constexpr uint32_t kCoreHeader = 12, kInfoHeader = 40;

// Up to 8 bits from bit `bit` of `source`, in the top bits of the result; reads only the bytes
// that hold those `count` bits.
uint8_t SourceBits(const uint8_t* source, int64_t bit, int count) {
  const uint8_t* p = source + (bit >> 3);
  const int shift = int(bit & 7);
  uint8_t v = uint8_t(p[0] << shift);
  if (shift + count > 8) v = uint8_t(v | (p[1] >> (8 - shift)));
  return v;
}

// ------------------------------------------------------------------ export

void PutHeader(TKXByteWriter& out, int32_t width, int32_t height, uint16_t bits) {
  out.U32LE(kInfoHeader);
  out.I32LE(width);
  out.I32LE(height);
  out.U16LE(1);
  out.U16LE(bits);
  out.Zeros(24);
}

// ------------------------------------------------------------------ import

// One channel of a bit-field pixel: where it starts, how many bits it has, and those bits
// scaled to 8 by repeating them.
struct TChannel {
  int Shift = 0;
  int Width = 0;
  std::array<uint8_t, 256> Scaled{};  // for Width <= 8

  explicit TChannel(uint32_t mask) {
    if (mask == 0) return;
    Shift = std::countr_zero(mask);
    Width = std::popcount(mask);
    if (Width > 8) return;
    for (uint32_t v = 0; v < (1u << Width); ++v) {
      uint32_t s = 0;
      for (int filled = 0; filled < 8; filled += Width) s = (s << Width) | v;
      Scaled[v] = uint8_t(s >> (((8 + Width - 1) / Width) * Width - 8));
    }
  }
  uint8_t Of(uint32_t pixel) const {
    if (Width == 0) return 0;
    const uint32_t v = uint32_t((uint64_t(pixel) >> Shift) & ((uint64_t(1) << Width) - 1));
    return Width <= 8 ? Scaled[v] : uint8_t(v >> (Width - 8));
  }
};

struct THeader {
  uint32_t Size = 0;
  int64_t Width = 0, Height = 0;
  uint32_t Bits = 0, Compression = 0, ColorsUsed = 0;
  std::array<uint32_t, 3> Masks{};
  bool MasksAfterHeader = false;
  int TableEntry = 4;
};

bool ReadHeader(std::span<const uint8_t> dib, THeader& h) {
  TKXByteReader r(dib);
  h.Size = r.U32LE();
  if (!r.Ok()) return false;
  if (h.Size == kCoreHeader) {
    h.Width = r.I16LE();
    h.Height = r.I16LE();
    r.U16LE();
    h.Bits = r.U16LE();
    h.TableEntry = 3;
    return r.Ok();
  }
  if (h.Size != kInfoHeader && h.Size != 52 && h.Size != 56 && h.Size != 108 && h.Size != 124) return false;
  h.Width = r.I32LE();
  h.Height = r.I32LE();
  r.U16LE();
  h.Bits = r.U16LE();
  h.Compression = r.U32LE();
  r.Skip(12);
  h.ColorsUsed = r.U32LE();
  r.U32LE();
  if (h.Compression == kBitFields) {
    // A 40-byte header leaves the masks to the 12 bytes after it; longer ones hold them.
    h.MasksAfterHeader = h.Size == kInfoHeader;
    for (uint32_t& m : h.Masks) m = r.U32LE();
  }
  return r.Ok() && h.Size <= dib.size();
}

bool IsYuvCode(uint32_t code) { return code > kBitFields && KXYuvFrameBytes(code, 0, 0) >= 0; }

constexpr uint32_t FourCC(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
         uint32_t(uint8_t(s[3])) << 24;
}

int32_t ReadYuv(std::span<const uint8_t> dib, const THeader& h, TBitmap& bitmap, std::span<const uint8_t> data) {
  // These two store their rows the other way round from the rest.
  const bool flipped = h.Compression == FourCC("Y41P") || h.Compression == FourCC("cyuv");
  const bool topDown = flipped ? h.Height < 0 : h.Height > 0;
  const int64_t height = h.Height < 0 ? -h.Height : h.Height;
  if (!KXPixelsAllowed(h.Width, height)) return 0;
  const std::span<const uint8_t> pixels = data.empty() ? dib.subspan(h.Size) : data;
  const int64_t need = KXYuvFrameBytes(h.Compression, h.Width, height);
  if (need < 0 || int64_t(pixels.size()) < need) return 0;
  TBitmap picture(int32_t(h.Width), int32_t(height), pf24bit);
  if (!KXConvertYuv(h.Compression, pixels, picture, topDown)) return 0;
  bitmap.Swap(picture);
  return int32_t(h.Bits);
}

bool DepthReadable(const THeader& h) {
  switch (h.Compression) {
    case kRGB:
      return h.Bits == 1 || h.Bits == 4 || h.Bits == 8 || h.Bits == 24 ||
             (h.Size != kCoreHeader && (h.Bits == 16 || h.Bits == 32));
    case kRLE8:
      return h.Bits == 8 && h.Height > 0;
    case kRLE4:
      return h.Bits == 4 && h.Height > 0;
    case kBitFields:
      return h.Bits == 16 || h.Bits == 32;
    default:
      return false;
  }
}

// Decodes the pixels of a standard DIB into `picture` (already sized and zeroed).
class TDibDecoder {
 public:
  TDibDecoder(const THeader& h, std::span<const uint8_t> pixels, const std::array<TRGB, 256>& table, TBitmap& picture)
      : fHeader(h),
        fPixels(pixels),
        fTable(table),
        fPicture(picture),
        fWidth(picture.Width()),
        fHeight(picture.Height()),
        fTopDown(h.Height < 0),
        fChannels(ChannelsOf(h)) {}

  bool Decode() {
    if (fHeader.Compression == kRLE8 || fHeader.Compression == kRLE4) {
      DecodeRle(fHeader.Compression == kRLE4);
      return true;
    }
    const int64_t rowBytes = _BitmapRowLen64(fWidth, fHeader.Bits);
    int64_t total = 0;
    if (!KXCheckedMul(rowBytes, fHeight, total) || total > int64_t(fPixels.size())) return false;
    for (int32_t i = 0; i < fHeight; ++i) DecodeRow(fPixels.data() + size_t(i) * size_t(rowBytes), Row(i));
    return true;
  }

 private:
  uint8_t* Row(int64_t stored) { return fPicture.ScanLine(int32_t(fTopDown ? stored : fHeight - 1 - stored)); }

  void DecodeRow(const uint8_t* in, uint8_t* out) {
    auto* rgb = reinterpret_cast<TRGB*>(out);
    switch (fHeader.Bits) {
      case 1:
        if (fPicture.PixelFormat() == pf1bit) {
          const size_t bytes = OneBitRowBytes(fWidth);
          std::memcpy(out, in, bytes);
          if (fWidth % 8) out[bytes - 1] &= uint8_t(0xFF << (8 - fWidth % 8));
        } else {
          for (int32_t x = 0; x < fWidth; ++x) rgb[x] = fTable[(in[x >> 3] >> (7 - (x & 7))) & 1];
        }
        break;
      case 4:
        for (int32_t x = 0; x < fWidth; ++x) rgb[x] = fTable[(in[x >> 1] >> (x & 1 ? 0 : 4)) & 0x0F];
        break;
      case 8:
        for (int32_t x = 0; x < fWidth; ++x) rgb[x] = fTable[in[x]];
        break;
      case 24:
        std::memcpy(out, in, size_t(fWidth) * 3);
        break;
      case 16:
      case 32:
        DecodeFields(in, rgb);
        break;
    }
  }

  // Red, green and blue of a 16- or 32-bit pixel: the stored masks, or the standard ones
  // without bit fields.
  static std::array<TChannel, 3> ChannelsOf(const THeader& h) {
    std::array<uint32_t, 3> masks = h.Masks;
    if (h.Compression == kRGB)
      masks = h.Bits == 16 ? std::array<uint32_t, 3>{0x7C00, 0x03E0, 0x001F}
                           : std::array<uint32_t, 3>{0xFF0000, 0x00FF00, 0x0000FF};
    return {TChannel(masks[0]), TChannel(masks[1]), TChannel(masks[2])};
  }

  void DecodeFields(const uint8_t* in, TRGB* out) const {
    const auto& [red, green, blue] = fChannels;
    for (int32_t x = 0; x < fWidth; ++x) {
      const uint32_t p = fHeader.Bits == 16 ? uint32_t(in[2 * x]) | uint32_t(in[2 * x + 1]) << 8
                                            : uint32_t(in[4 * x]) | uint32_t(in[4 * x + 1]) << 8 |
                                                  uint32_t(in[4 * x + 2]) << 16 | uint32_t(in[4 * x + 3]) << 24;
      out[x] = CreateRGB(red.Of(p), green.Of(p), blue.Of(p));
    }
  }

  void Put(int64_t x, int64_t y, uint8_t index) {
    if (x < fWidth && y < fHeight) reinterpret_cast<TRGB*>(Row(y))[x] = fTable[index];
  }

  // Runs, ends of line, deltas and absolute runs, bottom row first; whatever would land
  // outside the picture is dropped and the stream ends with the data, the end code or the top
  // row, whichever comes first.
  void DecodeRle(bool nibbles) {
    const uint8_t* p = fPixels.data();
    const uint8_t* end = p + fPixels.size();
    int64_t x = 0, y = 0;
    while (end - p >= 2 && y < fHeight) {
      const uint8_t count = p[0], value = p[1];
      p += 2;
      if (count > 0) {
        for (int i = 0; i < count; ++i, ++x) Put(x, y, nibbles ? uint8_t(i & 1 ? value & 0x0F : value >> 4) : value);
        continue;
      }
      if (value == 0) {
        x = 0, ++y;
      } else if (value == 1) {
        return;
      } else if (value == 2) {
        if (end - p < 2) return;
        x += p[0], y += p[1];
        p += 2;
      } else {
        const int64_t bytes = nibbles ? (value + 1) / 2 : value;
        const int64_t padded = bytes + (bytes & 1);
        if (end - p < bytes) return;
        for (int i = 0; i < value; ++i, ++x)
          Put(x, y, nibbles ? uint8_t(i & 1 ? p[i / 2] & 0x0F : p[i / 2] >> 4) : p[i]);
        p += std::min<int64_t>(padded, end - p);
      }
    }
  }

  const THeader& fHeader;
  std::span<const uint8_t> fPixels;
  const std::array<TRGB, 256>& fTable;
  TBitmap& fPicture;
  int32_t fWidth, fHeight;
  bool fTopDown;
  std::array<TChannel, 3> fChannels;
};

}  // namespace

std::vector<uint8_t> _CopyBitmaptoDIB(const TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (bitmap.Empty()) return {};
  const int64_t left = std::max<int64_t>(x1, 0), top = std::max<int64_t>(y1, 0);
  const int64_t right = std::min<int64_t>(x2 == 0 ? bitmap.Width() - 1 : x2, bitmap.Width() - 1);
  const int64_t bottom = std::min<int64_t>(y2 == 0 ? bitmap.Height() - 1 : y2, bitmap.Height() - 1);
  if (left > right || top > bottom) return {};
  const int32_t width = int32_t(right - left + 1), height = int32_t(bottom - top + 1);
  const bool mono = bitmap.PixelFormat() == pf1bit;
  const uint16_t bits = mono ? 1 : 24;
  const size_t rowBytes = size_t(_BitmapRowLen64(width, bits));

  TKXByteWriter out(kInfoHeader + 8 + rowBytes * size_t(height) + 4);
  PutHeader(out, width, height, bits);
  if (mono) {
    out.U32LE(0);
    out.U32LE(0xFFFFFFFF);
  }
  std::vector<uint8_t> row(rowBytes);
  std::vector<TRGB> decoded(bitmap.PixelFormat() == pf24bit || mono ? 0 : size_t(bitmap.Width()));
  const TPixelRowCodec codec(bitmap.PixelFormat(), bitmap.Palette());
  for (int64_t y = bottom; y >= top; --y) {
    const uint8_t* in = bitmap.ScanLine(int32_t(y));
    if (mono) {
      _CopyBits(row.data(), in, 0, width, left);
    } else {
      if (!decoded.empty()) {
        codec.Decode(in, decoded.data(), bitmap.Width());
        in = reinterpret_cast<const uint8_t*>(decoded.data());
      }
      std::memcpy(row.data(), in + left * 3, size_t(width) * 3);
    }
    out.Bytes(row.data(), row.size());
  }
  out.Zeros(4);
  return out.Result();
}

int32_t _CopyDIB2Bitmap(std::span<const uint8_t> dib, TBitmap& bitmap, std::span<const uint8_t> data) {
  THeader h;
  if (!ReadHeader(dib, h) || h.Width <= 0 || h.Height == 0 || h.Bits == 0) return 0;
  if (h.Size != kCoreHeader && IsYuvCode(h.Compression)) return ReadYuv(dib, h, bitmap, data);
  if (!DepthReadable(h)) return 0;
  const int64_t height = h.Height < 0 ? -h.Height : h.Height;
  if (!KXPixelsAllowed(h.Width, height)) return 0;

  int64_t offset = int64_t(h.Size) + (h.MasksAfterHeader ? 12 : 0);
  const int64_t entries = h.Size == kCoreHeader || (h.Bits <= 8 && h.ColorsUsed == 0) ? (h.Bits <= 8 ? 1 << h.Bits : 0)
                                                                                      : int64_t(h.ColorsUsed);
  int64_t tableBytes = 0;
  if (!KXCheckedMul(entries, h.TableEntry, tableBytes) || !KXCheckedAdd(offset, tableBytes, offset) ||
      offset > int64_t(dib.size()))
    return 0;

  // Indices past the table give black; a 1-bit table defaults to black then white.
  std::array<TRGB, 256> table{};
  if (h.Bits == 1) table[1] = CreateRGB(255, 255, 255);
  const uint8_t* entry = dib.data() + h.Size + (h.MasksAfterHeader ? 12 : 0);
  if (h.Bits <= 8)
    for (int64_t i = 0; i < std::min<int64_t>(entries, 256); ++i, entry += h.TableEntry)
      table[size_t(i)] = TRGB{entry[0], entry[1], entry[2]};
  const bool blackWhite = table[0] == TRGB{} && table[1] == CreateRGB(255, 255, 255);

  TBitmap picture(int32_t(h.Width), int32_t(height), h.Bits == 1 && blackWhite ? pf1bit : pf24bit);
  TDibDecoder decoder(h, dib.subspan(size_t(offset)), table, picture);
  if (!decoder.Decode()) return 0;
  bitmap.Swap(picture);
  return int32_t(h.Bits);
}

void _CopyBits(uint8_t* dest, const uint8_t* source, int64_t destBit, int64_t count, int64_t sourceBit) {
  while (count > 0) {
    const int shift = int(destBit & 7);
    const int n = int(std::min<int64_t>(8 - shift, count));
    const uint8_t mask = uint8_t((0xFF >> shift) & ~(0xFF >> (shift + n)));
    uint8_t& d = dest[destBit >> 3];
    d = uint8_t((d & ~mask) | ((SourceBits(source, sourceBit, n) >> shift) & mask));
    destBit += n, sourceBit += n, count -= n;
  }
}

}  // namespace kx
