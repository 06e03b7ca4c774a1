// Reading and writing capability containers, the capability record and the negotiation.
#include "imaging/scan/twain_caps.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <vector>

#include "imaging/scan/twain_exchange.h"
#include "imaging/scan/twain_params.h"

namespace kx {

namespace {

// Bytes of one item of `type` in an item list; 0 for a type no list here holds.
size_t IntegerItemSize(TW_UINT16 type) {
  switch (type) {
    case TWTY_INT8:
    case TWTY_UINT8:
      return 1;
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_BOOL:
      return 2;
    case TWTY_INT32:
    case TWTY_UINT32:
      return 4;
    default:
      return 0;
  }
}

// The integer of `type` at p; also the value of a 32-bit field, whose low bytes come first.
int32_t ReadInteger(const uint8_t* p, TW_UINT16 type) {
  switch (type) {
    case TWTY_INT8:
      return int8_t(p[0]);
    case TWTY_UINT8:
      return p[0];
    case TWTY_INT16: {
      int16_t v;
      std::memcpy(&v, p, 2);
      return v;
    }
    case TWTY_UINT16:
    case TWTY_BOOL: {
      uint16_t v;
      std::memcpy(&v, p, 2);
      return v;
    }
    default: {
      uint32_t v;
      std::memcpy(&v, p, 4);
      return int32_t(v);
    }
  }
}

double ReadFix32(const uint8_t* p) {
  TW_FIX32 f;
  std::memcpy(&f, p, sizeof f);
  return KXTWFromFix32(f);
}

// How each kind of list takes its items.
struct TRealItems {
  static size_t ItemSize(TW_UINT16 type) { return type == TWTY_FIX32 ? 4 : 0; }
  static double Read(const uint8_t* p, TW_UINT16) { return ReadFix32(p); }
};

struct TIntegerItems {
  static size_t ItemSize(TW_UINT16 type) { return IntegerItemSize(type); }
  static int32_t Read(const uint8_t* p, TW_UINT16 type) { return ReadInteger(p, type); }
};

template <typename Items, typename T>
bool ParseInto(TW_UINT16 conType, const void* block, size_t size, TKXValueList<T>& list) {
  if (!block || size < sizeof(TW_UINT16)) return false;
  const auto* bytes = static_cast<const uint8_t*>(block);
  TW_UINT16 itemType;
  std::memcpy(&itemType, bytes, sizeof itemType);
  const size_t itemSize = Items::ItemSize(itemType);
  if (itemSize == 0) return false;
  TKXValueList<T> parsed;
  // Reads NumItems items from `offset`, after checking that they lie inside the block.
  auto readItems = [&](size_t offset, TW_UINT32 count) {
    if (offset > size || (size - offset) / itemSize < count) return false;
    for (TW_UINT32 i = 0; i < count; ++i) parsed.Add(Items::Read(bytes + offset + size_t(i) * itemSize, itemType));
    return true;
  };
  switch (conType) {
    case TWON_ONEVALUE: {
      if (size < sizeof(TW_ONEVALUE)) return false;
      const T value = Items::Read(bytes + offsetof(TW_ONEVALUE, Item), itemType);
      parsed.Add(value);
      parsed.SetCurrentValue(value);
      break;
    }
    case TWON_ENUMERATION: {
      TW_ENUMERATION e;
      if (size < offsetof(TW_ENUMERATION, ItemList)) return false;
      std::memcpy(&e, bytes, offsetof(TW_ENUMERATION, ItemList));
      if (e.CurrentIndex >= e.NumItems) return false;
      if (!readItems(offsetof(TW_ENUMERATION, ItemList), e.NumItems)) return false;
      parsed.SetCurrentValue(parsed.GetItem(int32_t(e.CurrentIndex)));
      break;
    }
    case TWON_ARRAY: {
      TW_ARRAY a;
      if (size < offsetof(TW_ARRAY, ItemList)) return false;
      std::memcpy(&a, bytes, offsetof(TW_ARRAY, ItemList));
      if (!readItems(offsetof(TW_ARRAY, ItemList), a.NumItems)) return false;
      break;
    }
    case TWON_RANGE: {
      if (size < sizeof(TW_RANGE)) return false;
      parsed.SetRangeMin(Items::Read(bytes + offsetof(TW_RANGE, MinValue), itemType));
      parsed.SetRangeMax(Items::Read(bytes + offsetof(TW_RANGE, MaxValue), itemType));
      parsed.SetRangeStep(Items::Read(bytes + offsetof(TW_RANGE, StepSize), itemType));
      parsed.SetCurrentValue(Items::Read(bytes + offsetof(TW_RANGE, CurrentValue), itemType));
      break;
    }
    default:
      return false;
  }
  list.Assign(parsed);
  return true;
}

// Asks the source for capability `cap` and hands the locked container to `parse`.
template <typename Parse>
bool GetContainer(TKXTWContext& ctx, TW_UINT16 cap, Parse parse) {
  TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
  const bool ok = ctx.CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability);
  TW_HANDLE container = capability.hContainer;
  bool parsed = false;
  if (ok) {
    const void* block = KXTWLock(container);
    parsed = block && parse(capability.ConType, block, KXTWBlockSize(container));
    KXTWUnlock(container);
  }
  // The container is the application's to free, also when the answer was a failure.
  KXTWFree(container);
  return parsed;
}

// Sends `bytes` as a container of `conType` for capability `cap`.
bool SetContainer(TKXTWContext& ctx, TW_UINT16 cap, TW_UINT16 conType, const std::vector<uint8_t>& bytes) {
  TW_HANDLE container = KXTWAlloc(bytes.size());
  void* block = KXTWLock(container);
  if (!block) {
    KXTWFree(container);
    return false;
  }
  std::memcpy(block, bytes.data(), bytes.size());
  KXTWUnlock(container);
  TW_CAPABILITY capability{cap, conType, container};
  const bool ok = ctx.CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
  KXTWFree(container);
  return ok;
}

template <typename Field>
void Put(std::vector<uint8_t>& bytes, size_t offset, const Field& value) {
  if (bytes.size() < offset + sizeof value) bytes.resize(offset + sizeof value);
  std::memcpy(bytes.data() + offset, &value, sizeof value);
}

TW_UINT32 ItemField(double v) {
  const TW_FIX32 f = KXTWToFix32(v);
  TW_UINT32 field;
  std::memcpy(&field, &f, sizeof field);
  return field;
}

TW_UINT32 ItemField(int32_t v) { return TW_UINT32(v); }

bool SetOneValue(TKXTWContext& ctx, TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item) {
  std::vector<uint8_t> bytes(sizeof(TW_ONEVALUE));
  Put(bytes, offsetof(TW_ONEVALUE, ItemType), itemType);
  Put(bytes, offsetof(TW_ONEVALUE, Item), item);
  return SetContainer(ctx, cap, TWON_ONEVALUE, bytes);
}

void PutItem(std::vector<uint8_t>& bytes, size_t offset, double v) { Put(bytes, offset, KXTWToFix32(v)); }
void PutItem(std::vector<uint8_t>& bytes, size_t offset, int32_t v) { Put(bytes, offset, TW_UINT16(v)); }

template <typename T>
bool WriteValueList(TKXTWContext& ctx, TW_UINT16 cap, const TKXValueList<T>& list) {
  constexpr bool kReal = std::is_same_v<T, double>;
  constexpr TW_UINT16 itemType = kReal ? TWTY_FIX32 : TWTY_UINT16;
  constexpr size_t itemSize = kReal ? sizeof(TW_FIX32) : sizeof(TW_UINT16);
  bool ok = true;
  bool currentSent = false;
  if (list.Changed.Contains(kxlItems) && list.Count() > 0) {
    const int32_t current = list.IndexOf(list.CurrentValue());
    if (current >= 0) {
      std::vector<uint8_t> bytes(offsetof(TW_ENUMERATION, ItemList) + size_t(list.Count()) * itemSize);
      Put(bytes, offsetof(TW_ENUMERATION, ItemType), itemType);
      Put(bytes, offsetof(TW_ENUMERATION, NumItems), TW_UINT32(list.Count()));
      Put(bytes, offsetof(TW_ENUMERATION, CurrentIndex), TW_UINT32(current));
      Put(bytes, offsetof(TW_ENUMERATION, DefaultIndex), TW_UINT32(0));
      for (int32_t i = 0; i < list.Count(); ++i) {
        PutItem(bytes, offsetof(TW_ENUMERATION, ItemList) + size_t(i) * itemSize, list.GetItem(i));
      }
      ok = SetContainer(ctx, cap, TWON_ENUMERATION, bytes);
    } else {
      // An enumeration must name its current item; a value not among the items goes alone.
      ok = SetOneValue(ctx, cap, itemType, ItemField(list.CurrentValue()));
      currentSent = true;
    }
  }
  if (list.Changed.Contains(kxlCurrentValue) && !currentSent) {
    ok = SetOneValue(ctx, cap, itemType, ItemField(list.CurrentValue()));
  }
  if (kReal && list.Changed.Contains(kxlRange)) {
    std::vector<uint8_t> bytes(sizeof(TW_RANGE));
    Put(bytes, offsetof(TW_RANGE, ItemType), itemType);
    Put(bytes, offsetof(TW_RANGE, MinValue), ItemField(list.RangeMin()));
    Put(bytes, offsetof(TW_RANGE, MaxValue), ItemField(list.RangeMax()));
    Put(bytes, offsetof(TW_RANGE, StepSize), ItemField(list.RangeStep()));
    Put(bytes, offsetof(TW_RANGE, DefaultValue), TW_UINT32(0));
    Put(bytes, offsetof(TW_RANGE, CurrentValue), ItemField(list.CurrentValue()));
    ok = SetContainer(ctx, cap, TWON_RANGE, bytes);
  }
  return ok;
}

// Reads the one value of a one-value container into `field` (the raw 32-bit item) when its type
// is `wanted`.
bool ReadOneValue(TKXTWContext& ctx, TW_UINT16 cap, TW_UINT16 wanted, TW_UINT32& field) {
  return GetContainer(ctx, cap, [&](TW_UINT16 conType, const void* block, size_t size) {
    if (conType != TWON_ONEVALUE || size < sizeof(TW_ONEVALUE)) return false;
    TW_ONEVALUE one;
    std::memcpy(&one, block, sizeof one);
    if (one.ItemType != wanted) return false;
    field = one.Item;
    return true;
  });
}

void ReadListOr(TKXTWContext& ctx, TW_UINT16 cap, TKXDoubleList& list, bool unscaled) {
  if (KXTWReadList(ctx, cap, list)) return;
  list.Clear();
  if (unscaled) {
    list.Add(1.0);
    list.SetCurrentValue(1.0);
  }
}

double FrameSide(TW_FIX32 f) { return KXTWFromFix32(f); }

}  // namespace

TW_FIX32 KXTWToFix32(double x) {
  if (!std::isfinite(x)) x = 0;
  double scaled = std::trunc(x * 65536.0 + 0.5);
  if (scaled < double(INT32_MIN)) scaled = double(INT32_MIN);
  if (scaled > double(UINT32_MAX)) scaled = double(UINT32_MAX);
  const auto v = uint32_t(int64_t(scaled));
  TW_FIX32 f;
  f.Whole = TW_INT16(uint16_t(v >> 16));
  f.Frac = TW_UINT16(v & 0xFFFF);
  return f;
}

double KXTWFromFix32(TW_FIX32 f) { return double(uint16_t(f.Whole)) + double(f.Frac) / 65536.0; }

bool KXTWParseContainer(TW_UINT16 conType, const void* block, size_t size, TKXDoubleList& list) {
  return ParseInto<TRealItems>(conType, block, size, list);
}

bool KXTWParseContainer(TW_UINT16 conType, const void* block, size_t size, TKXIntegerList& list) {
  return ParseInto<TIntegerItems>(conType, block, size, list);
}

bool KXTWReadList(TKXTWContext& ctx, TW_UINT16 cap, TKXDoubleList& list) {
  return GetContainer(ctx, cap, [&](TW_UINT16 conType, const void* block, size_t size) {
    return KXTWParseContainer(conType, block, size, list);
  });
}

bool KXTWReadList(TKXTWContext& ctx, TW_UINT16 cap, TKXIntegerList& list) {
  return GetContainer(ctx, cap, [&](TW_UINT16 conType, const void* block, size_t size) {
    return KXTWParseContainer(conType, block, size, list);
  });
}

bool KXTWReadReal(TKXTWContext& ctx, TW_UINT16 cap, double& value) {
  TW_UINT32 field;
  if (!ReadOneValue(ctx, cap, TWTY_FIX32, field)) return false;
  TW_FIX32 f;
  std::memcpy(&f, &field, sizeof f);
  value = KXTWFromFix32(f);
  return true;
}

bool KXTWReadBool(TKXTWContext& ctx, TW_UINT16 cap, bool& value) {
  TW_UINT32 field;
  if (!ReadOneValue(ctx, cap, TWTY_BOOL, field)) return false;
  value = uint16_t(field) != 0;
  return true;
}

bool KXTWWriteList(TKXTWContext& ctx, TW_UINT16 cap, const TKXDoubleList& list) {
  return WriteValueList(ctx, cap, list);
}

bool KXTWWriteList(TKXTWContext& ctx, TW_UINT16 cap, const TKXIntegerList& list) {
  return WriteValueList(ctx, cap, list);
}

bool KXTWWriteBool(TKXTWContext& ctx, TW_UINT16 cap, bool value) {
  return SetOneValue(ctx, cap, TWTY_BOOL, value ? 0xFFFF : 0);
}

bool KXTWWriteUInt16(TKXTWContext& ctx, TW_UINT16 cap, TW_UINT16 value) {
  return SetOneValue(ctx, cap, TWTY_UINT16, value);
}

void KXTWReadCapabilities(TKXTWContext& ctx, TKXTWSourceCaps& caps) {
  TKXIntegerList units;
  if (KXTWReadList(ctx, ICAP_UNITS, units)) KXTWWriteUInt16(ctx, ICAP_UNITS, TWUN_INCHES);
  ReadListOr(ctx, ICAP_XRESOLUTION, caps.XResolution, false);
  ReadListOr(ctx, ICAP_YRESOLUTION, caps.YResolution, false);
  ReadListOr(ctx, ICAP_XSCALING, caps.XScaling, true);
  ReadListOr(ctx, ICAP_YSCALING, caps.YScaling, true);
  if (!KXTWReadList(ctx, ICAP_PIXELTYPE, caps.PixelType)) caps.PixelType.Clear();
  if (!KXTWReadReal(ctx, ICAP_GAMMA, caps.Gamma)) caps.Gamma = 2.2;
  if (!KXTWReadReal(ctx, ICAP_PHYSICALHEIGHT, caps.PhysicalHeight)) caps.PhysicalHeight = 0;
  if (!KXTWReadReal(ctx, ICAP_PHYSICALWIDTH, caps.PhysicalWidth)) caps.PhysicalWidth = 0;
  if (!KXTWReadBool(ctx, CAP_FEEDERENABLED, caps.FeederEnabled)) caps.FeederEnabled = false;
  if (!KXTWReadList(ctx, ICAP_ORIENTATION, caps.Orientation)) {
    caps.Orientation.Clear();
    caps.Orientation.Add(TWOR_ROT0);
  }
  if (!KXTWReadBool(ctx, CAP_INDICATORS, caps.Indicators)) caps.Indicators = true;
  TW_IMAGELAYOUT layout{};
  if (ctx.CallSource(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout)) {
    caps.AcquireFrame[0] = FrameSide(layout.Frame.Left);
    caps.AcquireFrame[1] = FrameSide(layout.Frame.Top);
    caps.AcquireFrame[2] = FrameSide(layout.Frame.Right);
    caps.AcquireFrame[3] = FrameSide(layout.Frame.Bottom);
  }
}

void KXTWNegotiate(TKXTWContext& ctx) {
  TKXTWainParams* params = ctx.Params;
  if (!params) {
    ctx.UseMemoryTransfer = false;
    return;
  }
  TKXTWSourceCaps& caps = params->Caps();
  if (!params->CapsFilled()) {
    KXTWReadCapabilities(ctx, caps);
    caps.ClearChangeMarks();
    params->CapabilitiesRead();
  }
  TKXIntegerList units;
  if (KXTWReadList(ctx, ICAP_UNITS, units)) KXTWWriteUInt16(ctx, ICAP_UNITS, TWUN_INCHES);
  KXTWWriteUInt16(ctx, ICAP_PIXELFLAVOR, TWPF_CHOCOLATE);
  KXTWWriteList(ctx, ICAP_XRESOLUTION, caps.XResolution);
  KXTWWriteList(ctx, ICAP_YRESOLUTION, caps.YResolution);
  KXTWWriteList(ctx, ICAP_XSCALING, caps.XScaling);
  KXTWWriteList(ctx, ICAP_YSCALING, caps.YScaling);
  if (caps.PixelType.CurrentValue() > TWPT_RGB) caps.PixelType.SetCurrentValue(TWPT_RGB);
  bool ok = KXTWWriteList(ctx, ICAP_PIXELTYPE, caps.PixelType);
  const int32_t pixelType = caps.PixelType.CurrentValue();
  if (ok && pixelType == TWPT_GRAY) ok = KXTWWriteUInt16(ctx, ICAP_BITDEPTH, 8);
  if (ok && pixelType == TWPT_RGB) ok = KXTWWriteUInt16(ctx, ICAP_BITDEPTH, 24);
  if (ok && pixelType == TWPT_RGB) ok = KXTWWriteUInt16(ctx, ICAP_PLANARCHUNKY, TWPC_CHUNKY);
  bool memory = false;
  if (ok && ctx.UseMemoryTransfer) {
    TKXIntegerList mechanisms;
    if (KXTWReadList(ctx, ICAP_XFERMECH, mechanisms) &&
        (mechanisms.IndexOf(TWSX_MEMORY) >= 0 || mechanisms.CurrentValue() == TWSX_MEMORY)) {
      memory = KXTWWriteUInt16(ctx, ICAP_XFERMECH, TWSX_MEMORY);
    }
  }
  ctx.UseMemoryTransfer = memory;
  KXTWWriteBool(ctx, CAP_FEEDERENABLED, caps.FeederEnabled);
  KXTWWriteList(ctx, ICAP_ORIENTATION, caps.Orientation);
  KXTWWriteBool(ctx, CAP_INDICATORS, caps.Indicators);
  // An all-zero frame means "the whole area": sending it would ask for an empty scan.
  const double* frame = caps.AcquireFrame;
  if (frame[0] != 0 || frame[1] != 0 || frame[2] != 0 || frame[3] != 0) {
    TW_IMAGELAYOUT layout{};
    layout.Frame.Left = KXTWToFix32(frame[0]);
    layout.Frame.Top = KXTWToFix32(frame[1]);
    layout.Frame.Right = KXTWToFix32(frame[2]);
    layout.Frame.Bottom = KXTWToFix32(frame[3]);
    ctx.CallSource(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout);
  }
}

}  // namespace kx
