// PNG writing: gray 1-bit, 256-colour palette or RGB, with the resolution, the background
// colour, one row filter, a zlib level and optionally Adam7 interlacing. libpng writes the
// header chunks. Nearly all the time goes into deflate, so a picture large enough is filtered
// and compressed here on two threads (TPngIdatEncoder) and its IDAT and IEND chunks written
// through libpng's chunk writer, whose stream errors end the write as libpng's own do. Small
// and interlaced pictures go row by row to libpng, RGB rows straight from the bitmap, palette
// rows mapped to the quantizer's indices one at a time.
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/pixelformat.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/png_codec.h"
#include "imaging/io/png_glue.h"
#include "imaging/io/png_idat_encoder.h"
#include "imaging/proc/pixel_convert.h"
#include "imaging/proc/quantizer.h"

namespace kx {
namespace {

enum class TPngOutput { gray1, palette, rgb };

// The state of one write. Trivially destructible: the setjmp frame below uses it.
struct TPngWriter {
  TPngContext context;
  png_structp png;
  png_infop info;
  bool* abort;
  bool failed;  // libpng or the stream failed
  TPngOutput output;
  bool invertMono;                // the 1-bit picture's bit 0 is the lighter colour
  const TKXQuantizer* quantizer;  // palette output
  const TRGB* palette;            // the quantizer's 256 entries
  png_bytep indexRow;             // one row of palette indices
  TPngIdatEncoder* encoder;       // the rows compressed here, or null when libpng compresses them
};

struct TPngWriterCleanup {
  TPngWriter& writer;
  ~TPngWriterCleanup() {
    if (writer.png) png_destroy_write_struct(&writer.png, writer.info ? &writer.info : nullptr);
  }
};

int FilterMask(TIOPNGFilter filter) {
  switch (filter) {
    case ioPNG_FILTER_SUB:
      return PNG_FILTER_SUB;
    case ioPNG_FILTER_PAETH:
      return PNG_FILTER_PAETH;
    default:
      return PNG_FILTER_NONE;
  }
}

png_uint_32 PixelsPerMetre(int32_t dpi) {
  return png_uint_32(std::nearbyint(std::clamp(dpi * 100.0 / 2.54, 0.0, double(PNG_UINT_31_MAX))));
}

void SetHeader(TPngWriter& w, const TBitmap& image, const TIOParamsVals& params) {
  int depth = 8, colorType = PNG_COLOR_TYPE_RGB;
  png_color_16 background{};
  switch (w.output) {
    case TPngOutput::gray1:
      depth = 1;
      colorType = PNG_COLOR_TYPE_GRAY;
      break;
    case TPngOutput::palette: {
      colorType = PNG_COLOR_TYPE_PALETTE;
      png_color entries[256];
      for (int i = 0; i < 256; ++i) entries[i] = {w.palette[i].r, w.palette[i].g, w.palette[i].b};
      png_set_PLTE(w.png, w.info, entries, 256);
      background.index = png_byte(w.quantizer->GetRGBIndex(params.PNG_Background));
      break;
    }
    case TPngOutput::rgb:
      background.red = params.PNG_Background.r;
      background.green = params.PNG_Background.g;
      background.blue = params.PNG_Background.b;
      break;
  }
  png_set_IHDR(w.png, w.info, png_uint_32(image.Width()), png_uint_32(image.Height()), depth, colorType,
               params.PNG_Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
               PNG_FILTER_TYPE_BASE);
  // A resolution of 0 is no resolution; the chunk would be invalid.
  const png_uint_32 x = PixelsPerMetre(params.DpiX), y = PixelsPerMetre(params.DpiY);
  if (x > 0 && y > 0) png_set_pHYs(w.png, w.info, x, y, PNG_RESOLUTION_METER);
  png_set_bKGD(w.png, w.info, &background);
  png_set_filter(w.png, PNG_FILTER_TYPE_BASE, FilterMask(params.PNG_Filter));
  png_set_compression_level(w.png, std::clamp(params.PNG_Compression, 0, 9));
}

void MapRow(const TPngWriter& w, const uint8_t* bgr, int32_t width) {
  for (int32_t x = 0; x < width; ++x, bgr += 3)
    w.indexRow[x] = png_byte(w.quantizer->GetRGBIndex(TRGB{bgr[0], bgr[1], bgr[2]}));
}

// The largest IDAT chunk written: readers that hold a chunk whole stay small.
constexpr size_t kIdatChunk = size_t(1) << 20;

// Writes the encoder's IDAT and IEND chunks, reporting each row once its segment is compressed.
// Called inside Compress's setjmp frame: no objects with destructors.
bool WriteEncodedRows(TPngWriter& w, int32_t height, TProgressRec& progress) {
  static constexpr png_byte kIdat[5] = "IDAT", kIend[5] = "IEND";
  progress.val = 0;
  progress.SetUnits(double(height));
  for (int32_t begin = 0; begin < height;) {
    if (!w.encoder->Compress(begin)) {
      w.failed = true;
      return false;
    }
    const int32_t end = w.encoder->SegmentEnd(begin);
    for (; begin < end; ++begin) {
      progress.val += 1;
      progress.Report();
      if (*w.abort) return false;
    }
    for (int part = 0; part < w.encoder->Parts(); ++part) {
      const std::span<const uint8_t> bytes = w.encoder->Output(part);
      for (size_t at = 0; at < bytes.size(); at += kIdatChunk)
        png_write_chunk(w.png, kIdat, bytes.data() + at, std::min(kIdatChunk, bytes.size() - at));
    }
  }
  png_write_chunk(w.png, kIend, nullptr, 0);
  return true;
}

// Writes the whole file; false when libpng, the stream (both set `failed`) or the caller stopped
// it. Holds no objects with destructors (setjmp frame).
bool Compress(TPngWriter& w, TBitmap& image, const TIOParamsVals& params, TProgressRec& progress) {
  if (setjmp(png_jmpbuf(w.png))) {
    w.failed = true;
    return false;
  }
  SetHeader(w, image, params);
  png_write_info(w.png, w.info);
  if (w.encoder) return WriteEncodedRows(w, image.Height(), progress);
  if (w.output == TPngOutput::rgb) png_set_bgr(w.png);
  if (w.invertMono) png_set_invert_mono(w.png);
  const int passes = png_set_interlace_handling(w.png);
  const int32_t width = image.Width(), height = image.Height();
  uint8_t* const top = image.ScanLine(0);
  const intptr_t stride = image.Stride();
  progress.val = 0;
  progress.SetUnits(double(height) * passes);
  for (int pass = 0; pass < passes; ++pass) {
    for (int32_t y = 0; y < height; ++y) {
      png_bytep row = top + intptr_t(y) * stride;
      if (w.output == TPngOutput::palette) {
        MapRow(w, row, width);
        row = w.indexRow;
      }
      png_write_row(w.png, row);
      progress.val += 1;
      progress.Report();
      if (*w.abort) return false;
    }
  }
  png_write_end(w.png, nullptr);
  return true;
}

TPngRowFilter RowFilter(TIOPNGFilter filter) {
  switch (filter) {
    case ioPNG_FILTER_SUB:
      return TPngRowFilter::sub;
    case ioPNG_FILTER_PAETH:
      return TPngRowFilter::paeth;
    default:
      return TPngRowFilter::none;
  }
}

// The rows as the file stores them: RGB from the bitmap's BGR, 1-bit rows as they are (or
// inverted), palette indices from `indices`, which holds the rows from indexFirst on and is
// filled before each segment, the quantizer's look-ups not being safe on two threads.
TPngRows StoredRows(const TPngWriter& w, const TBitmap& image, std::vector<uint8_t>& indices, int32_t& indexFirst) {
  const int32_t width = image.Width();
  const uint8_t* const top = image.ScanLine(0);
  const intptr_t stride = image.Stride();
  TPngRows rows{image.Height(), 0, 1, {}, {}};
  switch (w.output) {
    case TPngOutput::gray1:
      rows.rowBytes = (size_t(width) + 7) / 8;
      rows.fill = [top, stride, n = rows.rowBytes, invert = w.invertMono](int32_t y, uint8_t* out) {
        const uint8_t* row = top + intptr_t(y) * stride;
        for (size_t i = 0; i < n; ++i) out[i] = invert ? uint8_t(~row[i]) : row[i];
      };
      break;
    case TPngOutput::rgb:
      rows.rowBytes = size_t(width) * 3;
      rows.unit = 3;
      rows.fill = [top, stride, n = rows.rowBytes](int32_t y, uint8_t* out) {
        const uint8_t* row = top + intptr_t(y) * stride;
        for (size_t i = 0; i < n; i += 3) out[i] = row[i + 2], out[i + 1] = row[i + 1], out[i + 2] = row[i];
      };
      break;
    case TPngOutput::palette:
      rows.rowBytes = size_t(width);
      rows.fill = [&indices, &indexFirst, n = rows.rowBytes](int32_t y, uint8_t* out) {
        std::memcpy(out, indices.data() + size_t(y - indexFirst) * n, n);
      };
      rows.prepare = [&w, &indices, &indexFirst, top, stride, width](int32_t first, int32_t end) {
        indices.resize(size_t(end - first) * size_t(width));
        indexFirst = first;
        for (int32_t y = first; y < end; ++y) {
          MapRow(w, top + intptr_t(y) * stride, width);
          std::memcpy(indices.data() + size_t(y - first) * size_t(width), w.indexRow, size_t(width));
        }
      };
      break;
  }
  return rows;
}

int Brightness(TRGB c) { return c.r * 30 + c.g * 59 + c.b * 11; }

[[noreturn]] void Fail() { throw EInvalidGraphicOperation("Error on creating PNG"); }

}  // namespace

void WritePNGStream(TStream& stream, TBitmap& bitmap, const TIOParamsVals& params, TProgressRec& progress) {
  bool localAbort = false;
  TPngWriter writer{};
  std::exception_ptr streamFailure;
  writer.abort = progress.Aborting ? progress.Aborting : &localAbort;
  writer.context.stream = &stream;
  writer.context.streamFailure = &streamFailure;

  // The picture as it is written: 1-bit for gray 1-bit output, else 24-bit.
  std::unique_ptr<TBitmap> converted;
  TBitmap* image = &bitmap;
  if (params.BitsPerSample == 1) {
    writer.output = TPngOutput::gray1;
    TRGB c0{0, 0, 0}, c1{255, 255, 255};
    if (bitmap.PixelFormat() == pf1bit) {
      const std::vector<TRGB>& colors = bitmap.Palette();
      if (colors.size() > 1) c0 = colors[0], c1 = colors[1];
    } else {
      converted = _OneBitForWriter(bitmap, c0, c1, progress);
      if (!converted) Fail();
      image = converted.get();
    }
    writer.invertMono = Brightness(c0) > Brightness(c1);
  } else {
    writer.output = params.SamplesPerPixel == 1 ? TPngOutput::palette : TPngOutput::rgb;
    if (bitmap.PixelFormat() != pf24bit) {
      converted = std::make_unique<TBitmap>();
      if (bitmap.PixelFormat() == pf1bit) {
        TProgressRec quiet = NullProgress();
        _Conv1to24(bitmap, *converted, quiet);
      } else {
        converted->Assign(bitmap);
        converted->SetPixelFormat(pf24bit);
      }
      image = converted.get();
    }
  }

  std::array<TRGB, 256> palette{};
  std::optional<TKXQuantizer> quantizer;
  std::vector<png_byte> indexRow;
  if (writer.output == TPngOutput::palette) {
    quantizer.emplace(*image, palette, 256);
    indexRow.resize(size_t(std::max(image->Width(), 1)));
    writer.quantizer = &*quantizer;
    writer.palette = palette.data();
    writer.indexRow = indexRow.data();
  }

  std::vector<uint8_t> indices;
  int32_t indexFirst = 0;
  std::optional<TPngIdatEncoder> encoder;
  if (!params.PNG_Interlaced && image->Width() > 0) {
    TPngRows rows = StoredRows(writer, *image, indices, indexFirst);
    if (TPngIdatEncoder::Worthwhile((rows.rowBytes + 1) * size_t(rows.height))) {
      encoder.emplace(std::move(rows), RowFilter(params.PNG_Filter), std::clamp(params.PNG_Compression, 0, 9));
      writer.encoder = &*encoder;
    }
  }

  TPngWriterCleanup cleanup{writer};
  writer.png = PngCreateWrite(writer.context);
  if (writer.png) writer.info = png_create_info_struct(writer.png);
  if (!writer.info) Fail();
  if (Compress(writer, *image, params, progress) || !writer.failed) return;
  // A stream error is the file's failure, told as the stream tells it.
  if (streamFailure) std::rethrow_exception(streamFailure);
  Fail();
}

}  // namespace kx
