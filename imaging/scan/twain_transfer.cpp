// Memory and native transfers, the strip copy and single- and multi-image acquisition.
#include "imaging/scan/twain_transfer.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <span>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/io/ioparams.h"
#include "imaging/proc/dib.h"
#include "imaging/scan/twain_caps.h"
#include "imaging/scan/twain_exchange.h"

namespace kx {

namespace {

// A source that names no buffer size gets one that holds a few rows of any sane scan; one that
// asks for gigabytes gets less, as a strip of any size is valid.
constexpr size_t kDefaultBufferSize = size_t(64) << 10;
constexpr size_t kMaxBufferSize = size_t(16) << 20;
// A source that keeps answering success with empty strips is taken as broken.
constexpr int kMaxEmptyStrips = 1000;

enum class TOutcome { Done, Cancelled, Failed, Aborted };

class TBlockOwner {
 public:
  explicit TBlockOwner(TW_HANDLE handle) : fHandle(handle) {}
  ~TBlockOwner() { KXTWFree(fHandle); }
  TBlockOwner(const TBlockOwner&) = delete;
  TBlockOwner& operator=(const TBlockOwner&) = delete;
  TW_HANDLE Handle() const { return fHandle; }

 private:
  TW_HANDLE fHandle;
};

// The locked bytes of a block for one scope.
class TBlockLock {
 public:
  explicit TBlockLock(TW_HANDLE handle)
      : fHandle(handle), fBytes(static_cast<const uint8_t*>(KXTWLock(handle))), fSize(KXTWBlockSize(handle)) {}
  ~TBlockLock() { KXTWUnlock(fHandle); }
  TBlockLock(const TBlockLock&) = delete;
  TBlockLock& operator=(const TBlockLock&) = delete;
  const uint8_t* Bytes() const { return fBytes; }
  size_t Size() const { return fBytes ? fSize : 0; }

 private:
  TW_HANDLE fHandle;
  const uint8_t* fBytes;
  size_t fSize;
};

size_t BufferSize(const TW_SETUPMEMXFER& setup) {
  size_t size = setup.Preferred;
  if (size == 0 || setup.Preferred == TWON_DONTCARE32) size = kDefaultBufferSize;
  if (setup.MinBufSize != TWON_DONTCARE32 && size < setup.MinBufSize) size = setup.MinBufSize;
  return std::min(size, kMaxBufferSize);
}

// Resizes without letting an allocation failure escape: the transfer fails instead.
bool Resize(TBitmap& bitmap, int64_t width, int64_t height) {
  if (!KXPixelsAllowed(width, std::max<int64_t>(height, 1))) return false;
  try {
    bitmap.SetSize(int32_t(width), int32_t(height));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void Report(const TKXTWContext& ctx, const TW_IMAGEMEMXFER& strip) {
  const TProgressRec* progress = ctx.Progress;
  if (!progress || !progress->fOnProgress.Assigned()) return;
  const double done = (double(strip.YOffset) + double(strip.Rows)) * progress->per1;
  progress->fOnProgress(progress->Sender, int(std::clamp(std::trunc(done), 0.0, 100.0)));
}

bool Aborted(const TKXTWContext& ctx) { return ctx.Progress && ctx.Progress->Aborted(); }

// Places one strip, first growing a picture of unknown length to hold it. `received` is the
// number of rows from the top that strips have reached.
bool PlaceStrip(TBitmap& bitmap, int32_t bitsPerPixel, bool knownLength, const TW_IMAGEMEMXFER& strip,
                const TBlockLock& buffer, int64_t& received) {
  const int64_t end = int64_t(strip.YOffset) + int64_t(strip.Rows);
  const bool placesRows = strip.Rows > 0 && strip.Columns > 0;
  if (!knownLength && placesRows && end > bitmap.Height()) {
    if (end > INT32_MAX) return false;
    // Doubling keeps the copies of a growing picture linear in its size.
    int64_t height = std::max<int64_t>(end, std::min<int64_t>(int64_t(bitmap.Height()) * 2, INT32_MAX));
    if (!KXPixelsAllowed(bitmap.Width(), height)) height = end;
    if (!Resize(bitmap, bitmap.Width(), height)) return false;
  }
  if (!KXTWCopyStrip(bitmap, bitsPerPixel, strip, buffer.Bytes(), buffer.Size())) return false;
  if (placesRows) received = std::max(received, end);
  return true;
}

TOutcome MemoryTransfer(TKXTWContext& ctx, const TW_IMAGEINFO& info, TBitmap& bitmap) {
  const int32_t bitsPerPixel = info.BitsPerPixel;
  if (!KXTWMemoryDepthCopied(bitsPerPixel) || info.Compression != TWCP_NONE ||
      (info.Planar && info.SamplesPerPixel > 1)) {
    return TOutcome::Failed;
  }
  const bool knownLength = info.ImageLength > 0;
  if (info.ImageWidth <= 0) return TOutcome::Failed;
  bitmap.SetPixelFormat(bitsPerPixel == 1 ? pf1bit : pf24bit);
  if (!Resize(bitmap, info.ImageWidth, knownLength ? info.ImageLength : 0)) return TOutcome::Failed;

  TW_SETUPMEMXFER setup{};
  ctx.CallSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
  const size_t size = BufferSize(setup);
  TBlockOwner buffer(KXTWAlloc(size));
  if (!buffer.Handle()) return TOutcome::Failed;
  if (ctx.Progress) ctx.Progress->SetUnits(knownLength ? info.ImageLength : 0);

  int64_t received = 0;
  int emptyStrips = 0;
  for (;;) {
    TW_IMAGEMEMXFER strip{};
    strip.Compression = TWON_DONTCARE16;
    strip.BytesPerRow = strip.Columns = strip.Rows = TWON_DONTCARE32;
    strip.XOffset = strip.YOffset = strip.BytesWritten = TWON_DONTCARE32;
    strip.Memory.Flags = TWMF_APPOWNS | TWMF_HANDLE;
    strip.Memory.Length = TW_UINT32(size);
    strip.Memory.TheMem = buffer.Handle();
    ctx.CallSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
    const TW_UINT16 rc = ctx.LastRC;
    if (rc == TWRC_CANCEL) {
      ctx.State = 7;
      return TOutcome::Cancelled;
    }
    // A failure before the first strip leaves the source in state 6, after one in state 7. Other
    // answers are not defined for this call; waiting for a defined one could last forever.
    if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) return TOutcome::Failed;
    ctx.State = 7;
    bool placed;
    {
      const TBlockLock bytes(buffer.Handle());
      placed = PlaceStrip(bitmap, bitsPerPixel, knownLength, strip, bytes, received);
    }
    if (!placed) return TOutcome::Failed;
    Report(ctx, strip);
    if (rc == TWRC_XFERDONE) {
      if (knownLength) return TOutcome::Done;
      if (received == 0 || !Resize(bitmap, bitmap.Width(), received)) return TOutcome::Failed;
      return TOutcome::Done;
    }
    if (Aborted(ctx)) return TOutcome::Aborted;
    emptyStrips = strip.Rows == 0 ? emptyStrips + 1 : 0;
    if (emptyStrips > kMaxEmptyStrips) return TOutcome::Failed;
  }
}

TOutcome NativeTransfer(TKXTWContext& ctx, TBitmap& bitmap) {
  TW_HANDLE handle = nullptr;
  ctx.CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
  const TBlockOwner dib(handle);
  switch (ctx.LastRC) {
    case TWRC_XFERDONE: {
      ctx.State = 7;
      const TBlockLock bytes(handle);
      return KXTWCopyNativeImage(bytes.Bytes(), bytes.Size(), bitmap) ? TOutcome::Done : TOutcome::Failed;
    }
    case TWRC_CANCEL:
      ctx.State = 7;
      return TOutcome::Cancelled;
    default:
      ctx.State = 6;
      return TOutcome::Failed;
  }
}

TOutcome TransferImage(TKXTWContext& ctx, const TW_IMAGEINFO& info, TBitmap& bitmap) {
  return ctx.UseMemoryTransfer ? MemoryTransfer(ctx, info, bitmap) : NativeTransfer(ctx, bitmap);
}

// What a transfer that did not complete leaves to do: without the source's dialog nobody could
// try again, so the source is disabled; an abort is the application's own wish to stop.
void Settle(TKXTWContext& ctx, TOutcome outcome) {
  if (outcome == TOutcome::Failed) ctx.Failure = "the scanner's transfer failed";
  if (outcome == TOutcome::Aborted || ((outcome == TOutcome::Cancelled || outcome == TOutcome::Failed) && ctx.NoUI)) {
    ctx.DisableAfterTransfer = true;
  }
}

}  // namespace

bool KXTWMemoryDepthCopied(int32_t bitsPerPixel) {
  return bitsPerPixel == 1 || bitsPerPixel == 8 || bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 48;
}

bool KXTWCopyStrip(TBitmap& bitmap, int32_t bitsPerPixel, const TW_IMAGEMEMXFER& strip, const uint8_t* data,
                   size_t length) {
  if (!KXTWMemoryDepthCopied(bitsPerPixel)) return false;
  if (bitmap.PixelFormat() != (bitsPerPixel == 1 ? pf1bit : pf24bit)) return false;
  const uint64_t bytesPerRow = strip.BytesPerRow;
  if (uint64_t(strip.Rows) * bytesPerRow > length) return false;
  const int64_t width = bitmap.Width();
  const int64_t height = bitmap.Height();
  if (strip.Rows == 0 || strip.XOffset >= width || strip.YOffset >= height) return true;
  if (!data) return false;
  const int64_t x0 = strip.XOffset;
  const int64_t y0 = strip.YOffset;
  const int64_t columns =
      std::min<int64_t>({int64_t(strip.Columns), int64_t(bytesPerRow * 8 / uint64_t(bitsPerPixel)), width - x0});
  const int64_t rows = std::min<int64_t>(strip.Rows, height - y0);
  for (int64_t r = 0; r < rows; ++r) {
    const uint8_t* source = data + size_t(r) * size_t(bytesPerRow);
    uint8_t* row = bitmap.ScanLine(int32_t(y0 + r));
    if (bitsPerPixel == 1) {
      _CopyBits(row, source, x0, columns, 0);
      continue;
    }
    uint8_t* pixel = row + x0 * 3;
    for (int64_t c = 0; c < columns; ++c, pixel += 3) {
      switch (bitsPerPixel) {
        case 8:
          pixel[0] = pixel[1] = pixel[2] = source[c];
          break;
        case 16:
          pixel[0] = pixel[1] = pixel[2] = source[c * 2 + 1];
          break;
        case 24:
          pixel[0] = source[c * 3 + 2];
          pixel[1] = source[c * 3 + 1];
          pixel[2] = source[c * 3];
          break;
        default:  // 48
          pixel[0] = source[c * 6 + 5];
          pixel[1] = source[c * 6 + 3];
          pixel[2] = source[c * 6 + 1];
          break;
      }
    }
  }
  return true;
}

bool KXTWCopyNativeImage(const uint8_t* dib, size_t size, TBitmap& bitmap) {
  if (!dib || size == 0) return false;
  TBitmap image;
  if (_CopyDIB2Bitmap(std::span<const uint8_t>(dib, size), image) == 0) return false;
  if (image.PixelFormat() != pf1bit && image.PixelFormat() != pf24bit) image.SetPixelFormat(pf24bit);
  bitmap.Swap(image);
  return true;
}

void KXTWDescribeImage(const TW_IMAGEINFO& info, int32_t width, int32_t height, TIOParamsVals& params) {
  const int32_t bitsPerPixel = info.BitsPerPixel;
  if (bitsPerPixel >= 1 && bitsPerPixel <= 8) {
    params.BitsPerSample = bitsPerPixel;
    params.SamplesPerPixel = 1;
  } else if (bitsPerPixel == 16) {
    params.BitsPerSample = 8;
    params.SamplesPerPixel = 1;
  } else if (bitsPerPixel == 24 || bitsPerPixel == 48) {
    params.BitsPerSample = 8;
    params.SamplesPerPixel = 3;
  }
  params.DpiX = int32_t(std::nearbyint(KXTWFromFix32(info.XResolution)));
  params.DpiY = int32_t(std::nearbyint(KXTWFromFix32(info.YResolution)));
  params.Width = width;
  params.Height = height;
  params.FreeColorMap();
}

void KXTWTransferSingle(TKXTWContext& ctx) {
  TOutcome outcome = TOutcome::Failed;
  TW_IMAGEINFO info{};
  TBitmap scan;
  if (ctx.Bitmap && ctx.CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info)) outcome = TransferImage(ctx, info, scan);
  if (outcome == TOutcome::Done) {
    ctx.Bitmap->Swap(scan);
    if (ctx.IOParams) KXTWDescribeImage(info, ctx.Bitmap->Width(), ctx.Bitmap->Height(), *ctx.IOParams);
    ctx.Done = true;
  }
  ctx.EndTransfer();
  Settle(ctx, outcome);
}

void KXTWTransferMulti(TKXTWContext& ctx) {
  while (ctx.State == 6) {
    if (Aborted(ctx)) {
      ctx.EndTransfer();
      Settle(ctx, TOutcome::Aborted);
      return;
    }
    TW_IMAGEINFO info{};
    TBitmap image;
    const TOutcome outcome =
        ctx.CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) ? TransferImage(ctx, info, image) : TOutcome::Failed;
    if (outcome != TOutcome::Done) {
      // A page that did not arrive whole is not handed on, and the batch stops with it: a
      // source that fails once would most likely fail on every further page.
      ctx.EndTransfer();
      Settle(ctx, outcome);
      return;
    }
    ctx.MultiCallBack(&image, &ctx.IOParams);
    if (ctx.IOParams) KXTWDescribeImage(info, image.Width(), image.Height(), *ctx.IOParams);
    ctx.Done = true;
    ctx.EndImage();
  }
}

}  // namespace kx
