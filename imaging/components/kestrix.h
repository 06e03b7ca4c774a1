// TKestrix: the one component a window holds to show, load, save and edit a picture. It is an
// image view that owns a processing component and an I/O component, both attached to itself,
// and offers their operations under its own name; it adds no image logic of its own.
//
// Every long operation runs through Run: while one runs (its progress handler may pump the
// event loop), the view is busy and a second one is refused with EKXBusy before it starts; a
// handler that destroys the composite stops the operation at once, and EControlDestroyed
// unwinds the operation and its caller without touching the composite again.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <type_traits>

#include "imaging/components/kestrix_io.h"
#include "imaging/components/kestrix_proc.h"
#include "imaging/core/busy.h"
#include "imaging/view/view.h"

namespace kx {

class TKestrix : public TKestrixView {
 public:
  TKestrix();
  ~TKestrix() override;

  // Properties kept by the parts. Written to both parts: OnProgress, MsgLanguage, PreviewFont.
  bool AutoUndo() const { return fProc.AutoUndo(); }
  void SetAutoUndo(bool on) { fProc.SetAutoUndo(on); }
  // Each part reports to this handler with itself as the sender.
  TProgressEvent OnProgress() const { return fOnProgress; }
  void SetOnProgress(TProgressEvent handler);
  TMsgLanguage MsgLanguage() const { return fProc.MsgLanguage(); }
  void SetMsgLanguage(TMsgLanguage language);
  TPRPreviewsParams ProcPreviewsParams() const { return fProc.PreviewsParams(); }
  void SetProcPreviewsParams(TPRPreviewsParams params) { fProc.SetPreviewsParams(params); }
  TIOPreviewsParams IOPreviewsParams() const { return fIO.PreviewsParams(); }
  void SetIOPreviewsParams(TIOPreviewsParams params) { fIO.SetPreviewsParams(params); }
  const TKXFont& PreviewFont() const { return fIO.PreviewFont(); }
  void SetPreviewFont(const TKXFont& font);
  bool StreamHeaders() const { return fIO.StreamHeaders(); }
  void SetStreamHeaders(bool on) { fIO.SetStreamHeaders(on); }
  TKXPreviewEvent OnPreview() const { return fProc.OnPreview; }
  void SetOnPreview(TKXPreviewEvent handler) { fProc.OnPreview = handler; }
  TKXIOPreviewEvent OnIOPreview() const { return fIO.OnIOPreview; }
  void SetOnIOPreview(TKXIOPreviewEvent handler) { fIO.OnIOPreview = handler; }
  TKXIOPreviewsDialog* IOPreviewsDialog() const { return fIO.PreviewsDialog(); }
  void SetIOPreviewsDialog(TKXIOPreviewsDialog* dialog) { fIO.SetPreviewsDialog(dialog); }

  TIOParamsVals& IOParams() { return fIO.IOParams(); }
  const TIOParamsVals& IOParams() const { return fIO.IOParams(); }
  TKXTWainParams& TWainParams() { return fIO.TWainParams(); }
  // The I/O component's abort flag; a progress handler may set it to stop a load or a save.
  bool Aborting() const { return fIO.Aborting(); }
  void SetAborting(bool aborting) { fIO.SetAborting(aborting); }
  bool CanUndo() const { return fProc.CanUndo(); }
  // The parts, to look at: their work goes through the composite's forwards.
  const TKestrixIO& IOPart() const { return fIO; }
  const TKestrixProc& ProcPart() const { return fProc; }
  // Why the last load or save stopped, and why the last edit left the picture as it was.
  const TKXDiagnostics& Diagnostics() const { return fIO.Diagnostics(); }
  const std::string& LastRefusal() const { return fProc.LastRefusal(); }

  // The I/O parameters of another composite, then the view's copy of picture, background and
  // resolution. A bitmap brings no parameters.
  using TKestrixView::Assign;
  void Assign(const TKestrixView* source) override;
  // The first half of Assign alone; a source that has no parameters changes nothing.
  void AssignIOParams(const TKestrixView* source);
  void AssignIOParams(const TKestrixIO* source);

  // One line per forward, so that a new operation of a part is one more line here.
  // clang-format off
  // Forwards to the I/O component.
  virtual void LoadFromFile(const std::string& fileName) { Run([&] { fIO.LoadFromFile(fileName); }); }
  void LoadFromFileFitted(const std::string& f, const TKXChooseFit& c) { Run([&] { fIO.LoadFromFileFitted(f, c); }); }
  virtual void SaveToFile(const std::string& fileName) { Run([&] { fIO.SaveToFile(fileName); }); }
  virtual void ParamsFromFile(const std::string& fileName) { Run([&] { fIO.ParamsFromFile(fileName); }); }
  virtual void ParamsFromStream(TStream& stream) { Run([&] { fIO.ParamsFromStream(stream); }); }
  void LoadFromStream(TStream& stream) { Run([&] { fIO.LoadFromStream(stream); }); }
  void SaveToStream(TStream& stream, TIOFileType type) { Run([&] { fIO.SaveToStream(stream, type); }); }
  bool DoIOPreviews(TPreviewParams pages) { return Run([&] { return fIO.DoPreviews(pages); }); }
  bool Acquire() { return Run([&] { return fIO.Acquire(); }); }
  bool SelectAcquireSource() { return Run([&] { return fIO.SelectAcquireSource(); }); }
  void ImportMetafile(const std::string& f, int32_t w, int32_t h) { Run([&] { fIO.ImportMetafile(f, w, h); }); }
  void LoadFromFileJpeg(const std::string& f) { Run([&] { fIO.LoadFromFileJpeg(f); }); }
  void SaveToFileJpeg(const std::string& f) { Run([&] { fIO.SaveToFileJpeg(f); }); }
  void LoadFromStreamJpeg(TStream& s) { Run([&] { fIO.LoadFromStreamJpeg(s); }); }
  void SaveToStreamJpeg(TStream& s) { Run([&] { fIO.SaveToStreamJpeg(s); }); }
  int32_t LoadFromFileGif(const std::string& f) { return Run([&] { return fIO.LoadFromFileGif(f); }); }
  void SaveToFileGif(const std::string& f) { Run([&] { fIO.SaveToFileGif(f); }); }
  int32_t InsertToFileGif(const std::string& f) { return Run([&] { return fIO.InsertToFileGif(f); }); }
  int32_t LoadFromStreamGif(TStream& s) { return Run([&] { return fIO.LoadFromStreamGif(s); }); }
  void SaveToStreamGif(TStream& s) { Run([&] { fIO.SaveToStreamGif(s); }); }
  int32_t LoadFromFileTIFF(const std::string& f) { return Run([&] { return fIO.LoadFromFileTIFF(f); }); }
  void SaveToFileTIFF(const std::string& f) { Run([&] { fIO.SaveToFileTIFF(f); }); }
  int32_t InsertToFileTIFF(const std::string& f) { return Run([&] { return fIO.InsertToFileTIFF(f); }); }
  int32_t LoadFromStreamTIFF(TStream& s) { return Run([&] { return fIO.LoadFromStreamTIFF(s); }); }
  void SaveToStreamTIFF(TStream& s) { Run([&] { fIO.SaveToStreamTIFF(s); }); }
  void LoadFromFileBMP(const std::string& f) { Run([&] { fIO.LoadFromFileBMP(f); }); }
  void SaveToFileBMP(const std::string& f) { Run([&] { fIO.SaveToFileBMP(f); }); }
  void LoadFromStreamBMP(TStream& s) { Run([&] { fIO.LoadFromStreamBMP(s); }); }
  void SaveToStreamBMP(TStream& s) { Run([&] { fIO.SaveToStreamBMP(s); }); }
  void LoadFromFilePCX(const std::string& f) { Run([&] { fIO.LoadFromFilePCX(f); }); }
  void SaveToFilePCX(const std::string& f) { Run([&] { fIO.SaveToFilePCX(f); }); }
  void LoadFromStreamPCX(TStream& s) { Run([&] { fIO.LoadFromStreamPCX(s); }); }
  void SaveToStreamPCX(TStream& s) { Run([&] { fIO.SaveToStreamPCX(s); }); }
  void LoadFromFileICO(const std::string& f) { Run([&] { fIO.LoadFromFileICO(f); }); }
  void LoadFromStreamICO(TStream& s) { Run([&] { fIO.LoadFromStreamICO(s); }); }
  void LoadFromFileCUR(const std::string& f) { Run([&] { fIO.LoadFromFileCUR(f); }); }
  void LoadFromStreamCUR(TStream& s) { Run([&] { fIO.LoadFromStreamCUR(s); }); }
  void LoadFromFilePNG(const std::string& f) { Run([&] { fIO.LoadFromFilePNG(f); }); }
  void SaveToFilePNG(const std::string& f) { Run([&] { fIO.SaveToFilePNG(f); }); }
  void LoadFromStreamPNG(TStream& s) { Run([&] { fIO.LoadFromStreamPNG(s); }); }
  void saveToStreamPNG(TStream& s) { Run([&] { fIO.SaveToStreamPNG(s); }); }
  void LoadFromFileTGA(const std::string& f) { Run([&] { fIO.LoadFromFileTGA(f); }); }
  void SaveToFileTGA(const std::string& f) { Run([&] { fIO.SaveToFileTGA(f); }); }
  void LoadFromStreamTGA(TStream& s) { Run([&] { fIO.LoadFromStreamTGA(s); }); }
  void SaveToStreamTGA(TStream& s) { Run([&] { fIO.SaveToStreamTGA(s); }); }

  // Forwards to the processing component.
  void SaveUndo() { Run([&] { fProc.SaveUndo(); }); }
  void ClearUndo() { Run([&] { fProc.ClearUndo(); }); }
  void Undo() { Run([&] { fProc.Undo(); }); }
  void Negative() { Run([&] { fProc.Negative(); }); }
  void HSLvar(int32_t h, int32_t s, int32_t l) { Run([&] { fProc.HSLvar(h, s, l); }); }
  void HSVvar(int32_t h, int32_t s, int32_t v) { Run([&] { fProc.HSVvar(h, s, v); }); }
  void IntensityRGBall(int32_t r, int32_t g, int32_t b) { Run([&] { fProc.IntensityRGBall(r, g, b); }); }
  void Contrast(int32_t v) { Run([&] { fProc.Contrast(v); }); }
  void ApplyFilter(const TGraphFilter& filter) { Run([&] { fProc.ApplyFilter(filter); }); }
  void ApplyFilterPreset(TKXFilterPresets preset) { Run([&] { fProc.ApplyFilterPreset(preset); }); }
  void ConvertToGray() { Run([&] { fProc.ConvertToGray(); }); }
  void CastColorRange(TRGB begin, TRGB end, TRGB cast) { Run([&] { fProc.CastColorRange(begin, end, cast); }); }
  void Rotate(int32_t angle, bool antialias) { Run([&] { fProc.Rotate(angle, antialias); }); }
  void Flip(TFlipDir direction) { Run([&] { fProc.Flip(direction); }); }
  void ImageResize(int32_t w, int32_t h) { Run([&] { fProc.ImageResize(w, h); }); }
  void Resample(int32_t w, int32_t h, TResampleFilter filter) { Run([&] { fProc.Resample(w, h, filter); }); }
  void Threshold(TRGB dLimit, TRGB uLimit, TRGB dValue, TRGB uValue) { Run([&] { fProc.Threshold(dLimit, uLimit, dValue, uValue); }); }
  void HistEqualize(TRGB low, TRGB high) { Run([&] { fProc.HistEqualize(low, high); }); }
  void HistAutoEqualize() { Run([&] { fProc.HistAutoEqualize(); }); }
  void ConvertTo(int32_t colors) { Run([&] { fProc.ConvertTo(colors); }); }
  void ConvertToPalette(int32_t n, std::span<TRGB> palette) { Run([&] { fProc.ConvertToPalette(n, palette); }); }
  void CropSel() { Run([&] { fProc.CropSel(); }); }
  void GetHistogram(THistogram& histogram) { Run([&] { fProc.GetHistogram(histogram); }); }
  void CalcImagePalette(std::span<TRGB> palette, int32_t n) { Run([&] { fProc.CalcImagePalette(palette, n); }); }
  int32_t CalcImageNumColors() { return Run([&] { return fProc.CalcImageNumColors(); }); }
  std::unique_ptr<TBitmap> GetHSVChannel(int32_t channel) { return Run([&] { return fProc.GetHSVChannel(channel); }); }
  void GetHSVChannelAll(TBitmap& h, TBitmap& s, TBitmap& v) { Run([&] { fProc.GetHSVChannelAll(h, s, v); }); }
  std::unique_ptr<TBitmap> GetRGBChannel(int32_t channel) { return Run([&] { return fProc.GetRGBChannel(channel); }); }
  void GetRGBChannelAll(TBitmap& r, TBitmap& g, TBitmap& b) { Run([&] { fProc.GetRGBChannelAll(r, g, b); }); }
  void ConvertToBWOrdered() { Run([&] { fProc.ConvertToBWOrdered(); }); }
  void ConvertToBWThreshold(int32_t threshold) { Run([&] { fProc.ConvertToBWThreshold(threshold); }); }
  void ConvertTo24Bit() { Run([&] { fProc.ConvertTo24Bit(); }); }
  std::unique_ptr<TKXFtImage> FTCreateImage(TKXFtImageType type, int32_t w, int32_t h) { return Run([&] { return fProc.FTCreateImage(type, w, h); }); }
  void FTConvertFrom(const TKXFtImage& ft) { Run([&] { fProc.FTConvertFrom(ft); }); }
  void FTDisplayFrom(const TKXFtImage& ft) { Run([&] { fProc.FTDisplayFrom(ft); }); }
  void Clear() { Run([&] { fProc.Clear(); }); }
  void ClearSel() { Run([&] { fProc.ClearSel(); }); }
  void CopyToClipboard() { Run([&] { fProc.CopyToClipboard(); }); }
  void SelCopyToClip() { Run([&] { fProc.SelCopyToClip(); }); }
  void SelCutToClip() { Run([&] { fProc.SelCutToClip(); }); }
  void PasteFromClipboard() { Run([&] { fProc.PasteFromClipboard(); }); }
  void SelPasteFromClipStretch() { Run([&] { fProc.SelPasteFromClipStretch(); }); }
  // (x, y) in the composite's client coordinates: the processing part, attached to this view,
  // turns them into picture coordinates once.
  void PointPasteFromClip(int32_t x, int32_t y) { Run([&] { fProc.PointPasteFromClip(x, y); }); }
  void Merge(const TBitmap& other, int32_t percentage) { Run([&] { fProc.Merge(other, percentage); }); }
  void BumpMapping(int32_t x, int32_t y, int32_t w, int32_t h, int32_t percentage, TRGB color) { Run([&] { fProc.BumpMapping(x, y, w, h, percentage, color); }); }
  void Lens(int32_t x, int32_t y, int32_t w, int32_t h, double refraction) { Run([&] { fProc.Lens(x, y, w, h, refraction); }); }
  void Wave(int32_t amplitude, int32_t wavelength, int32_t phase, bool reflective) { Run([&] { fProc.Wave(amplitude, wavelength, phase, reflective); }); }
  void Maximum(int32_t radius) { Run([&] { fProc.Maximum(radius); }); }
  void Minimum(int32_t radius) { Run([&] { fProc.Minimum(radius); }); }
  void Opening(int32_t radius) { Run([&] { fProc.Opening(radius); }); }
  void Closing(int32_t radius) { Run([&] { fProc.Closing(radius); }); }
  int32_t WriteHiddenData(const void* buffer, int32_t n) { return Run([&] { return fProc.WriteHiddenData(buffer, n); }); }
  int32_t WriteHiddenText(const std::string& text) { return Run([&] { return fProc.WriteHiddenText(text); }); }
  int32_t ReadHiddenData(void* buffer, int32_t size) { return Run([&] { return fProc.ReadHiddenData(buffer, size); }); }
  std::string ReadHiddenText() { return Run([&] { return fProc.ReadHiddenText(); }); }
  int32_t GetHiddenDataSpace() { return Run([&] { return fProc.GetHiddenDataSpace(); }); }
  // clang-format on

 private:
  // Marks the view busy for one operation, and knows whether the composite outlived it.
  class TRunScope {
   public:
    explicit TRunScope(TKestrix& owner);
    ~TRunScope();
    TRunScope(const TRunScope&) = delete;
    TRunScope& operator=(const TRunScope&) = delete;
    // Throws EControlDestroyed when a handler destroyed the composite during the operation.
    void Finished() const;

   private:
    TKestrix& fOwner;
    std::shared_ptr<const bool> fGone;
  };

  template <typename Work>
  std::invoke_result_t<Work&> Run(Work&& work) {
    TRunScope scope(*this);
    if constexpr (std::is_void_v<std::invoke_result_t<Work&>>) {
      work();
      scope.Finished();
    } else {
      auto result = work();
      scope.Finished();
      return result;
    }
  }

  // The parts' progress handler: the user's handler, then a stop if it destroyed the composite.
  void PartProgress(void* sender, int percent);

  // Set by the destructor; shared with every running operation and progress call.
  std::shared_ptr<bool> fGone = std::make_shared<bool>(false);
  TProgressEvent fOnProgress;
  // Destroyed in the order the composite gives them up: the processing part first.
  TKestrixIO fIO;
  TKestrixProc fProc;
};

}  // namespace kx
