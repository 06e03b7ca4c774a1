// THash1's probing and growth.
#include "imaging/core/hash1.h"

#include <algorithm>

namespace kx {

THash1::THash1(int bits) {
  bits = std::clamp(bits, 4, 30);
  fKeys.assign(size_t(1) << bits, 0);
  fMask = (size_t(1) << bits) - 1;
  fShift = 32 - bits;
}

bool THash1::Insert(int32_t key) {
  const uint32_t k = uint32_t(key);
  if (k == 0) {
    if (fHasZero) return false;
    fHasZero = true;
    ++fCount;
    return true;
  }
  size_t i = Slot(k);
  while (fKeys[i] != 0) {
    if (fKeys[i] == k) return false;
    i = (i + 1) & fMask;
  }
  fKeys[i] = k;
  if (++fCount * 2 > int64_t(fMask + 1)) Grow();
  return true;
}

bool THash1::KeyPresent(int32_t key) const {
  const uint32_t k = uint32_t(key);
  if (k == 0) return fHasZero;
  for (size_t i = Slot(k); fKeys[i] != 0; i = (i + 1) & fMask) {
    if (fKeys[i] == k) return true;
  }
  return false;
}

void THash1::Grow() {
  // 2^32 slots already hold every possible key.
  if (fShift == 0) return;
  std::vector<uint32_t> old;
  old.swap(fKeys);
  fKeys.assign(old.size() * 2, 0);
  fMask = fKeys.size() - 1;
  --fShift;
  for (uint32_t k : old) {
    if (k == 0) continue;
    size_t i = Slot(k);
    while (fKeys[i] != 0) i = (i + 1) & fMask;
    fKeys[i] = k;
  }
}

}  // namespace kx
