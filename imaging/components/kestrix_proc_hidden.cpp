// The hidden-data members of the processing component: whole-picture operations over the
// carrier routines, with the refusals a caller can read back.
#include <string>

#include "imaging/components/kestrix_proc.h"
#include "imaging/proc/hidden_data.h"

namespace kx {

int32_t TKestrixProc::WriteHiddenData(const void* buffer, int32_t n) {
  fLastRefusal.clear();
  if (!fBitmap || fBitmap->BitCount() != 24) return 0;
  const int32_t space = _HiddenDataSpace(*fBitmap);
  if (n < 0 || n > space || (n > 0 && !buffer)) {
    Refuse(std::to_string(n) + " bytes do not fit: the picture holds " + std::to_string(space));
    return 0;
  }
  if (fAutoUndo) SaveUndo();
  _WriteHiddenData(*fBitmap, {static_cast<const uint8_t*>(buffer), size_t(n)});
  Update();
  return n;
}

int32_t TKestrixProc::WriteHiddenText(const std::string& text) {
  if (text.size() > size_t(INT32_MAX)) {
    Refuse("the text is too long to hide");
    return 0;
  }
  return WriteHiddenData(text.data(), int32_t(text.size()));
}

int32_t TKestrixProc::ReadHiddenData(void* buffer, int32_t size) const {
  if (!fBitmap || fBitmap->BitCount() != 24) return 0;
  const size_t room = buffer && size > 0 ? size_t(size) : 0;
  return _ReadHiddenData(*fBitmap, {static_cast<uint8_t*>(buffer), room});
}

std::string TKestrixProc::ReadHiddenText() const {
  // The stored length is bounded by the picture's capacity, so the text never outgrows it.
  std::string text(size_t(ReadHiddenData(nullptr, 0)), '\0');
  ReadHiddenData(text.data(), int32_t(text.size()));
  return text;
}

int32_t TKestrixProc::GetHiddenDataSpace() const { return fBitmap ? _HiddenDataSpace(*fBitmap) : 0; }

}  // namespace kx
