// The page and control tables of the I/O parameters dialog.
#include "imaging/dialogs/io_params_pages.h"

#include <algorithm>
#include <array>

namespace kx {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kJpegColorSpaces[] = {"RGB", "GrayScale", "YCbCr", "CMYK", "YCbCrK"};
constexpr std::string_view kJpegDctMethods[] = {"ISLOW", "IFAST", "FLOAT"};
constexpr std::string_view kTiffCompressions[] = {"UNCOMPRESSED", "CCITT1D", "G3FAX1D", "G3FAX2D", "G4FAX",
                                                  "LZW",          "OLDJPEG", "JPEG",    "PACKBITS"};
constexpr std::string_view kTiffPhotometrics[] = {"WHITEISZERO", "BLACKISZERO", "RGB",   "RGBPALETTE",
                                                  "TRANSPMASK",  "CMYK",        "YCBCR", "CIELAB"};
constexpr std::string_view kTwoCompressions[] = {"UNCOMPRESSED", "RLE"};
constexpr std::string_view kPngFilters[] = {"NONE", "SUB", "PAETH"};
constexpr std::string_view kPngCompressions[] = {"NONE", "1", "2", "3", "4", "5", "6", "7", "8", "MAX"};

constexpr TIOColorChoice kTiffColors[] = {{"B/W", 1, 1}, {"16", 4, 1}, {"256", 8, 1}, {"65536", 16, 1}, {"16M", 8, 3}};
constexpr TIOColorChoice kGifColors[] = {{"B/W", 1, 1}, {"4", 2, 1},  {"8", 3, 1},   {"16", 4, 1},
                                         {"32", 5, 1},  {"64", 6, 1}, {"128", 7, 1}, {"256", 8, 1}};
constexpr TIOColorChoice kBmpColors[] = {{"B/W", 1, 1},   {"16", 4, 1},  {"256", 8, 1},
                                         {"65536", 5, 3}, {"16M", 8, 3}, {"16M (32bit)", 8, 3}};
constexpr TIOColorChoice kPcxColors[] = {{"B/W", 1, 1}, {"16", 4, 1}, {"256", 8, 1}, {"16M", 8, 3}};
constexpr TIOColorChoice kThreeColors[] = {{"B/W", 1, 1}, {"256", 8, 1}, {"16M", 8, 3}};

// The list items of a colour control are the choices' texts.
template <size_t N>
constexpr std::array<std::string_view, N> Texts(const TIOColorChoice (&choices)[N]) {
  std::array<std::string_view, N> texts{};
  for (size_t i = 0; i < N; ++i) texts[i] = choices[i].Text;
  return texts;
}
constexpr auto kTiffColorTexts = Texts(kTiffColors);
constexpr auto kGifColorTexts = Texts(kGifColors);
constexpr auto kBmpColorTexts = Texts(kBmpColors);
constexpr auto kPcxColorTexts = Texts(kPcxColors);
constexpr auto kThreeColorTexts = Texts(kThreeColors);

constexpr TIOControlInfo kControls[] = {
    {.Id = icJpegQuality, .Page = ppJPEG, .Kind = ckNumber, .Word = KXMSG_QUALITY, .Max = 100, .Previews = true},
    {.Id = icJpegColorSpace,
     .Page = ppJPEG,
     .Kind = ckList,
     .Word = KXMSG_GRAYSCALE,
     .Items = kJpegColorSpaces,
     .Previews = true,
     .FixedCaption = "Color space:"},
    {.Id = icJpegDctMethod,
     .Page = ppJPEG,
     .Kind = ckList,
     .Word = KXMSG_DCTMETHOD,
     .Items = kJpegDctMethods,
     .Previews = true},
    {.Id = icJpegOptimalHuffman,
     .Page = ppJPEG,
     .Kind = ckCheck,
     .Word = KXMSG_OPTIMALHUFFMAN,
     .Form = cfPlain,
     .Previews = true,
     .Grouped = true},
    {.Id = icJpegProgressive,
     .Page = ppJPEG,
     .Kind = ckCheck,
     .Word = KXMSG_PROGRESSIVE,
     .Form = cfPlain,
     .Previews = true,
     .Grouped = true},
    {.Id = icJpegSmoothing,
     .Page = ppJPEG,
     .Kind = ckNumber,
     .Word = KXMSG_SMOOTHINGFACTOR,
     .Max = 100,
     .Previews = true,
     .Grouped = true},

    {.Id = icTiffCompression,
     .Page = ppTIFF,
     .Kind = ckList,
     .Word = KXMSG_COMPRESSION,
     .Items = kTiffCompressions,
     .Previews = true},
    {.Id = icTiffImageIndex, .Page = ppTIFF, .Kind = ckNumber, .Word = KXMSG_IMAGEINDEX, .Max = 1000},
    {.Id = icTiffPhotometric,
     .Page = ppTIFF,
     .Kind = ckList,
     .Word = KXMSG_PHOTOMETRIC,
     .Items = kTiffPhotometrics,
     .Previews = true},
    {.Id = icTiffColors,
     .Page = ppTIFF,
     .Kind = ckList,
     .Word = KXMSG_COLORS,
     .Items = kTiffColorTexts,
     .Previews = true},
    {.Id = icTiffHorizPosition,
     .Page = ppTIFF,
     .Kind = ckNumber,
     .Word = KXMSG_HORIZPOSITIONINCH,
     .Max = 1000000,
     .Grouped = true},
    {.Id = icTiffVertPosition,
     .Page = ppTIFF,
     .Kind = ckNumber,
     .Word = KXMSG_VERTPOSITIONINCH,
     .Max = 1000000,
     .Grouped = true},
    {.Id = icTiffDocumentName, .Page = ppTIFF, .Kind = ckText, .Word = KXMSG_NAME, .Grouped = true},
    {.Id = icTiffImageDescription, .Page = ppTIFF, .Kind = ckText, .Word = KXMSG_DESCRIPTION, .Grouped = true},
    {.Id = icTiffPageName, .Page = ppTIFF, .Kind = ckText, .Word = KXMSG_PAGENAME, .Grouped = true},
    {.Id = icTiffPageNumber, .Page = ppTIFF, .Kind = ckNumber, .Word = KXMSG_PAGENUMBER, .Max = 65535, .Grouped = true},
    {.Id = icTiffPageCount,
     .Page = ppTIFF,
     .Kind = ckNumber,
     .Word = KXMSG_OF,
     .Form = cfPlain,
     .Max = 65535,
     .Grouped = true},

    {.Id = icGifImageIndex, .Page = ppGIF, .Kind = ckNumber, .Word = KXMSG_IMAGEINDEX, .Max = 1000},
    {.Id = icGifColors, .Page = ppGIF, .Kind = ckList, .Word = KXMSG_COLORS, .Items = kGifColorTexts, .Previews = true},
    {.Id = icGifTransparent, .Page = ppGIF, .Kind = ckCheck, .Word = KXMSG_TRANSPARENT},
    {.Id = icGifTransparentColor, .Page = ppGIF, .Kind = ckColor, .Word = KXMSG_TRANSPARENTCOLOR},
    {.Id = icGifInterlaced, .Page = ppGIF, .Kind = ckCheck, .Word = KXMSG_INTERLACED, .Previews = true},
    {.Id = icGifBackground, .Page = ppGIF, .Kind = ckColor, .Word = KXMSG_BACKGROUND},
    {.Id = icGifDelayTime, .Page = ppGIF, .Kind = ckNumber, .Word = KXMSG_DELAYTIME, .Max = 65535, .Grouped = true},
    {.Id = icGifHorizPosition,
     .Page = ppGIF,
     .Kind = ckNumber,
     .Word = KXMSG_HORIZPOSITION,
     .Max = 65535,
     .Grouped = true},
    {.Id = icGifVertPosition,
     .Page = ppGIF,
     .Kind = ckNumber,
     .Word = KXMSG_VERTPOSITION,
     .Max = 65535,
     .Grouped = true},

    {.Id = icBmpCompression,
     .Page = ppBMP,
     .Kind = ckList,
     .Word = KXMSG_COMPRESSION,
     .Items = kTwoCompressions,
     .Previews = true},
    {.Id = icBmpColors, .Page = ppBMP, .Kind = ckList, .Word = KXMSG_COLORS, .Items = kBmpColorTexts, .Previews = true},

    {.Id = icPcxCompression,
     .Page = ppPCX,
     .Kind = ckList,
     .Word = KXMSG_COMPRESSION,
     .Items = kTwoCompressions,
     .Previews = true},
    {.Id = icPcxColors, .Page = ppPCX, .Kind = ckList, .Word = KXMSG_COLORS, .Items = kPcxColorTexts, .Previews = true},

    {.Id = icPngColors,
     .Page = ppPNG,
     .Kind = ckList,
     .Word = KXMSG_COLORS,
     .Items = kThreeColorTexts,
     .Previews = true},
    {.Id = icPngBackground, .Page = ppPNG, .Kind = ckColor, .Word = KXMSG_BACKGROUND},
    {.Id = icPngFilter,
     .Page = ppPNG,
     .Kind = ckList,
     .Word = KXMSG_FILTER,
     .Items = kPngFilters,
     .Previews = true,
     .Grouped = true},
    {.Id = icPngInterlaced,
     .Page = ppPNG,
     .Kind = ckCheck,
     .Word = KXMSG_INTERLACED,
     .Form = cfPlain,
     .Previews = true,
     .Grouped = true},
    {.Id = icPngCompression,
     .Page = ppPNG,
     .Kind = ckList,
     .Word = KXMSG_COMPRESSION,
     .Items = kPngCompressions,
     .Previews = true,
     .Grouped = true},

    {.Id = icTgaColors,
     .Page = ppTGA,
     .Kind = ckList,
     .Word = KXMSG_COLORS,
     .Items = kThreeColorTexts,
     .Previews = true},
    {.Id = icTgaBackground, .Page = ppTGA, .Kind = ckColor, .Word = KXMSG_BACKGROUND},
    {.Id = icTgaCompressed, .Page = ppTGA, .Kind = ckCheck, .Word = KXMSG_COMPRESSION, .Previews = true},
    {.Id = icTgaName, .Page = ppTGA, .Kind = ckText, .Word = KXMSG_NAME},
    {.Id = icTgaDescription, .Page = ppTGA, .Kind = ckText, .Word = KXMSG_DESCRIPTION},
};

constexpr struct {
  TPreviewParamsItems Page;
  TIOFileType FileType;
  std::string_view Caption;
} kPages[] = {{ppJPEG, ioJPEG, "JPEG"}, {ppTIFF, ioTIFF, "TIFF"}, {ppGIF, ioGIF, "GIF"}, {ppBMP, ioBMP, "BMP"},
              {ppPCX, ioPCX, "PCX"},    {ppPNG, ioPNG, "PNG"},    {ppTGA, ioTGA, "TGA"}};

}  // namespace

TIOFileType KXIOPageFileType(TPreviewParamsItems page) {
  for (const auto& p : kPages)
    if (p.Page == page) return p.FileType;
  return ioUnknown;
}

bool KXIOPageOfFileType(TIOFileType fileType, TPreviewParamsItems& page) {
  for (const auto& p : kPages)
    if (p.FileType == fileType) {
      page = p.Page;
      return true;
    }
  return false;
}

bool KXIOPageOfExtension(std::string_view extension, TPreviewParamsItems& page) {
  static constexpr struct {
    std::string_view Extension;
    TPreviewParamsItems Page;
  } kExtensions[] = {{".jpg", ppJPEG}, {".jpeg", ppJPEG}, {".jpe", ppJPEG}, {".tif", ppTIFF}, {".tiff", ppTIFF},
                     {".gif", ppGIF},  {".bmp", ppBMP},   {".pcx", ppPCX},  {".png", ppPNG},  {".tga", ppTGA}};
  for (const auto& e : kExtensions)
    if (e.Extension == extension) {
      page = e.Page;
      return true;
    }
  return false;
}

std::string_view KXIOPageCaption(TPreviewParamsItems page) {
  for (const auto& p : kPages)
    if (p.Page == page) return p.Caption;
  return {};
}

std::span<const TIOControlInfo> KXIOControls() { return kControls; }

const TIOControlInfo& KXIOControlInfo(TIOControl control) { return kControls[control]; }

std::span<const TIOColorChoice> KXIOColorChoices(TPreviewParamsItems page) {
  switch (page) {
    case ppTIFF:
      return kTiffColors;
    case ppGIF:
      return kGifColors;
    case ppBMP:
      return kBmpColors;
    case ppPCX:
      return kPcxColors;
    case ppPNG:
    case ppTGA:
      return kThreeColors;
    default:
      return {};
  }
}

bool KXIOColorControl(TPreviewParamsItems page, TIOControl& control) {
  switch (page) {
    case ppTIFF:
      control = icTiffColors;
      return true;
    case ppGIF:
      control = icGifColors;
      return true;
    case ppBMP:
      control = icBmpColors;
      return true;
    case ppPCX:
      control = icPcxColors;
      return true;
    case ppPNG:
      control = icPngColors;
      return true;
    case ppTGA:
      control = icTgaColors;
      return true;
    default:
      return false;
  }
}

int32_t KXIOColorChoiceOf(TPreviewParamsItems page, int32_t bits, int32_t samples) {
  const std::span<const TIOColorChoice> choices = KXIOColorChoices(page);
  const auto exact = [&]() -> int32_t {
    for (size_t i = 0; i < choices.size(); ++i)
      if (choices[i].Bits == bits && choices[i].Samples == samples) return int32_t(i);
    return -1;
  };
  const int32_t last = int32_t(choices.size()) - 1;
  switch (page) {
    case ppGIF:
      return std::clamp(bits - 1, 0, last);
    case ppPCX:
      if (samples == 3) return last;
      break;
    case ppPNG:
    case ppTGA:
      if (samples > 1) return 2;
      return bits == 1 ? 0 : 1;
    default:
      break;
  }
  const int32_t i = exact();
  // A pair the list has no entry for (CMYK's (8, 4), or a record never filled) shows full colour:
  // the choice nearest to what the writers make of it.
  if (i >= 0) return i;
  return page == ppBMP ? 4 : last;
}

bool KXIOPageGroup(TPreviewParamsItems page, TMsgLanguageWords& word) {
  switch (page) {
    case ppJPEG:
    case ppGIF:
    case ppPNG:
      word = KXMSG_ADVANCED;
      return true;
    case ppTIFF:
      word = KXMSG_SCANNDEDDOCUMENTINFO;
      return true;
    default:
      return false;
  }
}

}  // namespace kx
