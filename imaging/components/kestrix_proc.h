// TKestrixProc: the processing component. It runs operations on one 24-bit or 1-bit bitmap it
// does not own, taken from an attached view (following the view's bitmap changes) or set
// directly, keeps a one-level undo copy, restricts selection-aware work to the effective
// selection and reports progress. Every operation is a member declared here; each group lives
// in its own file, with the pixel routines (the free `_` functions) declared in that group's
// header.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "imaging/components/io_component_types.h"
#include "imaging/components/view_link.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/core/types.h"
#include "imaging/proc/fourier.h"
#include "imaging/proc/proc_types.h"
#include "imaging/view/view.h"
#include "platform/clipboard.h"
#include "platform/control.h"

namespace kx {

enum TFlipDir : uint8_t { fdHorizontal, fdVertical };
enum TPRPreviewsParamsItems : uint8_t { prppDefaultLockPreview };
using TPRPreviewsParams = TEnumSet<TPRPreviewsParamsItems>;
// Sender, the previews dialog about to be shown.
using TKXPreviewEvent = TEvent<void*, void*>;

class TKestrixProc;
// Something that shows a processing component's results without owning it (a histogram box)
// and must forget it when it goes.
class TProcFreeNotifyTarget {
 public:
  // `proc` is being destroyed: only its address is still valid.
  virtual void ProcFreed(TKestrixProc& proc) = 0;

 protected:
  ~TProcFreeNotifyTarget() = default;
};

class TKestrixProc : public TFreeNotifyTarget {
 public:
  TKestrixProc();
  virtual ~TKestrixProc();
  TKestrixProc(const TKestrixProc&) = delete;
  TKestrixProc& operator=(const TKestrixProc&) = delete;

  // Attachment. Every change of attachment drops the previous working bitmap.
  TKXView* AttachedKestrix() const { return fViewLink.View(); }
  void SetAttachedKestrix(TKXView* view);
  void SetAttachedBitmap(TBitmap* bitmap);
  // The bitmap every operation works on, or null.
  TBitmap* WorkingBitmap() const { return fBitmap; }

  bool AutoUndo() const { return fAutoUndo; }
  void SetAutoUndo(bool on) { fAutoUndo = on; }
  // The attached view's background, else the component's own (initially black).
  TColor Background() const { return GetReBackground(); }
  void SetBackground(TColor color) { SetReBackground(color); }
  TColor GetReBackground() const;
  void SetReBackground(TColor color);
  TMsgLanguage MsgLanguage() const { return fMsgLanguage; }
  void SetMsgLanguage(TMsgLanguage language) { fMsgLanguage = language; }
  // What the processing previews dialog starts with.
  TPRPreviewsParams PreviewsParams() const { return fPreviewsParams; }
  void SetPreviewsParams(TPRPreviewsParams params) { fPreviewsParams = params; }
  const TKXFont& PreviewFont() const { return fPreviewFont; }
  void SetPreviewFont(const TKXFont& font) { fPreviewFont = font; }

  TProgressEvent OnProgress;
  TKXPreviewEvent OnPreview;

  // Destruction notice: each registered target is told once, in registration order, when the
  // component is destroyed. A target registered twice is told once.
  void FreeNotification(TProcFreeNotifyTarget* target);
  void RemoveFreeNotification(TProcFreeNotifyTarget* target);

  // One-level undo.
  virtual void SaveUndo();
  void Undo();
  void ClearUndo();
  bool CanUndo() const { return fHasUndo; }
  bool GetCanUndo() const { return fHasUndo; }
  const TBitmap& UndoBitmap() const { return fUndo; }

  // Selection: inclusive corners in bitmap pixels. With a view, the view's selection counts.
  void Select(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TKXSelectOp op = kxspReplace);
  void SelectAll();
  // The effective selection, ordered and cut to the bitmap (x1 > x2 or y1 > y2 when nothing of
  // it is left); false, with the whole bitmap, when there is none. `polygon` and `count` are
  // the view's selection polygon (count 0 without one).
  bool GetReSel(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2, const TPoint*& polygon, int32_t& count) const;
  int32_t GetSelX1() const;
  int32_t GetSelY1() const;
  int32_t GetSelX2() const;
  int32_t GetSelY2() const;

  // Repaints the attached view.
  void Update();

  // Why the last operation left the picture as it was although it had a picture to work on
  // (arguments it cannot use, a result above the pixel limit); empty when it ran.
  const std::string& LastRefusal() const { return fLastRefusal; }

  // The frame of a selection-aware operation. `routine` works on the inclusive rectangle
  // x1..x2, y1..y2 of the bitmap it is given (reporting rows through ReportRow with ProgressRec()) and writes no
  // pixel outside it. A polygon selection runs it over the bounding box of the picture itself,
  // so neighbourhood routines read the real neighbours, then puts back the pixels of the box
  // that lie outside the polygon. Nothing happens without a 24-bit bitmap (or a 1-bit one when
  // `oneBitToo`) or when nothing of the selection lies on the bitmap.
  using TRectRoutine = std::function<void(TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2)>;
  void RunOnSelection(const TRectRoutine& routine, bool oneBitToo = false);
  // A progress record carrying OnProgress with this component as sender and no abort flag.
  TProgressRec ProgressRec() const;

  // Geometry. All work on the whole bitmap and leave it unchanged on unusable arguments.
  // New size; a negative side keeps the aspect ratio. rfNone or a 1-bit bitmap stretch plainly.
  void Resample(int32_t width, int32_t height, TResampleFilter filter);
  // New canvas size: the picture keeps its top-left corner, added area takes the background.
  void ImageResize(int32_t width, int32_t height);
  // Counter-clockwise by `angle` degrees; the uncovered corners take the background.
  void Rotate(int32_t angle, bool antialias);
  void Flip(TFlipDir direction);
  // Keeps only the selected pixels (outside a polygon: the background).
  void CropSel();

  // Colour and tone, selection-aware (color_point.cpp, color_hsl.cpp, color_hist.cpp): 24-bit
  // only (Negative also 1-bit), undo first, rectangle or polygon, repaint. Point operations go
  // through 256-entry channel tables.
  // Adds each amount to its channel, clamped to 0..255.
  void IntensityRGBall(int32_t dr, int32_t dg, int32_t db);
  // Stretches (v > 0) or flattens (v < 0) each channel around the picture's mean; -100 leaves
  // the means, 0 changes nothing. Pictures narrower or lower than 2 pixels are left alone.
  void Contrast(int32_t v);
  void Negative();
  // Gray (21 r + 71 g + 7 b) div 100 in all three channels.
  void ConvertToGray();
  // Hue in degrees, saturation and lightness (or value) in hundredths; results clamp, the hue
  // does not wrap.
  void HSLvar(int32_t dh, int32_t ds, int32_t dl);
  void HSVvar(int32_t dh, int32_t ds, int32_t dv);
  // A pixel whose every channel lies within begin..end becomes `cast`.
  void CastColorRange(TRGB begin, TRGB end, TRGB cast);
  // Per channel: at or below the down limit takes the down value, then above the up limit
  // the up value. Limits black and white change nothing.
  void Threshold(TRGB downLimit, TRGB upLimit, TRGB downValue, TRGB upValue);
  // Per channel: stretches low..255 to 0..255, then scales by 255 / high (clipped at 255), so
  // `high` acts as a gain and not as the top level: low 50, high 200 maps 200 to 238 and
  // reaches 255 only from 211.
  void HistEqualize(TRGB low, TRGB high);
  // Equalises through the whole picture's level ranges, choosing per pixel between its range
  // and its 3 x 3 neighbourhood mean. Pictures under 256 pixels are left alone.
  void HistAutoEqualize();

  // Colour statistics (color_hist.cpp, color_convert.cpp); the picture stays as it is.
  // Zeroes `histogram`, then counts the selection's bounding box of a 24-bit picture.
  void GetHistogram(THistogram& histogram) const;
  // Distinct colours of the selection's bounding box: 2 for a 1-bit picture, 0 without a
  // 24-bit or 1-bit one.
  int32_t CalcImageNumColors() const;
  // Fills `palette` with up to `maxColors` quantizer colours of the whole 24-bit picture.
  void CalcImagePalette(std::span<TRGB> palette, int32_t maxColors) const;

  // Whole-picture conversions (color_convert.cpp), undo first. 24-bit only except
  // ConvertTo24Bit, which takes only 1-bit pictures.
  // More than 2 colours: reduced to that many quantizer colours, still 24-bit (a picture of
  // no more colours than asked, above 256, keeps every pixel); otherwise ordered dithering to
  // 1 bit. The palette, when given, receives the quantizer's colours (black and white for
  // 1 bit), as many as it holds, and zeros after them. A colour count whose network would learn
  // for too long on this picture is refused (LastRefusal).
  void ConvertTo(int32_t colors);
  void ConvertToPalette(int32_t colors, std::span<TRGB> palette);
  void ConvertToBWOrdered();
  // Black below the gray `threshold`, white from it; -1 takes the gray of the channel means.
  void ConvertToBWThreshold(int32_t threshold);
  void ConvertTo24Bit();

  // Channels as new gray 24-bit pictures of the whole picture (color_convert.cpp,
  // color_hsl.cpp): null, or untouched targets, without a 24-bit picture. RGB channel 0 is
  // blue, 1 green, 2 and above red; HSV channel 1 saturation, 2 value, any other hue.
  std::unique_ptr<TBitmap> GetRGBChannel(int32_t channel) const;
  std::unique_ptr<TBitmap> GetHSVChannel(int32_t channel) const;
  void GetRGBChannelAll(TBitmap& red, TBitmap& green, TBitmap& blue) const;
  void GetHSVChannelAll(TBitmap& hue, TBitmap& saturation, TBitmap& value) const;

  // Clipboard exchange (kestrix_proc_clipboard.cpp) through the process's current clipboard
  // (platform/clipboard.h), as device-independent bitmaps. Each call opens the clipboard and
  // closes it before it returns; one that cannot be opened, or that holds no picture, changes
  // nothing. A paste is read into a picture of its own first and replaces or enters the working
  // picture only when it was read whole (undo first).
  void CopyToClipboard();
  // The selection: a rectangle as it is; a polygon as its box, black outside it. Without a
  // selection the whole picture.
  void SelCopyToClip();
  // The selection to the clipboard, then filled with the background; nothing when there is no
  // selection or the copy could not be made.
  void SelCutToClip();
  // The clipboard picture replaces the working picture (its size and format too).
  void PasteFromClipboard();
  // The clipboard picture is drawn with its top-left corner at (x, y): the attached view's
  // client coordinates, or picture coordinates without a view.
  void PointPasteFromClip(int32_t x, int32_t y);
  // The clipboard picture stretched into the selection's box; without one, PasteFromClipboard.
  void SelPasteFromClipStretch();
  // The whole picture, or the selection (the whole picture when there is none), filled with
  // the background.
  void Clear();
  void ClearSel();

  // 3 x 3 convolution, selection-aware (filters.cpp): 24-bit only, undo first, repaint.
  // Neighbours beyond the picture repeat its edge pixels.
  void ApplyFilter(const TGraphFilter& filter);
  // ApplyFilter with the preset's kernel; an unknown preset does nothing.
  void ApplyFilterPreset(TKXFilterPresets preset);

  // Fourier transform (kestrix_proc_fourier.cpp), on the whole picture.
  // A new transform of the 24-bit picture, or null without one or when the transform is
  // refused (LastRefusal). With both sides negative the picture itself is transformed;
  // otherwise a copy stretched to width x height, a negative side following the aspect ratio.
  std::unique_ptr<TKXFtImage> FTCreateImage(TKXFtImageType type, int32_t width, int32_t height);
  // The picture becomes the transform's inverse (undo first); an empty transform changes nothing.
  void FTConvertFrom(const TKXFtImage& ft);
  // The picture becomes the transform's spectrum (undo first); an empty transform changes nothing.
  void FTDisplayFrom(const TKXFtImage& ft);

  // Effects, 24-bit only, undo first, repaint (kestrix_proc_effects.cpp). Merge and the
  // morphology work on the selection like the colour operations. BumpMapping, Lens and Wave
  // run on a copy of a polygon selection's box (their coordinates then count from the box's
  // top-left corner) and put back only the pixels inside the polygon; without a polygon
  // BumpMapping keeps to the selection rectangle while Lens and Wave take the whole picture.
  // Each channel becomes clamp(round(c x percentage / 100 + o x (100 - percentage) / 100)), o
  // being the other picture stretched over the selection; an empty other picture is refused.
  void Merge(const TBitmap& other, int32_t percentage);
  // Lights the relief of the gray levels with a round light of `color` centred on (x, y) and
  // scaled by width and height; the picture keeps `percentage` of its own colour. A width or
  // height of 0 changes nothing.
  void BumpMapping(int32_t lightX, int32_t lightY, int32_t lightWidth, int32_t lightHeight, int32_t percentage,
                   TRGB color);
  // An elliptic lens of the given centre and size; refraction 1 (or less) leaves the pixels
  // where they are.
  void Lens(int32_t x, int32_t y, int32_t width, int32_t height, double refraction);
  // Concentric waves around the centre; amplitude or wavelength 0 changes nothing.
  void Wave(int32_t amplitude, int32_t wavelength, int32_t phase, bool reflective);
  // Gray-ranked morphology over a (2 radius + 1) square window kept inside the selection: each
  // pixel takes the whole colour of the window's first lightest (Maximum) or darkest (Minimum)
  // pixel in row order; a window all black (Maximum) or all white (Minimum) keeps the pixel.
  // Opening is Minimum then Maximum, Closing the reverse. A negative radius changes nothing.
  void Maximum(int32_t radius);
  void Minimum(int32_t radius);
  void Opening(int32_t radius);
  void Closing(int32_t radius);

  // Hidden data in the low bits of a 24-bit picture (kestrix_proc_hidden.cpp); the whole
  // picture, whatever the selection. Writing stores `n` bytes and returns n; data that does not
  // fit (see GetHiddenDataSpace) or a negative n is refused (LastRefusal) and returns 0 with
  // nothing written, as does a picture of another format.
  int32_t WriteHiddenData(const void* buffer, int32_t n);
  // The text's UTF-8 bytes, without a terminator.
  int32_t WriteHiddenText(const std::string& text);
  // The stored length, with up to `size` of its bytes copied into `buffer`; 0 for a picture
  // without valid hidden data.
  int32_t ReadHiddenData(void* buffer, int32_t size) const;
  std::string ReadHiddenText() const;
  // Payload bytes the picture can hold: 0 without a 24-bit picture.
  int32_t GetHiddenDataSpace() const;

 private:
  void ControlFreed(TCustomControl& control) override;
  void OnBitmapChange(TKXView* view);
  void Detach();
  TKestrixView* View() const { return dynamic_cast<TKestrixView*>(fViewLink.View()); }
  // Puts the selection (or the whole picture) on the open clipboard; false when it made none.
  bool PutSelection(TClipboard& clipboard);
  // The clipboard's picture read into `picture`; false when there is none.
  bool TakeClipboardPicture(TBitmap& picture);
  // Fills the effective selection's pixels with the background.
  void FillSelection();
  // Records why the running operation leaves the picture as it is.
  void Refuse(std::string why) { fLastRefusal = std::move(why); }
  static constexpr const char* kNeeds24Or1Bit = "works on 24-bit and 1-bit pictures only";

  bool fAutoUndo = true;
  TKXViewLink fViewLink;
  int32_t fSelX1 = -1, fSelY1 = -1, fSelX2 = -1, fSelY2 = -1;
  TColor fBackground = clBlack;
  TMsgLanguage fMsgLanguage = msSystem;
  TPRPreviewsParams fPreviewsParams;
  TKXFont fPreviewFont;
  std::string fLastRefusal;
  TBitmap fUndo;
  bool fHasUndo = false;
  TBitmap* fBitmap = nullptr;
  // The block the last quarter turn gave up, which the next one turns into: turning a picture
  // again and again then needs no fresh memory, whose zeroing costs more than the turn itself.
  TBitmap fSpare;
  std::vector<TProcFreeNotifyTarget*> fFreeNotifies;
};

}  // namespace kx
