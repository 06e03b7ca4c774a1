// The transfers: the picture's description, memory strips of whole rows, the native DIB and the
// pages still pending.
#include <algorithm>
#include <cstring>

#include "platform/sane/sane_exchange.h"
#include "platform/sane/sane_scan_settings.h"
#include "platform/sane/twain_containers.h"
#include "platform/source_manager.h"

namespace kx {

TW_UINT16 TSaneExchange::ImageInfo(TW_IMAGEINFO* info) {
  if (fState != stXferReady && fState != stTransferring) return Sequence();
  SANE_Parameters p{};
  if (const SANE_Status status = fDevice->Parameters(p); status != SANE_STATUS_GOOD)
    return Fail(KXSaneCondition(status));
  const int bits = KXSanePageBits(p);
  if (bits == 0) return Fail(TWCC_BADVALUE);
  *info = {};
  const TW_FIX32 dpi = KXToFix32(fScanDpi);
  info->XResolution = info->YResolution = dpi;
  info->ImageWidth = p.pixels_per_line;
  info->ImageLength = fPageRead ? fPage.Lines : p.lines < 0 ? -1 : p.lines;
  info->SamplesPerPixel = bits == 24 ? 3 : 1;
  for (int i = 0; i < info->SamplesPerPixel; ++i) info->BitsPerSample[i] = static_cast<TW_INT16>(bits == 1 ? 1 : 8);
  info->BitsPerPixel = static_cast<TW_INT16>(bits);
  info->PixelType = static_cast<TW_INT16>(bits == 24 ? TWPT_RGB : bits == 8 ? TWPT_GRAY : TWPT_BW);
  return TWRC_SUCCESS;
}

TW_UINT16 TSaneExchange::ReadPage() {
  if (fPageRead) return TWRC_SUCCESS;
  SANE_Parameters p{};
  SANE_Status status = fDevice->Parameters(p);
  if (status == SANE_STATUS_GOOD) status = KXSaneReadPage(*fDevice, p, fPage);
  if (status != SANE_STATUS_GOOD) return Fail(KXSaneCondition(status));
  fPageRead = true;
  fNextRow = 0;
  return TWRC_SUCCESS;
}

TW_UINT16 TSaneExchange::SetupMemXfer(TW_SETUPMEMXFER* setup) {
  if (fState != stXferReady && fState != stTransferring) return Sequence();
  SANE_Parameters p{};
  if (const SANE_Status status = fDevice->Parameters(p); status != SANE_STATUS_GOOD)
    return Fail(KXSaneCondition(status));
  const int bits = KXSanePageBits(p);
  if (bits == 0) return Fail(TWCC_BADVALUE);
  const size_t row = (static_cast<size_t>(p.pixels_per_line) * bits + 7) / 8;
  setup->MinBufSize = static_cast<TW_UINT32>(row);
  setup->MaxBufSize = static_cast<TW_UINT32>(std::max(row, kTWMaxBlockSize / 16));
  setup->Preferred = static_cast<TW_UINT32>(std::max<size_t>(1, kPreferredStrip / row) * row);
  return TWRC_SUCCESS;
}

TW_UINT16 TSaneExchange::MemXfer(TW_IMAGEMEMXFER* xfer) {
  if (fState != stXferReady && fState != stTransferring) return Sequence();
  fState = stTransferring;
  if (const TW_UINT16 rc = ReadPage(); rc != TWRC_SUCCESS) return rc;
  const bool handle = (xfer->Memory.Flags & TWMF_HANDLE) != 0;
  auto* buffer = static_cast<uint8_t*>(handle ? KXTWLock(xfer->Memory.TheMem) : xfer->Memory.TheMem);
  size_t capacity = xfer->Memory.Length;
  if (handle) capacity = std::min(capacity, KXTWBlockSize(xfer->Memory.TheMem));
  const size_t rowBytes = std::max<size_t>(fPage.RowBytes, 1);
  const auto rows = static_cast<int32_t>(std::min<size_t>(capacity / rowBytes, size_t(fPage.Lines - fNextRow)));
  if (!buffer || (rows == 0 && fNextRow < fPage.Lines)) {
    if (handle) KXTWUnlock(xfer->Memory.TheMem);
    return Fail(TWCC_BADVALUE);
  }
  std::memcpy(buffer, fPage.Rows.data() + static_cast<size_t>(fNextRow) * fPage.RowBytes,
              static_cast<size_t>(rows) * fPage.RowBytes);
  if (handle) KXTWUnlock(xfer->Memory.TheMem);
  xfer->Compression = 0;
  xfer->BytesPerRow = static_cast<TW_UINT32>(fPage.RowBytes);
  xfer->Columns = static_cast<TW_UINT32>(fPage.Width);
  xfer->Rows = static_cast<TW_UINT32>(rows);
  xfer->XOffset = 0;
  xfer->YOffset = static_cast<TW_UINT32>(fNextRow);
  xfer->BytesWritten = static_cast<TW_UINT32>(static_cast<size_t>(rows) * fPage.RowBytes);
  fNextRow += rows;
  return fNextRow >= fPage.Lines ? TWRC_XFERDONE : TWRC_SUCCESS;
}

TW_UINT16 TSaneExchange::NativeXfer(TW_HANDLE* handle) {
  if (fState != stXferReady) return Sequence();
  fState = stTransferring;
  if (const TW_UINT16 rc = ReadPage(); rc != TWRC_SUCCESS) return rc;
  const std::vector<uint8_t> dib = KXSanePageToDIB(fPage, fScanDpi);
  TW_HANDLE block = KXTWAlloc(dib.size());
  if (!block) return Fail(TWCC_LOWMEMORY);
  std::memcpy(KXTWLock(block), dib.data(), dib.size());
  KXTWUnlock(block);
  *handle = block;
  return TWRC_XFERDONE;
}

TW_UINT16 TSaneExchange::PendingXfers(TW_UINT16 msg, TW_PENDINGXFERS* pending) {
  if (fState != stXferReady && fState != stTransferring) return Sequence();
  *pending = {};
  if (msg == MSG_RESET) {
    EndBatch();
    return TWRC_SUCCESS;
  }
  if (msg != MSG_ENDXFER) return Fail(TWCC_BADPROTOCOL);
  // A page skipped without a transfer is still read off the device, so the next one follows; a
  // page that cannot be read ends the batch.
  const bool pageDone = ReadPage() == TWRC_SUCCESS;
  fPage = {};
  fPageRead = false;
  // Only a feeder may hold another page, and only the next start can tell.
  if (pageDone && fScanFeeder && fDevice->Start() == SANE_STATUS_GOOD) {
    pending->Count = 0xffff;  // unknown, more than none
    fNextRow = 0;
    fState = stXferReady;
    return TWRC_SUCCESS;
  }
  EndBatch();
  return TWRC_SUCCESS;
}

void TSaneExchange::EndBatch() {
  if (fDevice) fDevice->Cancel();
  fPage = {};
  fPageRead = false;
  fNextRow = 0;
  if (fState > stEnabled) fState = stEnabled;
}

}  // namespace kx
