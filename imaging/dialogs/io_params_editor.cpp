// The I/O parameters dialog's working copy and its rules.
#include "imaging/dialogs/io_params_editor.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "imaging/core/pixelformat.h"
#include "imaging/io/format_registry.h"
#include "imaging/proc/bitmap_copy.h"
#include "imaging/proc/resample.h"

namespace kx {

namespace {

bool ForcesFullColor(TIOTIFFPhotometInterpret p) { return p == ioTIFF_CMYK || p == ioTIFF_YCBCR || p == ioTIFF_CIELAB; }
bool ForcesBlackAndWhite(TIOTIFFPhotometInterpret p) { return p == ioTIFF_WHITEISZERO || p == ioTIFF_BLACKISZERO; }

// A picture of at most `pixels` pixels with the source's proportions (each side at least 1).
std::shared_ptr<const TBitmap> Reduce(const TBitmap& source, int64_t pixels) {
  const double scale = std::sqrt(double(pixels) / (double(source.Width()) * double(source.Height())));
  const int32_t w = std::max(1, int32_t(source.Width() * scale));
  const int32_t h = std::max(1, int32_t(source.Height() * scale));
  auto reduced = std::make_shared<TBitmap>(w, h, source.PixelFormat());
  _KXBmpStretch(source, *reduced);
  return reduced;
}

const std::string kNoText;

}  // namespace

TKXIOParamsEditor::TKXIOParamsEditor(TIOParamsVals& params, const TBitmap& source)
    : fParams(params), fWhole(KXCloneBitmap(source)) {
  fWork.Assign(params);
  if (int64_t(source.Width()) * source.Height() > kPreviewPixels) fReduced = Reduce(source, kPreviewPixels);
  for (TPreviewParamsItems page : kIOPages)
    fColors[page] =
        KXIOColorChoices(page).empty() ? 0 : KXIOColorChoiceOf(page, params.BitsPerSample, params.SamplesPerPixel);
}

bool TKXIOParamsEditor::SetPreviewParams(TPreviewParams pages) {
  fPages = pages;
  TPreviewParamsItems page;
  if (pages.Contains(ppAUTO) && KXIOPageOfFileType(fParams.FileType, page)) fPages.Include(page);
  if (fPages == TPreviewParams{ppAUTO}) return false;
  return std::any_of(std::begin(kIOPages), std::end(kIOPages), [&](auto p) { return PageVisible(p); });
}

bool TKXIOParamsEditor::PageVisible(TPreviewParamsItems page) const {
  return (fPages.Contains(ppALL) || fPages.Contains(page)) && KXFileFormatAbilities(KXIOPageFileType(page)).Writes;
}

TPreviewParamsItems TKXIOParamsEditor::FirstVisiblePage() const {
  for (TPreviewParamsItems page : kIOPages)
    if (PageVisible(page)) return page;
  return ppJPEG;
}

void TKXIOParamsEditor::SetActivePage(TPreviewParamsItems page) {
  fActive = page;
  fCompressedText = "---";
  fColorMap.clear();
  if (page == ppTIFF) FollowPhotometric();
}

void TKXIOParamsEditor::FollowPhotometric() {
  int32_t& colors = fColors[ppTIFF];
  if (ForcesFullColor(fWork.TIFF_Photometric))
    colors = 4;
  else if (ForcesBlackAndWhite(fWork.TIFF_Photometric))
    colors = 0;
  else if (colors == 0)
    colors = 4;
}

int32_t TKXIOParamsEditor::Value(TIOControl control) const {
  const TIOParamsVals& w = fWork;
  switch (control) {
    case icJpegQuality:
      return w.JPEG_Quality;
    case icJpegColorSpace:
      return w.JPEG_ColorSpace;
    case icJpegDctMethod:
      return w.JPEG_DCTMethod;
    case icJpegOptimalHuffman:
      return w.JPEG_OptimalHuffman;
    case icJpegProgressive:
      return w.JPEG_Progressive;
    case icJpegSmoothing:
      return w.JPEG_Smoothing;
    case icTiffCompression:
      return w.TIFF_Compression;
    case icTiffImageIndex:
      return w.TIFF_ImageIndex;
    case icTiffPhotometric:
      return w.TIFF_Photometric;
    case icTiffHorizPosition:
      return w.TIFF_HorizPosition;
    case icTiffVertPosition:
      return w.TIFF_VertPosition;
    case icTiffPageNumber:
      return w.TIFF_PageNumber;
    case icTiffPageCount:
      return w.TIFF_PageCount;
    case icGifImageIndex:
      return w.GIF_ImageIndex;
    case icGifTransparent:
      return w.GIF_Transparent;
    case icGifInterlaced:
      return w.GIF_Interlaced;
    case icGifDelayTime:
      return w.GIF_DelayTime;
    case icGifHorizPosition:
      return w.GIF_HorizPosition;
    case icGifVertPosition:
      return w.GIF_VertPosition;
    case icBmpCompression:
      return w.BMP_Compression;
    case icPcxCompression:
      return w.PCX_Compression;
    case icPngFilter:
      return w.PNG_Filter;
    case icPngInterlaced:
      return w.PNG_Interlaced;
    case icPngCompression:
      return w.PNG_Compression;
    case icTgaCompressed:
      return w.TGA_Compressed;
    case icTiffColors:
      return fColors[ppTIFF];
    case icGifColors:
      return fColors[ppGIF];
    case icBmpColors:
      return fColors[ppBMP];
    case icPcxColors:
      return fColors[ppPCX];
    case icPngColors:
      return fColors[ppPNG];
    case icTgaColors:
      return fColors[ppTGA];
    default:
      return 0;
  }
}

const std::string& TKXIOParamsEditor::Text(TIOControl control) const {
  switch (control) {
    case icTiffDocumentName:
      return fWork.TIFF_DocumentName;
    case icTiffImageDescription:
      return fWork.TIFF_ImageDescription;
    case icTiffPageName:
      return fWork.TIFF_PageName;
    case icTgaName:
      return fWork.TGA_Name;
    case icTgaDescription:
      return fWork.TGA_Description;
    default:
      return kNoText;
  }
}

TRGB TKXIOParamsEditor::Color(TIOControl control) const {
  switch (control) {
    case icGifTransparentColor:
      return fWork.GIF_TransparentColor;
    case icGifBackground:
      return fWork.GIF_Background;
    case icPngBackground:
      return fWork.PNG_Background;
    case icTgaBackground:
      return fWork.TGA_Background;
    default:
      return {};
  }
}

bool TKXIOParamsEditor::Enabled(TIOControl control) const {
  if (control == icTiffColors)
    return !ForcesFullColor(fWork.TIFF_Photometric) && !ForcesBlackAndWhite(fWork.TIFF_Photometric);
  if (control == icGifTransparentColor) return fWork.GIF_Transparent;
  return true;
}

bool TKXIOParamsEditor::Changed(TIOControl control) {
  const TIOControlInfo& info = KXIOControlInfo(control);
  fEdited.Include(info.Page);
  TIOControl colors;
  if (KXIOColorControl(info.Page, colors) && (control == colors || control == icTiffPhotometric))
    fLastColorPage = info.Page;
  return info.Previews && info.Page == fActive && fLockPreview;
}

bool TKXIOParamsEditor::SetValue(TIOControl control, int32_t value) {
  const TIOControlInfo& info = KXIOControlInfo(control);
  if (info.Kind == ckList)
    value = std::clamp<int32_t>(value, 0, int32_t(info.Items.size()) - 1);
  else if (info.Kind == ckCheck)
    value = value != 0;
  else if (info.Kind == ckNumber)
    value = std::clamp(value, info.Min, info.Max);
  else
    return false;
  if (value == Value(control)) return false;
  TIOParamsVals& w = fWork;
  switch (control) {
    case icJpegQuality:
      w.JPEG_Quality = value;
      break;
    case icJpegColorSpace:
      w.JPEG_ColorSpace = TIOJPEGColorspace(value);
      break;
    case icJpegDctMethod:
      w.JPEG_DCTMethod = TIOJPEGDctMethod(value);
      break;
    case icJpegOptimalHuffman:
      w.JPEG_OptimalHuffman = value;
      break;
    case icJpegProgressive:
      w.JPEG_Progressive = value;
      break;
    case icJpegSmoothing:
      w.JPEG_Smoothing = value;
      break;
    case icTiffCompression:
      w.TIFF_Compression = TIOTIFFCompression(value);
      break;
    case icTiffImageIndex:
      w.TIFF_ImageIndex = value;
      break;
    case icTiffPhotometric:
      w.TIFF_Photometric = TIOTIFFPhotometInterpret(value);
      FollowPhotometric();
      break;
    case icTiffHorizPosition:
      w.TIFF_HorizPosition = value;
      break;
    case icTiffVertPosition:
      w.TIFF_VertPosition = value;
      break;
    case icTiffPageNumber:
      w.TIFF_PageNumber = value;
      break;
    case icTiffPageCount:
      w.TIFF_PageCount = value;
      break;
    case icGifImageIndex:
      w.GIF_ImageIndex = value;
      break;
    case icGifTransparent:
      w.GIF_Transparent = value;
      break;
    case icGifInterlaced:
      w.GIF_Interlaced = value;
      break;
    case icGifDelayTime:
      w.GIF_DelayTime = value;
      break;
    case icGifHorizPosition:
      w.GIF_HorizPosition = value;
      break;
    case icGifVertPosition:
      w.GIF_VertPosition = value;
      break;
    case icBmpCompression:
      w.BMP_Compression = TIOBMPCompression(value);
      break;
    case icPcxCompression:
      w.PCX_Compression = TIOPCXCompression(value);
      break;
    case icPngFilter:
      w.PNG_Filter = TIOPNGFilter(value);
      break;
    case icPngInterlaced:
      w.PNG_Interlaced = value;
      break;
    case icPngCompression:
      w.PNG_Compression = value;
      break;
    case icTgaCompressed:
      w.TGA_Compressed = value;
      break;
    case icTiffColors:
    case icGifColors:
    case icBmpColors:
    case icPcxColors:
    case icPngColors:
    case icTgaColors:
      if (!Enabled(control)) return false;
      fColors[info.Page] = value;
      break;
    default:
      return false;
  }
  return Changed(control);
}

bool TKXIOParamsEditor::SetNumberText(TIOControl control, std::string_view text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) value = control == icJpegQuality ? 50 : 0;
  return SetValue(control, value);
}

bool TKXIOParamsEditor::SetText(TIOControl control, const std::string& text) {
  std::string* field = nullptr;
  switch (control) {
    case icTiffDocumentName:
      field = &fWork.TIFF_DocumentName;
      break;
    case icTiffImageDescription:
      field = &fWork.TIFF_ImageDescription;
      break;
    case icTiffPageName:
      field = &fWork.TIFF_PageName;
      break;
    case icTgaName:
      field = &fWork.TGA_Name;
      break;
    case icTgaDescription:
      field = &fWork.TGA_Description;
      break;
    default:
      return false;
  }
  if (*field == text) return false;
  *field = text;
  return Changed(control);
}

bool TKXIOParamsEditor::SetColor(TIOControl control, TRGB color) {
  TRGB* field = nullptr;
  switch (control) {
    case icGifTransparentColor:
      field = &fWork.GIF_TransparentColor;
      break;
    case icGifBackground:
      field = &fWork.GIF_Background;
      break;
    case icPngBackground:
      field = &fWork.PNG_Background;
      break;
    case icTgaBackground:
      field = &fWork.TGA_Background;
      break;
    default:
      return false;
  }
  if (*field == color) return false;
  *field = color;
  return Changed(control);
}

TIOColorChoice TKXIOParamsEditor::Pair(TPreviewParamsItems page) const {
  if (page == ppTIFF && fWork.TIFF_Photometric == ioTIFF_CMYK) return {"16M", 8, 4};
  const std::span<const TIOColorChoice> choices = KXIOColorChoices(page);
  return choices[size_t(std::clamp<int32_t>(fColors[page], 0, int32_t(choices.size()) - 1))];
}

void TKXIOParamsEditor::WritePage(TPreviewParamsItems page, TIOParamsVals& p, bool withPair) const {
  const TIOParamsVals& w = fWork;
  switch (page) {
    case ppJPEG:
      p.JPEG_Quality = w.JPEG_Quality;
      p.JPEG_ColorSpace = w.JPEG_ColorSpace;
      p.JPEG_DCTMethod = w.JPEG_DCTMethod;
      p.JPEG_OptimalHuffman = w.JPEG_OptimalHuffman;
      p.JPEG_Smoothing = w.JPEG_Smoothing;
      p.JPEG_Progressive = w.JPEG_Progressive;
      return;
    case ppTIFF:
      p.TIFF_Compression = w.TIFF_Compression;
      p.TIFF_ImageIndex = w.TIFF_ImageIndex;
      p.TIFF_Photometric = w.TIFF_Photometric;
      p.TIFF_HorizPosition = w.TIFF_HorizPosition;
      p.TIFF_VertPosition = w.TIFF_VertPosition;
      p.TIFF_DocumentName = w.TIFF_DocumentName;
      p.TIFF_ImageDescription = w.TIFF_ImageDescription;
      p.TIFF_PageName = w.TIFF_PageName;
      p.TIFF_PageNumber = w.TIFF_PageNumber;
      p.TIFF_PageCount = w.TIFF_PageCount;
      break;
    case ppGIF:
      p.GIF_ImageIndex = w.GIF_ImageIndex;
      p.GIF_HorizPosition = w.GIF_HorizPosition;
      p.GIF_VertPosition = w.GIF_VertPosition;
      p.GIF_DelayTime = w.GIF_DelayTime;
      p.GIF_Transparent = w.GIF_Transparent;
      p.GIF_TransparentColor = w.GIF_TransparentColor;
      p.GIF_Interlaced = w.GIF_Interlaced;
      p.GIF_Background = w.GIF_Background;
      // The samples per pixel stay as they were.
      if (withPair) p.BitsPerSample = Pair(page).Bits;
      return;
    case ppBMP:
      p.BMP_Compression = w.BMP_Compression;
      break;
    case ppPCX:
      p.PCX_Compression = w.PCX_Compression;
      break;
    case ppPNG:
      p.PNG_Background = w.PNG_Background;
      p.PNG_Interlaced = w.PNG_Interlaced;
      p.PNG_Filter = w.PNG_Filter;
      p.PNG_Compression = w.PNG_Compression;
      break;
    case ppTGA:
      p.TGA_Background = w.TGA_Background;
      p.TGA_Compressed = w.TGA_Compressed;
      p.TGA_Name = w.TGA_Name;
      p.TGA_Description = w.TGA_Description;
      break;
    default:
      return;
  }
  if (withPair) {
    const TIOColorChoice pair = Pair(page);
    p.BitsPerSample = pair.Bits;
    p.SamplesPerPixel = pair.Samples;
  }
}

TKXIOPreviewJob TKXIOParamsEditor::PreviewJob() const {
  TKXIOPreviewJob job;
  job.FileType = KXIOPageFileType(fActive);
  job.Whole = fWhole;
  job.Reduced = fReduced;
  job.Params.Assign(fParams);
  WritePage(fActive, job.Params, true);
  // The GIF writer is handed a palette picture of the chosen bit count.
  if (fActive == ppGIF) job.Params.SamplesPerPixel = 1;
  // The coders are those of the caller's set: the working copy never changes them.
  return job;
}

void TKXIOParamsEditor::TakePreview(const TKXIOPreviewResult& result) {
  if (result.Cancelled) return;
  fCompressedText = result.Failed ? "n/a" : std::to_string(result.Size) + " bytes";
  fColorMap = result.Failed ? std::vector<TRGB>{} : result.ColorMap;
}

std::string TKXIOParamsEditor::UncompressedSizeText() const {
  const int64_t bits = fWhole->PixelFormat() == pf1bit ? 1 : 24;
  const int64_t size = (bits * fWhole->Width() + 31) / 32 * 4 * fWhole->Height();
  return std::to_string(size) + " bytes";
}

bool TKXIOParamsEditor::ColorFromPalette(TIOControl control) const {
  return (control == icGifTransparentColor || control == icGifBackground || control == icPngBackground ||
          control == icTgaBackground) &&
         !fColorMap.empty();
}

void TKXIOParamsEditor::Accept() {
  for (TPreviewParamsItems page : kIOPages)
    if (page != fActive && fEdited.Contains(page)) WritePage(page, fParams, false);
  WritePage(fActive, fParams, true);
  if (fActive == ppJPEG && fLastColorPage >= 0) {
    const TIOColorChoice pair = Pair(TPreviewParamsItems(fLastColorPage));
    fParams.BitsPerSample = pair.Bits;
    if (fLastColorPage != ppGIF) fParams.SamplesPerPixel = pair.Samples;
  }
}

}  // namespace kx
