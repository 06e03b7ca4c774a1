// PNG reading. libpng expands, composites and reorders every colour type into blue-green-red
// rows written straight into the bitmap; pictures that are black and white by nature (gray
// 1-bit, a palette of black then white) keep their 1-bit rows. Sizes are checked against the
// pixel limit before anything the file dictates is allocated, and libpng's own limits keep
// ancillary chunks from taking unbounded memory.
#include <png.h>

#include <algorithm>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/pixelformat.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/png_codec.h"
#include "imaging/io/png_glue.h"
#include "platform/screen.h"

namespace kx {
namespace {

// Chunks nothing here reads: skipping them unread (their CRC is still checked) spares inflating
// compressed text and profiles. The colour-space chunks go too: alpha is flattened in the
// file's own sample values, as other programs flatten it, and libpng would otherwise blend in
// linear light for a file that states its gamma.
constexpr png_byte kIgnoredChunks[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0tIME\0hIST\0sBIT\0gAMA\0cHRM\0sRGB";

// The state of one read. Trivially destructible: the setjmp frames below use it.
struct TPngReader {
  TPngContext context;
  png_structp png;
  png_infop info;
  png_uint_32 width;
  png_uint_32 height;
  int depth;
  int colorType;
  int interlace;
  int passes;
  bool oneBit;  // rows stay 1-bit
};

struct TPngReaderCleanup {
  TPngReader& reader;
  ~TPngReaderCleanup() {
    if (reader.png) png_destroy_read_struct(&reader.png, reader.info ? &reader.info : nullptr, nullptr);
  }
};

bool BlackThenWhite(png_structp png, png_infop info) {
  png_colorp palette = nullptr;
  int count = 0;
  if (!png_get_PLTE(png, info, &palette, &count) || count != 2) return false;
  const png_color& a = palette[0];
  const png_color& b = palette[1];
  return a.red == 0 && a.green == 0 && a.blue == 0 && b.red == 255 && b.green == 255 && b.blue == 255;
}

// Alpha, from a channel or a transparency chunk, is flattened over the file's background
// colour when it has one, else over `screen`, given at the image's sample depth.
void SetBackground(TPngReader& r, TRGB screen) {
  const bool alpha = (r.colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(r.png, r.info, PNG_INFO_tRNS);
  if (!alpha) return;
  png_color_16p file = nullptr;
  if (png_get_bKGD(r.png, r.info, &file)) {
    png_set_background(r.png, file, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    return;
  }
  const png_uint_16 scale = r.depth == 16 ? 256 : 1;
  png_color_16 background{};
  background.red = png_uint_16(screen.r * scale);
  background.green = png_uint_16(screen.g * scale);
  background.blue = png_uint_16(screen.b * scale);
  background.gray = background.green;
  png_set_background(r.png, &background, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
}

// Reads the chunks before the image data and sets up libpng's transformations.
// False when libpng stops. Holds no objects with destructors (setjmp frame).
bool ReadHeader(TPngReader& r, TRGB screen) {
  if (setjmp(png_jmpbuf(r.png))) return false;
  png_read_info(r.png, r.info);
  png_get_IHDR(r.png, r.info, &r.width, &r.height, &r.depth, &r.colorType, &r.interlace, nullptr, nullptr);
  SetBackground(r, screen);
  const bool palette = r.colorType == PNG_COLOR_TYPE_PALETTE;
  const bool gray = (r.colorType & PNG_COLOR_MASK_COLOR) == 0;
  r.oneBit = r.depth == 1 && !png_get_valid(r.png, r.info, PNG_INFO_tRNS) &&
             (r.colorType == PNG_COLOR_TYPE_GRAY || (palette && BlackThenWhite(r.png, r.info)));
  if (!r.oneBit) {
    if (palette || (gray && r.depth < 8)) png_set_expand(r.png);
    // A transparent colour is flattened as an alpha channel: only then does a gray picture
    // take a coloured background.
    if (png_get_valid(r.png, r.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(r.png);
    if (r.depth == 16) png_set_strip_16(r.png);
    if (gray) png_set_gray_to_rgb(r.png);
    png_set_bgr(r.png);
  }
  r.passes = png_set_interlace_handling(r.png);
  png_read_update_info(r.png, r.info);
  return true;
}

int32_t SamplesOf(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    default:
      return 1;
  }
}

// A sample of `depth` bits as 8 bits.
uint8_t To8Bits(png_uint_16 sample, int depth) {
  if (depth == 16) return uint8_t(sample >> 8);
  if (depth >= 8) return uint8_t(sample);
  return uint8_t(sample * 255 / ((1 << depth) - 1));
}

void FillParams(const TPngReader& r, TIOParamsVals& params) {
  params.Width = int32_t(r.width);
  params.Height = int32_t(r.height);
  params.BitsPerSample = r.depth;
  params.SamplesPerPixel = SamplesOf(r.colorType);
  png_uint_32 x = 0, y = 0;
  int unit = 0;
  const bool metres = png_get_pHYs(r.png, r.info, &x, &y, &unit) && unit == PNG_RESOLUTION_METER;
  params.DpiX = metres ? KXRound(x / 100.0 * 2.54) : 0;
  params.DpiY = metres ? KXRound(y / 100.0 * 2.54) : 0;
  if (params.DpiX == 0) params.DpiX = gSystemDPIX;
  if (params.DpiY == 0) params.DpiY = gSystemDPIY;

  png_colorp palette = nullptr;
  int count = 0;
  std::vector<TRGB> colors;
  if (r.colorType == PNG_COLOR_TYPE_PALETTE && png_get_PLTE(r.png, r.info, &palette, &count))
    for (int i = 0; i < count; ++i) colors.push_back(TRGB{palette[i].blue, palette[i].green, palette[i].red});
  params.SetColorMap(std::move(colors));
  params.PNG_Interlaced = r.interlace != PNG_INTERLACE_NONE;

  png_color_16p file = nullptr;
  if (png_get_bKGD(r.png, r.info, &file)) {
    if (r.colorType == PNG_COLOR_TYPE_PALETTE) {
      if (file->index < count) params.PNG_Background = params.ColorMap[file->index];
    } else if ((r.colorType & PNG_COLOR_MASK_COLOR) == 0) {
      const uint8_t g = To8Bits(file->gray, r.depth);
      params.PNG_Background = TRGB{g, g, g};
    } else {
      params.PNG_Background =
          TRGB{To8Bits(file->blue, r.depth), To8Bits(file->green, r.depth), To8Bits(file->red, r.depth)};
    }
  }
}

// Emptied first, so that neither the format change nor the resize converts or copies the
// old picture, and rows a damaged file never reaches are black.
bool PrepareBitmap(TBitmap& bitmap, TPixelFormat format, png_uint_32 width, png_uint_32 height) {
  try {
    bitmap.SetSize(0, 0);
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(int32_t(width), int32_t(height));
    return true;
  } catch (...) {
    return false;
  }
}

// Reads every pass of every row into the bitmap, then the chunks after the image data.
// False when libpng (which sets the abort flag) or the caller stopped it. Holds no objects with
// destructors (setjmp frame).
bool ReadRows(TPngReader& r, TBitmap& bitmap, TProgressRec& progress, bool* abort) {
  if (setjmp(png_jmpbuf(r.png))) {
    *abort = true;
    return false;
  }
  uint8_t* const top = bitmap.ScanLine(0);
  const intptr_t stride = bitmap.Stride();
  progress.val = 0;
  progress.SetUnits(double(r.height) * r.passes);
  for (int pass = 0; pass < r.passes; ++pass) {
    for (png_uint_32 y = 0; y < r.height; ++y) {
      png_read_row(r.png, top + intptr_t(y) * stride, nullptr);
      progress.val += 1;
      progress.Report();
      if (*abort) return false;
    }
  }
  png_read_end(r.png, nullptr);
  return true;
}

void ReportLibpng(const TPngReader& r, const TProgressRec& progress) {
  if (r.context.message[0] != '\0')
    progress.Abort(r.context.message);
  else
    progress.Abort();
}

}  // namespace

void ReadPNGStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview, TProgressRec& progress) {
  bool localAbort = false;
  bool* abort = progress.Aborting ? progress.Aborting : &localAbort;
  TPngReader reader{};
  reader.context.stream = &stream;
  TPngReaderCleanup cleanup{reader};
  reader.png = PngCreateRead(reader.context);
  if (reader.png) reader.info = png_create_info_struct(reader.png);
  if (!reader.info) {
    *abort = true;
    progress.Abort("out of memory");
    return;
  }
  const png_uint_32 side = png_uint_32(std::min<int64_t>(KXPixelLimit(), PNG_UINT_31_MAX));
  png_set_user_limits(reader.png, side, side);
  // A damaged ancillary chunk makes the file as suspect as a damaged critical one.
  png_set_crc_action(reader.png, PNG_CRC_DEFAULT, PNG_CRC_ERROR_QUIT);
  // Every byte of the compressed data is already covered by its chunk's CRC, which is checked;
  // zlib's own checksum over the inflated data would only repeat that check.
  png_set_option(reader.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
  png_set_chunk_cache_max(reader.png, kPngChunkCacheMax);
  png_set_chunk_malloc_max(reader.png, kPngChunkMallocMax);
  png_set_keep_unknown_chunks(reader.png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_set_keep_unknown_chunks(reader.png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks, int(sizeof kIgnoredChunks / 5));

  if (!ReadHeader(reader, params.PNG_Background)) {
    *abort = true;
    ReportLibpng(reader, progress);
    return;
  }
  FillParams(reader, params);
  if (preview) return;
  if (!KXPixelsAllowed(reader.width, reader.height)) {
    *abort = true;
    progress.Abort(KXPixelsRefusal(reader.width, reader.height));
    return;
  }
  const TPixelFormat format = reader.oneBit ? pf1bit : pf24bit;
  if (!PrepareBitmap(bitmap, format, reader.width, reader.height)) {
    *abort = true;
    progress.Abort("out of memory");
    return;
  }
  // What libpng will write into each row must be exactly the bitmap's pixels.
  const size_t rowBytes = png_get_rowbytes(reader.png, reader.info);
  const size_t expected = reader.oneBit ? (size_t(reader.width) + 7) / 8 : size_t(reader.width) * 3;
  if (rowBytes != expected || rowBytes > size_t(bitmap.RowLen())) {
    *abort = true;
    progress.Abort("unexpected PNG row size");
    return;
  }
  if (!ReadRows(reader, bitmap, progress, abort) && reader.context.message[0] != '\0')
    progress.Abort(reader.context.message);
}

}  // namespace kx
