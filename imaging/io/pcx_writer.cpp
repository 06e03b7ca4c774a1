// PCX writing at 1, 4, 8 or 24 bits, raw or run-length coded. 4- and 8-bit palettes come from the
// median cut; the 256-colour palette goes after the rows only when every row was written, so a
// stopped write never looks complete.
#include <algorithm>
#include <memory>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/byte_writer.h"
#include "imaging/core/file_replace.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/pcx_codec.h"
#include "imaging/proc/pixel_convert.h"
#include "imaging/proc/quantizer.h"

namespace kx {
namespace {

constexpr uint8_t kManufacturer = 10;
constexpr uint8_t kPaletteMarker = 0x0C;
// The header keeps sides and line lengths in 16 bits.
constexpr int64_t kLargestField = 0xFFFF;
// Version 5 is the first that knows the 256-colour palette.
constexpr int32_t kPaletteVersion = 5;

// Output bits per pixel: 1, 4, 8 or 24; a depth PCX has no kind for is written as true colour.
int32_t OutputBits(const TIOParamsVals& params) {
  if (params.BitsPerSample == 1) return 1;
  const int32_t bits = params.BitsPerSample * params.SamplesPerPixel;
  return bits == 4 || bits == 8 ? bits : 24;
}

// The bytes a line of `n` significant bytes takes: made even.
int64_t EvenLine(int64_t n) { return n + (n & 1); }

// Run-length codes `n` bytes into `out`, which has room for 2 n + 1, and returns the end; an
// odd count gets a 0 byte after it, so that the coded line covers the even line length.
uint8_t* EncodeLine(const uint8_t* p, int32_t n, uint8_t* out) {
  for (int32_t i = 0; i < n;) {
    const uint8_t v = p[i];
    if (i + 1 < n && p[i + 1] == v) {
      int32_t run = 2;
      const int32_t most = std::min(63, n - i);
      while (run < most && p[i + run] == v) ++run;
      *out++ = uint8_t(0xC0 + run);
      *out++ = v;
      i += run;
      continue;
    }
    // A single byte, as a count-1 pair when it could be taken for a count: written without a
    // branch, as photographs make that one unpredictable.
    const bool pair = v >= 0xC0;
    out[0] = pair ? uint8_t(0xC1) : v;
    out[1] = v;
    out += 1 + int(pair);
    ++i;
  }
  if (n & 1) *out++ = 0;
  return out;
}

std::vector<uint8_t> Header(const TIOParamsVals& params, int32_t width, int32_t height, int32_t bits,
                            int64_t bytesPerLine, const std::vector<TRGB>& headerPalette) {
  TKXByteWriter out(128);
  out.U8(kManufacturer);
  out.U8(uint8_t(bits == 8 ? kPaletteVersion : params.PCX_Version));
  out.U8(params.PCX_Compression == ioPCX_RLE ? 1 : 0);
  out.U8(uint8_t(bits == 24 ? 8 : bits));
  out.U16LE(0);
  out.U16LE(0);
  out.U16LE(uint16_t(width - 1));
  out.U16LE(uint16_t(height - 1));
  out.U16LE(uint16_t(params.DpiX));
  out.U16LE(uint16_t(params.DpiY));
  for (size_t i = 0; i < 16; ++i) {
    const TRGB c = i < headerPalette.size() ? headerPalette[i] : TRGB{};
    out.U8(c.r);
    out.U8(c.g);
    out.U8(c.b);
  }
  out.U8(0);
  out.U8(bits == 24 ? 3 : 1);
  out.U16LE(uint16_t(bytesPerLine));
  out.U16LE(bits == 24 ? 0 : 1);
  out.Zeros(58);
  return out.Result();
}

}  // namespace

void WritePcxStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress) {
  const int32_t width = bitmap.Width(), height = bitmap.Height();
  if (bitmap.Empty() || (bitmap.PixelFormat() != pf24bit && bitmap.PixelFormat() != pf1bit))
    return progress.Abort("only non-empty 24-bit and 1-bit pictures are written");
  const int32_t bits = OutputBits(params);
  const int64_t significant = bits == 1 ? (int64_t(width) + 7) / 8 : bits == 4 ? (int64_t(width) + 1) / 2 : width;
  const int64_t bytesPerLine = EvenLine(significant);
  if (width > kLargestField || height > kLargestField || bytesPerLine > kLargestField)
    return progress.Abort("a PCX file holds at most 65535 x 65535 pixels");
  const bool rle = params.PCX_Compression == ioPCX_RLE;

  // The rows' source: the 1-bit picture for 1-bit output, else a 24-bit one.
  std::unique_ptr<TBitmap> oneBit;
  TBitmap converted;
  const TBitmap* source = &bitmap;
  std::vector<TRGB> headerPalette;
  std::vector<TRGB> palette;
  std::unique_ptr<TKXQuantizer> quantizer;
  if (bits == 1) {
    TRGB c0, c1;
    oneBit = _OneBitForWriter(bitmap, c0, c1, progress);
    if (!oneBit) return progress.Abort("out of memory");
    source = oneBit.get();
    headerPalette = {c0, c1};
  } else {
    if (bitmap.PixelFormat() == pf1bit) {
      TProgressRec quiet = NullProgress();
      _Conv1to24(bitmap, converted, quiet);
      source = &converted;
    }
    if (bits != 24) {
      palette.resize(size_t(1) << bits);
      quantizer = std::make_unique<TKXQuantizer>(*source, palette, int32_t(palette.size()));
      if (bits == 4) headerPalette = palette;
    }
  }

  const std::vector<uint8_t> header = Header(params, width, height, bits, bytesPerLine, headerPalette);
  stream.WriteBuffer(header.data(), int64_t(header.size()));

  const int32_t planes = bits == 24 ? 3 : 1;
  std::vector<uint8_t> line(static_cast<size_t>(bytesPerLine) * size_t(planes), 0);
  std::vector<uint8_t> coded(line.size() * 2 + size_t(planes));
  progress.SetUnits(height);
  for (int32_t y = 0; y < height; ++y) {
    progress.val = y;
    progress.Report();
    if (progress.Aborted()) return;
    const uint8_t* row = source->ScanLine(y);
    const auto* pixels = reinterpret_cast<const TRGB*>(row);
    const uint8_t* significantBytes = line.data();
    switch (bits) {
      case 1:
        significantBytes = row;
        if (!rle) std::copy_n(row, significant, line.begin());
        break;
      case 4:
        for (int32_t x = 0; x < width; x += 2)
          line[size_t(x / 2)] = uint8_t(quantizer->GetRGBIndex(pixels[x]) << 4 |
                                        (x + 1 < width ? quantizer->GetRGBIndex(pixels[x + 1]) : 0));
        break;
      case 8:
        for (int32_t x = 0; x < width; ++x) line[size_t(x)] = uint8_t(quantizer->GetRGBIndex(pixels[x]));
        break;
      default:
        for (int32_t x = 0; x < width; ++x) {
          line[size_t(x)] = pixels[x].r;
          line[size_t(bytesPerLine + x)] = pixels[x].g;
          line[size_t(2 * bytesPerLine + x)] = pixels[x].b;
        }
    }
    if (!rle) {
      stream.WriteBuffer(line.data(), int64_t(line.size()));
      continue;
    }
    uint8_t* end = coded.data();
    if (bits == 24) {
      for (int32_t k = 0; k < 3; ++k) end = EncodeLine(line.data() + k * bytesPerLine, width, end);
    } else {
      end = EncodeLine(significantBytes, int32_t(significant), end);
    }
    stream.WriteBuffer(coded.data(), end - coded.data());
  }
  if (bits == 8) {
    TKXByteWriter trailer(769);
    trailer.U8(kPaletteMarker);
    for (const TRGB& c : palette) {
      trailer.U8(c.r);
      trailer.U8(c.g);
      trailer.U8(c.b);
    }
    stream.WriteBuffer(trailer.Result().data(), int64_t(trailer.Size()));
  }
}

void WritePcx(const std::string& fileName, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress) {
  KXReplaceFile(fileName, [&](TStream& stream) {
    WritePcxStream(stream, bitmap, params, progress);
    return !progress.Aborted();
  });
}

}  // namespace kx
