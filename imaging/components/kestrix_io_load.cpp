// Loading: the component's side of every load (abort flag, progress record, and what a load
// ends with) around the io layer's chains, which choose the codec and read.
#include <algorithm>

#include "imaging/components/kestrix_io.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/format_io.h"
#include "imaging/io/gif_codec.h"
#include "imaging/proc/resample.h"
#include "imaging/view/view_base.h"

namespace kx {

void TKestrixIO::FinishLoad(TIOFileType fileType, const std::string& fileName, bool setDpi) {
  fIOParams.FileName = fileName;
  fIOParams.FileType = fileType;
  const TKXBuiltInFormat* format = KXBuiltInFormat(fileType);
  if (format && format->LoadedBackground) SetBackground(TRGB2TColor(format->LoadedBackground(fIOParams)));
  if (TKXView* view = fViewLink.View(); setDpi && view) view->SetDPI(fIOParams.DpiX, fIOParams.DpiY);
  Update();
}

void TKestrixIO::LoadFileWith(TIOFileType fileType, const std::string& fileName) {
  const TKXBuiltInFormat& format = *KXBuiltInFormat(fileType);
  fAborting = false;
  TProgressRec progress = NewProgress();
  if (!fBitmap) return;
  TFileStream stream(fileName, fmOpenRead);
  KXReadFileImage(format, fileName, stream, *fBitmap, fIOParams, TColor2TRGB(Background()), progress);
  FinishLoad(fileType, fileName, true);
}

void TKestrixIO::LoadStreamWith(TIOFileType fileType, TStream& stream) {
  const TKXBuiltInFormat& format = *KXBuiltInFormat(fileType);
  fAborting = false;
  TProgressRec progress = NewProgress();
  if (!fBitmap) return;
  KXReadStreamImage(format, stream, *fBitmap, fIOParams, fStreamHeaders, progress);
  FinishLoad(fileType, std::string(), format.StreamLoadSetsDpi);
}

void TKestrixIO::LoadWithRecord(PKXFileFormatInfo record, const std::string& fileName, TStream* stream) {
  fIOParams.FileName.clear();
  fIOParams.FileType = ioUnknown;
  if (!record || !record->ReadFunction) {
    fAborting = true;
    return;
  }
  fAborting = false;
  TProgressRec progress = NewProgress();
  if (!fBitmap) return;
  if (stream) {
    record->ReadFunction(*stream, *fBitmap, fIOParams, false, progress);
  } else {
    TFileStream file(fileName, fmOpenRead);
    record->ReadFunction(file, *fBitmap, fIOParams, false, progress);
  }
  FinishLoad(record->FileType, fileName, true);
}

void TKestrixIO::LoadFromFile(const std::string& fileName) {
  if (!fBitmap) return;
  const TKXFormatChoice choice = KXLoadChoiceForFile(fileName);
  if (!choice.Row)
    LoadWithRecord(choice.Record, fileName, nullptr);
  else if (choice.Row->Metafile)
    ImportMetafile(fileName, -1, -1);
  else
    LoadFileWith(choice.Row->FileType, fileName);
}

void TKestrixIO::LoadFromFileFitted(const std::string& fileName, const TKXChooseFit& choose) {
  if (!fBitmap) return;
  const TKXFormatChoice choice = KXLoadChoiceForFile(fileName);
  if (!choice.Row || !choice.Row->ReadFitted || choice.Row->BeforeFileLoad) {
    LoadFromFile(fileName);
    const int bits = fBitmap->BitCount();
    if (fAborting || fBitmap->Empty() || (bits != 24 && bits != 1)) return;
    const TKXFittedSize size = choose(fBitmap->Width(), fBitmap->Height());
    TBitmap fitted(std::max(size.Width, 1), std::max(size.Height, 1), fBitmap->PixelFormat());
    _KXBmpStretch(*fBitmap, fitted);
    fBitmap->Assign(fitted);
    Update();
    return;
  }
  fAborting = false;
  TProgressRec progress = NewProgress();
  TFileStream stream(fileName, fmOpenRead);
  choice.Row->ReadFitted(stream, *fBitmap, fIOParams, choose, progress);
  FinishLoad(choice.Row->FileType, fileName, true);
}

void TKestrixIO::LoadFromStream(TStream& stream) {
  const TKXFormatChoice choice = KXLoadChoiceForStream(stream);
  if (choice.Row)
    LoadStreamWith(choice.Row->FileType, stream);
  else
    LoadWithRecord(choice.Record, std::string(), &stream);
}

void TKestrixIO::ReadParams(TIOFileType fileType, TStream& stream, int64_t wholeSize) {
  TBitmap scratch;
  KXReadParams(fileType, stream, wholeSize, fBitmap ? *fBitmap : scratch, fIOParams);
}

void TKestrixIO::ParamsFromFile(const std::string& fileName) {
  const TIOFileType type = FindFileFormat(fileName, true);
  fIOParams.FileType = type;
  try {
    TFileStream stream(fileName, fmOpenRead);
    ReadParams(type, stream, stream.Size());
  } catch (const std::exception&) {
    fIOParams.FileType = ioUnknown;
  }
  fIOParams.FileName = fileName;
}

void TKestrixIO::ParamsFromStream(TStream& stream) {
  const TIOFileType type = FindStreamFormat(stream);
  fIOParams.FileType = type;
  try {
    ReadParams(type, stream, stream.Size());
  } catch (const std::exception&) {
    fIOParams.FileType = ioUnknown;
  }
}

void TKestrixIO::LoadFromFileJpeg(const std::string& fileName) { LoadFileWith(ioJPEG, fileName); }
void TKestrixIO::LoadFromFilePNG(const std::string& fileName) { LoadFileWith(ioPNG, fileName); }
int32_t TKestrixIO::LoadFromFileTIFF(const std::string& fileName) {
  LoadFileWith(ioTIFF, fileName);
  return 0;
}
int32_t TKestrixIO::LoadFromFileGif(const std::string& fileName) {
  LoadFileWith(ioGIF, fileName);
  return EnumGifIm(fileName);
}
void TKestrixIO::LoadFromFileBMP(const std::string& fileName) { LoadFileWith(ioBMP, fileName); }
void TKestrixIO::LoadFromFileICO(const std::string& fileName) { LoadFileWith(ioICO, fileName); }
void TKestrixIO::LoadFromFileCUR(const std::string& fileName) { LoadFileWith(ioCUR, fileName); }
void TKestrixIO::LoadFromFilePCX(const std::string& fileName) { LoadFileWith(ioPCX, fileName); }
void TKestrixIO::LoadFromFileTGA(const std::string& fileName) { LoadFileWith(ioTGA, fileName); }
void TKestrixIO::LoadFromStreamJpeg(TStream& stream) { LoadStreamWith(ioJPEG, stream); }
void TKestrixIO::LoadFromStreamPNG(TStream& stream) { LoadStreamWith(ioPNG, stream); }
int32_t TKestrixIO::LoadFromStreamTIFF(TStream& stream) {
  LoadStreamWith(ioTIFF, stream);
  return 0;
}
int32_t TKestrixIO::LoadFromStreamGif(TStream& stream) {
  const int64_t start = stream.Position();
  LoadStreamWith(ioGIF, stream);
  const int64_t end = stream.Position();
  stream.SetPosition(start);
  const int32_t count = GifCountImages(stream);
  stream.SetPosition(end);
  return count;
}
void TKestrixIO::LoadFromStreamBMP(TStream& stream) { LoadStreamWith(ioBMP, stream); }
void TKestrixIO::LoadFromStreamICO(TStream& stream) { LoadStreamWith(ioICO, stream); }
void TKestrixIO::LoadFromStreamCUR(TStream& stream) { LoadStreamWith(ioCUR, stream); }
void TKestrixIO::LoadFromStreamPCX(TStream& stream) { LoadStreamWith(ioPCX, stream); }
void TKestrixIO::LoadFromStreamTGA(TStream& stream) { LoadStreamWith(ioTGA, stream); }

}  // namespace kx
