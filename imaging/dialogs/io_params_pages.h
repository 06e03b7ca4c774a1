// The pages of the I/O parameters dialog as tables: each page's file type, its option controls
// (kind, list items, range, caption word, whether a change alters the saved picture) and the
// colour choices of each page with the (bits, samples) pair each one stands for. The editor and
// the form both read these tables, so a control is described once.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "imaging/components/io_component_types.h"
#include "imaging/core/words.h"
#include "imaging/io/ioparams.h"

namespace kx {

// The pages in tab order; ppJPEG .. ppTGA name them.
constexpr TPreviewParamsItems kIOPages[] = {ppJPEG, ppTIFF, ppGIF, ppBMP, ppPCX, ppPNG, ppTGA};

// The file type a page edits the options of.
TIOFileType KXIOPageFileType(TPreviewParamsItems page);
// The page of a file type; false when the type has none.
bool KXIOPageOfFileType(TIOFileType fileType, TPreviewParamsItems& page);
// The page of a lower-case extension with its dot (".jpg", ".tiff", ...); false when none.
bool KXIOPageOfExtension(std::string_view extension, TPreviewParamsItems& page);
// The tab caption: "JPEG", "TIFF", ...
std::string_view KXIOPageCaption(TPreviewParamsItems page);

enum TIOControl : uint8_t {
  icJpegQuality,
  icJpegColorSpace,
  icJpegDctMethod,
  icJpegOptimalHuffman,
  icJpegProgressive,
  icJpegSmoothing,
  icTiffCompression,
  icTiffImageIndex,
  icTiffPhotometric,
  icTiffColors,
  icTiffHorizPosition,
  icTiffVertPosition,
  icTiffDocumentName,
  icTiffImageDescription,
  icTiffPageName,
  icTiffPageNumber,
  icTiffPageCount,
  icGifImageIndex,
  icGifColors,
  icGifTransparent,
  icGifTransparentColor,
  icGifInterlaced,
  icGifBackground,
  icGifDelayTime,
  icGifHorizPosition,
  icGifVertPosition,
  icBmpCompression,
  icBmpColors,
  icPcxCompression,
  icPcxColors,
  icPngColors,
  icPngBackground,
  icPngFilter,
  icPngInterlaced,
  icPngCompression,
  icTgaColors,
  icTgaBackground,
  icTgaCompressed,
  icTgaName,
  icTgaDescription,
};

enum TIOControlKind : uint8_t {
  ckNumber,  // an edit box with arrows (the JPEG quality also has a track bar)
  ckList,    // a drop-down list: the value is the item's index
  ckCheck,   // a check box: 0 or 1
  ckText,    // a one-line edit box
  ckColor,   // a colour panel opening a colour choice on a click
};

// How a control's caption is made from its word: as it is, with ":" appended, or as a group's
// caption with a space before and after.
enum TIOCaptionForm : uint8_t { cfPlain, cfColon };

struct TIOControlInfo {
  TIOControl Id;
  TPreviewParamsItems Page;
  TIOControlKind Kind;
  TMsgLanguageWords Word;
  TIOCaptionForm Form = cfColon;
  std::span<const std::string_view> Items = {};
  int32_t Min = 0;
  int32_t Max = 0;
  // A change alters the saved picture or its size, so it starts a preview.
  bool Previews = false;
  // Placed in the page's group box (advanced or scanned-document information).
  bool Grouped = false;
  // The caption of a control that has no word of its own (the JPEG colour space list).
  std::string_view FixedCaption = {};
};

// Every control in page order, then in the order the page shows them.
std::span<const TIOControlInfo> KXIOControls();
const TIOControlInfo& KXIOControlInfo(TIOControl control);

// One colour choice: the texts and the (bits, samples) pair it writes.
struct TIOColorChoice {
  std::string_view Text;
  int32_t Bits;
  int32_t Samples;
};
// The colour choices of a page (empty for JPEG).
std::span<const TIOColorChoice> KXIOColorChoices(TPreviewParamsItems page);
// The colour control of a page; false for JPEG.
bool KXIOColorControl(TPreviewParamsItems page, TIOControl& control);
// The choice a page shows for a parameter set's (bits, samples) pair.
int32_t KXIOColorChoiceOf(TPreviewParamsItems page, int32_t bits, int32_t samples);
// The word of a page's group box caption and whether it has one.
bool KXIOPageGroup(TPreviewParamsItems page, TMsgLanguageWords& word);

}  // namespace kx
