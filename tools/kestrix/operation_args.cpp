// Argument parsing of the `convert --do` rows.
#include "tools/kestrix/operation_args.h"

#include <charconv>

namespace kestrix {

std::optional<int32_t> ParseInt(const std::string& s) {
  int32_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

}  // namespace kestrix
