// PCX reading. The header is checked before anything is allocated: the sides, the line length
// against the picture's width, the pixel limit and the data that could possibly fill it. Lines
// are decoded straight into one row buffer, with a run that passes a line's end carried into the
// next line, as the format allows.
#include <algorithm>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/byte_reader.h"
#include "imaging/core/limits.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/pcx_codec.h"
#include "platform/screen.h"

namespace kx {
namespace {

constexpr int64_t kHeaderSize = 128;
constexpr uint8_t kManufacturer = 10;
constexpr uint8_t kPaletteMarker = 0x0C;
// The marker byte and 256 red, green, blue entries at the end of a 256-colour file.
constexpr int64_t kTrailerSize = 1 + 768;
// One count-and-value pair gives at most 63 bytes.
constexpr int64_t kLargestRun = 63;

struct TPcxHeader {
  uint8_t Version = 0;
  uint8_t Encoding = 0;
  uint8_t Bits = 0;
  uint8_t Planes = 0;
  int64_t Width = 0;
  int64_t Height = 0;
  int32_t DpiX = 0;
  int32_t DpiY = 0;
  int64_t BytesPerLine = 0;
  TRGB Palette[16] = {};
};

enum class TPcxKind { mono, planes16, nibbles, indexed, rgb };

// The kinds this reader decodes, by bits per plane and planes; false for any other.
bool KindOf(const TPcxHeader& h, TPcxKind& kind) {
  if (h.Bits == 1 && h.Planes == 1)
    kind = TPcxKind::mono;
  else if (h.Bits == 1 && h.Planes == 4)
    kind = TPcxKind::planes16;
  else if (h.Bits == 4 && h.Planes == 1)
    kind = TPcxKind::nibbles;
  else if (h.Bits == 8 && h.Planes == 1)
    kind = TPcxKind::indexed;
  else if (h.Bits == 8 && h.Planes == 3)
    kind = TPcxKind::rgb;
  else
    return false;
  return true;
}

// The bytes one plane's line needs for the picture's width.
int64_t LineBytesNeeded(TPcxKind kind, int64_t width) {
  switch (kind) {
    case TPcxKind::mono:
    case TPcxKind::planes16:
      return (width + 7) / 8;
    case TPcxKind::nibbles:
      return (width + 1) / 2;
    default:
      return width;
  }
}

bool ParseHeader(const uint8_t (&raw)[kHeaderSize], TPcxHeader& h, const TProgressRec& progress) {
  TKXByteReader in({raw, sizeof raw});
  if (in.U8() != kManufacturer) return progress.Abort("not a PCX file"), false;
  h.Version = in.U8();
  h.Encoding = in.U8();
  h.Bits = in.U8();
  const int64_t xMin = in.U16LE(), yMin = in.U16LE(), xMax = in.U16LE(), yMax = in.U16LE();
  h.DpiX = in.U16LE();
  h.DpiY = in.U16LE();
  for (TRGB& c : h.Palette) {
    uint8_t rgb[3];
    in.Bytes(rgb, 3);
    c = CreateRGB(rgb[0], rgb[1], rgb[2]);
  }
  in.U8();
  h.Planes = in.U8();
  h.BytesPerLine = in.U16LE();
  if (h.Encoding > 1) return progress.Abort("unknown PCX encoding " + std::to_string(h.Encoding)), false;
  if (h.Bits > 8) return progress.Abort("PCX planes of more than 8 bits"), false;
  h.Width = xMax - xMin + 1;
  h.Height = yMax - yMin + 1;
  if (h.DpiX == 0 || h.DpiY == 0) {
    h.DpiX = gSystemDPIX;
    h.DpiY = gSystemDPIY;
  }
  return true;
}

// Decodes plane lines one after the other from the image data.
class TPcxLineDecoder {
 public:
  TPcxLineDecoder(std::span<const uint8_t> data, bool rle) : fData(data), fRle(rle) {}

  // Fills exactly `n` bytes; false when the data ended first (the rest of the line is then 0).
  bool Line(uint8_t* out, int64_t n) {
    if (!fRle) {
      const int64_t k = std::min<int64_t>(n, int64_t(fData.size() - fPos));
      std::memcpy(out, fData.data() + fPos, size_t(k));
      fPos += size_t(k);
      std::memset(out + k, 0, size_t(n - k));
      return k == n;
    }
    int64_t o = 0;
    while (o < n) {
      if (fRunLeft > 0) {
        const int64_t k = std::min(fRunLeft, n - o);
        std::memset(out + o, fRunValue, size_t(k));
        o += k;
        fRunLeft -= k;
        continue;
      }
      // A stretch of literal bytes goes over in one copy.
      const size_t limit = std::min(fData.size(), fPos + size_t(n - o));
      size_t end = fPos;
      while (end < limit && fData[end] < 0xC0) ++end;
      std::memcpy(out + o, fData.data() + fPos, end - fPos);
      o += int64_t(end - fPos);
      fPos = end;
      if (o == n) break;
      // The stretch ended at a count (or at the data's end): the count and its value.
      if (fData.size() - fPos < 2) {
        fPos = fData.size();
        break;
      }
      fRunLeft = fData[fPos] & 0x3F;
      fRunValue = fData[fPos + 1];
      fPos += 2;
    }
    std::memset(out + o, 0, size_t(n - o));
    return o == n;
  }

 private:
  std::span<const uint8_t> fData;
  bool fRle;
  size_t fPos = 0;
  uint8_t fRunValue = 0;
  int64_t fRunLeft = 0;
};

// Places one decoded row (the planes' lines one after the other) into a bitmap row.
void PlaceRow(TPcxKind kind, const uint8_t* line, int64_t bytesPerLine, int32_t width, const TRGB* palette,
              uint8_t* dest) {
  auto* out = reinterpret_cast<TRGB*>(dest);
  switch (kind) {
    case TPcxKind::mono:
      std::memcpy(dest, line, size_t(width + 7) / 8);
      break;
    case TPcxKind::indexed:
      for (int32_t x = 0; x < width; ++x) out[x] = palette[line[x]];
      break;
    case TPcxKind::nibbles:
      for (int32_t x = 0; x < width; ++x) out[x] = palette[x & 1 ? line[x / 2] & 0x0F : line[x / 2] >> 4];
      break;
    case TPcxKind::rgb: {
      const uint8_t *r = line, *g = line + bytesPerLine, *b = line + 2 * bytesPerLine;
      for (int32_t x = 0; x < width; ++x) out[x] = TRGB{b[x], g[x], r[x]};
      break;
    }
    case TPcxKind::planes16:
      for (int32_t x = 0; x < width; ++x) {
        const int32_t byte = x / 8, shift = 7 - (x & 7);
        int32_t index = 0;
        for (int32_t k = 0; k < 4; ++k) index |= ((line[k * bytesPerLine + byte] >> shift) & 1) << k;
        out[x] = palette[index];
      }
      break;
  }
}

}  // namespace

void ReadPcxStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview, TProgressRec& progress,
                   int64_t blockSize) {
  try {
    const int64_t start = stream.Position();
    const int64_t available = stream.Remaining();
    const int64_t block = blockSize > 0 ? std::min(blockSize, available) : available;
    uint8_t raw[kHeaderSize];
    if (block < kHeaderSize || stream.Read(raw, kHeaderSize) != kHeaderSize)
      return progress.Abort("truncated PCX header");
    TPcxHeader h;
    if (!ParseHeader(raw, h, progress)) return;
    if (h.Width < 1 || h.Height < 1) return progress.Abort(KXPixelsRefusal(h.Width, h.Height));
    TPcxKind kind;
    if (!KindOf(h, kind))
      return progress.Abort("PCX pictures of " + std::to_string(h.Bits) + " bits x " + std::to_string(h.Planes) +
                            " planes are not supported");
    if (h.BytesPerLine < LineBytesNeeded(kind, h.Width))
      return progress.Abort("PCX lines shorter than the picture's width");

    // The 256-colour palette follows its marker at the block's end; a file without one gets
    // gray levels rather than colours read from its pixel data.
    int64_t dataSize = block - kHeaderSize;
    std::vector<TRGB> map;
    if (kind == TPcxKind::indexed) {
      uint8_t trailer[kTrailerSize] = {};
      if (dataSize >= kTrailerSize) {
        stream.SetPosition(start + block - kTrailerSize);
        stream.ReadBuffer(trailer, kTrailerSize);
        stream.SetPosition(start + kHeaderSize);
      }
      map.resize(256);
      if (trailer[0] == kPaletteMarker) {
        for (size_t i = 0; i < 256; ++i) map[i] = CreateRGB(trailer[1 + 3 * i], trailer[2 + 3 * i], trailer[3 + 3 * i]);
        dataSize -= kTrailerSize;
      } else {
        for (size_t i = 0; i < 256; ++i) map[i] = TRGB{uint8_t(i), uint8_t(i), uint8_t(i)};
        progress.Warn("PCX 256-colour palette missing; gray levels used");
      }
    } else if (kind != TPcxKind::rgb) {
      map.assign(h.Palette, h.Palette + (kind == TPcxKind::mono ? 2 : 16));
    }

    params.BitsPerSample = kind == TPcxKind::planes16 ? 4 : h.Bits;
    params.SamplesPerPixel = kind == TPcxKind::planes16 ? 1 : h.Planes;
    params.Width = int32_t(std::min<int64_t>(h.Width, INT32_MAX));
    params.Height = int32_t(std::min<int64_t>(h.Height, INT32_MAX));
    params.DpiX = h.DpiX;
    params.DpiY = h.DpiY;
    params.PCX_Version = h.Version;
    params.SetColorMap(map);
    if (preview) return;

    if (!KXPixelsAllowed(h.Width, h.Height)) return progress.Abort(KXPixelsRefusal(h.Width, h.Height));
    const int64_t rowBytes = h.BytesPerLine * h.Planes;
    // Data that cannot fill the picture even as the longest runs fails before the picture is
    // allocated.
    if (dataSize * kLargestRun / 2 < rowBytes * h.Height) return progress.Abort("truncated PCX data");
    std::vector<uint8_t> data(static_cast<size_t>(dataSize));
    stream.ReadBuffer(data.data(), dataSize);
    bitmap.SetSize(1, 1);
    bitmap.SetPixelFormat(kind == TPcxKind::mono ? pf1bit : pf24bit);
    bitmap.SetSize(int32_t(h.Width), int32_t(h.Height));

    TPcxLineDecoder decoder(data, h.Encoding == 1);
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    const int32_t width = int32_t(h.Width), height = int32_t(h.Height);
    const TRGB* palette = map.data();
    progress.SetUnits(height);
    for (int32_t y = 0; y < height; ++y) {
      progress.val = y;
      progress.Report();
      if (progress.Aborted()) return;
      bool complete = true;
      for (int32_t k = 0; k < h.Planes; ++k)
        complete = decoder.Line(row.data() + k * h.BytesPerLine, h.BytesPerLine) && complete;
      PlaceRow(kind, row.data(), h.BytesPerLine, width, palette, bitmap.ScanLine(y));
      if (!complete) return progress.Abort("truncated PCX data");
    }
  } catch (const std::bad_alloc&) {
    progress.Abort("out of memory");
  } catch (const EStreamError&) {
    progress.Abort("truncated PCX data");
  }
}

void ReadPcx(const std::string& fileName, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress) {
  TFileStream file(fileName, fmOpenRead);
  ReadPcxStream(file, bitmap, params, false, progress, file.Size());
}

}  // namespace kx
