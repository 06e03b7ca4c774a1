// Targa reading. Everything the header says is checked before the picture is allocated: the
// kind of picture, the sides against the pixel limit, and the data that could possibly fill
// it. Run-length packets may run on from one row into the next, as the format allows, but
// never past the picture. The footer is looked for at the end of this picture's own block.
#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/byte_reader.h"
#include "imaging/core/limits.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/tga_codec.h"
#include "imaging/io/tga_format.h"
#include "platform/screen.h"

namespace kx {
namespace {

using TTgaTable = std::array<TRGB, 256>;

enum class TTgaPixels { indexed, word555, grayAlpha, bgr, bgra };

struct TTgaLayout {
  TTgaPixels Pixels = TTgaPixels::bgr;
  int32_t Bytes = 3;  // per pixel; 0 for pixels packed into bytes (1 and 4 bits)
  bool Rle = false;
};

// How the pixels of a header are stored; false (reason given) for a kind this reader does not
// decode.
bool LayoutOf(const TTgaHeader& h, TTgaLayout& l, const TProgressRec& progress) {
  const int32_t base = h.ImageType & 7;
  l.Rle = h.ImageType >= 9;
  const uint8_t d = h.Depth;
  bool ok = false;
  if (base == 1 || base == 3) {
    ok = d == 1 || d == 4 || d == 8 || (base == 3 && d == 16);
    l.Pixels = d == 16 ? TTgaPixels::grayAlpha : TTgaPixels::indexed;
  } else {
    ok = d == 16 || d == 24 || d == 32;
    l.Pixels = d == 16 ? TTgaPixels::word555 : d == 24 ? TTgaPixels::bgr : TTgaPixels::bgra;
  }
  l.Bytes = d / 8;
  if (!ok)
    return progress.Abort("Targa image type " + std::to_string(h.ImageType) + " at " + std::to_string(d) +
                          " bits is not supported"),
           false;
  if (l.Rle && d < 8)
    return progress.Abort("run-length coded Targa pixels of fewer than 8 bits are not supported"), false;
  return true;
}

// A 5-bit channel to 8 bits as v x 255 / 31, so that 31 becomes 255.
constexpr uint8_t Widen5(uint32_t v) { return uint8_t(v * 255 / 31); }

TRGB From555(uint16_t w) { return TRGB{Widen5(w & 0x1F), Widen5((w >> 5) & 0x1F), Widen5((w >> 10) & 0x1F)}; }

// Converts `n` whole-byte pixels to 24-bit pixels.
void ConvertPixels(const uint8_t* s, int32_t n, TTgaPixels kind, const TTgaTable& table, TRGB* out) {
  switch (kind) {
    case TTgaPixels::indexed:
      for (int32_t i = 0; i < n; ++i) out[i] = table[s[i]];
      break;
    case TTgaPixels::word555:
      for (int32_t i = 0; i < n; ++i) out[i] = From555(uint16_t(s[2 * i] | s[2 * i + 1] << 8));
      break;
    case TTgaPixels::grayAlpha:
      for (int32_t i = 0; i < n; ++i) out[i] = TRGB{s[2 * i], s[2 * i], s[2 * i]};
      break;
    case TTgaPixels::bgr:
      std::memcpy(out, s, size_t(n) * 3);
      break;
    case TTgaPixels::bgra:
      for (int32_t i = 0; i < n; ++i) out[i] = TRGB{s[4 * i], s[4 * i + 1], s[4 * i + 2]};
      break;
  }
}

// Reads the colour map into the table from its first index on; entries past 256 are skipped.
bool ReadColorMap(TKXByteReader& in, const TTgaHeader& h, TTgaTable& table, const TProgressRec& progress) {
  const int32_t entryBytes = (h.MapEntryBits + 7) / 8;
  if (h.MapEntryBits != 15 && h.MapEntryBits != 16 && h.MapEntryBits != 24 && h.MapEntryBits != 32)
    return progress.Abort("Targa colour map entries of " + std::to_string(h.MapEntryBits) + " bits"), false;
  std::vector<uint8_t> raw(size_t(h.MapLength) * size_t(entryBytes));
  if (!in.Bytes(raw.data(), int64_t(raw.size()))) return progress.Abort("truncated Targa colour map"), false;
  for (int32_t i = 0; i < h.MapLength && h.MapFirst + i < 256; ++i) {
    const uint8_t* e = raw.data() + size_t(i) * size_t(entryBytes);
    table[size_t(h.MapFirst + i)] = entryBytes == 2 ? From555(uint16_t(e[0] | e[1] << 8)) : TRGB{e[0], e[1], e[2]};
  }
  return true;
}

// The 3-3-2 colour cube that a colour-mapped file without its map falls back to.
TTgaTable ColorCube() {
  TTgaTable t;
  for (size_t i = 0; i < 256; ++i)
    t[i] = CreateRGB(uint8_t((i >> 5) * 32 + 28), uint8_t(((i >> 2) & 7) * 32 + 28), uint8_t((i & 3) * 64 + 60));
  return t;
}

// The pixel data, read in blocks and never past the picture's block.
class TTgaData {
 public:
  TTgaData(TStream& stream, int64_t size) : fStream(stream), fLeft(size), fBuffer(kBlock) {}

  // The bytes buffered at the front, at least `least` of them while the data holds that many.
  std::span<const uint8_t> Front(size_t least) {
    if (fEnd - fPos < least && fLeft > 0) Refill();
    return {fBuffer.data() + fPos, fEnd - fPos};
  }
  void Consume(size_t n) {
    fPos += n;
    fConsumed += int64_t(n);
  }
  int64_t Consumed() const { return fConsumed; }

 private:
  static constexpr size_t kBlock = 64 * 1024;

  void Refill() {
    std::memmove(fBuffer.data(), fBuffer.data() + fPos, fEnd - fPos);
    fEnd -= fPos;
    fPos = 0;
    const int64_t got = fStream.Read(fBuffer.data() + fEnd, std::min<int64_t>(fLeft, int64_t(kBlock - fEnd)));
    if (got <= 0) {
      fLeft = 0;
      return;
    }
    fEnd += size_t(got);
    fLeft -= got;
  }

  TStream& fStream;
  int64_t fLeft;
  std::vector<uint8_t> fBuffer;
  size_t fPos = 0, fEnd = 0;
  int64_t fConsumed = 0;
};

// Decodes run-length packets into rows; a packet's rest carries over into the next row.
class TTgaRleDecoder {
 public:
  TTgaRleDecoder(TTgaData& data, const TTgaLayout& layout, const TTgaTable& table)
      : fData(data), fLayout(layout), fTable(table) {}

  // Fills `width` pixels; false when the data ended first (the rest of the row is left alone).
  bool Row(TRGB* out, int32_t width) {
    const size_t bytes = size_t(fLayout.Bytes);
    const size_t longest = 1 + 128 * bytes;
    const bool indexed = fLayout.Pixels == TTgaPixels::indexed;
    for (int32_t x = 0; x < width;) {
      if (fLeft == 0) {
        // Whole packets straight from the buffer, as long as the longest one would fit in it
        // and each ends inside the row.
        const std::span<const uint8_t> block = fData.Front(longest);
        const uint8_t *p = block.data(), *end = p + block.size();
        while (x < width && size_t(end - p) >= longest) {
          const int32_t n = (*p & 0x7F) + 1;
          if (n > width - x) break;
          if (indexed) {
            // Colour-mapped packets are short: looked up here rather than per call.
            if (*p & 0x80) {
              std::fill_n(out + x, n, fTable[p[1]]);
              p += 2;
            } else {
              for (int32_t i = 0; i < n; ++i) out[x + i] = fTable[p[1 + i]];
              p += 1 + size_t(n);
            }
          } else if (*p & 0x80) {
            ConvertPixels(p + 1, 1, fLayout.Pixels, fTable, &fRunPixel);
            std::fill_n(out + x, n, fRunPixel);
            p += 1 + bytes;
          } else {
            ConvertPixels(p + 1, n, fLayout.Pixels, fTable, out + x);
            p += 1 + size_t(n) * bytes;
          }
          x += n;
        }
        fData.Consume(size_t(p - block.data()));
        if (x >= width) break;
        const std::span<const uint8_t> f = fData.Front(1 + bytes);
        if (f.empty()) return false;
        fLeft = (f[0] & 0x7F) + 1;
        fRun = (f[0] & 0x80) != 0;
        if (fRun) {
          if (f.size() < 1 + bytes) return false;
          ConvertPixels(f.data() + 1, 1, fLayout.Pixels, fTable, &fRunPixel);
        }
        fData.Consume(fRun ? 1 + bytes : 1);
      }
      int32_t k = std::min(fLeft, width - x);
      if (fRun) {
        std::fill_n(out + x, k, fRunPixel);
      } else {
        const std::span<const uint8_t> f = fData.Front(bytes);
        k = int32_t(std::min<size_t>(size_t(k), f.size() / bytes));
        if (k == 0) return false;
        ConvertPixels(f.data(), k, fLayout.Pixels, fTable, out + x);
        fData.Consume(size_t(k) * bytes);
      }
      x += k;
      fLeft -= k;
    }
    return true;
  }

 private:
  TTgaData& fData;
  const TTgaLayout& fLayout;
  const TTgaTable& fTable;
  int32_t fLeft = 0;
  bool fRun = false;
  TRGB fRunPixel{};
};

// Reverses the pixels of a row stored right to left.
void MirrorRow(uint8_t* row, int32_t width, bool oneBit) {
  if (!oneBit) {
    std::reverse(reinterpret_cast<TRGB*>(row), reinterpret_cast<TRGB*>(row) + width);
    return;
  }
  std::vector<uint8_t> copy(row, row + (width + 7) / 8);
  std::memset(row, 0, copy.size());
  for (int32_t x = 0; x < width; ++x) {
    const int32_t from = width - 1 - x;
    if (copy[size_t(from / 8)] & (0x80 >> (from & 7))) row[x / 8] |= uint8_t(0x80 >> (x & 7));
  }
}

// Takes the extension fields from the footer at the end of the block, when there is one whose
// extension area lies between the picture's header and the footer.
void ReadFooter(TStream& stream, int64_t start, int64_t block, TIOParamsVals& params) {
  TgaResetExtension(params);
  if (block < kTgaHeaderSize + kTgaFooterSize) return;
  uint8_t footer[kTgaFooterSize];
  stream.SetPosition(start + block - kTgaFooterSize);
  uint32_t offset = 0;
  if (stream.Read(footer, kTgaFooterSize) != kTgaFooterSize || !TgaParseFooter(footer, offset)) return;
  if (offset < kTgaHeaderSize || int64_t(offset) + kTgaExtensionSize > block - kTgaFooterSize) return;
  uint8_t area[kTgaExtensionSize];
  stream.SetPosition(start + offset);
  if (stream.Read(area, kTgaExtensionSize) == kTgaExtensionSize) TgaReadExtension(area, params);
}

}  // namespace

void ReadTGAStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview, TProgressRec& progress,
                   int64_t blockSize) {
  try {
    const int64_t start = stream.Position();
    const int64_t available = stream.Remaining();
    const int64_t block = blockSize > 0 ? std::min(blockSize, available) : available;
    TKXByteReader in(stream);
    uint8_t raw[kTgaHeaderSize];
    if (block < kTgaHeaderSize || !in.Bytes(raw, kTgaHeaderSize)) return progress.Abort("truncated Targa header");
    const TTgaHeader h = TgaParseHeader(raw);
    params.TGA_XOrigin = h.XOrigin;
    params.TGA_YOrigin = h.YOrigin;
    if (!TgaKnownTypeAndDepth(h)) return progress.Abort("not a Targa file");
    TTgaLayout layout;
    if (!LayoutOf(h, layout, progress)) return;
    params.TGA_Compressed = layout.Rle;

    const std::string id = in.String(h.IdLength);
    // The zero byte that ends an identification is not part of it.
    params.TGA_Description = id.substr(0, id.find('\0'));
    TTgaTable table = ColorCube();
    if (h.ColorMapType == 1) {
      if (!ReadColorMap(in, h, table, progress)) return;
      params.SetColorMap(std::vector<TRGB>(table.begin(), table.begin() + std::min<int32_t>(h.MapLength, 256)));
      params.TGA_GrayLevel = false;
    } else if (h.Depth == 8 || h.Depth == 4 || layout.Pixels == TTgaPixels::grayAlpha) {
      // Without a map the indices are gray levels, 16 of them at 4 bits.
      const size_t step = h.Depth == 4 ? 17 : 1;
      for (size_t i = 0; i < 256; ++i) table[i] = TRGB{uint8_t(i * step), uint8_t(i * step), uint8_t(i * step)};
      params.TGA_GrayLevel = true;
    } else if (h.Depth == 1) {
      table[0] = TRGB{};
      table[1] = TRGB{255, 255, 255};
    }
    if (!in.Ok()) return progress.Abort("truncated Targa header");
    const int64_t pixelStart = stream.Position();

    params.Width = h.Width;
    params.Height = h.Height;
    params.DpiX = gSystemDPIX;
    params.DpiY = gSystemDPIY;
    switch (h.Depth) {
      case 1:
        params.BitsPerSample = 1, params.SamplesPerPixel = 1;
        break;
      case 4:
        params.BitsPerSample = 4, params.SamplesPerPixel = 1;
        break;
      case 8:
        params.BitsPerSample = 8, params.SamplesPerPixel = 1;
        break;
      case 16:
        if (layout.Pixels == TTgaPixels::grayAlpha)
          params.BitsPerSample = 8, params.SamplesPerPixel = 2;
        else
          params.BitsPerSample = 5, params.SamplesPerPixel = 3;
        break;
      case 24:
        params.BitsPerSample = 8, params.SamplesPerPixel = 3;
        break;
      default:
        params.BitsPerSample = 8, params.SamplesPerPixel = 4;
    }
    ReadFooter(stream, start, block, params);
    stream.SetPosition(pixelStart);
    if (preview) return;

    const int32_t width = h.Width, height = h.Height;
    if (!KXPixelsAllowed(width, height)) return progress.Abort(KXPixelsRefusal(width, height));
    const int64_t dataSize = std::max<int64_t>(block - (pixelStart - start), 0);
    const int64_t rowBytes = layout.Bytes ? int64_t(width) * layout.Bytes : (int64_t(width) * h.Depth + 7) / 8;
    // Data far too short for the picture (coded data shorter than the longest runs could make
    // it, raw data under a 32nd of it) fails before the picture is allocated.
    const int64_t pixels = int64_t(width) * height;
    const int64_t least = layout.Rle ? (pixels + 127) / 128 * (1 + layout.Bytes) : rowBytes * height;
    if (layout.Rle ? dataSize < least : dataSize * 32 < least) return progress.Abort("truncated Targa data");

    const bool oneBit = h.Depth == 1;
    bitmap.SetSize(1, 1);
    bitmap.SetPixelFormat(oneBit ? pf1bit : pf24bit);
    bitmap.SetSize(width, height);
    const bool topDown = (h.Descriptor & kTgaTopToBottom) != 0;
    const bool mirrored = (h.Descriptor & kTgaRightToLeft) != 0;
    TTgaData data(stream, dataSize);
    TTgaRleDecoder rle(data, layout, table);
    // Raw rows that are the bitmap's rows byte for byte are read straight into it.
    const bool straight = oneBit || layout.Pixels == TTgaPixels::bgr;
    std::vector<uint8_t> row(layout.Rle || straight ? 0 : size_t(rowBytes));
    int64_t rawLeft = dataSize;
    bool complete = true;
    progress.SetUnits(height);
    for (int32_t i = 0; i < height && complete && !progress.Aborted(); ++i) {
      uint8_t* dest = bitmap.ScanLine(topDown ? i : height - 1 - i);
      auto* out = reinterpret_cast<TRGB*>(dest);
      if (layout.Rle) {
        complete = rle.Row(out, width);
      } else {
        uint8_t* s = straight ? dest : row.data();
        const int64_t got = std::max<int64_t>(stream.Read(s, std::min(rowBytes, rawLeft)), 0);
        rawLeft -= got;
        complete = got == rowBytes;
        const size_t n = size_t(got);
        if (h.Depth == 4) {
          for (int32_t x = 0; x < width && size_t(x / 2) < n; ++x)
            out[x] = table[x & 1 ? s[x / 2] & 0x0F : s[x / 2] >> 4];
        } else if (!straight) {
          ConvertPixels(s, int32_t(n / size_t(layout.Bytes)), layout.Pixels, table, out);
        }
      }
      if (mirrored) MirrorRow(dest, width, oneBit);
      progress.val = i + 1;
      progress.Report();
    }
    stream.SetPosition(pixelStart + (layout.Rle ? data.Consumed() : dataSize - rawLeft));
    if (!complete) progress.Abort("truncated Targa data");
  } catch (const std::bad_alloc&) {
    progress.Abort("out of memory");
  } catch (const EStreamError&) {
    progress.Abort("truncated Targa data");
  }
}

bool TryTGA(TStream& stream) {
  try {
    const int64_t start = stream.Position();
    uint8_t raw[kTgaHeaderSize];
    const bool got = stream.Read(raw, kTgaHeaderSize) == kTgaHeaderSize;
    stream.SetPosition(start);
    if (!got || !TgaKnownTypeAndDepth(TgaParseHeader(raw))) return false;
    // A portable anymap's first bytes can pass as a header: "P2" to "P6" and a separator.
    const bool anymap =
        raw[0] == 'P' && raw[1] >= '2' && raw[1] <= '6' && (raw[2] == ' ' || raw[2] == '#' || raw[2] == '\n');
    return !anymap;
  } catch (...) {
    return false;
  }
}

}  // namespace kx
