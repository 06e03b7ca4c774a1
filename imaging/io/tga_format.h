// The Targa file layout that the reader, the writer and the content test share: the 18-byte
// header, the kinds of picture, and the extension area with its footer. Private to the codec.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/core/types.h"

namespace kx {

class TIOParamsVals;

constexpr int64_t kTgaHeaderSize = 18;
constexpr int64_t kTgaExtensionSize = 495;
constexpr int64_t kTgaFooterSize = 26;
// Descriptor bits: rows stored from the top, pixels stored from the right.
constexpr uint8_t kTgaTopToBottom = 0x20;
constexpr uint8_t kTgaRightToLeft = 0x10;

struct TTgaHeader {
  uint8_t IdLength = 0;
  uint8_t ColorMapType = 0;
  uint8_t ImageType = 0;
  uint16_t MapFirst = 0;
  uint16_t MapLength = 0;
  uint8_t MapEntryBits = 0;
  uint16_t XOrigin = 0;
  uint16_t YOrigin = 0;
  uint16_t Width = 0;
  uint16_t Height = 0;
  uint8_t Depth = 0;
  uint8_t Descriptor = 0;
};

TTgaHeader TgaParseHeader(std::span<const uint8_t, kTgaHeaderSize> bytes);
std::vector<uint8_t> TgaHeaderBytes(const TTgaHeader& h);
// An image type (1, 2, 3 or those with run-length coding, 9, 10, 11) and a pixel depth (1, 4,
// 8, 16, 24, 32) the format knows.
bool TgaKnownTypeAndDepth(const TTgaHeader& h);

// Fills the extension fields of `params` from a 495-byte extension area; false when it is
// not one (its size field is not 495), leaving them as they are.
bool TgaReadExtension(std::span<const uint8_t, kTgaExtensionSize> area, TIOParamsVals& params);
// The extension fields back to what a file without an extension area gives.
void TgaResetExtension(TIOParamsVals& params);
// The extension area of `params` followed by the footer pointing at it, `extensionOffset`
// bytes from the picture's start.
std::vector<uint8_t> TgaExtensionAndFooter(const TIOParamsVals& params, uint32_t extensionOffset);
// True when 26 bytes are a footer; `extensionOffset` gets its offset.
bool TgaParseFooter(std::span<const uint8_t, kTgaFooterSize> footer, uint32_t& extensionOffset);

}  // namespace kx
