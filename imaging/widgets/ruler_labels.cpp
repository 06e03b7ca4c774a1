// Number texts of the ruler's labels.
#include "imaging/widgets/ruler_labels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kx {

std::string KXFloatToStrGeneral(double value, int32_t precision, int32_t exponentDigits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  precision = std::clamp(precision, 1, 17);
  exponentDigits = std::clamp(exponentDigits, 0, 4);
  // The significant digits and the decimal exponent after rounding to `precision` digits.
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.*e", int(precision - 1), std::fabs(value));
  std::string digits;
  const char* p = buffer;
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') digits += *p;
  const int32_t exponent = int32_t(std::strtol(p + 1, nullptr, 10));
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string text = value < 0 ? "-" : "";
  if (exponent < precision && std::fabs(value) >= 0.00001) {
    if (exponent < 0) {
      text += "0." + std::string(size_t(-exponent - 1), '0') + digits;
    } else if (int32_t(digits.size()) <= exponent + 1) {
      text += digits + std::string(size_t(exponent + 1 - int32_t(digits.size())), '0');
    } else {
      text += digits.substr(0, size_t(exponent + 1)) + "." + digits.substr(size_t(exponent + 1));
    }
    return text;
  }
  text += digits.substr(0, 1);
  if (digits.size() > 1) text += "." + digits.substr(1);
  std::string power = std::to_string(std::abs(exponent));
  if (int32_t(power.size()) < exponentDigits) power.insert(0, size_t(exponentDigits - int32_t(power.size())), '0');
  return text + (exponent < 0 ? "E-" : "E+") + power;
}

std::string KXHexLabel(double value) {
  if (std::isnan(value)) return "0";
  const double magnitude = std::trunc(std::fabs(value));
  const uint64_t whole = magnitude >= 9223372036854775807.0 ? uint64_t(INT64_MAX) : uint64_t(magnitude);
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(whole));
  return (value < 0 ? "-" : "") + std::string(buffer);
}

}  // namespace kx
