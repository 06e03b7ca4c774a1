// Icon and cursor reading: one picture out of the directory, its AND mask (or, at 32 bits, its
// alpha) resolved against the caller's background. Entries stored as PNG go to the PNG row's
// reader, and abort while that format has none.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/byte_reader.h"
#include "imaging/core/limits.h"
#include "imaging/core/pixelformat.h"
#include "imaging/core/stream.h"
#include "imaging/io/bmp_codec.h"
#include "imaging/io/bmp_rows.h"
#include "imaging/io/format_registry.h"
#include "imaging/io/ioparams.h"
#include "platform/screen.h"

namespace kx {
namespace {

constexpr uint16_t kIconType = 1, kCursorType = 2;
constexpr int64_t kDirectoryHeaderSize = 6, kEntrySize = 16;
// The header's size wins over a differing entry only below this: larger sizes in the header are
// taken for damage.
constexpr int64_t kTrustedHeaderSide = 2048;

struct TIconEntry {
  uint8_t Width, Height, Colors;
  uint16_t PlanesOrHotX, BitsOrHotY;
  uint32_t Bytes, Offset;
};

TIconEntry ReadEntry(TKXByteReader& in) {
  TIconEntry e{};
  e.Width = in.U8();
  e.Height = in.U8();
  e.Colors = in.U8();
  in.U8();
  e.PlanesOrHotX = in.U16LE();
  e.BitsOrHotY = in.U16LE();
  e.Bytes = in.U32LE();
  e.Offset = in.U32LE();
  return e;
}

bool TryDirectory(TStream& stream, uint16_t type) {
  try {
    const int64_t start = stream.Position();
    bool ok = false;
    if (stream.Remaining() > 22) {
      TKXByteReader in(stream);
      const uint16_t reserved = in.U16LE();
      const uint16_t fileType = in.U16LE();
      const uint16_t count = in.U16LE();
      ok = in.Ok() && reserved == 0 && fileType == type && count != 0;
      for (uint16_t i = 0; ok && i < count; ++i) {
        in.U8(), in.U8(), in.U8();
        const uint8_t entryReserved = in.U8();
        in.U32LE();
        const uint32_t bytes = in.U32LE();
        const uint32_t offset = in.U32LE();
        ok = in.Ok() && entryReserved == 0 && bytes != 0 && offset >= in.Consumed();
      }
    }
    stream.SetPosition(start);
    return ok;
  } catch (...) {
    return false;
  }
}

bool IsPng(const uint8_t (&b)[8]) {
  static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return std::memcmp(b, kSignature, 8) == 0;
}

void ReadPngEntry(TStream& stream, TBitmap& bitmap, int64_t bytes, TIOParamsVals& params, TRGB background, bool preview,
                  TProgressRec& progress) {
  const TKXBuiltInFormat* png = KXBuiltInFormat(ioPNG);
  if (!png || !png->Read) return progress.Abort("PNG pictures in icons are not supported");
  params.PNG_Background = background;
  png->Read(stream, bitmap, bytes, params, preview, progress);
}

// Composes the XOR rows and the AND mask into the bitmap, bottom row first. False when the
// picture's alpha made the mask unused.
bool Compose(const uint8_t* xorRows, const uint8_t* andRows, int32_t width, int32_t height, int32_t bits,
             const TBmpPalette& palette, TRGB background, TBitmap& bitmap) {
  const int64_t xorBytes = _BitmapRowLen64(width, bits);
  const int64_t andBytes = _BitmapRowLen64(width, 1);
  // 32-bit pictures carry alpha; old ones leave it all zero and rely on the mask instead.
  bool alpha = false;
  if (bits == 32)
    for (int64_t y = 0; y < height && !alpha; ++y)
      for (int32_t x = 0; x < width && !alpha; ++x) alpha = xorRows[y * xorBytes + x * 4 + 3] != 0;
  std::vector<uint8_t> expanded(size_t(width) * 3);
  const TBmpBitFields bgr{TBmpChannel(0xFF0000), TBmpChannel(0x00FF00), TBmpChannel(0x0000FF)};
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = xorRows + y * xorBytes;
    const uint8_t* mask = andRows + y * andBytes;
    uint8_t* dest = bitmap.ScanLine(height - 1 - y);
    if (bits == 1 && bitmap.PixelFormat() == pf1bit) {
      // A white background shows transparent pixels white and inverts the inverting ones.
      const uint8_t flip = background == TRGB{255, 255, 255} ? 0xFF : 0x00;
      for (int64_t i = 0; i < andBytes && i < (width + 7) / 8; ++i) dest[i] = src[i] ^ (mask[i] & flip);
      continue;
    }
    if (bits <= 8)
      BmpExpandIndexRow(src, bits, width, palette, expanded.data());
    else if (bits == 24)
      std::memcpy(expanded.data(), src, expanded.size());
    else
      BmpExpandMaskedRow(src, 32, width, bgr, expanded.data());
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* d = dest + x * 3;
      const uint8_t* s = expanded.data() + x * 3;
      if (alpha) {
        const unsigned a = src[x * 4 + 3];
        const uint8_t bg[3] = {background.b, background.g, background.r};
        for (int c = 0; c < 3; ++c) d[c] = uint8_t((s[c] * a + bg[c] * (255 - a) + 127) / 255);
      } else if (mask[x / 8] & (0x80 >> (x % 8))) {
        std::memcpy(d, &background, 3);
      } else {
        std::memcpy(d, s, 3);
      }
    }
  }
  return !alpha;
}

void ReadDirectoryPicture(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview, TProgressRec& progress,
                          bool cursor) {
  const int64_t start = stream.Position();
  TKXByteReader in(stream);
  uint8_t head[kDirectoryHeaderSize];
  if (!in.Bytes(head, kDirectoryHeaderSize)) return progress.Abort("truncated icon directory");
  if (!cursor && head[0] == 'B' && head[1] == 'M') {
    stream.SetPosition(start);
    return BMPReadStream(stream, bitmap, stream.Size() - start, params, preview, progress);
  }
  const int32_t count = head[4] | head[5] << 8;
  const int32_t index = cursor ? params.CUR_ImageIndex : params.ICO_ImageIndex;
  if (index < 0 || index >= count) return;
  TIconEntry e{};
  for (int32_t i = 0; i <= index; ++i) e = ReadEntry(in);
  if (!in.Ok()) return progress.Abort("truncated icon directory");
  if (cursor) {
    params.CUR_HotSpotX = e.PlanesOrHotX;
    params.CUR_HotSpotY = e.BitsOrHotY;
  }
  const TRGB background = cursor ? params.CUR_Background : params.ICO_Background;
  // An entry beyond the data is a damaged directory; the stream is never moved past its end.
  if (int64_t(e.Offset) > stream.Size() - start) return progress.Abort("icon picture outside the file");
  stream.SetPosition(start + e.Offset);

  uint8_t signature[8] = {};
  const int64_t at = stream.Position();
  const bool png = stream.Read(signature, 8) == 8 && IsPng(signature);
  stream.SetPosition(at);
  if (png) return ReadPngEntry(stream, bitmap, e.Bytes, params, background, preview, progress);

  TKXByteReader info(stream);
  const uint32_t headerSize = info.U32LE();
  const int32_t headerWidth = info.I32LE();
  const int32_t headerHeight = info.I32LE();
  info.U16LE();
  const uint16_t headerBits = info.U16LE();
  info.Skip(8);
  const int32_t ppmX = info.I32LE();
  const int32_t ppmY = info.I32LE();
  info.Skip(8);
  if (!info.Ok() || headerSize < 40) return progress.Abort("damaged icon picture header");
  if (headerSize > 40) info.Skip(headerSize - 40);
  params.DpiX = ppmX < 1 ? gSystemDPIX : KXRound(ppmX / 100.0 * 2.54);
  params.DpiY = ppmY < 1 ? gSystemDPIY : KXRound(ppmY / 100.0 * 2.54);

  int32_t bits = cursor ? 0 : e.BitsOrHotY;
  if (headerBits) bits = headerBits;
  if (!bits) bits = _NColToBitsPixel(e.Colors);
  if (bits <= 0) return progress.Abort("icon picture without a depth");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
    return progress.Abort("unsupported icon depth of " + std::to_string(bits) + " bits");
  const int64_t paletteSize = bits <= 8 ? (e.Colors ? e.Colors : int64_t(1) << bits) : 0;
  params.BitsPerSample = cursor ? bits : bits > 8 ? 8 : bits;
  params.SamplesPerPixel = cursor || bits <= 8 ? 1 : 3;

  int64_t width = e.Width ? e.Width : headerWidth;
  int64_t height = e.Height ? e.Height : headerHeight / 2;
  if (!cursor && e.Width != headerWidth && e.Width && headerWidth && headerWidth < kTrustedHeaderSide &&
      headerHeight < kTrustedHeaderSide) {
    width = headerWidth;
    height = headerHeight / 2;
  }
  params.FreeColorMap();
  TBmpPalette palette;
  if (paletteSize) {
    std::vector<uint8_t> raw(size_t(paletteSize) * 4);
    if (!info.Bytes(raw.data(), int64_t(raw.size()))) return progress.Abort("truncated icon palette");
    std::vector<TRGB> map(static_cast<size_t>(paletteSize));
    for (size_t i = 0; i < map.size(); ++i) std::memcpy(&map[i], &raw[i * 4], 3);
    palette.Assign(map);
    params.SetColorMap(std::move(map));
  }
  params.Width = int32_t(width);
  params.Height = int32_t(height);
  if (!KXPixelsAllowed(width, height)) return progress.Abort(KXPixelsRefusal(width, height));
  if (preview) return;

  const TRGB black{0, 0, 0}, white{255, 255, 255};
  const bool oneBit = bits == 1 && (background == black || background == white) &&
                      (paletteSize != 2 || (params.ColorMap[0] == black && params.ColorMap[1] == white));
  try {
    bitmap.SetSize(0, 0);
    bitmap.SetPixelFormat(oneBit ? pf1bit : pf24bit);
    bitmap.SetSize(int32_t(width), int32_t(height));
  } catch (...) {
    return progress.Abort("out of memory");
  }
  // The XOR rows and the mask, as far as the file holds them; a missing part reads as zero.
  const int64_t xorSize = _BitmapRowLen64(width, bits) * height;
  const int64_t andSize = _BitmapRowLen64(width, 1) * height;
  std::vector<uint8_t> data(static_cast<size_t>(xorSize + andSize));
  const int64_t wanted = std::min<int64_t>(xorSize + andSize, std::max<int64_t>(stream.Remaining(), 0));
  const int64_t got = wanted ? stream.Read(data.data(), wanted) : 0;
  const bool masked =
      Compose(data.data(), data.data() + xorSize, int32_t(width), int32_t(height), bits, palette, background, bitmap);
  // Writers of pictures with alpha may leave the mask out.
  if (got < xorSize || (masked && got < xorSize + andSize)) progress.Abort("truncated icon picture");
}

}  // namespace

void ICOReadStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview, TProgressRec& progress) {
  ReadDirectoryPicture(stream, bitmap, params, preview, progress, false);
}

void CURReadStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview, TProgressRec& progress) {
  ReadDirectoryPicture(stream, bitmap, params, preview, progress, true);
}

bool ICOTryStream(TStream& stream) { return TryDirectory(stream, kIconType); }
bool CURTryStream(TStream& stream) { return TryDirectory(stream, kCursorType); }

}  // namespace kx
