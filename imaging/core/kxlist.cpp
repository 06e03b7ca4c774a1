// The byte-block operations shared by every typed list.
#include "imaging/core/kxlist.h"

#include <cstddef>
#include <cstring>

namespace kx {

void TKXList::SetCount(int32_t n) {
  if (n < 0) n = 0;
  fItems.resize(size_t(n) * size_t(fItemSize));
  if (n == 0) fItems.shrink_to_fit();
  fCount = n;
  Changed.Include(kxlItems);
}

int32_t TKXList::AddItem(const void* item) {
  InsertItem(fCount, item);
  return fCount - 1;
}

void TKXList::InsertItem(int32_t i, const void* item) {
  if (i > fCount) i = fCount;
  if (i < 0) i = 0;
  const auto* bytes = static_cast<const uint8_t*>(item);
  fItems.insert(fItems.begin() + std::ptrdiff_t(size_t(i) * size_t(fItemSize)), bytes, bytes + fItemSize);
  ++fCount;
  Changed.Include(kxlItems);
}

void TKXList::Delete(int32_t i) {
  if (i < 0 || i >= fCount) return;
  const auto first = fItems.begin() + std::ptrdiff_t(size_t(i) * size_t(fItemSize));
  fItems.erase(first, first + fItemSize);
  --fCount;
  Changed.Include(kxlItems);
}

int32_t TKXList::IndexOfItem(const void* item) const {
  for (int32_t i = 0; i < fCount; ++i) {
    if (std::memcmp(&fItems[size_t(i) * size_t(fItemSize)], item, size_t(fItemSize)) == 0) return i;
  }
  return -1;
}

void* TKXList::BaseGetItem(int32_t i) {
  return i < 0 || i >= fCount ? nullptr : &fItems[size_t(i) * size_t(fItemSize)];
}

const void* TKXList::BaseGetItem(int32_t i) const {
  return i < 0 || i >= fCount ? nullptr : &fItems[size_t(i) * size_t(fItemSize)];
}

void TKXList::BaseSetItem(int32_t i, const void* item) {
  void* slot = BaseGetItem(i);
  if (slot == nullptr) return;
  std::memcpy(slot, item, size_t(fItemSize));
  Changed.Include(kxlItems);
}

void TKXList::Clear() {
  fItems.clear();
  fItems.shrink_to_fit();
  fCount = 0;
  Changed.Clear();
}

void TKXList::Assign(const TKXList& list) {
  if (&list == this) return;
  fItemSize = list.fItemSize;
  fItems = list.fItems;
  fCount = list.fCount;
  Changed = list.Changed;
}

}  // namespace kx
