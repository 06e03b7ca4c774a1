// TKestrixIO: the component through which pictures are loaded and saved. It works on the bitmap
// of what it is attached to (a view, a picture holder or a bare bitmap, none of them owned),
// picks a codec by extension, content or file type, and owns the parameter set of the last
// load and the next save.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/components/io_component_types.h"
#include "imaging/components/view_link.h"
#include "imaging/core/progress.h"
#include "imaging/core/types.h"
#include "imaging/io/format_registry.h"
#include "imaging/io/ioparams.h"
#include "platform/control.h"

namespace kx {

class TBitmap;
class TStream;
class TKXView;
class TImage;

class TKestrixIO : public TIOParamsOwner, private TFreeNotifyTarget {
 public:
  TKestrixIO();
  virtual ~TKestrixIO();
  TKestrixIO(const TKestrixIO&) = delete;
  TKestrixIO& operator=(const TKestrixIO&) = delete;

  // Attachment. A view's bitmap is followed when the view replaces it; a destroyed view or
  // holder is forgotten together with its bitmap.
  TKXView* AttachedKestrix() const { return fViewLink.View(); }
  void SetAttachedKestrix(TKXView* view);
  TImage* AttachedTImage() const { return fImage; }
  void SetAttachedTImage(TImage* image);
  // Null while a view or holder is attached changes nothing.
  void SetAttachedBitmap(TBitmap* bitmap);
  // The bitmap operated on, or null.
  TBitmap* Bitmap() const { return fBitmap; }

  // The attached view's background, or the component's own.
  TColor Background() const;
  void SetBackground(TColor color);
  TMsgLanguage MsgLanguage() const { return fMsgLanguage; }
  void SetMsgLanguage(TMsgLanguage language) { fMsgLanguage = language; }
  TIOPreviewsParams PreviewsParams() const { return fPreviewsParams; }
  void SetPreviewsParams(TIOPreviewsParams params) { fPreviewsParams = params; }
  TKXTWainParams& TWainParams() { return fTWainParams; }
  // Write and expect the 12-byte stream headers (JPEG, TIFF and PCX stream methods).
  bool StreamHeaders() const { return fStreamHeaders; }
  void SetStreamHeaders(bool on) { fStreamHeaders = on; }
  const TKXFont& PreviewFont() const { return fPreviewFont; }
  void SetPreviewFont(const TKXFont& font) { fPreviewFont = font; }
  TIOParamsVals& IOParams() { return fIOParams; }
  const TIOParamsVals& IOParams() const { return fIOParams; }
  // The abort flag of every codec call; a progress handler may set it to stop the codec.
  bool Aborting() const { return fAborting; }
  void SetAborting(bool aborting) { fAborting = aborting; }
  // The reason and warnings the codec left in the last load or save (empty when it gave none).
  const TKXDiagnostics& Diagnostics() const { return fDiagnostics; }

  TKXIOPreviewEvent OnIOPreview;
  TProgressEvent OnProgress;

  // By the lower-cased extension; other extensions go through the registry.
  virtual void LoadFromFile(const std::string& fileName);
  // As LoadFromFile, but the picture ends up fitted to the size `choose` gives for its own size
  // (the nearest-pixel fit of _KXBmpStretch). A format that can fit while it decodes never holds
  // the whole picture; any other is loaded whole and then fitted (24-bit and 1-bit pictures;
  // others stay as loaded). IOParams keep the file's own size.
  void LoadFromFileFitted(const std::string& fileName, const TKXChooseFit& choose);
  virtual void SaveToFile(const std::string& fileName);
  // Fill IOParams only.
  virtual void ParamsFromFile(const std::string& fileName);
  virtual void ParamsFromStream(TStream& stream);
  // By content.
  virtual void LoadFromStream(TStream& stream);
  // By file type code.
  void SaveToStream(TStream& stream, TIOFileType fileType);

  void LoadFromFileJpeg(const std::string& fileName);
  void LoadFromFilePNG(const std::string& fileName);
  int32_t LoadFromFileTIFF(const std::string& fileName);
  int32_t LoadFromFileGif(const std::string& fileName);
  void LoadFromFileBMP(const std::string& fileName);
  void LoadFromFileICO(const std::string& fileName);
  void LoadFromFileCUR(const std::string& fileName);
  void LoadFromFilePCX(const std::string& fileName);
  void LoadFromFileTGA(const std::string& fileName);
  void LoadFromStreamJpeg(TStream& stream);
  void LoadFromStreamPNG(TStream& stream);
  int32_t LoadFromStreamTIFF(TStream& stream);
  int32_t LoadFromStreamGif(TStream& stream);
  void LoadFromStreamBMP(TStream& stream);
  void LoadFromStreamICO(TStream& stream);
  void LoadFromStreamCUR(TStream& stream);
  void LoadFromStreamPCX(TStream& stream);
  void LoadFromStreamTGA(TStream& stream);
  // A file save writes a temporary next to the target and renames it over the target only
  // when the writer finished: a failed save leaves the old file as it was.
  void SaveToFileJpeg(const std::string& fileName);
  void SaveToFilePNG(const std::string& fileName);
  void SaveToFileTIFF(const std::string& fileName);
  void SaveToFileGif(const std::string& fileName);
  void SaveToFileBMP(const std::string& fileName);
  void SaveToFilePCX(const std::string& fileName);
  void SaveToFileTGA(const std::string& fileName);
  void SaveToStreamJpeg(TStream& stream);
  void SaveToStreamPNG(TStream& stream);
  void SaveToStreamTIFF(TStream& stream);
  void SaveToStreamGif(TStream& stream);
  void SaveToStreamBMP(TStream& stream);
  void SaveToStreamPCX(TStream& stream);
  void SaveToStreamTGA(TStream& stream);
  // A further image into an existing GIF / TIFF file; the codec's result.
  int32_t InsertToFileGif(const std::string& fileName);
  int32_t InsertToFileTIFF(const std::string& fileName);
  void ImportMetafile(const std::string& fileName, int32_t width, int32_t height);
  // Scanner acquisition through the process's source manager (imaging/scan): the scan replaces
  // the bitmap only when it arrived whole; false on cancel (Aborting) or failure.
  bool Acquire();
  bool SelectAcquireSource();
  // The I/O parameters dialog DoPreviews shows; null (the default) makes it return false.
  TKXIOPreviewsDialog* PreviewsDialog() const { return fPreviewsDialog; }
  void SetPreviewsDialog(TKXIOPreviewsDialog* dialog) { fPreviewsDialog = dialog; }
  // Shows the I/O parameters dialog for `pages` over the bitmap (made 24-bit unless it is 24-bit
  // or 1-bit); true when it closed with OK. False without a bitmap or a dialog.
  bool DoPreviews(TPreviewParams pages);

  // Copies the source's parameters; a null source changes nothing.
  void AssignParams(const TKestrixIO* source);
  void AssignParams(const TIOParamsVals* source);
  // Fills the whole bitmap with Background.
  void Clear();
  // Shows the bitmap again: the view updates and signals an image change, a holder repaints.
  void Update();

  const TBitmap* ParamsBitmap() const override { return fBitmap; }
  bool ParamsViewDpi(int32_t& dpiX, int32_t& dpiY) const override;

 private:
  void ControlFreed(TCustomControl& control) override;
  void ViewBitmapChanged(TKXView* view);
  void StopFollowingView();
  void ForgetImage();

  TProgressRec NewProgress();
  // Steps of a load after the reader: file name and type, background, resolution, Update.
  void FinishLoad(TIOFileType fileType, const std::string& fileName, bool setDpi);
  void LoadFileWith(TIOFileType fileType, const std::string& fileName);
  void LoadStreamWith(TIOFileType fileType, TStream& stream);
  // The registry path of LoadFromFile / LoadFromStream; a null stream opens `fileName`.
  void LoadWithRecord(PKXFileFormatInfo record, const std::string& fileName, TStream* stream);
  // Turns the bitmap into one the writers take (24-bit or 1-bit).
  void MakeSaveable();
  // Clears the abort flag and readies the bitmap for a writer; false (aborting when there is no
  // writer) when nothing is to be written.
  bool PrepareSave(bool haveWriter);
  void SaveFileWith(TIOFileType fileType, const std::string& fileName);
  void SaveStreamWith(TIOFileType fileType, TStream& stream);
  void SaveWithRecord(PKXFileFormatInfo record, const std::string* fileName, TStream* stream);
  void ReadParams(TIOFileType fileType, TStream& stream, int64_t fileOrStreamSize);

  // Declared before fIOParams: its construction asks for the bitmap and the view.
  TBitmap* fBitmap = nullptr;
  TKXViewLink fViewLink;
  TImage* fImage = nullptr;
  TColor fBackground = clBlack;
  TMsgLanguage fMsgLanguage = msSystem;
  TIOPreviewsParams fPreviewsParams;
  TKXTWainParams fTWainParams;
  bool fStreamHeaders = false;
  TKXFont fPreviewFont;
  TKXIOPreviewsDialog* fPreviewsDialog = nullptr;
  bool fAborting = false;
  TKXDiagnostics fDiagnostics;
  TIOParamsVals fIOParams;
};

// The pages of a TIFF file (0 for a file that is not one), and the deletion of page `index`:
// the file is rewritten without it under a temporary name and renamed, and the number of
// pages it had is returned (0 when it is no TIFF or a page cannot be copied, nothing changed).
int32_t EnumTIFFIm(const std::string& fileName);
int32_t DeleteTIFFIm(const std::string& fileName, int32_t index);
// Multi-image GIF files: DeleteGifIm removes image `index` and returns the images left;
// EnumGifIm counts the images (0 when the file cannot be read); CheckAniGif tells whether the
// file loops (false when it cannot be read).
int32_t DeleteGifIm(const std::string& fileName, int32_t index);
int32_t EnumGifIm(const std::string& fileName);
bool CheckAniGif(const std::string& fileName);

}  // namespace kx
