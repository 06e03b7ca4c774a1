#include "platform/sane/twain_containers.h"

#include <cmath>
#include <cstring>

#include "platform/source_manager.h"

namespace kx {

namespace {

size_t ItemSize(TW_UINT16 itemType) {
  switch (itemType) {
    case TWTY_INT8:
    case TWTY_UINT8:
      return 1;
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_BOOL:
      return 2;
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32:
      return 4;
    default:
      return 0;
  }
}

// Writes `value` as one item of `itemType` at `at` (ItemSize bytes).
void PutItem(uint8_t* at, TW_UINT16 itemType, double value) {
  switch (itemType) {
    case TWTY_FIX32: {
      const TW_FIX32 fix = KXToFix32(value);
      std::memcpy(at, &fix, sizeof fix);
      return;
    }
    case TWTY_BOOL: {
      const TW_BOOL flag = value != 0 ? 1 : 0;
      std::memcpy(at, &flag, sizeof flag);
      return;
    }
    case TWTY_INT8:
    case TWTY_UINT8:
      *at = static_cast<uint8_t>(static_cast<int32_t>(std::lround(value)));
      return;
    case TWTY_INT16:
    case TWTY_UINT16: {
      const auto item = static_cast<uint16_t>(static_cast<int32_t>(std::lround(value)));
      std::memcpy(at, &item, sizeof item);
      return;
    }
    default: {
      const auto item = static_cast<uint32_t>(std::llround(value));
      std::memcpy(at, &item, sizeof item);
      return;
    }
  }
}

std::optional<double> GetItem(const uint8_t* at, TW_UINT16 itemType) {
  switch (itemType) {
    case TWTY_FIX32: {
      TW_FIX32 fix;
      std::memcpy(&fix, at, sizeof fix);
      return KXFromFix32(fix);
    }
    case TWTY_INT8:
      return static_cast<int8_t>(*at);
    case TWTY_UINT8:
      return *at;
    case TWTY_INT16: {
      int16_t v;
      std::memcpy(&v, at, sizeof v);
      return v;
    }
    case TWTY_UINT16:
    case TWTY_BOOL: {
      uint16_t v;
      std::memcpy(&v, at, sizeof v);
      return v;
    }
    case TWTY_INT32: {
      int32_t v;
      std::memcpy(&v, at, sizeof v);
      return v;
    }
    case TWTY_UINT32: {
      uint32_t v;
      std::memcpy(&v, at, sizeof v);
      return v;
    }
    default:
      return std::nullopt;
  }
}

// A new block of `size` bytes, filled by `fill` while locked.
template <typename F>
TW_HANDLE MakeBlock(size_t size, F fill) {
  TW_HANDLE block = KXTWAlloc(size);
  if (!block) return nullptr;
  fill(static_cast<uint8_t*>(KXTWLock(block)));
  KXTWUnlock(block);
  return block;
}

}  // namespace

TW_FIX32 KXToFix32(double value) {
  const auto v = static_cast<int32_t>(std::floor(value * 65536.0 + 0.5));
  TW_FIX32 fix;
  fix.Whole = static_cast<TW_INT16>(v >> 16);
  fix.Frac = static_cast<TW_UINT16>(v & 0xffff);
  return fix;
}

double KXFromFix32(TW_FIX32 value) { return value.Whole + value.Frac / 65536.0; }

TW_HANDLE KXTWMakeOneValue(TW_UINT16 itemType, double value) {
  return MakeBlock(sizeof(TW_ONEVALUE), [&](uint8_t* at) {
    TW_ONEVALUE one{};
    one.ItemType = itemType;
    PutItem(reinterpret_cast<uint8_t*>(&one.Item), itemType, value);
    std::memcpy(at, &one, sizeof one);
  });
}

TW_HANDLE KXTWMakeEnumeration(TW_UINT16 itemType, const std::vector<double>& items, size_t current, size_t preset) {
  const size_t itemSize = ItemSize(itemType);
  if (itemSize == 0) return nullptr;
  const size_t head = offsetof(TW_ENUMERATION, ItemList);
  return MakeBlock(head + items.size() * itemSize, [&](uint8_t* at) {
    TW_ENUMERATION e{};
    e.ItemType = itemType;
    e.NumItems = static_cast<TW_UINT32>(items.size());
    e.CurrentIndex = static_cast<TW_UINT32>(current);
    e.DefaultIndex = static_cast<TW_UINT32>(preset);
    std::memcpy(at, &e, head);
    for (size_t i = 0; i < items.size(); ++i) PutItem(at + head + i * itemSize, itemType, items[i]);
  });
}

TW_HANDLE KXTWMakeRange(TW_UINT16 itemType, double min, double max, double step, double preset, double current) {
  return MakeBlock(sizeof(TW_RANGE), [&](uint8_t* at) {
    TW_RANGE r{};
    r.ItemType = itemType;
    PutItem(reinterpret_cast<uint8_t*>(&r.MinValue), itemType, min);
    PutItem(reinterpret_cast<uint8_t*>(&r.MaxValue), itemType, max);
    PutItem(reinterpret_cast<uint8_t*>(&r.StepSize), itemType, step);
    PutItem(reinterpret_cast<uint8_t*>(&r.DefaultValue), itemType, preset);
    PutItem(reinterpret_cast<uint8_t*>(&r.CurrentValue), itemType, current);
    std::memcpy(at, &r, sizeof r);
  });
}

std::optional<double> KXTWContainerValue(TW_UINT16 conType, TW_HANDLE container) {
  const size_t size = KXTWBlockSize(container);
  const auto* at = static_cast<const uint8_t*>(KXTWLock(container));
  if (!at) return std::nullopt;
  std::optional<double> value;
  TW_UINT16 itemType = 0;
  if (size >= sizeof itemType) std::memcpy(&itemType, at, sizeof itemType);
  const size_t itemSize = ItemSize(itemType);
  if (itemSize == 0) {
    // Not a number: nothing to set.
  } else if (conType == TWON_ONEVALUE && size >= sizeof(TW_ONEVALUE)) {
    value = GetItem(at + offsetof(TW_ONEVALUE, Item), itemType);
  } else if (conType == TWON_RANGE && size >= sizeof(TW_RANGE)) {
    value = GetItem(at + offsetof(TW_RANGE, CurrentValue), itemType);
  } else if (conType == TWON_ENUMERATION && size >= offsetof(TW_ENUMERATION, ItemList)) {
    TW_ENUMERATION e;
    std::memcpy(&e, at, offsetof(TW_ENUMERATION, ItemList));
    const size_t head = offsetof(TW_ENUMERATION, ItemList);
    if (e.CurrentIndex < e.NumItems && head + (uint64_t(e.CurrentIndex) + 1) * itemSize <= size)
      value = GetItem(at + head + e.CurrentIndex * itemSize, itemType);
  }
  KXTWUnlock(container);
  return value;
}

}  // namespace kx
