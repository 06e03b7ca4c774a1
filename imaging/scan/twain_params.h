// The scanner parameters each I/O component owns: which source to use, whether the source shows
// its own dialog, the wanted capabilities, the transfer mode and the identity the application
// gives the source manager. The list of installed sources and the capabilities of the selected
// source are read lazily, each by one complete exchange with the manager, and kept until the
// parameters are reset. A read that cannot reach the manager or the source is not remembered as
// done, so the next getter tries again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imaging/core/kxlist.h"
#include "platform/twain.h"

namespace kx {

// What the selected source reports and what the application wants of it; sizes in inches, since
// every exchange first sets the source's units to inches.
struct TKXTWSourceCaps {
  TKXDoubleList XResolution;  // dots per inch
  TKXDoubleList YResolution;
  TKXDoubleList XScaling;  // 1.0 = unscaled
  TKXDoubleList YScaling;
  TKXIntegerList PixelType;  // TWPT_BW, TWPT_GRAY, TWPT_RGB; higher values are sent as RGB
  double Gamma = 2.2;        // reported only
  double PhysicalHeight = 0;
  double PhysicalWidth = 0;
  bool FeederEnabled = false;
  TKXIntegerList Orientation;  // TWOR_ codes
  bool Indicators = true;
  double AcquireFrame[4] = {0, 0, 0, 0};  // left, top, right, bottom; all 0: the whole area

  void SetDefaults();
  void Assign(const TKXTWSourceCaps& source);
  // Forgets what was changed in the six lists, so the next negotiation sends only later changes.
  void ClearChangeMarks();
};

class TKXTWainParams {
 public:
  explicit TKXTWainParams(void* owner = nullptr);
  TKXTWainParams(const TKXTWainParams&) = delete;
  TKXTWainParams& operator=(const TKXTWainParams&) = delete;

  // The component that made the parameters; kept, not used.
  void* Owner() const { return fOwner; }
  // Every field back to its default; both caches forgotten.
  void SetDefaultParams();
  // A deep copy of everything, caches and change marks included.
  void Assign(const TKXTWainParams& source);

  // The installed sources, read from the manager at the first need.
  void FillSourceListData();
  int32_t GetSourceCount();
  // The product name of source `index`; empty for an index outside the list.
  std::string GetSourceName(int32_t index);
  // Chooses a source by name: the first whose name equals `name` ignoring case, else the first
  // whose name begins with it ignoring case. An empty name chooses nothing. True when one matched.
  bool SelectSourceByName(const std::string& name);
  int32_t SelectedSource() const { return fSelectedSource; }
  // A new index reads the capabilities of that source at once; a negative one is refused.
  void SetSelectedSource(int32_t index);

  // Reads the capabilities of the selected source unless they were read already.
  void FillCapabilities();
  // Sends every parameter to the selected source and reads back what it accepted.
  void Update();

  // The getters read the capabilities first. The lists are changed in place by the caller; their
  // change marks tell the next negotiation what to send.
  TKXDoubleList& GetXResolution();
  TKXDoubleList& GetYResolution();
  TKXDoubleList& GetXScaling();
  TKXDoubleList& GetYScaling();
  TKXIntegerList& GetPixelType();
  TKXIntegerList& GetOrientation();
  double GetGamma();
  double GetPhysicalHeight();
  double GetPhysicalWidth();
  bool GetFeederEnabled();
  bool GetIndicators();
  // 0 for an index outside 0..3.
  double GetAcquireFrame(int32_t index);
  // These setters read nothing; a value set before the first read survives that read.
  void SetFeederEnabled(bool on);
  void SetIndicators(bool on);
  // An index outside 0..3 is ignored.
  void SetAcquireFrame(int32_t index, double value);
  bool GetBufferedTransfer() const { return fBufferedTransfer; }
  void SetBufferedTransfer(bool on) { fBufferedTransfer = on; }

  // The identity strings, each cut to at most 32 bytes on a character boundary.
  const std::string& AppVersionInfo() const { return fAppVersionInfo; }
  const std::string& AppManufacturer() const { return fAppManufacturer; }
  const std::string& AppProductFamily() const { return fAppProductFamily; }
  const std::string& AppProductName() const { return fAppProductName; }
  void SetAppVersionInfo(const std::string& s);
  void SetAppManufacturer(const std::string& s);
  void SetAppProductFamily(const std::string& s);
  void SetAppProductName(const std::string& s);

  // The source shows its own dialog during acquisition.
  bool ShowSourceDialog = true;

  // For the exchange, which works inside one open session and so must not start reads of its own.
  bool SourceListFilled() const { return fSourceListFilled; }
  bool CapsFilled() const { return fCapsFilled; }
  const std::vector<TW_IDENTITY>& SourceList() const { return fSourceList; }
  // The manager was reached and enumerated these sources.
  void SourceListRead(std::vector<TW_IDENTITY> sources);
  // The record as it stands, without a read.
  TKXTWSourceCaps& Caps() { return fCaps; }
  // The exchange read the capability record from the source: the values the application set
  // before are put back and the record counts as read.
  void CapabilitiesRead();

 private:
  void* fOwner;
  std::vector<TW_IDENTITY> fSourceList;
  int32_t fSelectedSource = 0;
  bool fSourceListFilled = false;
  bool fCapsFilled = false;
  TKXTWSourceCaps fCaps;
  // Values the application set while the record was unread.
  std::optional<bool> fPendingFeeder;
  std::optional<bool> fPendingIndicators;
  std::optional<double> fPendingFrame[4];
  bool fBufferedTransfer = true;
  std::string fAppVersionInfo;
  std::string fAppManufacturer;
  std::string fAppProductFamily;
  std::string fAppProductName;
};

// The product name of a source record: up to the first NUL, at most the field's 34 bytes.
std::string KXTWIdentityName(const TW_IDENTITY& identity);
// `s` cut to at most `bytes` bytes without splitting a UTF-8 character.
std::string KXTWCutUtf8(const std::string& s, size_t bytes);

}  // namespace kx
