// Building an image for writing: bit count, colour table and pixel indices.
#include "imaging/io/gif_frame.h"

#include <algorithm>
#include <memory>

#include "imaging/core/bitmap.h"
#include "imaging/core/byte_writer.h"
#include "imaging/io/ioparams.h"
#include "imaging/proc/pixel_convert.h"
#include "imaging/proc/quantizer.h"

namespace kx {
namespace {

constexpr int32_t kGifMaxSide = 0xFFFF;

void OneBitFrame(const TBitmap& picture, TGifFrame& frame, const TIOParamsVals& params) {
  frame.Bits = 1;
  frame.Table = {TRGB{0, 0, 0}, TRGB{255, 255, 255}};
  for (int32_t y = 0; y < frame.Height; ++y) {
    const uint8_t* row = picture.ScanLine(y);
    uint8_t* out = frame.Indices.data() + int64_t(y) * frame.Width;
    for (int32_t x = 0; x < frame.Width; ++x) out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
  }
  frame.BackgroundIndex = uint8_t(_GetSimilColor(frame.Table.data(), 2, params.GIF_Background));
  frame.TransparentIndex = uint8_t(_GetSimilColor(frame.Table.data(), 2, params.GIF_TransparentColor));
}

void ColorFrame(const TBitmap& picture, int bits, TGifFrame& frame, const TIOParamsVals& params) {
  frame.Bits = bits;
  const int32_t count = 1 << bits;
  // The transparent colour is kept out of the quantizer's entries: a colour that shared its
  // entry would vanish with it.
  const bool reserve = params.GIF_Transparent && count > 2;
  frame.Table.assign(size_t(count), TRGB{});
  const int32_t chosen = reserve ? count - 1 : count;
  const TKXQuantizer quantizer(picture, std::span<TRGB>(frame.Table.data(), size_t(chosen)), chosen);
  const TRGB transparent = params.GIF_TransparentColor;
  if (reserve) frame.Table[size_t(count - 1)] = transparent;
  for (int32_t y = 0; y < frame.Height; ++y) {
    const auto* row = reinterpret_cast<const TRGB*>(picture.ScanLine(y));
    uint8_t* out = frame.Indices.data() + int64_t(y) * frame.Width;
    TRGB last = row[0];
    uint8_t lastIndex = uint8_t(reserve && last == transparent ? count - 1 : quantizer.GetRGBIndex(last));
    for (int32_t x = 0; x < frame.Width; ++x) {
      const TRGB c = row[x];
      if (!(c == last)) {
        last = c;
        lastIndex = uint8_t(reserve && c == transparent ? count - 1 : quantizer.GetRGBIndex(c));
      }
      out[x] = lastIndex;
    }
  }
  frame.BackgroundIndex = uint8_t(quantizer.GetRGBIndex(params.GIF_Background));
  frame.TransparentIndex = uint8_t(reserve ? count - 1 : quantizer.GetRGBIndex(transparent));
}

}  // namespace

bool GifBuildFrame(const TBitmap& bitmap, const TIOParamsVals& params, bool insert, TGifFrame& frame,
                   TProgressRec& progress) {
  frame.Width = bitmap.Width();
  frame.Height = bitmap.Height();
  if (bitmap.Empty() || (bitmap.PixelFormat() != pf24bit && bitmap.PixelFormat() != pf1bit)) {
    progress.Abort("only non-empty 24-bit and 1-bit pictures are written");
    return false;
  }
  if (frame.Width > kGifMaxSide || frame.Height > kGifMaxSide) {
    progress.Abort("a GIF image holds at most 65535 x 65535 pixels");
    return false;
  }
  frame.Indices.assign(size_t(frame.Width) * size_t(frame.Height), 0);
  int bits = std::clamp(params.BitsPerSample, 1, 8);
  if (bits == 1) {
    TRGB c0, c1;
    if (bitmap.PixelFormat() == pf1bit) {
      OneBitFrame(bitmap, frame, params);
      return true;
    }
    if (std::unique_ptr<TBitmap> two = _ConvertTo1bit(bitmap, c0, c1)) {
      OneBitFrame(*two, frame, params);
      return true;
    }
    if (!insert) {
      std::unique_ptr<TBitmap> dithered = _OneBitForWriter(bitmap, c0, c1, progress);
      if (!dithered) {
        progress.Abort("out of memory");
        return false;
      }
      OneBitFrame(*dithered, frame, params);
      return true;
    }
    bits = 8;
  }
  if (bitmap.PixelFormat() == pf1bit) {
    TBitmap converted;
    TProgressRec quiet = NullProgress();
    _Conv1to24(bitmap, converted, quiet);
    ColorFrame(converted, bits, frame, params);
  } else {
    ColorFrame(bitmap, bits, frame, params);
  }
  return true;
}

void GifPutFrameHead(TKXByteWriter& out, const TGifFrame& frame, const TIOParamsVals& params, bool localTable) {
  GifPutControl(out, params.GIF_Transparent, params.GIF_DelayTime, frame.TransparentIndex);
  out.U8(kGifImageSeparator);
  out.U16LE(uint16_t(std::clamp(params.GIF_HorizPosition, 0, kGifMaxSide)));
  out.U16LE(uint16_t(std::clamp(params.GIF_VertPosition, 0, kGifMaxSide)));
  out.U16LE(uint16_t(frame.Width));
  out.U16LE(uint16_t(frame.Height));
  uint8_t packed = params.GIF_Interlaced ? 0x40 : 0;
  if (localTable) packed |= uint8_t(0x80 | (frame.Bits - 1));
  out.U8(packed);
  if (localTable) GifPutTable(out, frame.Table);
}

}  // namespace kx
