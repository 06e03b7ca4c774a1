// The component's multi-image GIF editing, over the codec's file routines.
#include <algorithm>
#include <exception>

#include "imaging/components/kestrix_io.h"
#include "imaging/core/bitmap.h"
#include "imaging/io/gif_codec.h"

namespace kx {

int32_t TKestrixIO::InsertToFileGif(const std::string& fileName) {
  fAborting = false;
  if (!fBitmap) return 0;
  MakeSaveable();
  fIOParams.GIF_ScreenWidth = std::max(fIOParams.GIF_ScreenWidth, fBitmap->Width() + fIOParams.GIF_HorizPosition);
  fIOParams.GIF_ScreenHeight = std::max(fIOParams.GIF_ScreenHeight, fBitmap->Height() + fIOParams.GIF_VertPosition);
  TProgressRec progress = NewProgress();
  const int32_t count = _InsertGifIm(fileName, *fBitmap, fIOParams, progress);
  if (!fAborting) _GifMakeAnimate(fileName, 0, fIOParams.GIF_ScreenWidth, fIOParams.GIF_ScreenHeight);
  return count;
}

int32_t DeleteGifIm(const std::string& fileName, int32_t index) { return _DeleteGifIm(fileName, index, true); }

int32_t EnumGifIm(const std::string& fileName) {
  try {
    return _DeleteGifIm(fileName, -1, false);
  } catch (const std::exception&) {
    return 0;
  }
}

bool CheckAniGif(const std::string& fileName) {
  try {
    return _CheckGifAnimate(fileName);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace kx
