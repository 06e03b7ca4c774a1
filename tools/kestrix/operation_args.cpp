// Argument parsing of the `convert --do` rows.
#include "tools/kestrix/operation_args.h"

#include <charconv>
#include <cmath>

namespace kestrix {

std::optional<int32_t> ParseInt(const std::string& s) {
  int32_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

std::optional<double> ParseDouble(const std::string& s) {
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<kx::TRGB> ParseColor(const std::string& s) {
  const size_t a = s.find(','), b = a == std::string::npos ? a : s.find(',', a + 1);
  if (b == std::string::npos) return std::nullopt;
  const auto r = ParseInt(s.substr(0, a)), g = ParseInt(s.substr(a + 1, b - a - 1)), bl = ParseInt(s.substr(b + 1));
  const auto byte = [](std::optional<int32_t> v) { return v && *v >= 0 && *v <= 255; };
  if (!byte(r) || !byte(g) || !byte(bl)) return std::nullopt;
  return kx::CreateRGB(uint8_t(*r), uint8_t(*g), uint8_t(*bl));
}

}  // namespace kestrix
