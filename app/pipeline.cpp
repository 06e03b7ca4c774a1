// The picture pipeline: fitting the source, the edits, the live preview and the preview JPEG.
#include "app/pipeline.h"

#include <algorithm>

#include "imaging/core/bitmap.h"
#include "imaging/core/canvas.h"
#include "imaging/core/file_replace.h"
#include "imaging/core/stream.h"
#include "imaging/proc/resample.h"

namespace quillop {

using namespace kx;

namespace {

// The picture the copies hold before the first one is obtained.
TBitmap BlankPicture(int32_t side) {
  TBitmap picture(side, side);
  picture.Canvas().Brush = TBrush{ColorToRGB(clBtnFace), bsSolid};
  picture.Canvas().FillRect(Rect(0, 0, side, side));
  return picture;
}

constexpr TGraphFilter kSharpen{{{0, -1, 0}, {-1, 5, -1}, {0, -1, 0}}, 1};
constexpr int32_t kSourceBlankSide = 33;

// Why the last load or save of `k` stopped.
std::string ReasonOf(const TKestrix& k, const char* otherwise) {
  const std::string& reason = k.Diagnostics().Reason;
  return reason.empty() ? otherwise : reason;
}

}  // namespace

TFitSize FitSize(int32_t width, int32_t height, int32_t side) {
  if (width > height) return {side, std::max<int32_t>(1, int32_t(int64_t(side) * height / width))};
  return {std::max<int32_t>(1, int32_t(int64_t(side) * width / height)), side};
}

std::string FileSizeText(int64_t bytes) { return "Filesize: " + std::to_string(bytes / 1024) + " Kb."; }

TPicturePipeline::TPicturePipeline(TPreviewFiles& previews, TBusyCursor* cursor)
    : fPreviews(previews), fCursor(cursor) {
  const TBitmap sourceBlank = BlankPicture(kSourceBlankSide);
  const TBitmap blank = BlankPicture(kDisplaySide);
  Kestrix_Save.Assign(&sourceBlank);
  Kestrix_Buffer.Assign(&blank);
  // The display is rebuilt from the working copy on every change and never undone: an undo copy
  // before each of its brightness and contrast passes would take a third of the live preview.
  Kestrix_Display.SetAutoUndo(false);
  Kestrix_Display.SetBorderStyle(bsNone);
  Kestrix_Display.SetBounds(1, 1, kDisplaySide, kDisplaySide);
  Kestrix_Display.SetBackGround(kDisplayBackground);
  Kestrix_Display.Assign(&blank);

  SB_JpegCompress.OnChange = TSliderEvent::Bind<&TPicturePipeline::SB_JpegCompressChange>(this);
  SB_Brightness.OnChange = TSliderEvent::Bind<&TPicturePipeline::SB_BrightnessChange>(this);
  SB_Contrast.OnChange = TSliderEvent::Bind<&TPicturePipeline::SB_ContrastChange>(this);
  SB_JpegSmooth.OnChange = TSliderEvent::Bind<&TPicturePipeline::SB_JpegSmoothChange>(this);
  for (TSliderModel* slider : {&SB_JpegCompress, &SB_Brightness, &SB_Contrast, &SB_JpegSmooth})
    slider->OnChanged = TSliderEvent::Bind<&TPicturePipeline::SliderChanged>(this);
}

void TPicturePipeline::LoadFitted(const std::string& fileName) {
  const int32_t side = DisplaySide();
  Kestrix_Save.LoadFromFileFitted(fileName, [side](int32_t width, int32_t height) {
    const TFitSize fit = FitSize(width, height, side);
    return kx::TKXFittedSize{fit.Width, fit.Height};
  });
}

void TPicturePipeline::PreProcessImage() {
  TBusyCursorScope busy(fCursor);
  const TBitmap& source = Kestrix_Save.Bitmap();
  if (source.Width() <= 0 || source.Height() <= 0)
    throw EPreviewError("The picture is empty (" + std::to_string(source.Width()) + " x " +
                        std::to_string(source.Height()) + " pixels): nothing was changed.");
  const int32_t side = DisplaySide();
  Kestrix_Display.SetBounds(Kestrix_Display.Left(), Kestrix_Display.Top(), side, side);

  // The working copy is the source stretched plainly, with the source's parameters, background
  // and resolution. Stretching straight from the source spares a full-size copy of it.
  const TFitSize fit = FitSize(source.Width(), source.Height(), side);
  TBitmap fitted(fit.Width, fit.Height, source.PixelFormat() == pf1bit ? pf1bit : pf24bit);
  _KXBmpStretch(source, fitted);
  Kestrix_Buffer.AssignIOParams(&Kestrix_Save);
  Kestrix_Buffer.SetBackGround(Kestrix_Save.Background());
  Kestrix_Buffer.SetDPI(Kestrix_Save.DpiX(), Kestrix_Save.DpiY());
  Kestrix_Buffer.Assign(&fitted);
  // Brightness, contrast and sharpening work on 24-bit pictures only.
  if (Kestrix_Buffer.Bitmap().PixelFormat() == pf1bit) Kestrix_Buffer.ConvertTo24Bit();

  // On screen the fitted picture shows while the preview is made; without a window the rebuild
  // below does all there is to do.
  if (Kestrix_Display.Host()) {
    Kestrix_Display.Assign(&Kestrix_Buffer);
    Kestrix_Display.Paint();
  }
  SaveTempJpeg();
  fHasPicture = true;
}

void TPicturePipeline::PlaceDisplay() {
  const int32_t side = DisplaySide();
  const int32_t w = Kestrix_Display.Bitmap().Width(), h = Kestrix_Display.Bitmap().Height();
  Kestrix_Display.SetBounds((side - w) / 2, (side - h) / 2, w, h);
}

void TPicturePipeline::SaveTempJpeg() {
  TBusyCursorScope busy(fCursor);
  // What a failed rebuild gives back.
  const TBitmap shown = Kestrix_Display.Bitmap();
  const int32_t left = Kestrix_Display.Left(), top = Kestrix_Display.Top();
  const int32_t width = Kestrix_Display.Width(), height = Kestrix_Display.Height();
  try {
    Kestrix_Display.Assign(&Kestrix_Buffer);
    PlaceDisplay();
    TIOParamsVals& params = Kestrix_Display.IOParams();
    params.JPEG_ColorSpace = ioJPEG_RGB;
    params.JPEG_Quality = SB_JpegCompress.Value();
    params.JPEG_Smoothing = SB_JpegSmooth.Value();
    params.JPEG_Progressive = true;
    if (Brightness != 0 || Contrast != 0) {
      Kestrix_Display.IntensityRGBall(Brightness, Brightness, Brightness);
      Kestrix_Display.Contrast(Contrast);
    }
    if (Kestrix_Display.Host()) Kestrix_Display.Paint();
    WritePreview();
  } catch (const std::exception&) {
    Kestrix_Display.Assign(&shown);
    Kestrix_Display.SetBounds(left, top, width, height);
    throw;
  }
  Shown();
}

void TPicturePipeline::WritePreview() {
  TMemoryStream jpeg;
  Kestrix_Display.SaveToStreamJpeg(jpeg);
  if (Kestrix_Display.Aborting())
    throw EPreviewError("The preview could not be encoded: " + ReasonOf(Kestrix_Display, "the encoder stopped") + ".");
  const std::string name = fPreviews.ReserveName();
  if (name.empty()) throw EPreviewError("No preview file can be created in the working folder.");
  try {
    KXReplaceFile(name, [&](TStream& file) {
      file.WriteBuffer(jpeg.Bytes().data(), int64_t(jpeg.Bytes().size()));
      return true;
    });
    jpeg.SetPosition(0);
    Kestrix_Display.LoadFromStreamJpeg(jpeg);
    if (Kestrix_Display.Aborting())
      throw EPreviewError("The preview \"" + name +
                          "\" could not be read back: " + ReasonOf(Kestrix_Display, "the decoder stopped") + ".");
  } catch (...) {
    TPreviewFiles::Release(name);
    throw;
  }
  fPreviews.Adopt(name);
  Kestrix_Display.IOParams().FileName = name;
  FileSize = FileSizeText(int64_t(jpeg.Bytes().size()));
  fPreviewBytes = jpeg.Bytes();
}

void TPicturePipeline::LivePreview() {
  TBusyCursorScope busy(fCursor);
  Kestrix_Display.Assign(&Kestrix_Buffer);
  Kestrix_Display.IntensityRGBall(Brightness, Brightness, Brightness);
  Kestrix_Display.Contrast(Contrast);
  Shown();
}

void TPicturePipeline::SB_BrightnessChange(TSliderModel* slider) {
  Brightness = slider->Value();
  T_Brightness = std::to_string(Brightness);
  LivePreview();
}

void TPicturePipeline::SB_ContrastChange(TSliderModel* slider) {
  Contrast = slider->Value();
  T_Contrast = std::to_string(Contrast);
  LivePreview();
}

void TPicturePipeline::SB_JpegCompressChange(TSliderModel* slider) {
  JPEGComp = slider->Value();
  T_JpegCompress = std::to_string(JPEGComp);
  Shown();
}

void TPicturePipeline::SB_JpegSmoothChange(TSliderModel* slider) {
  JPEGSmooth = slider->Value();
  T_JpegSmooth = std::to_string(JPEGSmooth);
  Shown();
}

void TPicturePipeline::PB_RotateCWClick() {
  Kestrix_Buffer.Rotate(-90, false);
  SaveTempJpeg();
}

void TPicturePipeline::PB_RotateCCWClick() {
  Kestrix_Buffer.Rotate(90, false);
  SaveTempJpeg();
}

void TPicturePipeline::PB_FlipHClick() {
  Kestrix_Buffer.Flip(fdHorizontal);
  SaveTempJpeg();
}

void TPicturePipeline::PB_FlipVClick() {
  Kestrix_Buffer.Flip(fdVertical);
  SaveTempJpeg();
}

void TPicturePipeline::PB_SharpenClick() {
  TBusyCursorScope busy(fCursor);
  Kestrix_Buffer.ApplyFilterPreset(LowPass2);
  Kestrix_Buffer.ApplyFilter(kSharpen);
  SaveTempJpeg();
}

void TPicturePipeline::PB_InvertClick() {
  Kestrix_Buffer.Negative();
  SaveTempJpeg();
}

void TPicturePipeline::PB_RestoreClick() {
  SB_Brightness.SetValue(0);
  SB_Contrast.SetValue(0);
  SB_JpegCompress.SetValue(kDefaultQuality);
  PreProcessImage();
}

void TPicturePipeline::T_BrightnessClick() {
  SB_Brightness.SetValue(0);
  SaveTempJpeg();
}

void TPicturePipeline::T_ContrastClick() {
  SB_Contrast.SetValue(0);
  SaveTempJpeg();
}

void TPicturePipeline::T_JpegCompressClick() {
  SB_JpegCompress.SetValue(kDefaultQuality);
  SaveTempJpeg();
}

}  // namespace quillop
