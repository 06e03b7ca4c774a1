// TNulStream's position and size bookkeeping.
#include "imaging/core/nul_stream.h"

#include <algorithm>
#include <limits>

namespace kx {

int64_t TNulStream::Read(void*, int64_t count) { return Advance(count); }

int64_t TNulStream::Write(const void*, int64_t count) { return Advance(count); }

int64_t TNulStream::Advance(int64_t count) {
  count = std::clamp<int64_t>(count, 0, std::numeric_limits<int64_t>::max() - fPosition);
  MoveTo(fPosition + count);
  return count;
}

int64_t TNulStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? fPosition : fSize;
  int64_t target = 0;
  if (__builtin_add_overflow(base, offset, &target)) target = offset < 0 ? 0 : std::numeric_limits<int64_t>::max();
  MoveTo(std::max<int64_t>(target, 0));
  return fPosition;
}

void TNulStream::SetSize(int64_t size) {
  fSize = std::max<int64_t>(size, 0);
  fPosition = std::min(fPosition, fSize);
}

void TNulStream::MoveTo(int64_t position) {
  fPosition = position;
  fSize = std::max(fSize, fPosition);
}

}  // namespace kx
