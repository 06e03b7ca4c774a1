// Key numbers that hosts hand to TCustomControl::KeyDown: the desktop's virtual-key numbering.
// Letters and digits are their upper-case ASCII codes.
#pragma once

#include <cstdint>

namespace kx {

constexpr int32_t vkBack = 0x08;
constexpr int32_t vkTab = 0x09;
constexpr int32_t vkReturn = 0x0D;
constexpr int32_t vkEscape = 0x1B;
constexpr int32_t vkSpace = 0x20;
constexpr int32_t vkPrior = 0x21;
constexpr int32_t vkNext = 0x22;
constexpr int32_t vkEnd = 0x23;
constexpr int32_t vkHome = 0x24;
constexpr int32_t vkLeft = 0x25;
constexpr int32_t vkUp = 0x26;
constexpr int32_t vkRight = 0x27;
constexpr int32_t vkDown = 0x28;
constexpr int32_t vkDelete = 0x2E;
constexpr int32_t vkAdd = 0x6B;       // keypad +
constexpr int32_t vkSubtract = 0x6D;  // keypad -
constexpr int32_t vkF1 = 0x70;
constexpr int32_t vkOemPlus = 0xBB;   // + and = on the main keyboard
constexpr int32_t vkOemMinus = 0xBD;  // - on the main keyboard

}  // namespace kx
