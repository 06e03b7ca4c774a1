// Loading: the choice of codec by extension or content, the stream headers a load reads, and
// the steps every load ends with. Parameter-only reads live here too, since they choose a
// reader the same way.
#include <optional>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/view/view_base.h"
#include "imaging/components/kestrix_io.h"
#include "imaging/io/stream_headers.h"

namespace kx {

void TKestrixIO::FinishLoad(TIOFileType fileType, const std::string& fileName, bool setDpi) {
  fIOParams.FileName = fileName;
  fIOParams.FileType = fileType;
  if (fileType == ioGIF)
    SetBackground(TRGB2TColor(fIOParams.GIF_Transparent ? fIOParams.GIF_TransparentColor : fIOParams.GIF_Background));
  else if (fileType == ioPNG)
    SetBackground(TRGB2TColor(fIOParams.PNG_Background));
  if (setDpi && fView) fView->SetDPI(fIOParams.DpiX, fIOParams.DpiY);
  Update();
}

void TKestrixIO::ReadStreamImage(const TKXBuiltInFormat& format, TStream& stream, TProgressRec& progress) {
  int64_t block = stream.Remaining();
  std::optional<int64_t> next;  // where the stream is left after an image with a header
  const bool header = format.HeaderUse == hdProbed || (fStreamHeaders && format.HeaderUse != hdNone);
  if (header) {
    const int64_t start = stream.Position();
    TStreamHeader h;
    const bool got = ReadStreamHeader(stream, h);
    const int64_t after = stream.Position();
    const bool signed_ = got && h.Text == format.HeaderSignature;
    // The length is trusted only as far as the stream reaches.
    const bool fits = signed_ && StreamHeaderLengthFits(h, stream.Remaining());
    switch (format.HeaderUse) {
      case hdProbed:
        if (!signed_) {
          stream.SetPosition(start);
          break;
        }
        if (!fits) return progress.Abort();
        next = start + kStreamHeaderSize + h.Length;
        break;
      case hdRequired:
        if (!fits) return progress.Abort();
        next = after + h.Length;
        break;
      case hdSizesBlock:
        if (!got || h.Text.compare(0, 3, format.HeaderSignature.substr(0, 3)) != 0) return progress.Abort();
        if (signed_) {
          if (!fits) return progress.Abort();
          block = h.Length;
          next = start + kStreamHeaderSize + h.Length;
        } else {
          stream.SetPosition(start + 4);
          block = stream.Remaining();
        }
        break;
      case hdNone:
        break;
    }
  }
  if (!format.Read) return progress.Abort();
  format.Read(stream, *fBitmap, block, fIOParams, false, progress);
  if (next) stream.SetPosition(*next);
}

void TKestrixIO::LoadFileWith(TIOFileType fileType, const std::string& fileName) {
  const TKXBuiltInFormat& format = *KXBuiltInFormat(fileType);
  fAborting = false;
  TProgressRec progress = NewProgress();
  if (!fBitmap) return;
  TFileStream stream(fileName, fmOpenRead);
  if (fileType == ioPNG) fIOParams.PNG_Background = TColor2TRGB(Background());
  if (fileType == ioPCX) {
    fIOParams.FileName = fileName;
    fIOParams.FileType = ioPCX;
  }
  if (format.Read)
    format.Read(stream, *fBitmap, stream.Size(), fIOParams, false, progress);
  else
    progress.Abort();
  FinishLoad(fileType, fileName, true);
}

void TKestrixIO::LoadStreamWith(TIOFileType fileType, TStream& stream) {
  const TKXBuiltInFormat& format = *KXBuiltInFormat(fileType);
  fAborting = false;
  TProgressRec progress = NewProgress();
  if (!fBitmap) return;
  ReadStreamImage(format, stream, progress);
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
  if (const TKXBuiltInFormat* format = KXBuiltInLoadFormat(fileName)) {
    if (format->Metafile)
      ImportMetafile(fileName, -1, -1);
    else
      LoadFileWith(format->FileType, fileName);
    return;
  }
  const std::string ext = KXLowerExtension(fileName);
  LoadWithRecord(ext.empty() ? nullptr : KXFileFormatGetInfo2(ext.substr(1)), fileName, nullptr);
}

void TKestrixIO::LoadFromStream(TStream& stream) {
  const int64_t start = stream.Position();
  const TIOFileType type = FindStreamFormat(stream);
  stream.SetPosition(start);
  const TKXBuiltInFormat* format = KXBuiltInFormat(type);
  if (format && !format->Metafile)
    LoadStreamWith(type, stream);
  else
    LoadWithRecord(KXFileFormatGetInfo(type), std::string(), &stream);
}

void TKestrixIO::ReadParams(TIOFileType fileType, TStream& stream, int64_t wholeSize) {
  // A parameter read reports nothing and leaves the component's abort flag alone; a reader that
  // gives up leaves FileType unknown, so a damaged file is not mistaken for its half-read facts.
  TProgressRec progress = NullProgress();
  TBitmap scratch;
  TBitmap& target = fBitmap ? *fBitmap : scratch;
  if (const TKXBuiltInFormat* format = KXBuiltInFormat(fileType)) {
    if (format->Read)
      format->Read(stream, target, fileType == ioBMP ? wholeSize : stream.Remaining(), fIOParams, true, progress);
  } else if (const PKXFileFormatInfo record = KXFileFormatGetInfo(fileType); record && record->ReadFunction) {
    record->ReadFunction(stream, target, fIOParams, true, progress);
  }
  if (progress.Aborted()) fIOParams.FileType = ioUnknown;
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
  return 0;
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
  LoadStreamWith(ioGIF, stream);
  return 0;
}
void TKestrixIO::LoadFromStreamBMP(TStream& stream) { LoadStreamWith(ioBMP, stream); }
void TKestrixIO::LoadFromStreamICO(TStream& stream) { LoadStreamWith(ioICO, stream); }
void TKestrixIO::LoadFromStreamCUR(TStream& stream) { LoadStreamWith(ioCUR, stream); }
void TKestrixIO::LoadFromStreamPCX(TStream& stream) { LoadStreamWith(ioPCX, stream); }
void TKestrixIO::LoadFromStreamTGA(TStream& stream) { LoadStreamWith(ioTGA, stream); }

}  // namespace kx
