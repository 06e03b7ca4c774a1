// JPEG reading (baseline and progressive; gray, RGB, YCbCr, CMYK and YCCK files; scaled
// decoding at 1/2, 1/4 and 1/8). libjpeg delivers blue-green-red rows straight into the
// bitmap, swapping RGB-colour-space files itself; only CMYK is converted here, one row at a
// time. The pixel limit is checked before anything the file's size dictates is allocated,
// libjpeg's memory and the number of scans are capped, and every stop gets a reason.
#include <jerror.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <string>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/pixelformat.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/jpeg_codec.h"
#include "imaging/io/jpeg_exif.h"
#include "imaging/io/jpeg_glue.h"
#include "imaging/proc/dib_draw.h"

namespace kx {
namespace {

// Rows handed to libjpeg per call: at least one full row group of any file.
constexpr int kRowsPerCall = 16;

// Why a read stopped when libjpeg's own message does not say it.
enum class TJpegStop { libjpeg, pixels, scans, colorSpace };

struct TJpegReader;

// Called by libjpeg before each step of its input and output passes.
struct TJpegMonitor {
  jpeg_progress_mgr pub;
  TJpegReader* reader;
};

// The state of one read. It is trivially destructible because the setjmp frames below use
// it, and a longjmp out of libjpeg would skip any destructor.
struct TJpegReader {
  jpeg_decompress_struct cinfo;
  TJpegErrorMgr err;
  TJpegStreamSource src;
  TJpegMonitor monitor;
  TProgressRec* progress;
  bool* abort;
  std::exception_ptr* handlerFailure;  // what a progress handler threw inside libjpeg
  TJpegStop stop;
  int32_t scanLimit;
  bool coefficientPasses;  // inside jpeg_start_decompress of a multi-scan file
  bool multiScan;          // rows are reported in the second half of the progress
  bool cmyk;               // CMYK output, converted to blue-green-red by the codec
  JSAMPROW cmykRow;        // one row of C, M, Y, K samples
  JSAMPROW rows[kRowsPerCall];
};

[[noreturn]] void StopReading(TJpegReader& r, TJpegStop stop) {
  r.stop = stop;
  if (r.err.abort) *r.err.abort = true;
  longjmp(r.err.jump, 1);
}

// Stops a file with too many scans and, while a multi-scan file's coefficients are gathered
// (which takes most of its time), reports that phase as the first half of the progress and
// stops when the handler asks to. An exception cannot pass through libjpeg: one that the handler
// throws is kept, the read leaves libjpeg and the reader throws it again, as it does for a
// handler called between rows. The abort flag is left alone: the handler may have destroyed
// its owner.
void MonitorProgress(j_common_ptr cinfo) {
  TJpegReader& r = *reinterpret_cast<TJpegMonitor*>(cinfo->progress)->reader;
  if (r.cinfo.input_scan_number > r.scanLimit) StopReading(r, TJpegStop::scans);
  if (!r.coefficientPasses || !r.progress) return;
  const long limit = r.monitor.pub.pass_limit;
  if (limit <= 0) return;
  r.progress->val = int32_t(std::min(r.monitor.pub.pass_counter, limit));
  r.progress->per1 = 50.0 / double(limit);
  try {
    r.progress->Report();
  } catch (...) {
    *r.handlerFailure = std::current_exception();
    longjmp(r.err.jump, 1);
  }
  if (*r.abort) longjmp(r.err.jump, 1);
}

// The reason for a stopped read, in the caller's diagnostics.
void ReportStop(const TJpegReader& r, const TProgressRec& progress) {
  switch (r.stop) {
    case TJpegStop::pixels:
      progress.Abort(KXPixelsRefusal(r.cinfo.image_width, r.cinfo.image_height));
      return;
    case TJpegStop::scans:
      progress.Abort("too many scans: more than " + std::to_string(r.scanLimit));
      return;
    case TJpegStop::colorSpace:
      progress.Abort("JPEG colour space with " + std::to_string(r.cinfo.num_components) +
                     " components is not supported");
      return;
    case TJpegStop::libjpeg:
      break;
  }
  const int code = r.err.pub.msg_code;
  const int marker = r.err.pub.msg_parm.i[0];
  if (code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE || code == JERR_TFILE_CREATE) {
    progress.Abort("out of memory");
  } else if (code == JERR_BAD_PRECISION && r.cinfo.data_precision == 12) {
    progress.Abort("12-bit JPEG is not supported");
  } else if (code == JERR_SOF_UNSUPPORTED && (marker == 0xC3 || marker == 0xCB)) {
    progress.Abort("lossless JPEG is not supported");
  } else if (code == JERR_SOF_UNSUPPORTED && marker != 0xC8 && ((marker >= 0xC5 && marker <= 0xC7) || marker >= 0xCD)) {
    progress.Abort("hierarchical JPEG is not supported");
  } else if (code == JERR_ARITH_NOTIMPL) {
    progress.Abort("arithmetic-coded JPEG is not supported");
  } else if (r.err.message[0] != '\0') {
    progress.Abort(r.err.message);
  } else {
    progress.Abort();
  }
}

// The EXIF orientation of the first APP1 block that has one.
int32_t SavedExifOrientation(const jpeg_decompress_struct& cinfo) {
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
    if (m->marker != JPEG_APP0 + 1) continue;
    const int32_t orientation = JpegExifOrientation({m->data, m->data_length});
    if (orientation) return orientation;
  }
  return 0;
}

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
  r.err.warnings = r.progress;
  jpeg_create_decompress(&r.cinfo);
  if (*r.abort) return false;
  r.cinfo.mem->max_memory_to_use = long(std::min<int64_t>(KXJpegMemoryLimit(), std::numeric_limits<long>::max()));
  r.monitor.pub.progress_monitor = MonitorProgress;
  r.monitor.reader = &r;
  r.cinfo.progress = &r.monitor.pub;
  JpegStreamSource(&r.cinfo, r.src, stream);
  // Only the EXIF blocks are kept; the orientation is all that is read from them.
  jpeg_save_markers(&r.cinfo, JPEG_APP0 + 1, 0xFFFF);
  jpeg_read_header(&r.cinfo, TRUE);
  params.EXIF_Orientation = SavedExifOrientation(r.cinfo);

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
    r.stop = TJpegStop::colorSpace;
    *r.abort = true;
    return false;
  }
  if (!preview) {
    // A progressive file keeps the coefficients of the whole picture, whatever the scale.
    bool allowed = KXPixelsAllowed(r.cinfo.output_width, r.cinfo.output_height) &&
                   (!r.cinfo.progressive_mode || KXPixelsAllowed(r.cinfo.image_width, r.cinfo.image_height));
    if (!allowed) {
      r.stop = TJpegStop::pixels;
      *r.abort = true;
      return false;
    }
    r.multiScan = jpeg_has_multiple_scans(&r.cinfo);
    r.coefficientPasses = r.multiScan;
    if (r.multiScan) r.progress->val = 0;
    jpeg_start_decompress(&r.cinfo);
    r.coefficientPasses = false;
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

// Where decoded rows go: straight into a bitmap, or into a few scratch rows that a fit samples
// after each call, so that a fitted read never holds the whole picture.
struct TRowTarget {
  uint8_t* top;        // row 0 of the bitmap
  intptr_t stride;     // from one bitmap row to the next
  JSAMPARRAY scratch;  // kRowsPerCall rows, with `fit`
  TKXRowFit* fit;      // null: the rows are the bitmap's
  uint8_t* Row(JDIMENSION first, JDIMENSION i) const { return fit ? scratch[i] : top + intptr_t(first + i) * stride; }
};

// Decodes every row, top row first, reporting progress after each call. False when an error or
// the caller stopped it. Holds no objects with destructors (setjmp frame).
bool DecodeRows(TJpegReader& r, const TRowTarget& target, TProgressRec& progress) {
  if (setjmp(r.err.jump)) return false;
  const JDIMENSION height = r.cinfo.output_height;
  const int offset = r.multiScan ? 50 : 0;
  progress.val = 0;
  progress.SetUnits(r.multiScan ? height * 2.0 : height);
  while (r.cinfo.output_scanline < height) {
    const JDIMENSION first = r.cinfo.output_scanline;
    JDIMENSION got;
    if (r.cmyk) {
      got = jpeg_read_scanlines(&r.cinfo, &r.cmykRow, 1);
      if (got) CmykRowToBgr(r.cmykRow, target.Row(first, 0), r.cinfo.output_width);
    } else {
      const JDIMENSION count = std::min<JDIMENSION>(kRowsPerCall, height - first);
      for (JDIMENSION i = 0; i < count; ++i) r.rows[i] = target.Row(first, i);
      got = jpeg_read_scanlines(&r.cinfo, r.rows, count);
    }
    if (got == 0) {  // only a suspending source stalls; ours never does
      *r.abort = true;
      return false;
    }
    if (target.fit)
      for (JDIMENSION i = 0; i < got; ++i) target.fit->AddRow(int32_t(first + i), target.Row(first, i));
    progress.val += int32_t(got);
    progress.Report(offset);
    if (*r.abort) return false;
  }
  return true;
}

// Errors after the last row are ignored: the picture is complete; warnings still count.
// Setjmp frame.
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

// Reads the header and starts decoding; false (with the reason reported) when the file cannot
// be read. `reader` must outlive the decoding.
bool BeginRead(TJpegReader& reader, std::exception_ptr& handlerFailure, TStream& stream, TIOParamsVals& params,
               bool preview, TProgressRec& progress, bool* abort) {
  if (!JpegTryStream(stream)) {
    *abort = true;
    progress.Abort("not a JPEG file");
    return false;
  }
  reader.abort = abort;
  reader.progress = &progress;
  reader.handlerFailure = &handlerFailure;
  reader.scanLimit = KXJpegScanLimit();
  params.EXIF_Orientation = 0;
  if (StartReading(reader, stream, params, preview)) return true;
  if (handlerFailure) std::rethrow_exception(handlerFailure);
  if (*abort) ReportStop(reader, progress);
  return false;
}

}  // namespace

void ReadJPegStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview, TProgressRec& progress) {
  bool localAbort = false;
  bool* abort = progress.Aborting ? progress.Aborting : &localAbort;
  TJpegReader reader{};
  std::exception_ptr handlerFailure;
  TJpegReaderCleanup cleanup{reader};
  if (!BeginRead(reader, handlerFailure, stream, params, preview, progress, abort) || preview) return;
  if (!PrepareBitmap(bitmap, reader.cinfo.output_width, reader.cinfo.output_height)) {
    progress.Abort("out of memory");
    return;
  }
  if (DecodeRows(reader, {bitmap.ScanLine(0), bitmap.Stride(), nullptr, nullptr}, progress)) {
    FinishReading(reader);
  } else {
    if (*abort) ReportStop(reader, progress);
    // Rows the decoder never completed are black, whatever the bitmap held before; being
    // bottom-up, they are the first bytes of the block.
    const int64_t rows = int64_t(bitmap.Height()) - int64_t(reader.cinfo.output_scanline);
    if (rows > 0) std::memset(bitmap.Bits(), 0, size_t(rows) * size_t(bitmap.RowLen()));
  }
}

void ReadJPegStreamFitted(TStream& stream, TBitmap& fitted, TIOParamsVals& params, const TKXChooseFit& choose,
                          TProgressRec& progress) {
  bool localAbort = false;
  bool* abort = progress.Aborting ? progress.Aborting : &localAbort;
  TJpegReader reader{};
  std::exception_ptr handlerFailure;
  TJpegReaderCleanup cleanup{reader};
  if (!BeginRead(reader, handlerFailure, stream, params, false, progress, abort)) return;
  const TKXFittedSize size = choose(int32_t(reader.cinfo.output_width), int32_t(reader.cinfo.output_height));
  if (!PrepareBitmap(fitted, JDIMENSION(std::max(size.Width, 1)), JDIMENSION(std::max(size.Height, 1)))) {
    progress.Abort("out of memory");
    return;
  }
  TKXRowFit fit(int32_t(reader.cinfo.output_width), int32_t(reader.cinfo.output_height), fitted);
  // The scratch rows belong to libjpeg's pool, so they go with the decompressor on every way out.
  const JDIMENSION rowBytes = reader.cinfo.output_width * 3;
  JSAMPARRAY scratch = (*reader.cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&reader.cinfo), JPOOL_IMAGE,
                                                         rowBytes, kRowsPerCall);
  if (DecodeRows(reader, {nullptr, 0, scratch, &fit}, progress)) {
    FinishReading(reader);
  } else {
    if (*abort) ReportStop(reader, progress);
    fit.ClearRest();
  }
}

}  // namespace kx
