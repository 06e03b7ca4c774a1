// JPEG writing of 24-bit and 1-bit bitmaps in gray, RGB, YCbCr, CMYK or YCCK, baseline or
// progressive. libjpeg takes the blue-green-red rows as they are; only CMYK is converted here,
// one row at a time. A 1-bit picture is expanded to black and white first.
#include <algorithm>
#include <iterator>

#include "imaging/core/bitmap.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/jpeg_codec.h"
#include "imaging/io/jpeg_glue.h"

namespace kx {
namespace {

// The state of one write. Trivially destructible: the setjmp frame below uses it.
struct TJpegWriter {
  jpeg_compress_struct cinfo;
  TJpegErrorMgr err;
  TJpegStreamDest dest;
  bool* abort;
  JSAMPROW cmykRow;  // one row of C, M, Y, K samples, or null
};

struct TJpegWriterCleanup {
  TJpegWriter& writer;
  ~TJpegWriterCleanup() { jpeg_destroy_compress(&writer.cinfo); }
};

// The inverse of the reader's conversion: K is the brightest channel, and 255 means no ink.
void BgrRowToCmyk(const uint8_t* bgr, JSAMPLE* cmyk, JDIMENSION width) {
  for (JDIMENSION x = 0; x < width; ++x, bgr += 3, cmyk += 4) {
    unsigned b = bgr[0], g = bgr[1], r = bgr[2];
    unsigned k = std::max({r, g, b, 1u});
    cmyk[0] = JSAMPLE(r * 255 / k);
    cmyk[1] = JSAMPLE(g * 255 / k);
    cmyk[2] = JSAMPLE(b * 255 / k);
    cmyk[3] = JSAMPLE(k);
  }
}

void SetColorSpace(TJpegWriter& w, TIOJPEGColorspace space) {
  J_COLOR_SPACE target;
  switch (space) {
    case ioJPEG_GRAYLEV:
      target = JCS_GRAYSCALE;
      break;
    case ioJPEG_YCbCr:
      target = JCS_YCbCr;
      break;
    case ioJPEG_CMYK:
      target = JCS_CMYK;
      break;
    case ioJPEG_YCbCrK:
      target = JCS_YCCK;
      break;
    default:
      target = JCS_RGB;
      break;
  }
  bool cmykInput = target == JCS_CMYK || target == JCS_YCCK;
  w.cinfo.in_color_space = cmykInput ? JCS_CMYK : JCS_EXT_BGR;
  w.cinfo.input_components = cmykInput ? 4 : 3;
  jpeg_set_defaults(&w.cinfo);
  jpeg_set_colorspace(&w.cinfo, target);
}

// The progression of a three-component RGB file: the DC of all three, then each component's
// low and high frequencies in two scans, with no refinement passes. The standard progression is
// laid out for luminance and chrominance; for RGB, where every component carries full detail,
// its 14 scans give a file of about the same size (within 2 % either way at quality 60) that
// takes half as long again to encode and a third longer to decode than these 7.
constexpr jpeg_scan_info kRgbProgression[] = {
    {3, {0, 1, 2, 0}, 0, 0, 0, 0},  //
    {1, {0, 0, 0, 0}, 1, 5, 0, 0},  {1, {1, 0, 0, 0}, 1, 5, 0, 0},  {1, {2, 0, 0, 0}, 1, 5, 0, 0},
    {1, {0, 0, 0, 0}, 6, 63, 0, 0}, {1, {1, 0, 0, 0}, 6, 63, 0, 0}, {1, {2, 0, 0, 0}, 6, 63, 0, 0},
};

void SetProgression(jpeg_compress_struct& cinfo) {
  if (cinfo.jpeg_color_space == JCS_RGB && cinfo.num_components == 3) {
    cinfo.scan_info = kRgbProgression;
    cinfo.num_scans = int(std::size(kRgbProgression));
  } else {
    jpeg_simple_progression(&cinfo);
  }
}

UINT16 Density(int32_t dpi) { return UINT16(std::clamp(dpi, 0, 65535)); }

// Compresses the 24-bit `bitmap`; false when an error or the caller stopped it.
// Holds no objects with destructors (setjmp frame).
bool Compress(TJpegWriter& w, TStream& stream, TBitmap& bitmap, const TIOParamsVals& params, TProgressRec& progress) {
  if (setjmp(w.err.jump)) return false;
  w.cinfo.err = JpegInitErrorMgr(w.err, w.abort);
  jpeg_create_compress(&w.cinfo);
  if (*w.abort) return false;
  JpegStreamDest(&w.cinfo, w.dest, stream);

  w.cinfo.image_width = JDIMENSION(bitmap.Width());
  w.cinfo.image_height = JDIMENSION(bitmap.Height());
  SetColorSpace(w, params.JPEG_ColorSpace);
  w.cinfo.density_unit = 1;
  w.cinfo.X_density = Density(params.DpiX);
  w.cinfo.Y_density = Density(params.DpiY);
  w.cinfo.dct_method = JpegDctMethod(params.JPEG_DCTMethod);
  w.cinfo.optimize_coding = params.JPEG_OptimalHuffman;
  w.cinfo.smoothing_factor = std::clamp(params.JPEG_Smoothing, 0, 100);
  jpeg_set_quality(&w.cinfo, params.JPEG_Quality, TRUE);
  if (params.JPEG_Progressive) SetProgression(w.cinfo);
  jpeg_start_compress(&w.cinfo, TRUE);

  const JDIMENSION width = w.cinfo.image_width;
  const JDIMENSION height = w.cinfo.image_height;
  if (w.cinfo.in_color_space == JCS_CMYK)
    w.cmykRow = (*w.cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&w.cinfo), JPOOL_IMAGE, width * 4, 1)[0];
  uint8_t* const top = bitmap.ScanLine(0);
  const intptr_t stride = bitmap.Stride();
  progress.val = 0;
  progress.SetUnits(height);
  for (JDIMENSION y = 0; y < height; ++y) {
    JSAMPROW row = top + intptr_t(y) * stride;
    if (w.cmykRow) {
      BgrRowToCmyk(row, w.cmykRow, width);
      row = w.cmykRow;
    }
    jpeg_write_scanlines(&w.cinfo, &row, 1);
    progress.val += 1;
    progress.Report();
    if (*w.abort) return false;
  }
  jpeg_finish_compress(&w.cinfo);
  return true;
}

// A set bit is white and a clear bit black, whatever the colour table says.
bool ExpandOneBit(const TBitmap& source, TBitmap& out) {
  try {
    out.SetPixelFormat(pf24bit);
    out.SetSize(source.Width(), source.Height());
  } catch (...) {
    return false;
  }
  for (int32_t y = 0; y < source.Height(); ++y) {
    const uint8_t* bits = source.ScanLine(y);
    uint8_t* px = out.ScanLine(y);
    for (int32_t x = 0; x < source.Width(); ++x, px += 3) {
      uint8_t v = (bits[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
      px[0] = px[1] = px[2] = v;
    }
  }
  return true;
}

}  // namespace

void WriteJPegStream(TStream& stream, TBitmap& bitmap, const TIOParamsVals& params, TProgressRec& progress) {
  bool localAbort = false;
  bool* abort = progress.Aborting ? progress.Aborting : &localAbort;
  TBitmap expanded;
  TBitmap* source = &bitmap;
  if (bitmap.PixelFormat() == pf1bit) {
    if (!ExpandOneBit(bitmap, expanded)) {
      *abort = true;
      return;
    }
    source = &expanded;
  } else if (bitmap.PixelFormat() != pf24bit) {
    *abort = true;
    return;
  }
  TJpegWriter writer{};
  writer.abort = abort;
  TJpegWriterCleanup cleanup{writer};
  Compress(writer, stream, *source, params, progress);
}

}  // namespace kx
