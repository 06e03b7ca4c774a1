// Saving: the choice of codec by extension or file type, the stream headers a save writes, and
// the temporary-then-rename rule of every file save.
#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/core/file_replace.h"
#include "imaging/components/kestrix_io.h"
#include "imaging/io/stream_headers.h"

namespace kx {

void TKestrixIO::MakeSaveable() {
  if (fBitmap->PixelFormat() != pf24bit && fBitmap->PixelFormat() != pf1bit) fBitmap->SetPixelFormat(pf24bit);
}

bool TKestrixIO::PrepareSave(bool haveWriter) {
  fAborting = false;
  if (!fBitmap) return false;
  if (!haveWriter) {
    fAborting = true;
    return false;
  }
  MakeSaveable();
  return true;
}

void TKestrixIO::SaveFileWith(TIOFileType fileType, const std::string& fileName) {
  const TKXBuiltInFormat& format = *KXBuiltInFormat(fileType);
  if (!PrepareSave(format.Write != nullptr)) return;
  TProgressRec progress = NewProgress();
  KXReplaceFile(fileName, [&](TStream& stream) {
    format.Write(stream, *fBitmap, fIOParams, progress);
    return !fAborting;
  });
}

void TKestrixIO::SaveStreamWith(TIOFileType fileType, TStream& stream) {
  const TKXBuiltInFormat& format = *KXBuiltInFormat(fileType);
  if (!PrepareSave(format.Write != nullptr)) return;
  TProgressRec progress = NewProgress();
  const bool header = fStreamHeaders && format.HeaderUse != hdNone;
  const int64_t start = header ? BeginStreamHeader(stream) : 0;
  format.Write(stream, *fBitmap, fIOParams, progress);
  // An incomplete block-sized image keeps a zero header, which no reader takes for an image.
  if (header && !(fAborting && format.HeaderUse == hdSizesBlock) &&
      !FinishStreamHeader(stream, start, format.HeaderSignature))
    fAborting = true;
}

void TKestrixIO::SaveWithRecord(PKXFileFormatInfo record, const std::string* fileName, TStream* stream) {
  if (!record || !record->WriteFunction) {
    fAborting = true;
    return;
  }
  fAborting = false;
  TProgressRec progress = NewProgress();
  if (!fBitmap) return;
  MakeSaveable();
  if (stream) {
    record->WriteFunction(*stream, *fBitmap, fIOParams, progress);
    return;
  }
  KXReplaceFile(*fileName, [&](TStream& file) {
    record->WriteFunction(file, *fBitmap, fIOParams, progress);
    return !fAborting;
  });
}

void TKestrixIO::SaveToFile(const std::string& fileName) {
  if (const TKXBuiltInFormat* format = KXBuiltInSaveFormat(fileName)) return SaveFileWith(format->FileType, fileName);
  const std::string ext = KXLowerExtension(fileName);
  SaveWithRecord(ext.empty() ? nullptr : KXFileFormatGetInfo2(ext.substr(1)), &fileName, nullptr);
}

void TKestrixIO::SaveToStream(TStream& stream, TIOFileType fileType) {
  const TKXBuiltInFormat* format = KXBuiltInFormat(fileType);
  if (format && !format->SaveExtensions.empty())
    SaveStreamWith(fileType, stream);
  else
    SaveWithRecord(KXFileFormatGetInfo(fileType), nullptr, &stream);
}

void TKestrixIO::SaveToFileJpeg(const std::string& fileName) { SaveFileWith(ioJPEG, fileName); }
void TKestrixIO::SaveToFilePNG(const std::string& fileName) { SaveFileWith(ioPNG, fileName); }
void TKestrixIO::SaveToFileTIFF(const std::string& fileName) { SaveFileWith(ioTIFF, fileName); }
void TKestrixIO::SaveToFileGif(const std::string& fileName) { SaveFileWith(ioGIF, fileName); }
void TKestrixIO::SaveToFileBMP(const std::string& fileName) { SaveFileWith(ioBMP, fileName); }
void TKestrixIO::SaveToFilePCX(const std::string& fileName) { SaveFileWith(ioPCX, fileName); }
void TKestrixIO::SaveToFileTGA(const std::string& fileName) { SaveFileWith(ioTGA, fileName); }
void TKestrixIO::SaveToStreamJpeg(TStream& stream) { SaveStreamWith(ioJPEG, stream); }
void TKestrixIO::SaveToStreamPNG(TStream& stream) { SaveStreamWith(ioPNG, stream); }
void TKestrixIO::SaveToStreamTIFF(TStream& stream) { SaveStreamWith(ioTIFF, stream); }
void TKestrixIO::SaveToStreamGif(TStream& stream) { SaveStreamWith(ioGIF, stream); }
void TKestrixIO::SaveToStreamBMP(TStream& stream) { SaveStreamWith(ioBMP, stream); }
void TKestrixIO::SaveToStreamPCX(TStream& stream) { SaveStreamWith(ioPCX, stream); }
void TKestrixIO::SaveToStreamTGA(TStream& stream) { SaveStreamWith(ioTGA, stream); }

}  // namespace kx
