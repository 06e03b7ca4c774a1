// The scripted source manager and source.
#include "tests/support/scripted_twain.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace kxtest {

using namespace kx;

namespace {

// The manager the loader hands out for one exchange: it forwards to the script and tells it when
// the application unloads it.
class TLoadedManager : public TSourceManager {
 public:
  explicit TLoadedManager(TScriptedTwain& script) : fScript(script) { fScript.Loaded(); }
  ~TLoadedManager() override { fScript.Unloaded(); }
  TW_UINT16 Entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                  TW_MEMREF data) override {
    return fScript.Entry(origin, dest, dg, dat, msg, data);
  }

 private:
  TScriptedTwain& fScript;
};

std::string NameOf(const TW_IDENTITY& identity) {
  return std::string(identity.ProductName, strnlen(identity.ProductName, sizeof identity.ProductName));
}

size_t ItemSize(TW_UINT16 type) {
  switch (type) {
    case TWTY_INT8:
    case TWTY_UINT8:
      return 1;
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_BOOL:
      return 2;
    default:
      return 4;
  }
}

template <typename Field>
void Put(std::vector<uint8_t>& bytes, size_t offset, Field value) {
  if (bytes.size() < offset + sizeof value) bytes.resize(offset + sizeof value);
  std::memcpy(bytes.data() + offset, &value, sizeof value);
}

void PutItems(std::vector<uint8_t>& bytes, size_t offset, TW_UINT16 type, const std::vector<TW_UINT32>& items) {
  const size_t size = ItemSize(type);
  bytes.resize(offset + items.size() * size);
  for (size_t i = 0; i < items.size(); ++i) std::memcpy(bytes.data() + offset + i * size, &items[i], size);
}

double ItemValue(const uint8_t* p, TW_UINT16 type) {
  if (type == TWTY_FIX32) {
    uint16_t whole, frac;
    std::memcpy(&whole, p, 2);
    std::memcpy(&frac, p + 2, 2);
    return double(whole) + double(frac) / 65536.0;
  }
  uint32_t v = 0;
  std::memcpy(&v, p, ItemSize(type));
  return double(v);
}

const char* TripletName(TW_UINT16 dat, TW_UINT16 msg) {
  switch (msg) {
    case MSG_OPENDSM:
      return "OPENDSM";
    case MSG_CLOSEDSM:
      return "CLOSEDSM";
    case MSG_GETFIRST:
      return "GETFIRST";
    case MSG_GETNEXT:
      return "GETNEXT";
    case MSG_USERSELECT:
      return "USERSELECT";
    case MSG_OPENDS:
      return "OPENDS";
    case MSG_CLOSEDS:
      return "CLOSEDS";
    case MSG_ENABLEDS:
      return "ENABLEDS";
    case MSG_DISABLEDS:
      return "DISABLEDS";
    case MSG_PROCESSEVENT:
      return "PROCESSEVENT";
    case MSG_ENDXFER:
      return "ENDXFER";
    case MSG_RESET:
      return dat == DAT_PENDINGXFERS ? "RESET" : "CAP_RESET";
    default:
      break;
  }
  switch (dat) {
    case DAT_CAPABILITY:
      return msg == MSG_SET ? "CAP_SET" : "CAP_GET";
    case DAT_IMAGELAYOUT:
      return msg == MSG_SET ? "LAYOUT_SET" : "LAYOUT_GET";
    case DAT_SETUPMEMXFER:
      return "SETUPMEMXFER";
    case DAT_IMAGEINFO:
      return "IMAGEINFO";
    case DAT_IMAGEMEMXFER:
      return "IMAGEMEMXFER";
    case DAT_IMAGENATIVEXFER:
      return "IMAGENATIVEXFER";
    case DAT_STATUS:
      return "STATUS";
    default:
      return "OTHER";
  }
}

}  // namespace

TW_UINT32 Fix32Field(double x) {
  const auto v = uint32_t(int64_t(std::trunc(x * 65536.0 + 0.5)));
  const auto whole = uint16_t(v >> 16);
  const auto frac = uint16_t(v & 0xFFFF);
  TW_UINT32 field;
  std::memcpy(&field, &whole, 2);
  std::memcpy(reinterpret_cast<uint8_t*>(&field) + 2, &frac, 2);
  return field;
}

TCapAnswer TCapAnswer::OneValue(TW_UINT16 itemType, TW_UINT32 item) {
  TCapAnswer a{TWON_ONEVALUE, {}};
  Put(a.Bytes, offsetof(TW_ONEVALUE, ItemType), itemType);
  Put(a.Bytes, offsetof(TW_ONEVALUE, Item), item);
  return a;
}

TCapAnswer TCapAnswer::Enumeration(TW_UINT16 itemType, const std::vector<TW_UINT32>& items, TW_UINT32 currentIndex,
                                   TW_UINT32 defaultIndex) {
  TCapAnswer a{TWON_ENUMERATION, {}};
  Put(a.Bytes, offsetof(TW_ENUMERATION, ItemType), itemType);
  Put(a.Bytes, offsetof(TW_ENUMERATION, NumItems), TW_UINT32(items.size()));
  Put(a.Bytes, offsetof(TW_ENUMERATION, CurrentIndex), currentIndex);
  Put(a.Bytes, offsetof(TW_ENUMERATION, DefaultIndex), defaultIndex);
  PutItems(a.Bytes, offsetof(TW_ENUMERATION, ItemList), itemType, items);
  return a;
}

TCapAnswer TCapAnswer::Array(TW_UINT16 itemType, const std::vector<TW_UINT32>& items) {
  TCapAnswer a{TWON_ARRAY, {}};
  Put(a.Bytes, offsetof(TW_ARRAY, ItemType), itemType);
  Put(a.Bytes, offsetof(TW_ARRAY, NumItems), TW_UINT32(items.size()));
  PutItems(a.Bytes, offsetof(TW_ARRAY, ItemList), itemType, items);
  return a;
}

TCapAnswer TCapAnswer::Range(TW_UINT16 itemType, TW_UINT32 min, TW_UINT32 max, TW_UINT32 step, TW_UINT32 defaultValue,
                             TW_UINT32 current) {
  TCapAnswer a{TWON_RANGE, {}};
  Put(a.Bytes, offsetof(TW_RANGE, ItemType), itemType);
  Put(a.Bytes, offsetof(TW_RANGE, MinValue), min);
  Put(a.Bytes, offsetof(TW_RANGE, MaxValue), max);
  Put(a.Bytes, offsetof(TW_RANGE, StepSize), step);
  Put(a.Bytes, offsetof(TW_RANGE, DefaultValue), defaultValue);
  Put(a.Bytes, offsetof(TW_RANGE, CurrentValue), current);
  return a;
}

TW_IMAGEINFO ImageInfo(int32_t width, int32_t length, int16_t bitsPerPixel, double dpi) {
  TW_IMAGEINFO info{};
  const TW_UINT32 field = Fix32Field(dpi);
  std::memcpy(&info.XResolution, &field, 4);
  std::memcpy(&info.YResolution, &field, 4);
  info.ImageWidth = width;
  info.ImageLength = length;
  info.BitsPerPixel = bitsPerPixel;
  info.SamplesPerPixel = bitsPerPixel >= 24 ? 3 : 1;
  info.PixelType = bitsPerPixel == 1 ? TWPT_BW : bitsPerPixel >= 24 ? TWPT_RGB : TWPT_GRAY;
  info.Compression = 0;
  return info;
}

std::vector<TScriptedStrip> StripsOf(const std::vector<uint8_t>& pixels, uint32_t columns, uint32_t rows,
                                     uint32_t bytesPerRow, uint32_t rowsPerStrip) {
  std::vector<TScriptedStrip> strips;
  for (uint32_t y = 0; y < rows; y += rowsPerStrip) {
    TScriptedStrip strip;
    strip.Columns = columns;
    strip.Rows = std::min(rowsPerStrip, rows - y);
    strip.YOffset = y;
    strip.BytesPerRow = bytesPerRow;
    strip.Bytes.assign(pixels.begin() + std::ptrdiff_t(size_t(y) * bytesPerRow),
                       pixels.begin() + std::ptrdiff_t(size_t(y + strip.Rows) * bytesPerRow));
    strips.push_back(std::move(strip));
  }
  return strips;
}

TScriptedTwain::TScriptedTwain(std::vector<std::string> sources)
    : fSources(std::move(sources)),
      fScope([this] { return std::unique_ptr<TSourceManager>(new TLoadedManager(*this)); }),
      fBlocksAtStart(KXTWLiveBlocks()) {}

TScriptedTwain::~TScriptedTwain() {
  EXPECT_EQ(fState, 1) << "the application left the source manager in state " << fState;
  EXPECT_FALSE(fTwoSessions) << "the application opened a second session while one was open";
  EXPECT_EQ(KXTWLiveBlocks(), fBlocksAtStart) << "memory blocks were left allocated";
  EXPECT_TRUE(SequenceErrors.empty()) << "first call out of order: " << SequenceErrors.front();
}

int TScriptedTwain::Count(const std::string& name) const {
  int n = 0;
  for (const std::string& call : Calls) n += call == name;
  return n;
}

std::vector<TCapSet> TScriptedTwain::SetsOf(TW_UINT16 cap) const {
  std::vector<TCapSet> sets;
  for (const TCapSet& set : CapSets) {
    if (set.Cap == cap) sets.push_back(set);
  }
  return sets;
}

void TScriptedTwain::Loaded() {
  if (fState != 1) fTwoSessions = true;
  ++fLoads;
  fState = 2;
}

void TScriptedTwain::Unloaded() {
  if (fState != 2) Sequence("unloaded in state " + std::to_string(fState));
  fState = 1;
}

TW_UINT16 TScriptedTwain::Fail(TW_UINT16 condition) {
  fCondition = condition;
  return TWRC_FAILURE;
}

TW_UINT16 TScriptedTwain::Sequence(const std::string& what) {
  SequenceErrors.push_back(what + " in state " + std::to_string(fState));
  return Fail(TWCC_SEQERROR);
}

void TScriptedTwain::FillIdentity(TW_IDENTITY& identity, size_t index) const {
  identity = TW_IDENTITY{};
  identity.Id = TW_UINT32(index + 1);
  identity.ProtocolMajor = 1;
  identity.ProtocolMinor = 6;
  identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
  std::strncpy(identity.ProductName, fSources[index].c_str(), sizeof identity.ProductName - 2);
  std::strncpy(identity.Manufacturer, "Scripted", sizeof identity.Manufacturer - 2);
}

TW_UINT16 TScriptedTwain::Entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                TW_MEMREF data) {
  Calls.emplace_back(TripletName(dat, msg));
  if (!origin) return Fail(TWCC_BADPROTOCOL);
  LastOrigin = *origin;
  if (dg == DG_CONTROL && dat == DAT_STATUS) {
    if (fState < 3 || !data) return Sequence("STATUS");
    auto* status = static_cast<TW_STATUS*>(data);
    status->ConditionCode = fCondition;
    status->Reserved = 0;
    fCondition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
  }
  if (!dest) return ManagerCall(origin, dat, msg, data);
  if (fState < 4) return Sequence(Calls.back());
  if (NameOf(*dest) != OpenedSource) return Fail(TWCC_BADDEST);
  return SourceCall(dg, dat, msg, data);
}

TW_UINT16 TScriptedTwain::ManagerCall(pTW_IDENTITY origin, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  if (!data) return Fail(TWCC_BADVALUE);
  if (dat == DAT_PARENT) {
    if (msg == MSG_OPENDSM) {
      if (fState != 2) return Sequence("OPENDSM");
      LastParent = *static_cast<uintptr_t*>(data);
      origin->Id = 77;
      fState = 3;
      return TWRC_SUCCESS;
    }
    if (msg == MSG_CLOSEDSM) {
      if (fState != 3) return Sequence("CLOSEDSM");
      fState = 2;
      return TWRC_SUCCESS;
    }
  }
  if (dat != DAT_IDENTITY) return Fail(TWCC_BADPROTOCOL);
  if (fState < 3) return Sequence(Calls.back());
  auto& identity = *static_cast<TW_IDENTITY*>(data);
  switch (msg) {
    case MSG_GETFIRST:
    case MSG_GETNEXT:
      if (msg == MSG_GETFIRST) fEnumerated = 0;
      if (fEnumerated >= fSources.size()) return EnumerationEnd;
      FillIdentity(identity, fEnumerated++);
      return TWRC_SUCCESS;
    case MSG_USERSELECT:
      for (size_t i = 0; i < fSources.size(); ++i) {
        if (fSources[i] == UserSelects) {
          FillIdentity(identity, i);
          return TWRC_SUCCESS;
        }
      }
      return TWRC_CANCEL;
    case MSG_OPENDS: {
      if (fState != 3) return Sequence("OPENDS");
      if (OpenSourceFails || fSources.empty()) return Fail(TWCC_NODS);
      const std::string wanted = NameOf(identity);
      size_t index = 0;
      if (!wanted.empty()) {
        while (index < fSources.size() && fSources[index] != wanted) ++index;
        if (index == fSources.size()) return Fail(TWCC_NODS);
      }
      FillIdentity(identity, index);
      OpenedSource = fSources[index];
      // Every session is served the scripted images from the first.
      fImage = 0;
      fState = 4;
      fMemoryMechanism = false;
      return TWRC_SUCCESS;
    }
    case MSG_CLOSEDS:
      if (fState != 4) return Sequence("CLOSEDS");
      if (NameOf(identity) != OpenedSource) return Fail(TWCC_NODS);
      fState = 3;
      return TWRC_SUCCESS;
    default:
      return Fail(TWCC_BADPROTOCOL);
  }
}

TW_UINT16 TScriptedTwain::SourceCall(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  if (!data) return Fail(TWCC_BADVALUE);
  if (dg == DG_CONTROL && dat == DAT_CAPABILITY) return Capability(msg, *static_cast<TW_CAPABILITY*>(data));
  if (dg == DG_CONTROL && dat == DAT_USERINTERFACE) {
    auto& ui = *static_cast<TW_USERINTERFACE*>(data);
    if (msg == MSG_ENABLEDS) {
      if (fState != 4) return Sequence("ENABLEDS");
      LastShowUI = ui.ShowUI;
      fEvent = 0;
      if (EnableAnswer == TWRC_SUCCESS || EnableAnswer == TWRC_CHECKSTATUS) fState = 5;
      if (EnableAnswer == TWRC_FAILURE) fCondition = TWCC_BUMMER;
      return EnableAnswer;
    }
    if (msg == MSG_DISABLEDS) {
      if (fState != 5) return Sequence("DISABLEDS");
      fState = 4;
      return TWRC_SUCCESS;
    }
  }
  if (dg == DG_CONTROL && dat == DAT_EVENT && msg == MSG_PROCESSEVENT) {
    return ProcessEvent(*static_cast<TW_EVENT*>(data));
  }
  if (dg == DG_CONTROL && dat == DAT_PENDINGXFERS) {
    auto& pending = *static_cast<TW_PENDINGXFERS*>(data);
    if (msg == MSG_ENDXFER) return EndXfer(pending);
    if (msg == MSG_RESET) {
      if (fState != 6) return Sequence("RESET");
      fImage = Images.size();
      pending.Count = 0;
      fState = 5;
      return TWRC_SUCCESS;
    }
  }
  if (dg == DG_CONTROL && dat == DAT_SETUPMEMXFER && msg == MSG_GET) {
    if (fState < 4) return Sequence("SETUPMEMXFER");
    *static_cast<TW_SETUPMEMXFER*>(data) = MemXfer;
    return TWRC_SUCCESS;
  }
  if (dg == DG_IMAGE && dat == DAT_IMAGELAYOUT) {
    auto& layout = *static_cast<TW_IMAGELAYOUT*>(data);
    if (msg == MSG_SET) {
      if (fState != 4) return Sequence("LAYOUT_SET");
      LayoutSets.push_back(layout.Frame);
      return TWRC_SUCCESS;
    }
    if (!HasLayout) return Fail(TWCC_BADPROTOCOL);
    layout = TW_IMAGELAYOUT{};
    layout.Frame = Layout;
    return TWRC_SUCCESS;
  }
  if (dg == DG_IMAGE && dat == DAT_IMAGEINFO && msg == MSG_GET) {
    if (fState != 6 && fState != 7) return Sequence("IMAGEINFO");
    *static_cast<TW_IMAGEINFO*>(data) = Images[fImage].Info;
    return TWRC_SUCCESS;
  }
  if (dg == DG_IMAGE && dat == DAT_IMAGEMEMXFER && msg == MSG_GET) {
    return MemoryStrip(*static_cast<TW_IMAGEMEMXFER*>(data));
  }
  if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER && msg == MSG_GET) {
    return NativeImage(*static_cast<TW_HANDLE*>(data));
  }
  return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 TScriptedTwain::Capability(TW_UINT16 msg, TW_CAPABILITY& cap) {
  if (msg == MSG_GET) {
    const auto it = Caps.find(cap.Cap);
    if (it == Caps.end()) return Fail(TWCC_CAPUNSUPPORTED);
    const std::vector<uint8_t>& bytes = it->second.Bytes;
    cap.ConType = it->second.ConType;
    cap.hContainer = KXTWAlloc(bytes.size());
    std::memcpy(KXTWLock(cap.hContainer), bytes.data(), bytes.size());
    KXTWUnlock(cap.hContainer);
    return TWRC_SUCCESS;
  }
  if (msg != MSG_SET) return Fail(TWCC_BADPROTOCOL);
  if (fState != 4) return Sequence("CAP_SET");
  const auto* block = static_cast<const uint8_t*>(KXTWLock(cap.hContainer));
  if (!block) return Fail(TWCC_BADVALUE);
  const size_t size = KXTWBlockSize(cap.hContainer);
  TCapSet set;
  set.Cap = cap.Cap;
  set.ConType = cap.ConType;
  std::memcpy(&set.ItemType, block, 2);
  auto items = [&](size_t offset, TW_UINT32 count) {
    for (TW_UINT32 i = 0; i < count && offset + (i + 1) * ItemSize(set.ItemType) <= size; ++i) {
      set.Values.push_back(ItemValue(block + offset + i * ItemSize(set.ItemType), set.ItemType));
    }
  };
  TW_UINT32 count = 0;
  switch (cap.ConType) {
    case TWON_ONEVALUE:
      items(offsetof(TW_ONEVALUE, Item), 1);
      break;
    case TWON_ENUMERATION:
      std::memcpy(&count, block + offsetof(TW_ENUMERATION, NumItems), 4);
      std::memcpy(&set.CurrentIndex, block + offsetof(TW_ENUMERATION, CurrentIndex), 4);
      items(offsetof(TW_ENUMERATION, ItemList), count);
      break;
    case TWON_ARRAY:
      std::memcpy(&count, block + offsetof(TW_ARRAY, NumItems), 4);
      items(offsetof(TW_ARRAY, ItemList), count);
      break;
    case TWON_RANGE:
      for (size_t offset = offsetof(TW_RANGE, MinValue); offset < sizeof(TW_RANGE); offset += 4) {
        set.Values.push_back(ItemValue(block + offset, set.ItemType));
      }
      break;
    default:
      break;
  }
  KXTWUnlock(cap.hContainer);
  CapSets.push_back(set);
  const auto answer = SetAnswers.find(cap.Cap);
  if (answer != SetAnswers.end()) {
    fCondition = TWCC_BADVALUE;
    return answer->second;
  }
  if (cap.Cap == ICAP_XFERMECH && !set.Values.empty()) fMemoryMechanism = set.Values[0] == TWSX_MEMORY;
  return TWRC_SUCCESS;
}

TW_UINT16 TScriptedTwain::ProcessEvent(TW_EVENT& event) {
  if (fState < 5) return Sequence("PROCESSEVENT");
  if (!event.pEvent) return Fail(TWCC_BADVALUE);
  ++ProcessEvents;
  event.TWMessage = MSG_NULL;
  if (fState != 5) return TWRC_NOTDSEVENT;
  TW_UINT16 message = fEvent < Events.size() ? Events[fEvent++] : MSG_CLOSEDSREQ;
  if (message == MSG_XFERREADY) {
    if (fImage >= Images.size())
      message = MSG_NULL;
    else {
      fState = 6;
      fStrip = 0;
    }
  }
  event.TWMessage = message;
  return message == MSG_NULL ? TWRC_NOTDSEVENT : TWRC_DSEVENT;
}

TW_UINT16 TScriptedTwain::EndXfer(TW_PENDINGXFERS& pending) {
  if (fState != 6 && fState != 7) return Sequence("ENDXFER");
  ++fImage;
  fStrip = 0;
  const size_t left = Images.size() - std::min(fImage, Images.size());
  pending.Count = left == 0 ? 0 : PendingCountUnknown ? TW_UINT16(0xFFFF) : TW_UINT16(left);
  fState = left ? 6 : 5;
  return TWRC_SUCCESS;
}

TW_UINT16 TScriptedTwain::MemoryStrip(TW_IMAGEMEMXFER& xfer) {
  if (fState != 6 && fState != 7) return Sequence("IMAGEMEMXFER");
  if (!fMemoryMechanism) return Sequence("IMAGEMEMXFER without the memory mechanism");
  const TScriptedImage& image = Images[fImage];
  if (fStrip >= image.Strips.size()) return Sequence("IMAGEMEMXFER after the last strip");
  if (image.BreakAt == int(fStrip)) {
    if (image.BreakAnswer == TWRC_CANCEL) fState = 7;
    if (image.BreakAnswer == TWRC_FAILURE) fCondition = TWCC_OPERATIONERROR;
    return image.BreakAnswer;
  }
  const TScriptedStrip& strip = image.Strips[fStrip];
  LastBufferLength = xfer.Memory.Length;
  if (!(xfer.Memory.Flags & TWMF_HANDLE) || !(xfer.Memory.Flags & TWMF_APPOWNS)) return Fail(TWCC_BADVALUE);
  auto* buffer = static_cast<uint8_t*>(KXTWLock(xfer.Memory.TheMem));
  if (!buffer) return Fail(TWCC_BADVALUE);
  const size_t capacity = std::min<size_t>(xfer.Memory.Length, KXTWBlockSize(xfer.Memory.TheMem));
  const size_t bytes = std::min(strip.Bytes.size(), capacity);
  std::memcpy(buffer, strip.Bytes.data(), bytes);
  KXTWUnlock(xfer.Memory.TheMem);
  xfer.Compression = 0;
  xfer.BytesPerRow = strip.BytesPerRow;
  xfer.Columns = strip.Columns;
  xfer.Rows = strip.Rows;
  xfer.XOffset = strip.XOffset;
  xfer.YOffset = strip.YOffset;
  xfer.BytesWritten = TW_UINT32(bytes);
  fState = 7;
  ++fStrip;
  return fStrip == image.Strips.size() ? TWRC_XFERDONE : TWRC_SUCCESS;
}

TW_UINT16 TScriptedTwain::NativeImage(TW_HANDLE& handle) {
  if (fState != 6) return Sequence("IMAGENATIVEXFER");
  if (fMemoryMechanism) return Sequence("IMAGENATIVEXFER with the memory mechanism");
  const TScriptedImage& image = Images[fImage];
  if (image.BreakAt == 0) {
    if (image.BreakAnswer == TWRC_CANCEL) fState = 7;
    return image.BreakAnswer;
  }
  handle = KXTWAlloc(image.Dib.size());
  std::memcpy(KXTWLock(handle), image.Dib.data(), image.Dib.size());
  KXTWUnlock(handle);
  fState = 7;
  return TWRC_XFERDONE;
}

bool TWatchdogHost::NextEvent() {
  if (Turns-- > 0) return true;
  Expired = true;
  return false;
}

}  // namespace kxtest
