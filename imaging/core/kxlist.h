// Growable lists of fixed-size items with a range and a current value: the containers that
// carry a scanner capability (a list of allowed values, or a minimum/maximum/step, plus the
// value in force) and remember which of the three the program has changed since they were filled.
#pragma once

#include <cstdint>
#include <vector>

namespace kx {

enum TKXListChanges : uint8_t { kxlItems, kxlRange, kxlCurrentValue };

// The set of TKXListChanges recorded since a list was filled.
class TKXListChangeSet {
 public:
  bool Contains(TKXListChanges c) const { return (fBits >> c) & 1u; }
  void Include(TKXListChanges c) { fBits = uint8_t(fBits | (1u << c)); }
  void Exclude(TKXListChanges c) { fBits = uint8_t(fBits & ~(1u << c)); }
  bool Empty() const { return fBits == 0; }
  void Clear() { fBits = 0; }
  friend bool operator==(const TKXListChangeSet&, const TKXListChangeSet&) = default;

 private:
  uint8_t fBits = 0;
};

// Items of ItemSize() bytes each in one block. Indices outside 0..Count()-1 are ignored by every
// writing operation; reading one gives nullptr.
class TKXList {
 public:
  explicit TKXList(int32_t itemSize = 0) : fItemSize(itemSize < 0 ? 0 : itemSize) {}
  virtual ~TKXList() = default;

  int32_t Count() const { return fCount; }
  int32_t ItemSize() const { return fItemSize; }
  // Resizes to n items (negative counts as 0), keeping those that fit; new items are zero.
  void SetCount(int32_t n);
  // Appends a copy of the ItemSize() bytes at `item`; returns its index.
  int32_t AddItem(const void* item);
  // Inserts before index i; i >= Count() appends, i < 0 inserts at the front.
  void InsertItem(int32_t i, const void* item);
  void Delete(int32_t i);
  // Index of the first item whose bytes equal those at `item`, or -1.
  int32_t IndexOfItem(const void* item) const;
  void* BaseGetItem(int32_t i);
  const void* BaseGetItem(int32_t i) const;
  void BaseSetItem(int32_t i, const void* item);
  // Count 0 and Changed empty.
  virtual void Clear();
  // Copies item size, items and Changed.
  virtual void Assign(const TKXList& list);

  // What the program changed since the list was filled; whoever fills a list clears it.
  TKXListChangeSet Changed;

 protected:
  int32_t fItemSize;

 private:
  std::vector<uint8_t> fItems;
  int32_t fCount = 0;
};

// A list of plain values with a range (minimum, maximum, step) and a current value.
template <typename T>
class TKXValueList : public TKXList {
 public:
  TKXValueList() : TKXList(int32_t(sizeof(T))) {}

  int32_t Add(T v) { return AddItem(&v); }
  void Insert(int32_t i, T v) { InsertItem(i, &v); }
  int32_t IndexOf(T v) const { return IndexOfItem(&v); }
  // The item at i, or 0 when i is outside the list.
  T GetItem(int32_t i) const {
    const void* p = BaseGetItem(i);
    return p ? *static_cast<const T*>(p) : T{};
  }
  void SetItem(int32_t i, T v) { BaseSetItem(i, &v); }
  T operator[](int32_t i) const { return GetItem(i); }

  T RangeMin() const { return fRangeMin; }
  T RangeMax() const { return fRangeMax; }
  T RangeStep() const { return fRangeStep; }
  T CurrentValue() const { return fCurrentValue; }
  void SetRangeMin(T v) { SetRange(fRangeMin, v); }
  void SetRangeMax(T v) { SetRange(fRangeMax, v); }
  void SetRangeStep(T v) { SetRange(fRangeStep, v); }
  void SetCurrentValue(T v) {
    fCurrentValue = v;
    Changed.Include(kxlCurrentValue);
  }

  // Also zeroes the range and the current value.
  void Clear() override {
    TKXList::Clear();
    fItemSize = int32_t(sizeof(T));
    fRangeMin = fRangeMax = fRangeStep = fCurrentValue = T{};
  }
  // Also copies the range and the current value when `list` is of the same kind.
  void Assign(const TKXList& list) override {
    TKXList::Assign(list);
    if (const auto* same = dynamic_cast<const TKXValueList*>(&list)) {
      fRangeMin = same->fRangeMin;
      fRangeMax = same->fRangeMax;
      fRangeStep = same->fRangeStep;
      fCurrentValue = same->fCurrentValue;
    }
  }

 private:
  void SetRange(T& field, T v) {
    field = v;
    Changed.Include(kxlRange);
  }

  T fRangeMin{};
  T fRangeMax{};
  T fRangeStep{};
  T fCurrentValue{};
};

using TKXDoubleList = TKXValueList<double>;
using TKXIntegerList = TKXValueList<int32_t>;

// A list of records whose size is fixed when the list is made.
class TKXRecordList : public TKXList {
 public:
  explicit TKXRecordList(int32_t recordSize) : TKXList(recordSize) {}
};

}  // namespace kx
