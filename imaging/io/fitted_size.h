// The size a fitted read draws a picture at, chosen by the caller once the picture's own size
// is known.
#pragma once

#include <cstdint>
#include <functional>

namespace kx {

struct TKXFittedSize {
  int32_t Width = 0;
  int32_t Height = 0;
};
using TKXChooseFit = std::function<TKXFittedSize(int32_t width, int32_t height)>;

}  // namespace kx
