// GIF reading: the blocks are walked to the trailer, counting every image, and the image
// GIF_ImageIndex is decoded through the decoder hook and painted from its colour table, padded
// to 256 entries so that no index a file holds reads past it.
#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/byte_reader.h"
#include "imaging/core/limits.h"
#include "imaging/core/stream.h"
#include "imaging/io/gif_blocks.h"
#include "imaging/io/gif_codec.h"
#include "imaging/io/ioparams.h"
#include "platform/screen.h"

namespace kx {
namespace {

// The values of the graphic control extension that precedes the wanted image.
struct TControl {
  uint8_t Packed = 0;
  uint16_t Delay = 0;
  uint8_t TransparentIndex = 0;
};

// A table for an image that has none: a gray ramp over the indices its code size allows.
TGifTable GrayRamp(int bits) {
  const int count = 1 << bits;
  TGifTable ramp(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const uint8_t v = uint8_t(i * 255 / (count - 1));
    ramp[size_t(i)] = TRGB{v, v, v};
  }
  return ramp;
}

// The minimum code size at the position, which stays where it was; 8 when unreadable.
int PeekCodeSize(TStream& stream) {
  TKXByteReader reader(stream);
  const int size = reader.U8();
  if (!reader.Ok()) return 8;
  stream.Seek(-1, soCurrent);
  return size;
}

void Paint(TBitmap& bitmap, const std::vector<uint8_t>& indices, int32_t width, int32_t height, const TGifTable& table,
           bool oneBit) {
  bitmap.SetPixelFormat(oneBit ? pf1bit : pf24bit);
  bitmap.SetSize(width, height);
  const TGifTable colors = GifPaddedTable(table);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = indices.data() + int64_t(y) * width;
    uint8_t* row = bitmap.ScanLine(y);
    if (oneBit) {
      std::memset(row, 0, size_t((width + 7) / 8));
      for (int32_t x = 0; x < width; ++x)
        if (in[x]) row[x >> 3] |= uint8_t(0x80 >> (x & 7));
    } else {
      auto* out = reinterpret_cast<TRGB*>(row);
      for (int32_t x = 0; x < width; ++x) out[x] = colors[in[x]];
    }
  }
}

// The wanted image, from its descriptor on; false when reading must stop.
bool ReadImage(TStream& stream, TKXByteReader& reader, TBitmap& bitmap, const TGifScreen& screen,
               const TControl& control, TIOParamsVals& params, TProgressRec& progress, bool paramsOnly) {
  const uint16_t left = reader.U16LE(), top = reader.U16LE(), width = reader.U16LE(), height = reader.U16LE();
  const uint8_t packed = reader.U8();
  const TGifTable local = packed & 0x80 ? GifReadTable(reader, (packed & 7) + 1) : TGifTable{};
  if (!reader.Ok()) {
    progress.Abort("the image descriptor is cut short");
    return false;
  }
  progress.Report(30);
  if (progress.Aborted()) return false;
  const TGifTable& table = local.empty() ? screen.Table : local;
  const TGifTable padded = GifPaddedTable(table);
  params.GIF_TransparentColor = padded[control.TransparentIndex];
  params.GIF_HorizPosition = left;
  params.GIF_VertPosition = top;
  params.Width = width;
  params.Height = height;
  params.GIF_DelayTime = control.Delay;
  params.GIF_Transparent = control.Packed & 1;
  params.GIF_Interlaced = packed & 0x40;
  const int bits = !table.empty() ? std::countr_zero(table.size()) : std::clamp(PeekCodeSize(stream), 1, 8);
  const TGifTable colors = table.empty() ? GrayRamp(bits) : table;
  params.BitsPerSample = bits;
  params.SetColorMap(colors);
  if (paramsOnly) {
    GifReadSubBlocks(stream, nullptr);
    return true;
  }
  if (!KXPixelsAllowed(width, height)) {
    progress.Abort(KXPixelsRefusal(width, height));
    return false;
  }
  const TGIFLZWDecompFunc decode = params.GIF_LZWDecompress;
  if (!decode) {
    progress.Abort("no GIF decoder is installed");
    return false;
  }
  // Pixels the data never reaches show the background.
  std::vector<uint8_t> indices(size_t(width) * height, screen.Background);
  const int64_t before = stream.Position();
  const bool whole = decode(stream, height, width, params.GIF_Interlaced, indices.data());
  if (stream.Position() == before) {
    progress.Abort("the image data could not be decoded");
    return false;
  }
  progress.Report(70);
  if (progress.Aborted()) return false;
  const bool oneBit = bits == 1 && colors[0] == TRGB{0, 0, 0} && colors[1] == TRGB{255, 255, 255};
  Paint(bitmap, indices, width, height, colors, oneBit);
  if (!whole) {
    progress.Abort("the image data is damaged or cut short");
    return false;
  }
  return true;
}

}  // namespace

void ReadGifStream(TStream& stream, TBitmap& bitmap, int32_t& imageCount, TIOParamsVals& params, TProgressRec& progress,
                   bool paramsOnly) {
  imageCount = 0;
  progress.Report(0);
  if (progress.Aborted()) return;
  TKXByteReader reader(stream);
  TGifScreen screen;
  if (!GifReadScreen(reader, screen)) return progress.Abort("not a GIF file, or its header is cut short");
  params.GIF_Version = screen.Version + '\0';
  params.GIF_ScreenWidth = screen.Width;
  params.GIF_ScreenHeight = screen.Height;
  params.GIF_AspectRatio = screen.Aspect;
  params.DpiX = gSystemDPIX;
  params.DpiY = gSystemDPIY;
  params.SamplesPerPixel = 1;
  if (!screen.Table.empty()) params.GIF_Background = GifPaddedTable(screen.Table)[screen.Background];
  if (stream.Remaining() == 0) return progress.Abort("the file holds no image");
  TControl control;
  bool found = false;
  bool cut = false;  // a block before the wanted image ended with the stream
  while (!progress.Aborted()) {
    const uint8_t byte = reader.U8();
    if (!reader.Ok()) break;  // the end of the stream stands for the trailer
    if (byte == kGifTrailer) break;
    if (byte == kGifExtensionIntroducer) {
      const uint8_t label = reader.U8();
      if (!reader.Ok()) {
        cut = true;
        break;
      }
      if (label == kGifControlLabel && imageCount == params.GIF_ImageIndex) {
        const uint8_t length = reader.U8();
        uint8_t b[4];
        if (length >= 4 && reader.Bytes(b, 4)) {
          control.Packed = b[0];
          control.Delay = uint16_t(b[1] | b[2] << 8);
          control.TransparentIndex = b[3];
          reader.Skip(length - 4);
        } else {
          reader.Skip(length);
        }
        if (!reader.Ok()) {
          cut = true;
          break;
        }
      }
      if (!GifReadSubBlocks(stream, nullptr)) {
        cut = true;
        break;
      }
    } else if (byte == kGifImageSeparator) {
      if (imageCount == params.GIF_ImageIndex) {
        found = true;
        if (!ReadImage(stream, reader, bitmap, screen, control, params, progress, paramsOnly)) {
          ++imageCount;
          return;
        }
      } else {
        uint8_t descriptor[kGifDescriptorSize - 1];
        reader.Bytes(descriptor, int64_t(sizeof descriptor));
        if (descriptor[8] & 0x80) reader.Skip(3 * (int64_t(1) << ((descriptor[8] & 7) + 1)));
        reader.U8();
        if (!reader.Ok() || !GifReadSubBlocks(stream, nullptr)) {
          cut = true;
          break;
        }
      }
      ++imageCount;
    }
    // Any other byte is ignored.
  }
  // An image that is asked for but not in the file is a failure, not an empty success.
  if (!found && !progress.Aborted())
    return progress.Abort(cut               ? "the file is cut short"
                          : imageCount == 0 ? "the file holds no image"
                                            : "the file has no image of that number");
  if (!progress.Aborted()) progress.Report(100);
}

void ReadGif(const std::string& fileName, TBitmap& bitmap, int32_t& imageCount, TIOParamsVals& params,
             TProgressRec& progress) {
  TFileStream stream(fileName, fmOpenRead);
  ReadGifStream(stream, bitmap, imageCount, params, progress, false);
}

int32_t GifCountImages(TStream& stream) {
  const int64_t start = stream.Position();
  TIOParamsVals params;
  params.GIF_ImageIndex = INT32_MAX;
  TBitmap unused;
  TProgressRec quiet = NullProgress();
  int32_t count = 0;
  ReadGifStream(stream, unused, count, params, quiet, true);
  stream.SetPosition(start);
  return count;
}

bool GifTryStream(TStream& stream) {
  const int64_t start = stream.Position();
  uint8_t b[3];
  const bool gif = stream.Read(b, 3) == 3 && std::memcmp(b, "GIF", 3) == 0;
  stream.SetPosition(start);
  return gif;
}

}  // namespace kx
