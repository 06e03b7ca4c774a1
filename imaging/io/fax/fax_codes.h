// The run-length code tables of bilevel fax coding (ITU-T T.4), shared by the decoder and the
// encoder, and the mode codes of two-dimensional coding (T.4 / T.6).
#pragma once

#include <cstdint>

namespace kx {

// One code: its bits right-aligned in `Bits`, `Length` of them.
struct TFaxCode {
  uint16_t Bits;
  uint8_t Length;
};

enum TFaxColor : uint8_t { fcWhite = 0, fcBlack = 1 };

// Terminating codes for runs 0..63, and make-up codes for runs 64, 128, ... 1728 (index run / 64
// - 1), of each colour; the extended make-up codes for 1792, 1856, ... 2560 (index (run - 1792) /
// 64) are shared by both colours.
extern const TFaxCode kFaxTerminating[2][64];
extern const TFaxCode kFaxMakeUp[2][27];
extern const TFaxCode kFaxExtendedMakeUp[13];

// The longest run one make-up code carries.
constexpr int32_t kFaxLongestMakeUp = 2560;

// Two-dimensional mode codes.
constexpr TFaxCode kFaxPass{0b0001, 4};
constexpr TFaxCode kFaxHorizontal{0b001, 3};
// Vertical modes by a1 - b1 + 3 (VL3 .. V0 .. VR3).
constexpr TFaxCode kFaxVertical[7] = {{0b0000010, 7}, {0b000010, 6}, {0b010, 3},    {0b1, 1},
                                      {0b011, 3},     {0b000011, 6}, {0b0000011, 7}};
// End of line: eleven 0 bits and a 1.
constexpr TFaxCode kFaxEndOfLine{0b000000000001, 12};

}  // namespace kx
