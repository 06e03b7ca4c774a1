// The printable-field table of TIOParamsVals and the text form of each kind of value.
#include "imaging/io/ioparams_fields.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <type_traits>

#include "imaging/io/civil_date.h"

namespace kx {
namespace {

constexpr std::string_view kFileTypeNames[] = {"ioUnknown", "ioTIFF", "ioGIF", "ioJPEG", "ioPCX", "ioBMP",
                                               "ioICO",     "ioCUR",  "ioPNG", "ioWMF",  "ioEMF", "ioTGA"};

template <typename E>
constexpr std::span<const std::string_view> EnumNames();
#define KX_ENUM_NAMES(E, ...)                                  \
  constexpr std::string_view k##E##Names[] = {__VA_ARGS__};    \
  template <>                                                  \
  constexpr std::span<const std::string_view> EnumNames<E>() { \
    return k##E##Names;                                        \
  }
KX_ENUM_NAMES(TIOJPEGColorspace, "ioJPEG_RGB", "ioJPEG_GRAYLEV", "ioJPEG_YCbCr", "ioJPEG_CMYK", "ioJPEG_YCbCrK")
KX_ENUM_NAMES(TIOJPEGDctMethod, "ioJPEG_ISLOW", "ioJPEG_IFAST", "ioJPEG_FLOAT")
KX_ENUM_NAMES(TIOJPEGScale, "ioJPEG_AUTOCALC", "ioJPEG_FULLSIZE", "ioJPEG_HALF", "ioJPEG_QUARTER", "ioJPEG_EIGHTH")
KX_ENUM_NAMES(TIOTIFFCompression, "ioTIFF_UNCOMPRESSED", "ioTIFF_CCITT1D", "ioTIFF_G3FAX1D", "ioTIFF_G3FAX2D",
              "ioTIFF_G4FAX", "ioTIFF_LZW", "ioTIFF_OLDJPEG", "ioTIFF_JPEG", "ioTIFF_PACKBITS")
KX_ENUM_NAMES(TIOTIFFPhotometInterpret, "ioTIFF_WHITEISZERO", "ioTIFF_BLACKISZERO", "ioTIFF_RGB", "ioTIFF_RGBPALETTE",
              "ioTIFF_TRANSPMASK", "ioTIFF_CMYK", "ioTIFF_YCBCR", "ioTIFF_CIELAB")
KX_ENUM_NAMES(TIOPNGFilter, "ioPNG_FILTER_NONE", "ioPNG_FILTER_SUB", "ioPNG_FILTER_PAETH")
KX_ENUM_NAMES(TIOBMPVersion, "ioBMP_BM", "ioBMP_BM3", "ioBMP_BMOS2V1", "ioBMP_BMOS2V2")
KX_ENUM_NAMES(TIOBMPCompression, "ioBMP_UNCOMPRESSED", "ioBMP_RLE")
KX_ENUM_NAMES(TIOPCXCompression, "ioPCX_UNCOMPRESSED", "ioPCX_RLE")
#undef KX_ENUM_NAMES

// 0001-01-01 and 9999-12-31 as TDateTime: the span the YYYY-MM-DD form can show.
constexpr double kFirstDate = -693593;
constexpr double kLastDate = 2958465;

template <typename T>
bool ParseNumber(std::string_view text, T& out) {
  const char* end = text.data() + text.size();
  T v{};
  auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || ptr != end || text.empty()) return false;
  out = v;
  return true;
}

std::string FormatDouble(double v) {
  char buf[32];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, ec == std::errc() ? ptr : buf);
}

std::string FormatDate(TDateTime v) {
  if (!(v > kFirstDate - 1 && v < kLastDate + 1)) return FormatDouble(v);
  // The whole part is the day even before the origin, where the fraction still counts forward.
  const TKXCivilDate c = KXCivilFromDays(int64_t(std::trunc(v)) + kKXDateOriginFromUnix);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", int(c.Year), c.Month, c.Day);
  return buf;
}

bool ParseDate(std::string_view text, TDateTime& out) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  int y = 0;
  unsigned m = 0, d = 0;
  if (!ParseNumber(text.substr(0, 4), y) || !ParseNumber(text.substr(5, 2), m) || !ParseNumber(text.substr(8, 2), d))
    return false;
  if (y < 1 || m < 1 || m > 12 || d < 1) return false;
  const int64_t days = KXDaysFromCivil({y, m, d});
  const TKXCivilDate back = KXCivilFromDays(days);
  if (back.Year != y || back.Month != m || back.Day != d) return false;  // a day past the month's end
  out = TDateTime(days - kKXDateOriginFromUnix);
  return true;
}

std::string FormatRGB(TRGB c) { return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b); }

bool ParseRGB(std::string_view text, TRGB& out) {
  uint8_t v[3];
  for (int i = 0; i < 3; ++i) {
    size_t comma = i < 2 ? text.find(',') : text.size();
    if (comma == std::string_view::npos || !ParseNumber(text.substr(0, comma), v[i])) return false;
    text.remove_prefix(i < 2 ? comma + 1 : comma);
  }
  out = CreateRGB(v[0], v[1], v[2]);
  return true;
}

// A name from `names`, or its ordinal.
bool ParseOrdinal(std::string_view text, std::span<const std::string_view> names, int32_t& out) {
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == text) return out = int32_t(i), true;
  int32_t n = 0;
  if (!ParseNumber(text, n) || n < 0 || size_t(n) >= names.size()) return false;
  out = n;
  return true;
}

template <auto Member>
using TMember = std::remove_reference_t<decltype(std::declval<TIOParamsVals&>().*Member)>;

template <auto Member, TIOFieldKind Kind>
std::string GetField(const TIOParamsVals& p) {
  [[maybe_unused]] const auto& v = p.*Member;
  using T = TMember<Member>;
  if constexpr (Kind == TIOFieldKind::Date) {
    return FormatDate(v);
  } else if constexpr (Kind == TIOFieldKind::FileType) {
    return IOFileTypeName(v);
  } else if constexpr (std::is_enum_v<T>) {
    auto names = EnumNames<T>();
    return size_t(v) < names.size() ? std::string(names[v]) : std::to_string(int(v));
  } else if constexpr (std::is_same_v<T, bool>) {
    return v ? "true" : "false";
  } else if constexpr (std::is_same_v<T, int32_t>) {
    return std::to_string(v);
  } else if constexpr (std::is_same_v<T, double>) {
    return FormatDouble(v);
  } else if constexpr (std::is_same_v<T, TRGB>) {
    return FormatRGB(v);
  } else {
    static_assert(std::is_same_v<T, std::string>);
    return v;
  }
}

template <auto Member, TIOFieldKind Kind>
bool SetField(TIOParamsVals& p, [[maybe_unused]] std::string_view text) {
  [[maybe_unused]] auto& v = p.*Member;
  using T = TMember<Member>;
  if constexpr (Kind == TIOFieldKind::Count) {
    return false;
  } else if constexpr (Kind == TIOFieldKind::Date) {
    return ParseDate(text, v);
  } else if constexpr (Kind == TIOFieldKind::FileType) {
    return ParseOrdinal(text, kFileTypeNames, v);
  } else if constexpr (std::is_enum_v<T>) {
    int32_t n = 0;
    if (!ParseOrdinal(text, EnumNames<T>(), n)) return false;
    v = T(n);
    return true;
  } else if constexpr (std::is_same_v<T, bool>) {
    if (text == "true" || text == "1") return v = true, true;
    if (text == "false" || text == "0") return v = false, true;
    return false;
  } else if constexpr (std::is_same_v<T, int32_t>) {
    return ParseNumber(text, v);
  } else if constexpr (std::is_same_v<T, double>) {
    double d = 0;
    if (!ParseNumber(text, d) || !std::isfinite(d)) return false;
    v = d;
    return true;
  } else if constexpr (std::is_same_v<T, TRGB>) {
    return ParseRGB(text, v);
  } else {
    static_assert(std::is_same_v<T, std::string>);
    v = std::string(text);
    return true;
  }
}

template <typename T>
constexpr TIOFieldKind KindOf() {
  if constexpr (std::is_enum_v<T>) return TIOFieldKind::Enumeration;
  if constexpr (std::is_same_v<T, bool>) return TIOFieldKind::Bool;
  if constexpr (std::is_same_v<T, int32_t>) return TIOFieldKind::Int32;
  if constexpr (std::is_same_v<T, double>) return TIOFieldKind::Double;
  if constexpr (std::is_same_v<T, TRGB>) return TIOFieldKind::RGB;
  return TIOFieldKind::String;
}

// One row; the kind follows the member's type unless the field gives it (file type, date,
// palette count).
template <auto Member, TIOFieldKind Kind = KindOf<TMember<Member>>()>
constexpr TIOParamField Row(std::string_view name) {
  std::span<const std::string_view> names;
  if constexpr (Kind == TIOFieldKind::FileType) {
    names = kFileTypeNames;
  } else if constexpr (Kind == TIOFieldKind::Enumeration) {
    names = EnumNames<TMember<Member>>();
  }
  return {name, Kind, names, &GetField<Member, Kind>, &SetField<Member, Kind>};
}

#define KX_FIELD(name, ...) Row<&TIOParamsVals::name __VA_OPT__(, ) __VA_ARGS__>(#name)
using K = TIOFieldKind;
const TIOParamField kFields[] = {
    KX_FIELD(BitsPerSample),
    KX_FIELD(SamplesPerPixel),
    KX_FIELD(Width),
    KX_FIELD(Height),
    KX_FIELD(DpiX),
    KX_FIELD(DpiY),
    KX_FIELD(FileType, K::FileType),
    KX_FIELD(TIFF_Compression),
    KX_FIELD(TIFF_ImageIndex),
    KX_FIELD(TIFF_Photometric),
    KX_FIELD(TIFF_PlanarConfig),
    KX_FIELD(TIFF_HorizPosition),
    KX_FIELD(TIFF_VertPosition),
    KX_FIELD(TIFF_DocumentName),
    KX_FIELD(TIFF_ImageDescription),
    KX_FIELD(TIFF_PageName),
    KX_FIELD(TIFF_PageNumber),
    KX_FIELD(TIFF_PageCount),
    KX_FIELD(GIF_Version),
    KX_FIELD(GIF_ImageIndex),
    KX_FIELD(GIF_HorizPosition),
    KX_FIELD(GIF_VertPosition),
    KX_FIELD(GIF_DelayTime),
    KX_FIELD(GIF_Transparent),
    KX_FIELD(GIF_TransparentColor),
    KX_FIELD(GIF_Interlaced),
    KX_FIELD(GIF_ScreenWidth),
    KX_FIELD(GIF_ScreenHeight),
    KX_FIELD(GIF_Background),
    KX_FIELD(GIF_AspectRatio),
    KX_FIELD(JPEG_ColorSpace),
    KX_FIELD(JPEG_Quality),
    KX_FIELD(JPEG_DCTMethod),
    KX_FIELD(JPEG_OptimalHuffman),
    KX_FIELD(JPEG_Smoothing),
    KX_FIELD(JPEG_Progressive),
    KX_FIELD(JPEG_Scale),
    KX_FIELD(EXIF_Orientation),
    KX_FIELD(PCX_Version),
    KX_FIELD(PCX_Compression),
    KX_FIELD(BMP_Version),
    KX_FIELD(BMP_Compression),
    KX_FIELD(ICO_ImageIndex),
    KX_FIELD(ICO_Background),
    KX_FIELD(CUR_ImageIndex),
    KX_FIELD(CUR_HotSpotX),
    KX_FIELD(CUR_HotSpotY),
    KX_FIELD(CUR_Background),
    KX_FIELD(PNG_Interlaced),
    KX_FIELD(PNG_Background),
    KX_FIELD(PNG_Filter),
    KX_FIELD(PNG_Compression),
    KX_FIELD(TGA_XOrigin),
    KX_FIELD(TGA_YOrigin),
    KX_FIELD(TGA_Compressed),
    KX_FIELD(TGA_Description),
    KX_FIELD(TGA_Author),
    KX_FIELD(TGA_Date, K::Date),
    KX_FIELD(TGA_Name),
    KX_FIELD(TGA_Background),
    KX_FIELD(TGA_AspectRatio),
    KX_FIELD(TGA_Gamma),
    KX_FIELD(TGA_GrayLevel),
    KX_FIELD(FileName),
    KX_FIELD(ColorMapCount, K::Count),
};
#undef KX_FIELD

}  // namespace

std::span<const TIOParamField> IOParamFields() { return kFields; }

const TIOParamField* FindIOParamField(std::string_view name) {
  for (const TIOParamField& f : kFields)
    if (f.Name == name) return &f;
  return nullptr;
}

std::string IOFileTypeName(TIOFileType type) {
  return type >= 0 && size_t(type) < std::size(kFileTypeNames) ? std::string(kFileTypeNames[type])
                                                               : std::to_string(type);
}

}  // namespace kx
