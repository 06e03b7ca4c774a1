// Small bitmap, icon and cursor files built byte by byte, for the reader tests' edge cases.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/byte_writer.h"
#include "imaging/core/stream.h"
#include "imaging/io/bmp_codec.h"
#include "imaging/io/ioparams.h"

namespace kxtest {

struct TBmpLayout {
  int32_t Width = 1;
  int32_t Height = 1;
  int32_t Bits = 24;
  uint32_t Compression = 0;
  uint32_t HeaderSize = 40;
  uint32_t ColorsUsed = 0;
  int32_t PixelsPerMetre = 0;
  std::vector<kx::TRGB> Palette = {};
  std::vector<uint32_t> Masks = {};  // inside the header from byte 40 when it is long enough, else after it
  std::vector<uint8_t> Pixels = {};
};

inline std::vector<uint8_t> BmpFile(const TBmpLayout& s) {
  kx::TKXByteWriter info;
  if (s.HeaderSize == 12) {
    info.U32LE(12);
    info.U16LE(uint16_t(s.Width));
    info.U16LE(uint16_t(s.Height));
    info.U16LE(1);
    info.U16LE(uint16_t(s.Bits));
  } else {
    info.U32LE(s.HeaderSize);
    info.I32LE(s.Width);
    info.I32LE(s.Height);
    info.U16LE(1);
    info.U16LE(uint16_t(s.Bits));
    info.U32LE(s.Compression);
    info.U32LE(uint32_t(s.Pixels.size()));
    info.I32LE(s.PixelsPerMetre);
    info.I32LE(s.PixelsPerMetre);
    info.U32LE(s.ColorsUsed ? s.ColorsUsed : uint32_t(s.Palette.size()));
    info.U32LE(0);
    const bool inside = s.HeaderSize >= 52;
    if (inside)
      for (uint32_t m : s.Masks) info.U32LE(m);
    if (info.Size() < s.HeaderSize) info.Zeros(s.HeaderSize - info.Size());
    if (!inside)
      for (uint32_t m : s.Masks) info.U32LE(m);
  }
  for (const kx::TRGB& c : s.Palette) {
    info.Bytes(&c, 3);
    if (s.HeaderSize != 12) info.U8(0);
  }
  kx::TKXByteWriter file;
  file.Bytes("BM", 2);
  file.U32LE(uint32_t(14 + info.Size() + s.Pixels.size()));
  file.U32LE(0);
  file.U32LE(uint32_t(14 + info.Size()));
  file.Bytes(info.Result().data(), info.Size());
  file.Bytes(s.Pixels.data(), s.Pixels.size());
  return file.Result();
}

// One picture of an icon (type 1) or cursor (type 2) directory: a 40-byte header, the palette,
// the XOR rows and the AND mask.
struct TIconLayout {
  uint16_t Type = 1;
  uint8_t EntryWidth = 0, EntryHeight = 0, EntryColors = 0;
  uint16_t Field4 = 1, Field6 = 0;  // planes and bit count, or the cursor's hot spot
  int32_t Width = 1, Height = 1, Bits = 24;
  std::vector<kx::TRGB> Palette = {};
  std::vector<uint8_t> XorRows = {}, AndRows = {};
};

inline std::vector<uint8_t> IconFile(const TIconLayout& s) {
  kx::TKXByteWriter image;
  image.U32LE(40);
  image.I32LE(s.Width);
  image.I32LE(s.Height * 2);
  image.U16LE(1);
  image.U16LE(uint16_t(s.Bits));
  image.Zeros(24);
  for (const kx::TRGB& c : s.Palette) {
    image.Bytes(&c, 3);
    image.U8(0);
  }
  image.Bytes(s.XorRows.data(), s.XorRows.size());
  image.Bytes(s.AndRows.data(), s.AndRows.size());
  kx::TKXByteWriter file;
  file.U16LE(0);
  file.U16LE(s.Type);
  file.U16LE(1);
  file.U8(s.EntryWidth);
  file.U8(s.EntryHeight);
  file.U8(s.EntryColors);
  file.U8(0);
  file.U16LE(s.Field4);
  file.U16LE(s.Field6);
  file.U32LE(uint32_t(image.Size()));
  file.U32LE(22);
  file.Bytes(image.Result().data(), image.Size());
  return file.Result();
}

struct TBmpRead {
  kx::TBitmap Bitmap;
  kx::TIOParamsVals Params;
  bool Aborted = false;
  kx::TKXDiagnostics Diagnostics;
};

enum class TDirectoryKind { icon, cursor };

// Reads `bytes` with the bitmap reader (block size unknown), or the icon or cursor reader.
inline void ReadBmp(const std::vector<uint8_t>& bytes, TBmpRead& r, bool preview = false) {
  kx::TMemoryStream stream(bytes);
  kx::TProgressRec progress{};
  progress.Aborting = &r.Aborted;
  progress.Diagnostics = &r.Diagnostics;
  kx::BMPReadStream(stream, r.Bitmap, 0, r.Params, preview, progress);
}
inline void ReadDirectory(const std::vector<uint8_t>& bytes, TBmpRead& r, TDirectoryKind kind, bool preview = false) {
  kx::TMemoryStream stream(bytes);
  kx::TProgressRec progress{};
  progress.Aborting = &r.Aborted;
  progress.Diagnostics = &r.Diagnostics;
  if (kind == TDirectoryKind::icon)
    kx::ICOReadStream(stream, r.Bitmap, r.Params, preview, progress);
  else
    kx::CURReadStream(stream, r.Bitmap, r.Params, preview, progress);
}

}  // namespace kxtest
