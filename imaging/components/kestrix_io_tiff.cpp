// The TIFF page functions of the I/O component: the file is edited in memory and saved like
// every other save, under a temporary name renamed over the old file once it is complete, so
// a failure in the middle never leaves a damaged file behind.
#include "imaging/components/kestrix_io.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/file_replace.h"
#include "imaging/core/stream.h"
#include "imaging/io/tiff_codec.h"

namespace kx {
namespace {

bool WriteBytes(const std::string& fileName, const std::vector<uint8_t>& bytes) {
  return KXReplaceFile(fileName, [&](TStream& file) {
    file.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    return true;
  });
}

}  // namespace

int32_t TKestrixIO::InsertToFileTIFF(const std::string& fileName) {
  fAborting = false;
  if (!fBitmap) return 0;
  MakeSaveable();
  TMemoryStream stream;
  stream.LoadFromFile(fileName);
  TProgressRec progress = NewProgress();
  const int32_t pages = TIFFWriteStream(stream, true, *fBitmap, fIOParams, progress);
  if (fAborting || !WriteBytes(fileName, stream.Bytes())) {
    fAborting = true;
    return 0;
  }
  return pages;
}

int32_t EnumTIFFIm(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead);
  return _EnumTIFFImStream(file);
}

int32_t DeleteTIFFIm(const std::string& fileName, int32_t index) {
  TMemoryStream stream;
  stream.LoadFromFile(fileName);
  const std::vector<uint8_t> before = stream.Bytes();
  stream.SetPosition(0);
  const int32_t pages = _DeleteTIFFImStream(stream, index);
  if (pages == 0 || stream.Bytes() == before) return pages;
  return WriteBytes(fileName, stream.Bytes()) ? pages : 0;
}

}  // namespace kx
