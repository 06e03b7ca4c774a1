// The Targa header, extension area and footer as bytes.
#include "imaging/io/tga_format.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "imaging/core/byte_reader.h"
#include "imaging/core/byte_writer.h"
#include "imaging/io/civil_date.h"
#include "imaging/io/ioparams.h"

namespace kx {
namespace {

constexpr char kSignature[] = "TRUEVISION-XFILE.";
constexpr size_t kTextField = 41;
constexpr double kSecondsPerDay = 86400;
// Ratios are stored over this denominator.
constexpr double kRatioScale = 10000;

// A zero-terminated text field, or all of it when it has no terminator.
std::string TextField(TKXByteReader& in) {
  char text[kTextField];
  in.Bytes(text, kTextField);
  return std::string(text, strnlen(text, kTextField));
}

void PutText(TKXByteWriter& out, const std::string& text) {
  const size_t n = std::min(text.size(), kTextField - 1);
  out.Bytes(text.data(), n);
  out.Zeros(kTextField - n);
}

// A ratio as numerator over 10000, the numerator held in 16 bits.
void PutRatio(TKXByteWriter& out, double value) {
  const double scaled = std::isfinite(value) ? std::trunc(value * kRatioScale) : 0;
  out.U16LE(uint16_t(std::clamp(scaled, 0.0, 65535.0)));
  out.U16LE(uint16_t(kRatioScale));
}

bool ValidDate(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59)
    return false;
  // The day must exist: the first of the next month, less one day, is the month's last day.
  const int64_t first = KXDaysFromCivil({int64_t(year), month, 1});
  const int64_t next =
      month == 12 ? KXDaysFromCivil({int64_t(year) + 1, 1, 1}) : KXDaysFromCivil({int64_t(year), month + 1, 1});
  return day <= next - first;
}

}  // namespace

TTgaHeader TgaParseHeader(std::span<const uint8_t, kTgaHeaderSize> bytes) {
  TKXByteReader in(bytes);
  TTgaHeader h;
  h.IdLength = in.U8();
  h.ColorMapType = in.U8();
  h.ImageType = in.U8();
  h.MapFirst = in.U16LE();
  h.MapLength = in.U16LE();
  h.MapEntryBits = in.U8();
  h.XOrigin = in.U16LE();
  h.YOrigin = in.U16LE();
  h.Width = in.U16LE();
  h.Height = in.U16LE();
  h.Depth = in.U8();
  h.Descriptor = in.U8();
  return h;
}

std::vector<uint8_t> TgaHeaderBytes(const TTgaHeader& h) {
  TKXByteWriter out(kTgaHeaderSize);
  out.U8(h.IdLength);
  out.U8(h.ColorMapType);
  out.U8(h.ImageType);
  out.U16LE(h.MapFirst);
  out.U16LE(h.MapLength);
  out.U8(h.MapEntryBits);
  out.U16LE(h.XOrigin);
  out.U16LE(h.YOrigin);
  out.U16LE(h.Width);
  out.U16LE(h.Height);
  out.U8(h.Depth);
  out.U8(h.Descriptor);
  return out.Result();
}

bool TgaKnownTypeAndDepth(const TTgaHeader& h) {
  const uint8_t t = h.ImageType;
  const uint8_t d = h.Depth;
  return ((t >= 1 && t <= 3) || (t >= 9 && t <= 11)) && (d == 1 || d == 4 || d == 8 || d == 16 || d == 24 || d == 32);
}

void TgaResetExtension(TIOParamsVals& params) {
  params.TGA_Author.clear();
  params.TGA_Name.clear();
  params.TGA_Date = KXToday();
  params.TGA_Background = TRGB{};
  params.TGA_AspectRatio = 1.0;
  params.TGA_Gamma = 2.2;
}

bool TgaReadExtension(std::span<const uint8_t, kTgaExtensionSize> area, TIOParamsVals& params) {
  TKXByteReader in(area);
  if (in.U16LE() != kTgaExtensionSize) return false;
  params.TGA_Author = TextField(in);
  in.Skip(324);
  unsigned stamp[6];
  for (unsigned& v : stamp) v = in.U16LE();
  const unsigned month = stamp[0], day = stamp[1], year = stamp[2];
  if (ValidDate(year, month, day, stamp[3], stamp[4], stamp[5]))
    params.TGA_Date = double(KXDaysFromCivil({int64_t(year), month, day}) - kKXDateOriginFromUnix) +
                      (stamp[3] * 3600.0 + stamp[4] * 60.0 + stamp[5]) / kSecondsPerDay;
  params.TGA_Name = TextField(in);
  in.Skip(6 + 41 + 3);
  // The key colour is a 32-bit A:R:G:B value, little-endian: blue comes first.
  uint8_t key[4];
  in.Bytes(key, 4);
  params.TGA_Background = TRGB{key[0], key[1], key[2]};
  for (double* ratio : {&params.TGA_AspectRatio, &params.TGA_Gamma}) {
    const uint16_t numerator = in.U16LE(), denominator = in.U16LE();
    if (numerator != 0 && denominator != 0) *ratio = double(numerator) / denominator;
  }
  return true;
}

std::vector<uint8_t> TgaExtensionAndFooter(const TIOParamsVals& params, uint32_t extensionOffset) {
  TKXByteWriter out(kTgaExtensionSize + kTgaFooterSize);
  out.U16LE(uint16_t(kTgaExtensionSize));
  PutText(out, params.TGA_Author);
  out.Zeros(324);
  const double date = std::isfinite(params.TGA_Date) ? params.TGA_Date : 0;
  const double dayNumber = std::floor(date);
  const TKXCivilDate civil = KXCivilFromDays(int64_t(dayNumber) + kKXDateOriginFromUnix);
  const int64_t seconds = std::clamp<int64_t>(int64_t(std::llround((date - dayNumber) * kSecondsPerDay)), 0, 86399);
  const bool inRange = civil.Year >= 1 && civil.Year <= 9999;
  for (int64_t v :
       {int64_t(civil.Month), int64_t(civil.Day), civil.Year, seconds / 3600, seconds / 60 % 60, seconds % 60})
    out.U16LE(inRange ? uint16_t(v) : 0);
  PutText(out, params.TGA_Name);
  out.Zeros(6 + 41 + 3);
  out.U8(params.TGA_Background.b);
  out.U8(params.TGA_Background.g);
  out.U8(params.TGA_Background.r);
  out.U8(0);
  PutRatio(out, params.TGA_AspectRatio);
  PutRatio(out, params.TGA_Gamma);
  out.Zeros(13);
  out.U32LE(extensionOffset);
  out.U32LE(0);
  out.Bytes(kSignature, sizeof kSignature);
  return out.Result();
}

bool TgaParseFooter(std::span<const uint8_t, kTgaFooterSize> footer, uint32_t& extensionOffset) {
  TKXByteReader in(footer);
  extensionOffset = in.U32LE();
  in.U32LE();
  char signature[sizeof kSignature - 1];
  in.Bytes(signature, sizeof signature);
  return std::memcmp(signature, kSignature, sizeof signature) == 0;
}

}  // namespace kx
