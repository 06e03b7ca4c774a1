// What every `convert --do` row needs: argument parsing and a processing component working on
// the tool's picture.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "imaging/core/types.h"

namespace kestrix {

// A whole decimal int32, or nothing.
std::optional<int32_t> ParseInt(const std::string& s);
// A finite decimal number, or nothing.
std::optional<double> ParseDouble(const std::string& s);
// A colour written R,G,B with each part 0..255, or nothing.
std::optional<kx::TRGB> ParseColor(const std::string& s);

// The enumeration value whose name is `s`, by its position in `names`.
template <typename E, size_t N>
std::optional<E> ParseName(const std::string& s, const std::string_view (&names)[N]) {
  for (size_t i = 0; i < N; ++i)
    if (s == names[i]) return E(i);
  return std::nullopt;
}

}  // namespace kestrix
