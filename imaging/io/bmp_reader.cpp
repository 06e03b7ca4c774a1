// Bitmap file reading: Windows headers of any length (the masks of the longer ones inside
// them), OS/2 1 and 2 headers, 1 to 32 bits per pixel, RLE4 and RLE8. Every size the file
// gives is checked in 64 bits against the pixel limit before anything is allocated; the
// bitmap starts black, so pixels the data never reaches stay black.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/byte_reader.h"
#include "imaging/core/limits.h"
#include "imaging/core/pixelformat.h"
#include "imaging/core/stream.h"
#include "imaging/io/bmp_codec.h"
#include "imaging/io/bmp_rows.h"
#include "imaging/io/ioparams.h"
#include "platform/screen.h"

namespace kx {
namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitFields = 3;
constexpr int32_t kOs2V1HeaderSize = 12;
// The Windows header with the colour masks inside it, and the OS/2 2 header whose bytes after
// the Windows 3 fields mean something else.
constexpr uint32_t kMasksInsideHeader = 52;
constexpr uint32_t kOs2V2HeaderSize = 64;

int32_t DpiOf(int32_t pixelsPerMetre, int32_t screen) {
  return pixelsPerMetre < 1 ? screen : KXRound(pixelsPerMetre / 100.0 * 2.54);
}

struct TBmpHeader {
  int64_t Width = 0;
  int64_t Height = 0;  // positive; TopDown tells the row order
  bool TopDown = false;
  int32_t Bits = 0;
  uint32_t Compression = kBiRgb;
  uint32_t ImageSize = 0;
  TBmpBitFields Fields;
};

bool IsBlackAndWhite(const std::vector<TRGB>& map, bool whiteFirst) {
  const TRGB black{0, 0, 0}, white{255, 255, 255};
  return map.size() == 2 && map[0] == (whiteFirst ? white : black) && map[1] == (whiteFirst ? black : white);
}

// Reads the info header and the palette after the file header. False (reason given) when the
// header is damaged or describes no picture this reader decodes.
bool ReadInfoHeader(TKXByteReader& in, TBmpHeader& h, TIOParamsVals& params, const TProgressRec& progress) {
  const uint32_t size = in.U32LE();
  if (!in.Ok()) return progress.Abort("truncated bitmap header"), false;
  int64_t paletteEntries = 0;
  int32_t entryBytes = 4;
  if (size == kOs2V1HeaderSize) {
    h.Width = in.U16LE();
    h.Height = in.U16LE();
    in.U16LE();
    h.Bits = in.U16LE();
    params.BMP_Version = ioBMP_BMOS2V1;
    params.DpiX = gSystemDPIX;
    params.DpiY = gSystemDPIY;
    entryBytes = 3;
    if (h.Bits <= 8) paletteEntries = int64_t(1) << h.Bits;
  } else {
    if (size < 16) return progress.Abort("damaged bitmap header"), false;
    uint8_t b[kOs2V2HeaderSize] = {};
    const uint32_t kept = std::min(size, kOs2V2HeaderSize);
    in.Bytes(b + 4, kept - 4);
    if (size > kOs2V2HeaderSize) in.Skip(size - kOs2V2HeaderSize);
    if (!in.Ok()) return progress.Abort("truncated bitmap header"), false;
    TKXByteReader f({b, sizeof b});
    f.Skip(4);
    const int32_t width = f.I32LE();
    const int32_t height = f.I32LE();
    f.U16LE();
    h.Bits = f.U16LE();
    h.Compression = f.U32LE();
    h.ImageSize = f.U32LE();
    params.DpiX = DpiOf(f.I32LE(), gSystemDPIX);
    params.DpiY = DpiOf(f.I32LE(), gSystemDPIY);
    uint32_t used = f.U32LE();
    f.U32LE();
    h.Width = width;
    h.TopDown = height < 0;
    h.Height = height < 0 ? -int64_t(height) : height;
    params.BMP_Version = size == 40 ? ioBMP_BM3 : size == kOs2V2HeaderSize ? ioBMP_BMOS2V2 : ioBMP_BM;
    if (used == 0 && h.Bits <= 8) used = 1u << std::max(h.Bits, 0);
    paletteEntries = used;
    if (h.Compression == kBiBitFields) {
      uint32_t masks[3];
      if (size >= kMasksInsideHeader && size != kOs2V2HeaderSize) {
        for (uint32_t& m : masks) m = f.U32LE();
      } else {
        for (uint32_t& m : masks) m = in.U32LE();
      }
      h.Fields = {TBmpChannel(masks[0]), TBmpChannel(masks[1]), TBmpChannel(masks[2])};
    }
  }
  if (!in.Ok()) return progress.Abort("truncated bitmap header"), false;
  params.Width = int32_t(std::clamp<int64_t>(h.Width, INT32_MIN, INT32_MAX));
  params.Height = int32_t(std::clamp<int64_t>(h.Height, INT32_MIN, INT32_MAX));
  params.BMP_Compression = h.Compression == kBiRle4 || h.Compression == kBiRle8 ? ioBMP_RLE : ioBMP_UNCOMPRESSED;

  switch (h.Bits) {
    case 1:
    case 4:
    case 8:
      params.BitsPerSample = h.Bits;
      params.SamplesPerPixel = 1;
      break;
    case 16:
      params.BitsPerSample = 5;
      params.SamplesPerPixel = 3;
      break;
    case 24:
    case 32:
      params.BitsPerSample = 8;
      params.SamplesPerPixel = 3;
      break;
    default:
      return progress.Abort("unsupported bitmap depth of " + std::to_string(h.Bits) + " bits"), false;
  }
  const bool rleOk = (h.Compression == kBiRle8 && h.Bits == 8) || (h.Compression == kBiRle4 && h.Bits == 4);
  const bool bitFieldsOk = h.Compression == kBiBitFields && (h.Bits == 16 || h.Bits == 32);
  if (h.Compression != kBiRgb && !rleOk && !bitFieldsOk)
    return progress.Abort("unsupported bitmap compression " + std::to_string(h.Compression)), false;
  if (h.Compression == kBiRgb && h.Bits == 16)
    h.Fields = {TBmpChannel(0x7C00), TBmpChannel(0x03E0), TBmpChannel(0x001F)};
  if (h.Compression == kBiRgb && h.Bits == 32)
    h.Fields = {TBmpChannel(0xFF0000), TBmpChannel(0x00FF00), TBmpChannel(0x0000FF)};
  // At most 256 entries are kept; the rest of a longer table is skipped.
  params.FreeColorMap();
  if (paletteEntries > 0) {
    const int64_t kept = std::min<int64_t>(paletteEntries, 256);
    std::vector<uint8_t> raw(size_t(kept) * size_t(entryBytes));
    if (!in.Bytes(raw.data(), int64_t(raw.size())) || !in.Skip((paletteEntries - kept) * entryBytes))
      return progress.Abort("truncated bitmap palette"), false;
    std::vector<TRGB> map(static_cast<size_t>(kept));
    for (size_t i = 0; i < map.size(); ++i) std::memcpy(&map[i], &raw[i * size_t(entryBytes)], 3);
    params.SetColorMap(std::move(map));
  }

  if (!KXPixelsAllowed(h.Width, h.Height)) return progress.Abort(KXPixelsRefusal(h.Width, h.Height)), false;
  return true;
}

// The bitmap row of file row `i`.
int32_t RowOf(const TBmpHeader& h, int64_t i) { return int32_t(h.TopDown ? i : h.Height - 1 - i); }

// Uncompressed rows, one file row at a time. False when the data ends early.
// `invert` flips the bits of 1-bit rows, for files whose palette is white, black: the bitmap's
// set bits are white.
bool ReadRows(TStream& stream, const TBmpHeader& h, const TBmpPalette& palette, bool oneBit, bool invert,
              TBitmap& bitmap, TProgressRec& progress) {
  TKXByteReader in(stream);
  const int64_t rowBytes = _BitmapRowLen64(h.Width, h.Bits);
  const int32_t width = int32_t(h.Width);
  // 24-bit and 1-bit rows are the bitmap's rows byte for byte.
  const bool straight = h.Bits == 24 || oneBit;
  std::vector<uint8_t> row(straight ? 0 : size_t(rowBytes));
  progress.SetUnits(double(h.Height));
  for (int64_t i = 0; i < h.Height; ++i) {
    progress.val = int32_t(i);
    progress.Report();
    if (progress.Aborted()) return true;
    uint8_t* dest = bitmap.ScanLine(RowOf(h, i));
    if (straight) {
      if (!in.Bytes(dest, rowBytes)) return false;
      if (invert)
        for (int64_t b = 0; b < rowBytes; ++b) dest[b] = uint8_t(~dest[b]);
      continue;
    }
    if (!in.Bytes(row.data(), rowBytes)) return false;
    if (h.Bits <= 8)
      BmpExpandIndexRow(row.data(), h.Bits, width, palette, dest);
    else
      BmpExpandMaskedRow(row.data(), h.Bits, width, h.Fields, dest);
  }
  return true;
}

// RLE4 and RLE8 data into 24-bit pixels. Runs, literals and moves are clipped to the picture;
// the data stops at the end of the bitmap, above the top row or at its own end. False when it
// ended before the end-of-bitmap code.
bool DecodeRle(std::span<const uint8_t> data, const TBmpHeader& h, const TBmpPalette& palette, TBitmap& bitmap,
               TProgressRec& progress) {
  TKXByteReader in(data);
  const bool four = h.Bits == 4;
  const int64_t width = h.Width;
  int64_t x = 0, y = 0;  // y counts file rows from the first one stored
  uint8_t* row = bitmap.ScanLine(RowOf(h, 0));
  // Short runs and literals, most of the codes of a photograph, store four or eight pixels at
  // once; the spare ones past a code's end are overwritten by the codes that follow or cleared
  // when the row is left, so pixels the data never reaches stay black.
  int64_t spareEnd = 0;
  auto clearSpare = [&](int64_t to) {
    const int64_t end = std::min({spareEnd, to, width});
    if (end > x) std::memset(row + x * 3, 0, size_t(end - x) * 3);
  };
  auto moveUp = [&](int64_t rows) {
    clearSpare(width);
    spareEnd = 0;
    y += rows;
    if (y < h.Height) row = bitmap.ScanLine(RowOf(h, y));
  };
  progress.SetUnits(double(h.Height));
  progress.val = 0;
  progress.Report();
  while (y < h.Height) {
    uint8_t code[2];
    if (!in.Bytes(code, 2)) return clearSpare(width), false;
    const uint8_t count = code[0], value = code[1];
    if (count > 0 && count <= 4 && !four && x + 4 <= width) {
      palette.PutFour(row + x * 3, value);
      spareEnd = std::max(spareEnd, x + 4);
      x += count;
      continue;
    }
    if (count > 0) {
      // A run, clipped at the row's end.
      const int64_t n = std::min<int64_t>(count, std::max<int64_t>(width - x, 0));
      uint8_t* out = row + x * 3;
      if (four) {
        palette.Put(out, n, [value](int64_t i) { return i & 1 ? value & 0x0F : value >> 4; });
      } else {
        palette.Put(out, n, [value](int64_t) { return value; });
      }
      x += count;
      continue;
    }
    switch (value) {
      case 0:  // end of line
        moveUp(1);
        x = 0;
        progress.val = int32_t(y);
        progress.Report();
        if (progress.Aborted()) return true;
        break;
      case 1:  // end of bitmap
        clearSpare(width);
        return true;
      case 2: {  // move right and up
        uint8_t move[2];
        if (!in.Bytes(move, 2)) return clearSpare(width), false;
        if (move[1] > 0) {
          moveUp(move[1]);
        } else {
          clearSpare(x + move[0]);
        }
        x += move[0];
        break;
      }
      default: {  // literal pixels, padded to an even number of bytes
        const int64_t bytes = four ? (value + 1) / 2 : value;
        const uint8_t* p = data.data() + in.Consumed();
        if (!in.Skip(bytes)) return clearSpare(width), false;
        // The last literal of a file may lack its padding byte.
        if ((bytes & 1) && in.Remaining() > 0) in.Skip(1);
        if (!four && value <= 8 && x + 8 <= width && data.data() + data.size() - p >= 8) {
          // Short literals store eight pixels at once, read from the bytes that follow; the
          // spare ones are handled as a short run's.
          palette.PutEight(row + x * 3, p);
          spareEnd = std::max(spareEnd, x + 8);
          x += value;
          break;
        }
        const int64_t n = std::min<int64_t>(value, std::max<int64_t>(width - x, 0));
        uint8_t* out = row + x * 3;
        if (four) {
          palette.Put(out, n, [p](int64_t i) { return i & 1 ? p[i / 2] & 0x0F : p[i / 2] >> 4; });
        } else {
          palette.Put(out, n, [p](int64_t i) { return p[i]; });
        }
        x += value;
      }
    }
  }
  return true;
}

}  // namespace

void BMPReadStream(TStream& stream, TBitmap& bitmap, int64_t blockSize, TIOParamsVals& params, bool preview,
                   TProgressRec& progress) {
  const int64_t start = stream.Position();
  TKXByteReader in(stream);
  uint8_t type[2];
  in.Bytes(type, 2);
  const uint32_t fileSize = in.U32LE();
  in.U32LE();
  const uint32_t pixelOffset = in.U32LE();
  if (!in.Ok() || type[0] != 'B' || type[1] != 'M') return progress.Abort("not a bitmap file");
  if (blockSize < 1 && fileSize != 0) blockSize = fileSize;
  TBmpHeader h;
  if (!ReadInfoHeader(in, h, params, progress)) return;
  // Pixels said to start beyond the data: the stream is never moved past its end.
  if (int64_t(pixelOffset) > stream.Size() - start) return progress.Abort("pixel data outside the file");
  if (pixelOffset != 0) stream.SetPosition(start + pixelOffset);
  if (preview) return;

  const bool oneBit = h.Bits == 1 && (params.ColorMapCount != 2 || IsBlackAndWhite(params.ColorMap, false) ||
                                      IsBlackAndWhite(params.ColorMap, true));
  TBmpPalette palette;
  palette.Assign(params.ColorMap);
  if (params.ColorMap.empty() && h.Bits == 1) palette.Set(1, {255, 255, 255});
  try {
    bitmap.SetSize(0, 0);
    bitmap.SetPixelFormat(oneBit ? pf1bit : pf24bit);
    bitmap.SetSize(int32_t(h.Width), int32_t(h.Height));
  } catch (...) {
    return progress.Abort("out of memory");
  }

  bool complete;
  if (params.BMP_Compression == ioBMP_RLE) {
    // The coded data: what the block leaves after the headers, else the header's count, never
    // more than the stream holds.
    int64_t size = blockSize > 0 ? blockSize - (stream.Position() - start) : int64_t(h.ImageSize);
    size = std::clamp<int64_t>(size, 0, stream.Remaining());
    // Not zeroed: the read fills it, and only the bytes it got are decoded.
    const auto data = std::make_unique_for_overwrite<uint8_t[]>(size_t(size));
    const int64_t got = size ? stream.Read(data.get(), size) : 0;
    complete = DecodeRle({data.get(), size_t(std::max<int64_t>(got, 0))}, h, palette, bitmap, progress);
  } else {
    complete = ReadRows(stream, h, palette, oneBit, oneBit && IsBlackAndWhite(params.ColorMap, true), bitmap, progress);
  }
  if (!complete) progress.Abort("truncated bitmap data");
}

bool BMPTryStream(TStream& stream) {
  try {
    const int64_t start = stream.Position();
    uint8_t b[2] = {};
    const bool got = stream.Read(b, 2) == 2;
    stream.SetPosition(start);
    return got && b[0] == 'B' && b[1] == 'M';
  } catch (...) {
    return false;
  }
}

}  // namespace kx
