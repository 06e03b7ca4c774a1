// The texts of a ruler's labelled ticks.
#pragma once

#include <cstdint>
#include <string>

namespace kx {

// The general number form: at most `precision` significant digits without trailing zeros, in
// fixed notation while the integer part has at most `precision` digits and the magnitude is
// at least 0.00001, otherwise as d.dddE+xxx with at least `exponentDigits` exponent digits.
// "0" for zero; "NAN", "INF" and "-INF" for the values that are no numbers.
std::string KXFloatToStrGeneral(double value, int32_t precision = 15, int32_t exponentDigits = 3);

// Trunc(|value|) in upper-case hexadecimal without leading zeros ("0" for zero), with "-" in
// front for negative values; magnitudes beyond 2^63 count as 2^63 - 1.
std::string KXHexLabel(double value);

}  // namespace kx
