// Saving: the component's side of every save (abort flag, progress record, the bitmap made one
// the writers take) around the io layer's choice of writer, and the temporary-then-rename rule
// of every file save.
#include "imaging/components/kestrix_io.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/file_replace.h"
#include "imaging/core/stream.h"
#include "imaging/io/format_io.h"

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
  KXWriteStreamImage(format, stream, *fBitmap, fIOParams, fStreamHeaders, progress);
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
  const TKXFormatChoice choice = KXSaveChoiceForFile(fileName);
  if (choice.Row)
    SaveFileWith(choice.Row->FileType, fileName);
  else
    SaveWithRecord(choice.Record, &fileName, nullptr);
}

void TKestrixIO::SaveToStream(TStream& stream, TIOFileType fileType) {
  const TKXFormatChoice choice = KXSaveChoiceForType(fileType);
  if (choice.Row)
    SaveStreamWith(fileType, stream);
  else
    SaveWithRecord(choice.Record, nullptr, &stream);
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
