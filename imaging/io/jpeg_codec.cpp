// The JPEG content test and the limits every JPEG read obeys.
#include "imaging/io/jpeg_codec.h"

#include <algorithm>
#include <atomic>

#include "imaging/core/limits.h"
#include "imaging/core/stream.h"

namespace kx {
namespace {

std::atomic<int32_t> gScanLimit{kDefaultJpegScanLimit};

}  // namespace

int32_t KXJpegScanLimit() { return gScanLimit.load(std::memory_order_relaxed); }

void KXSetJpegScanLimit(int32_t scans) { gScanLimit.store(std::max(scans, 1), std::memory_order_relaxed); }

int64_t KXJpegMemoryLimit() {
  int64_t bytes;
  return KXCheckedMul(KXPixelLimit(), 16, bytes) ? bytes : INT64_MAX;
}

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

}  // namespace kx
