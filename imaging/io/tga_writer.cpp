// Targa writing: 24-bit true colour, 1-bit gray, 16 or 256 colours through a colour map, or
// 8-bit gray, top row first, with the extension area and footer after the rows. 16-colour
// pictures are stored as 8-bit indices into a 16-entry map, which every reader decodes.
#include <algorithm>
#include <memory>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/byte_writer.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/tga_codec.h"
#include "imaging/io/tga_format.h"
#include "imaging/proc/pixel_convert.h"
#include "imaging/proc/quantizer.h"

namespace kx {
namespace {

constexpr int32_t kLargestSide = 0xFFFF;
// The identification field holds at most 255 bytes, its terminating zero included.
constexpr size_t kLongestDescription = 254;

enum class TTgaOutput { oneBit, colors16, colors256, gray, trueColor };

TTgaOutput OutputOf(const TIOParamsVals& params) {
  if (params.SamplesPerPixel != 1) return TTgaOutput::trueColor;
  switch (params.BitsPerSample) {
    case 1:
      return TTgaOutput::oneBit;
    case 4:
      return TTgaOutput::colors16;
    case 8:
      return params.TGA_GrayLevel ? TTgaOutput::gray : TTgaOutput::colors256;
    default:
      return TTgaOutput::gray;
  }
}

// Appends the run-length packets of one row of `n` pixels of `bytes` bytes each: runs of 2 to
// 128 equal pixels, and raw packets of up to 128 that end before two equal pixels.
void EncodeRow(const uint8_t* p, int32_t n, size_t bytes, std::vector<uint8_t>& out) {
  auto same = [&](int32_t a, int32_t b) { return std::equal(p + a * bytes, p + (a + 1) * bytes, p + b * bytes); };
  for (int32_t i = 0; i < n;) {
    int32_t run = 1;
    while (run < 128 && i + run < n && same(i, i + run)) ++run;
    if (run > 1) {
      out.push_back(uint8_t(0x80 | (run - 1)));
      out.insert(out.end(), p + i * bytes, p + (i + 1) * bytes);
      i += run;
      continue;
    }
    int32_t count = 1;
    while (count < 128 && i + count < n && !(i + count + 1 < n && same(i + count, i + count + 1))) ++count;
    out.push_back(uint8_t(count - 1));
    out.insert(out.end(), p + i * bytes, p + (i + count) * bytes);
    i += count;
  }
}

}  // namespace

void WriteTGAStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress) {
  if (bitmap.PixelFormat() != pf24bit && bitmap.PixelFormat() != pf1bit) return;
  const int32_t width = bitmap.Width(), height = bitmap.Height();
  if (bitmap.Empty()) return progress.Abort("an empty picture is not written");
  if (width > kLargestSide || height > kLargestSide)
    return progress.Abort("a Targa file holds at most 65535 x 65535 pixels");
  const int64_t start = stream.Position();
  const TTgaOutput output = OutputOf(params);

  std::unique_ptr<TBitmap> oneBit;
  TBitmap converted;
  const TBitmap* source = &bitmap;
  std::vector<TRGB> palette;
  std::unique_ptr<TKXQuantizer> quantizer;
  if (output == TTgaOutput::oneBit) {
    TRGB c0, c1;
    oneBit = _OneBitForWriter(bitmap, c0, c1, progress);
    if (!oneBit) return progress.Abort("out of memory");
    source = oneBit.get();
    params.TGA_Compressed = false;
  } else {
    if (bitmap.PixelFormat() == pf1bit) {
      TProgressRec quiet = NullProgress();
      _Conv1to24(bitmap, converted, quiet);
      source = &converted;
    }
    // Gray levels come from each pixel: a palette first would merge nearby levels.
    if (output == TTgaOutput::colors16 || output == TTgaOutput::colors256) {
      palette.resize(output == TTgaOutput::colors16 ? 16 : 256);
      quantizer = std::make_unique<TKXQuantizer>(*source, palette, int32_t(palette.size()));
      if (bitmap.PixelFormat() == pf24bit) params.SetColorMap(palette);
    }
    if (output == TTgaOutput::colors16) params.TGA_Compressed = false;
  }
  const bool mapped = output == TTgaOutput::colors16 || output == TTgaOutput::colors256;
  const bool rle = params.TGA_Compressed && output != TTgaOutput::oneBit;

  TTgaHeader h;
  const std::string description = params.TGA_Description.substr(0, kLongestDescription);
  h.IdLength = uint8_t(description.size() + 1);
  h.ColorMapType = mapped ? 1 : 0;
  h.ImageType = uint8_t((mapped ? 1 : output == TTgaOutput::trueColor ? 2 : 3) + (rle ? 8 : 0));
  h.MapLength = uint16_t(mapped ? palette.size() : 0);
  h.MapEntryBits = mapped ? 24 : 0;
  h.XOrigin = uint16_t(params.TGA_XOrigin);
  h.YOrigin = uint16_t(params.TGA_YOrigin);
  h.Width = uint16_t(width);
  h.Height = uint16_t(height);
  h.Depth = output == TTgaOutput::oneBit ? 1 : output == TTgaOutput::trueColor ? 24 : 8;
  h.Descriptor = kTgaTopToBottom;
  TKXByteWriter head(kTgaHeaderSize + 256 + 768);
  const std::vector<uint8_t> headerBytes = TgaHeaderBytes(h);
  head.Bytes(headerBytes.data(), headerBytes.size());
  head.Bytes(description.data(), description.size());
  head.U8(0);
  if (mapped)
    for (const TRGB& c : palette) head.Bytes(&c, 3);
  stream.WriteBuffer(head.Result().data(), int64_t(head.Size()));

  const size_t pixelBytes = output == TTgaOutput::trueColor ? 3 : 1;
  const int32_t rowBytes = output == TTgaOutput::oneBit ? (width + 7) / 8 : int32_t(size_t(width) * pixelBytes);
  std::vector<uint8_t> indices(output == TTgaOutput::trueColor || output == TTgaOutput::oneBit ? 0 : size_t(width));
  std::vector<uint8_t> coded;
  coded.reserve(size_t(rowBytes) + size_t(rowBytes) / 128 + 2);
  progress.SetUnits(height);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = source->ScanLine(y);
    if (!indices.empty()) {
      const auto* pixels = reinterpret_cast<const TRGB*>(row);
      if (output == TTgaOutput::gray) {
        for (int32_t x = 0; x < width; ++x) indices[size_t(x)] = _RGBToGray(pixels[x]);
      } else {
        for (int32_t x = 0; x < width; ++x) indices[size_t(x)] = uint8_t(quantizer->GetRGBIndex(pixels[x]));
      }
      row = indices.data();
    }
    if (rle) {
      coded.clear();
      EncodeRow(row, width, pixelBytes, coded);
      stream.WriteBuffer(coded.data(), int64_t(coded.size()));
    } else {
      stream.WriteBuffer(row, rowBytes);
    }
    progress.val = y + 1;
    progress.Report();
  }

  const int64_t extension = stream.Position() - start;
  const std::vector<uint8_t> tail = TgaExtensionAndFooter(params, uint32_t(extension));
  stream.WriteBuffer(tail.data(), int64_t(tail.size()));
}

}  // namespace kx
