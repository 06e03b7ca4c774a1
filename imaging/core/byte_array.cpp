// TKXByteArray's sizing rules.
#include "imaging/core/byte_array.h"

#include <algorithm>
#include <cstddef>

#include "imaging/core/stream.h"

namespace kx {

void TKXByteArray::AddByte(uint8_t b) {
  SetSize(fSize + 1);
  fData[size_t(fSize - 1)] = b;
}

void TKXByteArray::Clear() {
  fData.assign(size_t(kBlockSize), 0);
  fData.shrink_to_fit();
  fSize = 0;
  fCapacity = kBlockSize;
}

void TKXByteArray::SetSize(int64_t n) {
  if (n < 0) n = 0;
  if (n > fCapacity || n < fCapacity - kBlockSize) {
    fCapacity = n + kBlockSize;
    // A byte-by-byte writer would otherwise copy the whole buffer every 4096 bytes: the storage
    // itself grows geometrically, whatever Capacity() reports.
    if (size_t(fCapacity) > fData.capacity()) fData.reserve(std::max(size_t(fCapacity), fData.capacity() * 2));
    fData.resize(size_t(fCapacity));
    if (fData.capacity() > 4 * fData.size()) fData.shrink_to_fit();
  }
  if (n < fSize) std::fill(fData.begin() + std::ptrdiff_t(n), fData.begin() + std::ptrdiff_t(fSize), 0);
  fSize = n;
}

int64_t TKXByteArray::AppendFromStream(TStream& stream, int64_t n) {
  // The room is sized by what the stream can still give, not by a count a file may dictate.
  n = std::min(n, stream.Remaining());
  if (n <= 0) return 0;
  const int64_t start = fSize;
  SetSize(start + n);
  const int64_t got = std::max<int64_t>(0, stream.Read(fData.data() + start, n));
  SetSize(start + got);
  return got;
}

}  // namespace kx
