// THash1: a set of int32 keys, used to count the distinct colours of a picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kx {

// Open addressing with linear probing. It starts with 2^bits slots and doubles them whenever
// half are taken, so a picture with millions of colours costs one or two probes per pixel.
class THash1 {
 public:
  // `bits` is clamped to 4..30.
  explicit THash1(int bits);

  // True when `key` was not yet present (it is then counted).
  bool Insert(int32_t key);
  bool KeyPresent(int32_t key) const;
  // Number of distinct keys inserted.
  int64_t Count() const { return fCount; }

 private:
  size_t Slot(uint32_t key) const { return size_t((key * 0x9E3779B1u) >> fShift) & fMask; }
  void Grow();

  // An empty slot holds 0, so the key 0 itself is kept apart in fHasZero.
  std::vector<uint32_t> fKeys;
  bool fHasZero = false;
  size_t fMask = 0;
  int fShift = 0;
  int64_t fCount = 0;
};

}  // namespace kx
