// Bitmap file writing at 1, 4, 8 or 24 bits with a Windows 3, OS/2 2 or OS/2 1 header; 4- and
// 8-bit files get a median-cut palette and, on request, run-length coded rows. The headers go
// out as placeholders and are completed once the rows are written, so a stopped write leaves a
// file that no reader takes for a finished one.
#include <algorithm>
#include <memory>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/byte_writer.h"
#include "imaging/core/pixelformat.h"
#include "imaging/core/stream.h"
#include "imaging/io/bmp_codec.h"
#include "imaging/io/ioparams.h"
#include "imaging/proc/pixel_convert.h"
#include "imaging/proc/quantizer.h"

namespace kx {
namespace {

constexpr int64_t kFileHeaderSize = 14;
// The OS/2 1 header keeps both sides in 16 bits.
constexpr int32_t kOs2V1Side = 0xFFFF;

int32_t OutputBits(const TIOParamsVals& params) {
  if (params.BitsPerSample == 1) return 1;
  if (params.BitsPerSample == 4) return 4;
  return params.SamplesPerPixel == 1 ? 8 : 24;
}

uint32_t PixelsPerMetre(int32_t dpi) { return uint32_t(KXRound(dpi / 2.54 * 100)); }

// The info header; bit count and image size are filled in when the rows are done.
std::vector<uint8_t> InfoHeader(const TIOParamsVals& params, int32_t width, int32_t height, int32_t bits,
                                uint32_t compression, uint32_t imageSize, int32_t bitCount) {
  TKXByteWriter out(64);
  if (params.BMP_Version == ioBMP_BMOS2V1) {
    out.U32LE(12);
    out.U16LE(uint16_t(width));
    out.U16LE(uint16_t(height));
    out.U16LE(1);
    out.U16LE(uint16_t(bitCount));
    return out.Result();
  }
  const bool os2v2 = params.BMP_Version == ioBMP_BMOS2V2;
  out.U32LE(os2v2 ? 64 : 40);
  out.I32LE(width);
  out.I32LE(height);
  out.U16LE(1);
  out.U16LE(uint16_t(bitCount));
  out.U32LE(compression);
  out.U32LE(imageSize);
  out.U32LE(PixelsPerMetre(params.DpiX));
  out.U32LE(PixelsPerMetre(params.DpiY));
  out.U32LE(bits <= 8 ? 1u << bits : 0);
  out.U32LE(uint32_t(int64_t(1) << bits));
  if (os2v2) out.Zeros(24);
  return out.Result();
}

void WritePalette(TStream& stream, const std::vector<TRGB>& palette, bool threeBytes) {
  TKXByteWriter out(palette.size() * 4);
  for (const TRGB& c : palette) {
    out.Bytes(&c, 3);
    if (!threeBytes) out.U8(0);
  }
  stream.WriteBuffer(out.Result().data(), int64_t(out.Size()));
}

// Appends a stretch of `n` pixels that are not coded as a run.
void FlushLiteral(const uint8_t* v, int32_t n, bool four, std::vector<uint8_t>& out) {
  if (n <= 0) return;
  if (n == 1) {
    out.insert(out.end(), {1, uint8_t(four ? v[0] << 4 : v[0])});
  } else if (n == 2) {
    if (four)
      out.insert(out.end(), {2, uint8_t(v[0] << 4 | v[1])});
    else
      out.insert(out.end(), {1, v[0], 1, v[1]});
  } else {
    out.insert(out.end(), {0, uint8_t(n)});
    size_t bytes = 0;
    if (four) {
      for (int32_t i = 0; i < n; i += 2, ++bytes) out.push_back(uint8_t(v[i] << 4 | (i + 1 < n ? v[i + 1] : 0)));
    } else {
      out.insert(out.end(), v, v + n);
      bytes = size_t(n);
    }
    if (bytes & 1) out.push_back(0);
  }
}

// One row of indices, run-length coded, ending with the end-of-line code.
void BmpEncodeRleRow(const uint8_t* row, int32_t width, bool four, std::vector<uint8_t>& out) {
  int32_t pending = 0;  // start of the literal stretch
  int32_t x = 0;
  while (x < width) {
    if (x - pending >= 255) {
      FlushLiteral(row + pending, x - pending, four, out);
      pending = x;
    }
    if (x + 1 >= width || row[x] != row[x + 1]) {
      ++x;
      continue;
    }
    FlushLiteral(row + pending, x - pending, four, out);
    int32_t n = 2;
    while (n < 255 && x + n < width && row[x + n] == row[x]) ++n;
    out.insert(out.end(), {uint8_t(n), uint8_t(four ? row[x] << 4 | row[x] : row[x])});
    x += n;
    pending = x;
  }
  FlushLiteral(row + pending, width - pending, four, out);
  out.insert(out.end(), {0, 0});
}

}  // namespace

void BMPWriteStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress) {
  const int32_t width = bitmap.Width(), height = bitmap.Height();
  if (bitmap.Empty() || (bitmap.PixelFormat() != pf24bit && bitmap.PixelFormat() != pf1bit))
    return progress.Abort("only non-empty 24-bit and 1-bit pictures are written");
  const bool os2v1 = params.BMP_Version == ioBMP_BMOS2V1;
  if (os2v1 && (width > kOs2V1Side || height > kOs2V1Side))
    return progress.Abort("an OS/2 1 bitmap holds at most 65535 x 65535 pixels");
  const int32_t bits = OutputBits(params);
  const bool rle = params.BMP_Compression == ioBMP_RLE && !os2v1 && (bits == 4 || bits == 8);
  const uint32_t compression = rle ? (bits == 4 ? 2 : 1) : 0;

  const int64_t start = stream.Position();
  uint8_t fileHeader[kFileHeaderSize] = {'B', 'M'};
  stream.WriteBuffer(fileHeader, kFileHeaderSize);
  std::vector<uint8_t> info = InfoHeader(params, width, height, bits, compression, 0, 0);
  stream.WriteBuffer(info.data(), int64_t(info.size()));

  const int64_t rowBytes = _BitmapRowLen64(width, bits);
  std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
  progress.SetUnits(height);
  auto report = [&](int32_t y) {
    progress.val = height - y - 1;
    progress.Report();
    return !progress.Aborted();
  };
  int64_t pixelStart = 0;
  if (bits == 4 || bits == 8) {
    TBitmap converted;
    const TBitmap* source = &bitmap;
    if (bitmap.PixelFormat() == pf1bit) {
      TProgressRec quiet = NullProgress();
      _Conv1to24(bitmap, converted, quiet);
      source = &converted;
    }
    std::vector<TRGB> palette(size_t(1) << bits);
    const TKXQuantizer quantizer(*source, palette, int32_t(palette.size()));
    WritePalette(stream, palette, os2v1);
    params.SetColorMap(palette);
    pixelStart = stream.Position();
    std::vector<uint8_t> indices(static_cast<size_t>(width));
    std::vector<uint8_t> coded;
    for (int32_t y = height - 1; y >= 0; --y) {
      if (!report(y)) break;
      const auto* pixels = reinterpret_cast<const TRGB*>(source->ScanLine(y));
      for (int32_t x = 0; x < width; ++x) indices[size_t(x)] = uint8_t(quantizer.GetRGBIndex(pixels[x]));
      if (rle) {
        coded.clear();
        BmpEncodeRleRow(indices.data(), width, bits == 4, coded);
        if (y == 0) coded.insert(coded.end(), {0, 1});
        stream.WriteBuffer(coded.data(), int64_t(coded.size()));
        continue;
      }
      if (bits == 8) {
        std::copy(indices.begin(), indices.end(), row.begin());
      } else {
        for (int32_t x = 0; x < width; x += 2)
          row[size_t(x / 2)] = uint8_t(indices[size_t(x)] << 4 | (x + 1 < width ? indices[size_t(x) + 1] : 0));
      }
      stream.WriteBuffer(row.data(), rowBytes);
    }
  } else if (bits == 1) {
    TRGB c0, c1;
    std::unique_ptr<TBitmap> oneBit = _OneBitForWriter(bitmap, c0, c1, progress);
    if (!oneBit) return progress.Abort("out of memory");
    const std::vector<TRGB> palette{c0, c1};
    WritePalette(stream, palette, os2v1);
    params.SetColorMap(palette);
    pixelStart = stream.Position();
    for (int32_t y = height - 1; y >= 0; --y) {
      if (!report(y)) break;
      stream.WriteBuffer(oneBit->ScanLine(y), rowBytes);
    }
  } else {
    TBitmap converted;
    const TBitmap* source = &bitmap;
    if (bitmap.PixelFormat() == pf1bit) {
      TProgressRec quiet = NullProgress();
      _Conv1to24(bitmap, converted, quiet);
      source = &converted;
    }
    pixelStart = stream.Position();
    for (int32_t y = height - 1; y >= 0; --y) {
      if (!report(y)) break;
      stream.WriteBuffer(source->ScanLine(y), rowBytes);
    }
  }
  if (progress.Aborted()) return;

  const int64_t end = stream.Position();
  TKXByteWriter head(kFileHeaderSize);
  head.Bytes("BM", 2);
  head.U32LE(uint32_t(end - start));
  head.U32LE(0);
  head.U32LE(uint32_t(pixelStart - start));
  stream.SetPosition(start);
  stream.WriteBuffer(head.Result().data(), int64_t(head.Size()));
  info = InfoHeader(params, width, height, bits, compression, uint32_t(end - pixelStart), bits);
  stream.WriteBuffer(info.data(), int64_t(info.size()));
  stream.SetPosition(end);
}

}  // namespace kx
