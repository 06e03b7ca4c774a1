// Netpbm codec of the tool: PBM, PGM and PPM in their text (P1-P3) and binary (P4-P6) forms,
// with comments wherever the header allows blanks and any maxval from 1 to 65535 (two bytes a
// sample above 255), scaled to 8 bits by a table. Sizes are checked against the pixel limit and
// against the bytes the stream still holds before the picture is allocated, so a forged header
// cannot make us allocate much.
#include "tools/kestrix/netpbm.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/pixel_rows.h"
#include "imaging/core/pixelformat.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/proc/pixel_convert.h"
#include "platform/screen.h"

namespace kestrix {
namespace {

using kx::TBitmap;
using kx::TIOParamsVals;
using kx::TProgressRec;
using kx::TRGB;
using kx::TStream;

constexpr int kEnd = -1;

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Buffered bytes over a stream; reading past the end yields kEnd.
class TByteSource {
 public:
  explicit TByteSource(TStream& stream) : fStream(stream), fBuf(64 * 1024) {}

  int Peek() { return Fill() ? fBuf[fPos] : kEnd; }
  int Get() { return Fill() ? fBuf[fPos++] : kEnd; }
  bool Read(uint8_t* out, size_t n) {
    while (n > 0) {
      // Raster batches straight from the stream once the buffered bytes are used up: copying
      // the raster through this buffer would cost as much as the rest of reading the file.
      if (fPos == fLen && n >= kDirectRead) return fStream.Read(out, int64_t(n)) == int64_t(n);
      if (!Fill()) return false;
      size_t take = std::min(n, fLen - fPos);
      std::copy_n(fBuf.data() + fPos, take, out);
      fPos += take;
      out += take;
      n -= take;
    }
    return true;
  }
  // Bytes still to come, buffered or in the stream.
  int64_t Remaining() { return int64_t(fLen - fPos) + fStream.Remaining(); }

 private:
  bool Fill() {
    if (fPos < fLen) return true;
    int64_t n = fStream.Read(fBuf.data(), int64_t(fBuf.size()));
    fPos = 0;
    fLen = n > 0 ? size_t(n) : 0;
    return fLen > 0;
  }

  static constexpr size_t kDirectRead = 4096;

  TStream& fStream;
  std::vector<uint8_t> fBuf;
  size_t fPos = 0;
  size_t fLen = 0;
};

// Skips a comment whose '#' was read: up to and including the end of its line. False at the
// end of the data.
bool SkipComment(TByteSource& src) {
  for (int c = src.Get(); c != '\n' && c != '\r'; c = src.Get())
    if (c == kEnd) return false;
  return true;
}

// The first byte after blanks and comments, consumed.
int NextToken(TByteSource& src) {
  for (;;) {
    const int c = src.Get();
    if (c == '#') {
      if (!SkipComment(src)) return kEnd;
    } else if (!IsSpace(c)) {
      return c;
    }
  }
}

// A header token: blanks and comments, then decimal digits ended by one blank, which is
// consumed (after the last token it is the one blank before a binary raster), or by a comment,
// whose line end is that blank. Values above `bound` are refused.
bool ReadNumber(TByteSource& src, int64_t bound, int64_t& out) {
  int c = NextToken(src);
  if (c < '0' || c > '9') return false;
  int64_t v = 0;
  for (; c >= '0' && c <= '9'; c = src.Get()) {
    v = v * 10 + (c - '0');
    if (v > bound) return false;
  }
  out = v;
  return IsSpace(c) || (c == '#' && SkipComment(src));
}

// A raster value of the text forms: blanks, then digits up to `maxval`.
bool ReadSample(TByteSource& src, int32_t maxval, int32_t& out) {
  int c;
  while (IsSpace(c = src.Peek())) src.Get();
  if (c < '0' || c > '9') return false;
  int32_t v = 0;
  while ((c = src.Peek()) >= '0' && c <= '9') {
    v = v * 10 + (c - '0');
    if (v > maxval) return false;
    src.Get();
  }
  out = v;
  return c == kEnd || IsSpace(c);
}

// A P1 pixel: blanks, then one digit (digits need not be separated).
bool ReadBit(TByteSource& src, bool& black) {
  int c;
  while (IsSpace(c = src.Get())) {
  }
  if (c != '0' && c != '1') return false;
  black = c == '1';
  return true;
}

struct THeader {
  int kind = 0;  // 1..6
  int64_t width = 0;
  int64_t height = 0;
  int32_t maxval = 1;
  bool Bilevel() const { return kind == 1 || kind == 4; }
  bool Color() const { return kind == 3 || kind == 6; }
  bool Binary() const { return kind >= 4; }
  // Bytes of one binary sample: two above maxval 255, most significant first.
  int SampleBytes() const { return maxval > 255 ? 2 : 1; }
};

bool ReadHeader(TByteSource& src, THeader& h) {
  if (src.Get() != 'P') return false;
  int k = src.Get() - '0';
  if (k < 1 || k > 6 || !IsSpace(src.Peek())) return false;
  h.kind = k;
  // Sides above the pixel limit are refused below; this bound only keeps the digits finite.
  constexpr int64_t kSideBound = int64_t(1) << 31;
  int64_t maxval = 1;
  if (!ReadNumber(src, kSideBound, h.width) || !ReadNumber(src, kSideBound, h.height)) return false;
  if (!h.Bilevel() && !ReadNumber(src, 65535, maxval)) return false;
  h.maxval = int32_t(maxval);
  return maxval >= 1;
}

// The fewest bytes a raster of this header can take.
int64_t MinimumRaster(const THeader& h) {
  int64_t samples = h.width * h.height * (h.Color() ? 3 : 1);
  if (h.kind == 4) return int64_t(kx::OneBitRowBytes(h.width)) * h.height;
  if (h.Binary()) return samples * h.SampleBytes();
  // A text value is a digit and, except between P1 digits, a blank; the last one may end the file.
  return h.kind == 1 ? samples : samples * 2 - 1;
}

bool ReadBilevelRow(TByteSource& src, const THeader& h, uint8_t* row) {
  const size_t bytes = kx::OneBitRowBytes(h.width);
  if (h.kind == 4) {
    if (!src.Read(row, bytes)) return false;
    for (size_t i = 0; i < bytes; ++i) row[i] = uint8_t(~row[i]);
  } else {
    std::fill_n(row, bytes, uint8_t(0));
    for (int64_t x = 0; x < h.width; ++x) {
      bool black;
      if (!ReadBit(src, black)) return false;
      if (!black) row[x >> 3] |= uint8_t(0x80 >> (x & 7));
    }
  }
  // Bits past the last pixel stay clear, so equal pictures have equal rows.
  if (int tail = int(h.width & 7)) row[bytes - 1] &= uint8_t(0xFF00 >> tail);
  return true;
}

// Puts one row of file samples (RGB, or gray) into a 24-bit bitmap row.
void SpreadSamples(const THeader& h, const uint8_t* samples, uint8_t* row) {
  const int32_t width = int32_t(h.width);
  if (h.Color()) {
    kx::_CopyBGR_RGB(reinterpret_cast<TRGB*>(row), reinterpret_cast<const TRGB*>(samples), width);
  } else {
    for (int32_t x = 0; x < width; ++x, row += 3) row[0] = row[1] = row[2] = samples[x];
  }
}

// Samples 0..maxval to 0..255, rounded: one table entry per value the file may hold.
std::vector<uint8_t> ScaleTable(int32_t maxval) {
  std::vector<uint8_t> table(size_t(maxval) + 1);
  for (int32_t v = 0; v <= maxval; ++v) table[size_t(v)] = uint8_t((int64_t(v) * 255 + maxval / 2) / maxval);
  return table;
}

bool ReadTextSamples(TByteSource& src, const THeader& h, const std::vector<uint8_t>& scale, size_t count,
                     uint8_t* samples) {
  for (size_t i = 0; i < count; ++i) {
    int32_t v;
    if (!ReadSample(src, h.maxval, v)) return false;
    samples[i] = scale[size_t(v)];
  }
  return true;
}

// Binary samples read as they are stored, in place to 8 bits: `count` samples of
// h.SampleBytes() bytes each.
void ScaleBinarySamples(const THeader& h, const std::vector<uint8_t>& scale, size_t count, uint8_t* samples) {
  if (h.maxval == 255) return;
  if (h.SampleBytes() == 1) {
    for (size_t i = 0; i < count; ++i) samples[i] = scale[samples[i]];
    return;
  }
  // A value above maxval is out of the format; it is read as maxval.
  const size_t top = size_t(h.maxval);
  for (size_t i = 0; i < count; ++i)
    samples[i] = scale[std::min(top, size_t(samples[2 * i]) << 8 | samples[2 * i + 1])];
}

// Binary samples come a batch of rows per read, straight from the stream (reads that large pass
// every buffer by), and are spread into the bitmap's rows from there: one pass over the pixels.
// A batch is the fewest rows that reach kBatchBytes, the size from which file streams transfer
// directly; more would only add fresh pages to fault in.
constexpr size_t kBatchBytes = 64 * 1024;

int32_t RowsPerBatch(size_t rowBytes) {
  rowBytes = std::max<size_t>(1, rowBytes);
  return int32_t(std::min<size_t>(size_t(INT32_MAX), (kBatchBytes + rowBytes - 1) / rowBytes));
}

bool ReadRaster(TByteSource& src, const THeader& h, TBitmap& bitmap, TProgressRec& progress) {
  const int32_t height = int32_t(h.height);
  const size_t rowSamples = size_t(h.width) * (h.Color() ? 3 : 1);
  const bool binarySamples = h.Binary() && !h.Bilevel();
  const size_t rowBytes = rowSamples * size_t(binarySamples ? h.SampleBytes() : 1);
  const int32_t batch = binarySamples ? RowsPerBatch(rowBytes) : 1;
  std::vector<uint8_t> samples(h.Bilevel() ? 0 : rowBytes * size_t(batch));
  const std::vector<uint8_t> scale = h.Bilevel() ? std::vector<uint8_t>() : ScaleTable(h.maxval);
  for (int32_t y = 0; y < height && !progress.Aborted(); y += batch) {
    const int32_t rows = std::min(batch, height - y);
    if (h.Bilevel()) {
      if (!ReadBilevelRow(src, h, bitmap.ScanLine(y))) return false;
    } else {
      if (binarySamples ? !src.Read(samples.data(), rowBytes * size_t(rows))
                        : !ReadTextSamples(src, h, scale, rowSamples, samples.data()))
        return false;
      if (binarySamples) ScaleBinarySamples(h, scale, rowSamples * size_t(rows), samples.data());
      for (int32_t i = 0; i < rows; ++i)
        SpreadSamples(h, samples.data() + size_t(i) * rowSamples, bitmap.ScanLine(y + i));
    }
    progress.val = y + rows;
    progress.Report();
  }
  return true;
}

uint8_t Gray(TRGB c) { return uint8_t((299 * c.r + 587 * c.g + 114 * c.b + 500) / 1000); }

// A Netpbm set bit is black whatever order the picture's two palette entries have.
void WriteBilevel(TStream& stream, const TBitmap& bitmap, TProgressRec& progress) {
  const std::vector<TRGB>& pal = bitmap.Palette();
  auto isBlack = [&](size_t i) { return i < pal.size() ? Gray(pal[i]) < 128 : i == 0; };
  const bool black0 = isBlack(0), black1 = isBlack(1);
  const size_t bytes = size_t((int64_t(bitmap.Width()) + 7) / 8);
  std::vector<uint8_t> out(bytes);
  for (int32_t y = 0; y < bitmap.Height() && !progress.Aborted(); ++y) {
    const uint8_t* row = bitmap.ScanLine(y);
    for (size_t i = 0; i < bytes; ++i) {
      uint8_t set = row[i];
      out[i] = uint8_t((black1 ? set : 0) | (black0 ? ~set : 0));
    }
    if (int tail = bitmap.Width() & 7) out[bytes - 1] &= uint8_t(0xFF00 >> tail);
    stream.WriteBuffer(out.data(), int64_t(bytes));
    progress.val = y + 1;
    progress.Report();
  }
}

// Rows go out a batch at a time, so each write is large enough to pass the stream's buffer by.
void WriteSamples(TStream& stream, TBitmap& bitmap, bool gray, TProgressRec& progress) {
  kx::TPixelRowCodec codec(bitmap.PixelFormat(), bitmap.Palette());
  const int32_t width = bitmap.Width(), height = bitmap.Height();
  // A 24-bit row needs no decoding into pixels first.
  const bool direct = bitmap.PixelFormat() == kx::pf24bit;
  std::vector<TRGB> decoded(direct ? 0 : size_t(width));
  const size_t rowBytes = size_t(width) * (gray ? 1 : 3);
  const int32_t batch = RowsPerBatch(rowBytes);
  std::vector<uint8_t> out(rowBytes * size_t(batch));
  for (int32_t y = 0; y < height && !progress.Aborted(); y += batch) {
    const int32_t rows = std::min(batch, height - y);
    for (int32_t i = 0; i < rows; ++i) {
      const TRGB* pixels = reinterpret_cast<const TRGB*>(bitmap.ScanLine(y + i));
      if (!direct) {
        codec.Decode(bitmap.ScanLine(y + i), decoded.data(), width);
        pixels = decoded.data();
      }
      uint8_t* o = out.data() + size_t(i) * rowBytes;
      if (gray) {
        for (int32_t x = 0; x < width; ++x) o[x] = Gray(pixels[x]);
      } else {
        kx::_CopyBGR_RGB(reinterpret_cast<TRGB*>(o), pixels, width);
      }
    }
    stream.WriteBuffer(out.data(), int64_t(rowBytes * size_t(rows)));
    progress.val = y + rows;
    progress.Report();
  }
}

void WriteNetpbm(TStream& stream, TBitmap& bitmap, bool gray, TProgressRec& progress) {
  if (bitmap.Empty()) {
    progress.Abort();
    return;
  }
  const bool bilevel = bitmap.PixelFormat() == kx::pf1bit;
  const char* magic = bilevel ? "P4" : gray ? "P5" : "P6";
  std::string header = std::string(magic) + "\n" + std::to_string(bitmap.Width()) + " " +
                       std::to_string(bitmap.Height()) + "\n" + (bilevel ? "" : "255\n");
  stream.WriteBuffer(header.data(), int64_t(header.size()));
  progress.SetUnits(bitmap.Height());
  if (bilevel) {
    WriteBilevel(stream, bitmap, progress);
  } else {
    WriteSamples(stream, bitmap, gray, progress);
  }
}

}  // namespace

void ReadNetpbmStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview, TProgressRec& progress) {
  TByteSource src(stream);
  THeader h;
  if (!ReadHeader(src, h)) {
    progress.Abort();
    return;
  }
  if (!kx::KXPixelsAllowed(h.width, h.height)) {
    progress.Abort(kx::KXPixelsRefusal(h.width, h.height));
    return;
  }
  params.Width = int32_t(h.width);
  params.Height = int32_t(h.height);
  params.BitsPerSample = h.Bilevel() ? 1 : 8;
  params.SamplesPerPixel = h.Color() ? 3 : 1;
  // The format has no resolution field.
  params.DpiX = kx::gSystemDPIX;
  params.DpiY = kx::gSystemDPIY;
  params.FreeColorMap();
  if (preview) return;
  if (src.Remaining() < MinimumRaster(h)) {
    progress.Abort("the file ends before its pixels do");
    return;
  }

  const kx::TPixelFormat pf = h.Bilevel() ? kx::pf1bit : kx::pf24bit;
  bitmap.SetSize(0, 0);
  bitmap.SetPixelFormat(pf);
  bitmap.SetPalette(kx::DefaultPalette(pf));
  bitmap.SetSize(int32_t(h.width), int32_t(h.height));
  progress.SetUnits(double(h.height));
  if (!ReadRaster(src, h, bitmap, progress)) progress.Abort();
}

void WritePNMStream(TStream& stream, TBitmap& bitmap, const TIOParamsVals&, TProgressRec& progress) {
  WriteNetpbm(stream, bitmap, false, progress);
}

void WritePGMStream(TStream& stream, TBitmap& bitmap, const TIOParamsVals&, TProgressRec& progress) {
  WriteNetpbm(stream, bitmap, true, progress);
}

void WritePBMStream(TStream& stream, TBitmap& bitmap, const TIOParamsVals&, TProgressRec& progress) {
  if (bitmap.PixelFormat() == kx::pf1bit) return WriteNetpbm(stream, bitmap, true, progress);
  TRGB darker, lighter;
  kx::TProgressRec quiet = kx::NullProgress();
  std::unique_ptr<TBitmap> bilevel = kx::_OneBitForWriter(bitmap, darker, lighter, quiet);
  if (!bilevel) return progress.Abort();
  // Level 0 is the darker one: black.
  bilevel->SetPalette({TRGB{0, 0, 0}, TRGB{255, 255, 255}});
  WriteNetpbm(stream, *bilevel, true, progress);
}

bool NetpbmTryStream(TStream& stream) {
  uint8_t magic[2] = {};
  int64_t pos = stream.Position();
  int64_t n = stream.Read(magic, 2);
  stream.SetPosition(pos);
  return n == 2 && magic[0] == 'P' && magic[1] >= '1' && magic[1] <= '6';
}

}  // namespace kestrix
