// A scripted source manager with one or more scripted sources, for tests of the acquisition. It
// installs itself as the process's manager for its lifetime, keeps the protocol state the way a
// real manager and source do (1 to 7), answers every call out of order with TWRC_FAILURE and the
// condition TWCC_SEQERROR (and records it), logs every call and every capability set, and
// serves scripted capabilities, events and image transfers. When it goes, it checks that the
// application walked it back to state 1, never held two sessions and left no memory block live.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/acquire_host.h"
#include "platform/source_manager.h"
#include "platform/twain.h"

namespace kxtest {

// The raw 32-bit field of a fixed-point number (Trunc(x x 65536 + 0.5)), computed here
// independently of the code under test.
kx::TW_UINT32 Fix32Field(double x);

// The container the source answers a MSG_GET with.
struct TCapAnswer {
  kx::TW_UINT16 ConType = kx::TWON_ONEVALUE;
  std::vector<uint8_t> Bytes;

  static TCapAnswer OneValue(kx::TW_UINT16 itemType, kx::TW_UINT32 item);
  // Items are stored in the size of `itemType` (FIX32 items as Fix32Field values).
  static TCapAnswer Enumeration(kx::TW_UINT16 itemType, const std::vector<kx::TW_UINT32>& items,
                                kx::TW_UINT32 currentIndex, kx::TW_UINT32 defaultIndex = 0);
  static TCapAnswer Array(kx::TW_UINT16 itemType, const std::vector<kx::TW_UINT32>& items);
  static TCapAnswer Range(kx::TW_UINT16 itemType, kx::TW_UINT32 min, kx::TW_UINT32 max, kx::TW_UINT32 step,
                          kx::TW_UINT32 defaultValue, kx::TW_UINT32 current);
};

// One capability set as the source received it. Values: the item of a one-value, the items of an
// enumeration or array, min/max/step/default/current of a range; reals converted from FIX32.
struct TCapSet {
  kx::TW_UINT16 Cap = 0;
  kx::TW_UINT16 ConType = 0;
  kx::TW_UINT16 ItemType = 0;
  std::vector<double> Values;
  kx::TW_UINT32 CurrentIndex = 0;
};

// One strip of a memory transfer: where it goes and the bytes of its rows (Rows x BytesPerRow).
struct TScriptedStrip {
  kx::TW_UINT32 Columns = 0;
  kx::TW_UINT32 Rows = 0;
  kx::TW_UINT32 XOffset = 0;
  kx::TW_UINT32 YOffset = 0;
  kx::TW_UINT32 BytesPerRow = 0;
  std::vector<uint8_t> Bytes;
};

struct TScriptedImage {
  kx::TW_IMAGEINFO Info{};
  // Memory transfer: the last strip is answered with TWRC_XFERDONE.
  std::vector<TScriptedStrip> Strips;
  // Native transfer: the packed DIB.
  std::vector<uint8_t> Dib;
  // The strip (or, for a native transfer, 0) at which the source answers BreakAnswer instead of
  // delivering; -1 for none.
  int BreakAt = -1;
  kx::TW_UINT16 BreakAnswer = kx::TWRC_FAILURE;
};

// An image of `width` x `length` (length may be -1) at `bitsPerPixel` and `dpi`.
kx::TW_IMAGEINFO ImageInfo(int32_t width, int32_t length, int16_t bitsPerPixel, double dpi = 300);
// Strips of `rowsPerStrip` rows covering rows 0..rows-1 of `pixels` (rows x bytesPerRow bytes).
std::vector<TScriptedStrip> StripsOf(const std::vector<uint8_t>& pixels, uint32_t columns, uint32_t rows,
                                     uint32_t bytesPerRow, uint32_t rowsPerStrip);

class TScriptedTwain {
 public:
  // The names of the installed sources; the first is the manager's default.
  explicit TScriptedTwain(std::vector<std::string> sources = {"Flatbed One", "Sheet Feeder"});
  ~TScriptedTwain();
  TScriptedTwain(const TScriptedTwain&) = delete;
  TScriptedTwain& operator=(const TScriptedTwain&) = delete;

  // Script.
  std::map<kx::TW_UINT16, TCapAnswer> Caps;           // answers to capability MSG_GETs
  std::map<kx::TW_UINT16, kx::TW_UINT16> SetAnswers;  // a capability set answered other than success
  bool HasLayout = false;
  kx::TW_FRAME Layout{};
  kx::TW_UINT16 EnableAnswer = kx::TWRC_SUCCESS;
  bool OpenSourceFails = false;
  // What the selection dialog returns; empty: the user cancels.
  std::string UserSelects;
  // The answer that ends the enumeration (TWRC_ENDOFLIST, or TWRC_FAILURE as some managers do).
  kx::TW_UINT16 EnumerationEnd = kx::TWRC_ENDOFLIST;
  kx::TW_SETUPMEMXFER MemXfer{1024, 1 << 20, 4096};
  // Pending images, served in order once MSG_XFERREADY is sent.
  std::vector<TScriptedImage> Images;
  // Events answered to successive MSG_PROCESSEVENTs while the source is enabled (MSG_NULL: none);
  // when they run out the source answers MSG_CLOSEDSREQ, as a user closing its dialog would.
  std::vector<kx::TW_UINT16> Events = {kx::MSG_XFERREADY};
  // The count a MSG_ENDXFER reports while images remain: the true count, or -1 when unknown.
  bool PendingCountUnknown = false;

  // Record.
  std::vector<std::string> Calls;  // triplet names in order: "OPENDSM", "ENDXFER", ...
  std::vector<TCapSet> CapSets;
  std::vector<std::string> SequenceErrors;
  std::vector<kx::TW_FRAME> LayoutSets;
  std::string OpenedSource;  // name of the source opened last
  kx::TW_IDENTITY LastOrigin{};
  kx::TW_BOOL LastShowUI = 0;
  uintptr_t LastParent = 0;
  int ProcessEvents = 0;
  kx::TW_UINT32 LastBufferLength = 0;  // Memory.Length of the last memory-transfer call
  int State() const { return fState; }
  // How often a call named `name` was made.
  int Count(const std::string& name) const;
  // The capability sets of `cap`, in order.
  std::vector<TCapSet> SetsOf(kx::TW_UINT16 cap) const;

  // The manager's entry point (the loaded managers forward to it).
  kx::TW_UINT16 Entry(kx::pTW_IDENTITY origin, kx::pTW_IDENTITY dest, kx::TW_UINT32 dg, kx::TW_UINT16 dat,
                      kx::TW_UINT16 msg, kx::TW_MEMREF data);
  void Loaded();
  void Unloaded();

 private:
  kx::TW_UINT16 Sequence(const std::string& what);
  kx::TW_UINT16 Fail(kx::TW_UINT16 condition);
  kx::TW_UINT16 ManagerCall(kx::pTW_IDENTITY origin, kx::TW_UINT16 dat, kx::TW_UINT16 msg, kx::TW_MEMREF data);
  kx::TW_UINT16 SourceCall(kx::TW_UINT32 dg, kx::TW_UINT16 dat, kx::TW_UINT16 msg, kx::TW_MEMREF data);
  kx::TW_UINT16 Capability(kx::TW_UINT16 msg, kx::TW_CAPABILITY& cap);
  kx::TW_UINT16 ProcessEvent(kx::TW_EVENT& event);
  kx::TW_UINT16 EndXfer(kx::TW_PENDINGXFERS& pending);
  kx::TW_UINT16 MemoryStrip(kx::TW_IMAGEMEMXFER& xfer);
  kx::TW_UINT16 NativeImage(kx::TW_HANDLE& handle);
  void FillIdentity(kx::TW_IDENTITY& identity, size_t index) const;

  std::vector<std::string> fSources;
  kx::TSourceManagerScope fScope;
  int fState = 1;
  int fLoads = 0;
  bool fTwoSessions = false;
  size_t fEnumerated = 0;
  size_t fImage = 0;
  size_t fStrip = 0;
  size_t fEvent = 0;
  bool fMemoryMechanism = false;
  kx::TW_UINT16 fCondition = kx::TWCC_SUCCESS;
  int64_t fBlocksAtStart;
};

// A host whose event loop gives up after `turns` turns, as a user quitting would: a test that
// would otherwise wait forever for the acquisition ends, and sees Expired.
class TWatchdogHost : public kx::THeadlessAcquireHost {
 public:
  explicit TWatchdogHost(int turns = 500) : Turns(turns) {}
  bool NextEvent() override;
  void PostQuit() override { ++QuitsPosted; }
  void EnableWindow(uintptr_t window, bool on) override { WindowStates.push_back({window, on}); }
  bool Expired = false;
  int QuitsPosted = 0;
  std::vector<std::pair<uintptr_t, bool>> WindowStates;
  // Turns left before the host reports a quit.
  int Turns;
};

}  // namespace kxtest
