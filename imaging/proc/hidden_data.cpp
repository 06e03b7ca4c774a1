// Hidden data in the low bits of a picture's rows. Both directions walk the carrier row by row
// with one cursor, so the rule that leaves two bytes of every row unused lives in one place.
#include "imaging/proc/hidden_data.h"

#include <algorithm>
#include <array>

#include "imaging/core/byte_reader.h"

namespace kx {
namespace {

constexpr int64_t kHeaderBytes = 8;

int64_t CarrierBytesPerRow(const TBitmap& bitmap) { return 3 * int64_t(bitmap.Width()) - 2; }

int64_t CarrierBytes(const TBitmap& bitmap) {
  if (bitmap.BitCount() != 24 || bitmap.Empty()) return 0;
  return CarrierBytesPerRow(bitmap) * bitmap.Height();
}

// Walks the carrier bytes in stream order, eight at a time (one stream byte).
template <typename Bitmap>
class TCarrierCursor {
 public:
  explicit TCarrierCursor(Bitmap& bitmap) : fBitmap(bitmap), fRowBytes(CarrierBytesPerRow(bitmap)) {}

  // Stores the eight bits of `value`, least significant first.
  void Put(uint8_t value) {
    for (int bit = 0; bit < 8; ++bit) {
      uint8_t& b = Next();
      if ((b & 1) != ((value >> bit) & 1)) b = b == 255 ? 254 : uint8_t(b + 1);
    }
  }
  uint8_t Get() {
    uint8_t value = 0;
    for (int bit = 0; bit < 8; ++bit) value |= uint8_t((Next() & 1) << bit);
    return value;
  }

 private:
  auto& Next() {
    if (fColumn == fRowBytes || !fRow) {
      fRow = fBitmap.ScanLine(fY++);
      fColumn = 0;
    }
    return fRow[fColumn++];
  }

  Bitmap& fBitmap;
  int64_t fRowBytes;
  decltype(fBitmap.ScanLine(0)) fRow = nullptr;
  int64_t fColumn = 0;
  int32_t fY = 0;
};

}  // namespace

int32_t _HiddenDataSpace(const TBitmap& bitmap) {
  const int64_t space = CarrierBytes(bitmap) / 8 - kHeaderBytes;
  return int32_t(std::clamp<int64_t>(space, 0, INT32_MAX));
}

bool _WriteHiddenData(TBitmap& bitmap, std::span<const uint8_t> data) {
  if (bitmap.BitCount() != 24 || int64_t(data.size()) > _HiddenDataSpace(bitmap)) return false;
  if (CarrierBytes(bitmap) / 8 < kHeaderBytes) return false;
  TCarrierCursor<TBitmap> cursor(bitmap);
  const uint32_t n = uint32_t(data.size());
  const std::array<uint8_t, kHeaderBytes> header = {
      0, 0, 0, 0, uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
  for (uint8_t b : header) cursor.Put(b);
  for (uint8_t b : data) cursor.Put(b);
  return true;
}

int32_t _ReadHiddenData(const TBitmap& bitmap, std::span<uint8_t> buffer) {
  const int32_t space = _HiddenDataSpace(bitmap);
  if (CarrierBytes(bitmap) / 8 < kHeaderBytes) return 0;
  TCarrierCursor<const TBitmap> cursor(bitmap);
  std::array<uint8_t, kHeaderBytes> header;
  for (uint8_t& b : header) b = cursor.Get();
  TKXByteReader reader(header);
  const uint32_t mark = reader.U32LE();
  const int32_t n = reader.I32LE();
  if (!reader.Ok() || mark != 0 || n < 0 || n > space) return 0;
  const size_t copied = std::min(buffer.size(), size_t(n));
  for (size_t i = 0; i < copied; ++i) buffer[i] = cursor.Get();
  return n;
}

}  // namespace kx
