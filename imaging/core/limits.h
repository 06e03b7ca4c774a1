// The process-wide pixel limit that guards every allocation a file, clipboard block or
// scanner dictates.
#pragma once

#include <cstdint>
#include <string>

namespace kx {

// Default: 2^28 pixels (a 16384 x 16384 picture; 768 MiB at 24 bits).
constexpr int64_t kDefaultPixelLimit = int64_t(1) << 28;

int64_t KXPixelLimit();
void KXSetPixelLimit(int64_t pixels);
// True when a width x height picture is allowed: both sides positive and the product
// within the limit.
bool KXPixelsAllowed(int64_t width, int64_t height);
// Why a width x height picture is not allowed ("0 x 5 is not a picture size", "4000 x 90000
// pixels is above the limit of 268435456"); empty when it is.
std::string KXPixelsRefusal(int64_t width, int64_t height);

// Checked size arithmetic: false on overflow or a negative operand.
bool KXCheckedMul(int64_t a, int64_t b, int64_t& out);
bool KXCheckedAdd(int64_t a, int64_t b, int64_t& out);

}  // namespace kx
