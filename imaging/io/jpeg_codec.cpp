// JPEG reading (baseline and progressive; gray, RGB, YCbCr, CMYK and YCCK files; scaled
// decoding at 1/2, 1/4 and 1/8) and the content test. libjpeg delivers blue-green-red rows
// straight into the bitmap, swapping RGB-colour-space files itself; only CMYK is converted
// here, one row at a time. The pixel limit is checked before anything the file's size
// dictates is allocated.
#include "imaging/io/jpeg_codec.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/pixelformat.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/jpeg_glue.h"

namespace kx {
namespace {

// Rows handed to libjpeg per call: at least one full row group of any file.
constexpr int kRowsPerCall = 16;

// The state of one read. It is trivially destructible because the setjmp frames below use
// it, and a longjmp out of libjpeg would skip any destructor.
struct TJpegReader {
  jpeg_decompress_struct cinfo;
  TJpegErrorMgr err;
  TJpegStreamSource src;
  bool* abort;
  bool cmyk;         // CMYK output, converted to blue-green-red by the codec
  JSAMPROW cmykRow;  // one row of C, M, Y, K samples
  JSAMPROW rows[kRowsPerCall];
};

// Destroys the decompressor on every way out of a read, including an exception thrown by a
// progress handler.
struct TJpegReaderCleanup {
  TJpegReader& reader;
  ~TJpegReaderCleanup() {
    JpegStreamSourceDone(reader.src);
    jpeg_destroy_decompress(&reader.cinfo);
  }
};

// The reduction whose result lies closest to `wanted` pixels; the lowest one on ties.
unsigned AutoScaleDenominator(int64_t wanted, int64_t width, int64_t height) {
  if (wanted == 0) return 1;
  int best = 0;
  int64_t bestDistance = std::numeric_limits<int64_t>::max();
  for (int i = 0; i <= 3; ++i) {
    int64_t distance = std::llabs(wanted - (width >> i) * (height >> i));
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return 1u << best;
}

unsigned ScaleDenominator(const TIOParamsVals& params, const jpeg_decompress_struct& cinfo) {
  switch (params.JPEG_Scale) {
    case ioJPEG_HALF:
      return 2;
    case ioJPEG_QUARTER:
      return 4;
    case ioJPEG_EIGHTH:
      return 8;
    case ioJPEG_AUTOCALC:
      return AutoScaleDenominator(int64_t(params.Width) * params.Height, cinfo.image_width, cinfo.image_height);
    default:
      return 1;
  }
}

// Picks the output colour space and records the file's; other colour spaces keep libjpeg's
// default output, which the component check then accepts only with three components.
void MapColorSpace(TJpegReader& r, TIOParamsVals& params) {
  switch (r.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
      params.JPEG_ColorSpace = ioJPEG_GRAYLEV;
      r.cinfo.out_color_space = JCS_EXT_BGR;
      break;
    case JCS_RGB:
      params.JPEG_ColorSpace = ioJPEG_RGB;
      r.cinfo.out_color_space = JCS_EXT_BGR;
      break;
    case JCS_YCbCr:
      params.JPEG_ColorSpace = ioJPEG_YCbCr;
      r.cinfo.out_color_space = JCS_EXT_BGR;
      break;
    case JCS_CMYK:
      params.JPEG_ColorSpace = ioJPEG_CMYK;
      r.cinfo.out_color_space = JCS_CMYK;
      break;
    case JCS_YCCK:
      params.JPEG_ColorSpace = ioJPEG_YCbCrK;
      r.cinfo.out_color_space = JCS_CMYK;
      break;
    default:
      break;
  }
  r.cmyk = r.cinfo.out_color_space == JCS_CMYK;
}

void ReadDensity(const jpeg_decompress_struct& cinfo, TIOParamsVals& params) {
  switch (cinfo.density_unit) {
    case 0:  // no unit: the aspect ratio is reported as it stands
    case 1:
      params.DpiX = cinfo.X_density;
      params.DpiY = cinfo.Y_density;
      break;
    case 2:
      params.DpiX = KXRound(cinfo.X_density * 2.54);
      params.DpiY = KXRound(cinfo.Y_density * 2.54);
      break;
    default:
      break;
  }
}

// Reads the header, fills the parameters and, unless previewing, starts decompression.
// False when the read stops here. Holds no objects with destructors (setjmp frame).
bool StartReading(TJpegReader& r, TStream& stream, TIOParamsVals& params, bool preview) {
  if (setjmp(r.err.jump)) return false;
  r.cinfo.err = JpegInitErrorMgr(r.err, r.abort);
  jpeg_create_decompress(&r.cinfo);
  if (*r.abort) return false;
  JpegStreamSource(&r.cinfo, r.src, stream);
  jpeg_read_header(&r.cinfo, TRUE);

  MapColorSpace(r, params);
  r.cinfo.dct_method = JpegDctMethod(params.JPEG_DCTMethod);
  ReadDensity(r.cinfo, params);
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 3;
  params.FreeColorMap();
  params.JPEG_Progressive = r.cinfo.progressive_mode;
  r.cinfo.scale_num = 1;
  r.cinfo.scale_denom = ScaleDenominator(params, r.cinfo);

  // The output size without starting: starting would decode a whole progressive file.
  jpeg_calc_output_dimensions(&r.cinfo);
  if (r.cinfo.output_components != (r.cmyk ? 4 : 3)) {
    *r.abort = true;
    return false;
  }
  if (!preview) {
    // A progressive file keeps the coefficients of the whole picture, whatever the scale.
    bool allowed = KXPixelsAllowed(r.cinfo.output_width, r.cinfo.output_height) &&
                   (!r.cinfo.progressive_mode || KXPixelsAllowed(r.cinfo.image_width, r.cinfo.image_height));
    if (!allowed) {
      *r.abort = true;
      return false;
    }
    jpeg_start_decompress(&r.cinfo);
    if (r.cmyk) {
      r.cmykRow = (*r.cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&r.cinfo), JPOOL_IMAGE,
                                               r.cinfo.output_width * 4, 1)[0];
    }
  }
  params.Width = int32_t(r.cinfo.output_width);
  params.Height = int32_t(r.cinfo.output_height);
  return true;
}

// Inverted (Adobe-style) CMYK as libjpeg delivers it: 255 means no ink.
void CmykRowToBgr(const JSAMPLE* cmyk, uint8_t* bgr, JDIMENSION width) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    unsigned k = cmyk[3];
    bgr[0] = uint8_t(cmyk[2] * k / 255);
    bgr[1] = uint8_t(cmyk[1] * k / 255);
    bgr[2] = uint8_t(cmyk[0] * k / 255);
  }
}

// Decodes every row into the bitmap, top row first, reporting progress after each call.
// False when an error or the caller stopped it. Holds no objects with destructors (setjmp frame).
bool DecodeRows(TJpegReader& r, TBitmap& bitmap, TProgressRec& progress) {
  if (setjmp(r.err.jump)) return false;
  const JDIMENSION height = r.cinfo.output_height;
  uint8_t* const top = bitmap.ScanLine(0);
  const intptr_t stride = bitmap.Stride();
  progress.val = 0;
  progress.SetUnits(height);
  while (r.cinfo.output_scanline < height) {
    const JDIMENSION first = r.cinfo.output_scanline;
    JDIMENSION got;
    if (r.cmyk) {
      got = jpeg_read_scanlines(&r.cinfo, &r.cmykRow, 1);
      if (got) CmykRowToBgr(r.cmykRow, top + intptr_t(first) * stride, r.cinfo.output_width);
    } else {
      const JDIMENSION count = std::min<JDIMENSION>(kRowsPerCall, height - first);
      for (JDIMENSION i = 0; i < count; ++i) r.rows[i] = top + intptr_t(first + i) * stride;
      got = jpeg_read_scanlines(&r.cinfo, r.rows, count);
    }
    if (got == 0) {  // only a suspending source stalls; ours never does
      *r.abort = true;
      return false;
    }
    progress.val += int32_t(got);
    progress.Report();
    if (*r.abort) return false;
  }
  return true;
}

// Errors after the last row are ignored: the picture is complete. Setjmp frame.
void FinishReading(TJpegReader& r) {
  r.err.abort = nullptr;
  if (setjmp(r.err.jump)) return;
  jpeg_finish_decompress(&r.cinfo);
}

// A 24-bit bitmap of the right size is kept as it is: every row is written, and a fresh block
// would cost zeroing pages the decoder overwrites at once. Otherwise it is sized through 1 x 1,
// so that neither the format change nor the resize converts or copies the old picture.
bool PrepareBitmap(TBitmap& bitmap, JDIMENSION width, JDIMENSION height) {
  try {
    if (bitmap.PixelFormat() == pf24bit && bitmap.Width() == int64_t(width) && bitmap.Height() == int64_t(height) &&
        !bitmap.Empty())
      return true;
    bitmap.SetSize(1, 1);
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(int32_t(width), int32_t(height));
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

bool JpegTryStream(TStream& stream) {
  try {
    const int64_t start = stream.Position();
    uint8_t head[3];
    int64_t got = 0;
    while (got < 3) {
      int64_t n = stream.Read(head + got, 3 - got);
      if (n <= 0) break;
      got += n;
    }
    stream.SetPosition(start);
    return got == 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
  } catch (...) {
    return false;
  }
}

void ReadJPegStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview, TProgressRec& progress) {
  bool localAbort = false;
  bool* abort = progress.Aborting ? progress.Aborting : &localAbort;
  if (!JpegTryStream(stream)) {
    *abort = true;
    return;
  }
  TJpegReader reader{};
  reader.abort = abort;
  TJpegReaderCleanup cleanup{reader};
  if (!StartReading(reader, stream, params, preview) || preview) return;
  if (!PrepareBitmap(bitmap, reader.cinfo.output_width, reader.cinfo.output_height)) {
    *abort = true;
    return;
  }
  if (DecodeRows(reader, bitmap, progress)) {
    FinishReading(reader);
  } else {
    // Rows the decoder never completed are black, whatever the bitmap held before; being
    // bottom-up, they are the first bytes of the block.
    const int64_t rows = int64_t(bitmap.Height()) - int64_t(reader.cinfo.output_scanline);
    if (rows > 0) std::memset(bitmap.Bits(), 0, size_t(rows) * size_t(bitmap.RowLen()));
  }
}

}  // namespace kx
