// The pixel limit and checked size arithmetic.
#include "imaging/core/limits.h"

#include <atomic>
#include <limits>

namespace kx {
namespace {
std::atomic<int64_t> gPixelLimit{kDefaultPixelLimit};
}

int64_t KXPixelLimit() { return gPixelLimit.load(std::memory_order_relaxed); }

void KXSetPixelLimit(int64_t pixels) { gPixelLimit.store(pixels > 0 ? pixels : 1, std::memory_order_relaxed); }

bool KXPixelsAllowed(int64_t width, int64_t height) {
  if (width <= 0 || height <= 0) return false;
  int64_t n;
  return KXCheckedMul(width, height, n) && n <= KXPixelLimit();
}

std::string KXPixelsRefusal(int64_t width, int64_t height) {
  if (KXPixelsAllowed(width, height)) return {};
  const std::string size = std::to_string(width) + " x " + std::to_string(height);
  if (width <= 0 || height <= 0) return size + " is not a picture size";
  return size + " pixels is above the limit of " + std::to_string(KXPixelLimit());
}

bool KXCheckedMul(int64_t a, int64_t b, int64_t& out) {
  if (a < 0 || b < 0) return false;
  return !__builtin_mul_overflow(a, b, &out);
}

bool KXCheckedAdd(int64_t a, int64_t b, int64_t& out) {
  if (a < 0 || b < 0) return false;
  return !__builtin_add_overflow(a, b, &out);
}

}  // namespace kx
