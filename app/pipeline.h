// TPicturePipeline: what the main window does with a picture, without any window. Three
// composites hold three versions of it: the source as obtained (never edited), the working copy
// fitted to the display's side (every edit changes it), and the display, which shows the
// working copy with brightness and contrast applied and then the decoded preview JPEG, the very
// file that is sent. The sliders are models; the window binds its widgets to them.
//
// A rebuild never loses the preview it replaces: the new JPEG is encoded in memory, written to
// a fresh reserved name and decoded from memory; only then is the old file deleted. A failure
// leaves the old preview, the display and the size readout as they were and throws.
#pragma once

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/slider_model.h"
#include "app/working_files.h"
#include "imaging/components/kestrix.h"
#include "platform/busy_cursor.h"

namespace quillop {

// A rebuild or a fit that could not be done; the message says why.
class EPreviewError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The side of the square the display shows the picture in.
constexpr int32_t kDisplaySide = 540;
// The display's background: the window's colour (red 214, green 211, blue 202).
constexpr kx::TColor kDisplayBackground = 13292502;
constexpr int32_t kDefaultQuality = 60;

// The working copy's size for a source of width x height fitted into side x side: the longer
// side becomes `side` (a square counts as higher), the other follows the aspect ratio rounded
// down, and is at least 1.
struct TFitSize {
  int32_t Width, Height;
};
TFitSize FitSize(int32_t width, int32_t height, int32_t side);
// "Filesize: N Kb." for a file of `bytes` bytes (N = bytes div 1024).
std::string FileSizeText(int64_t bytes);

class TPicturePipeline;
using TPipelineEvent = kx::TEvent<TPicturePipeline*>;

class TPicturePipeline {
 public:
  // Previews go to `previews`' folder; `cursor`, when given, shows the busy cursor meanwhile.
  explicit TPicturePipeline(TPreviewFiles& previews, kx::TBusyCursor* cursor = nullptr);
  TPicturePipeline(const TPicturePipeline&) = delete;
  TPicturePipeline& operator=(const TPicturePipeline&) = delete;

  kx::TKestrix Kestrix_Save;
  kx::TKestrix Kestrix_Buffer;
  kx::TKestrix Kestrix_Display;

  TSliderModel SB_JpegCompress{0, 100, 10, kDefaultQuality};
  TSliderModel SB_Brightness{-100, 100, 20, 0};
  TSliderModel SB_Contrast{-100, 100, 20, 0};
  TSliderModel SB_JpegSmooth{0, 100, 10, 0};

  int32_t JPEGComp = kDefaultQuality;
  int32_t JPEGSmooth = 0;
  int32_t Brightness = 0;
  int32_t Contrast = 0;
  // The current preview JPEG; empty until the first rebuild.
  const std::string& TempFileName() const { return fPreviews.TempFileName(); }
  // Its bytes, as written.
  const std::vector<uint8_t>& PreviewBytes() const { return fPreviewBytes; }

  // The labels' texts.
  std::string T_JpegCompress = "60";
  std::string T_Brightness = "0";
  std::string T_Contrast = "0";
  std::string T_JpegSmooth = "0";
  std::string FileSize = "FileSize:";

  // False until a picture was obtained and prepared: before it the edit and send commands have
  // nothing to work on.
  bool HasPicture() const { return fHasPicture; }

  // Loads a picture into the source copy already fitted to the display, for a job that never
  // restores (a JPEG is fitted while it decodes and never held whole); PreProcessImage then
  // gives the same working copy as after a full load. Failures as Kestrix_Save.LoadFromFile.
  void LoadFitted(const std::string& fileName);
  // Rebuilds the working copy from the source copy (after a scan, load or paste), then the
  // preview. A source with a side of 0 changes nothing and throws.
  void PreProcessImage();
  // Rebuilds the display and the preview JPEG from the working copy and shows the file size.
  void SaveTempJpeg();

  // The edits of the working copy, each followed by a rebuild.
  void PB_RotateCWClick();
  void PB_RotateCCWClick();
  void PB_FlipHClick();
  void PB_FlipVClick();
  void PB_SharpenClick();
  void PB_InvertClick();
  // Sliders back to their defaults, then the working copy anew from the source.
  void PB_RestoreClick();
  // One slider back to its default, then a rebuild.
  void T_BrightnessClick();
  void T_ContrastClick();
  void T_JpegCompressClick();

  // Raised when a label, the size readout or the display's picture or place changed.
  TPipelineEvent OnShow;

 private:
  void SB_BrightnessChange(TSliderModel* slider);
  void SB_ContrastChange(TSliderModel* slider);
  void SB_JpegCompressChange(TSliderModel* slider);
  void SB_JpegSmoothChange(TSliderModel* slider);
  void SliderChanged(TSliderModel*) { SaveTempJpeg(); }
  // The display from the working copy with brightness and contrast, always applied.
  void LivePreview();
  // The side of the square the display fits pictures into.
  int32_t DisplaySide() const { return std::max(Kestrix_Display.Width(), Kestrix_Display.Height()); }
  // The display's picture centred in its square at 1:1.
  void PlaceDisplay();
  // Encodes the display, writes the file and shows the decoded result; throws on failure.
  void WritePreview();
  void Shown() { OnShow(this); }

  TPreviewFiles& fPreviews;
  kx::TBusyCursor* fCursor;
  std::vector<uint8_t> fPreviewBytes;
  bool fHasPicture = false;
};

}  // namespace quillop
