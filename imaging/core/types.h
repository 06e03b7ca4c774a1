// Colour values and the small enumerations that the whole library shares.
#pragma once

#include <cstdint>

namespace kx {

// One 24-bit pixel as stored in a bitmap row: blue first.
#pragma pack(push, 1)
struct TRGB {
  uint8_t b = 0;
  uint8_t g = 0;
  uint8_t r = 0;
  friend bool operator==(const TRGB&, const TRGB&) = default;
};
#pragma pack(pop)
static_assert(sizeof(TRGB) == 3);

constexpr TRGB CreateRGB(uint8_t r, uint8_t g, uint8_t b) { return TRGB{b, g, r}; }

// A colour value: red in the low byte, then green, then blue. A value whose high byte is
// 0x80 names a system colour by its index in the low byte; ColorToRGB resolves it.
using TColor = int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | uint32_t(index)); }
constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor clInfoBk = SystemColor(24);

// Resolves a system colour to its current RGB value; other colours pass unchanged.
TColor ColorToRGB(TColor color);

constexpr TColor TRGB2TColor(TRGB c) { return TColor(c.r) | (TColor(c.g) << 8) | (TColor(c.b) << 16); }
TRGB TColor2TRGB(TColor color);

enum TPixelFormat : uint8_t { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

enum TResampleFilter : uint8_t { rfNone, rfTriangle, rfHermite, rfBell, rfBSpline, rfLanczos3, rfMitchell };

enum TMsgLanguage : uint8_t {
  msSystem,
  msEnglish,
  msItalian,
  msGerman,
  msSpanish,
  msFrench,
  msPortuguese,
  msGreek,
  msUser
};

enum TKXJob : uint8_t { kxjNOTHING, kxjGENERALPROCESSING, kxjVIDEOCAP_CONNECTING };

}  // namespace kx
