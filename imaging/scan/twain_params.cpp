// The scanner parameters: defaults, deep copies, the two lazy caches and the source choice.
#include "imaging/scan/twain_params.h"

#include <cstring>

#include "imaging/scan/twain_acquire.h"

namespace kx {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool ValidFrameIndex(int32_t index) { return index >= 0 && index < 4; }

}  // namespace

std::string KXTWIdentityName(const TW_IDENTITY& identity) {
  return std::string(identity.ProductName, strnlen(identity.ProductName, sizeof identity.ProductName));
}

std::string KXTWCutUtf8(const std::string& s, size_t bytes) {
  if (s.size() <= bytes) return s;
  size_t end = bytes;
  // Continuation bytes are 10xxxxxx: back up to the first byte of the character cut in two.
  while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
  return s.substr(0, end);
}

void TKXTWSourceCaps::SetDefaults() {
  XResolution.Clear();
  YResolution.Clear();
  XScaling.Clear();
  YScaling.Clear();
  PixelType.Clear();
  Gamma = 2.2;
  PhysicalHeight = 0;
  PhysicalWidth = 0;
  FeederEnabled = false;
  Orientation.Clear();
  Indicators = true;
  for (double& side : AcquireFrame) side = 0;
}

void TKXTWSourceCaps::Assign(const TKXTWSourceCaps& source) {
  if (&source == this) return;
  XResolution.Assign(source.XResolution);
  YResolution.Assign(source.YResolution);
  XScaling.Assign(source.XScaling);
  YScaling.Assign(source.YScaling);
  PixelType.Assign(source.PixelType);
  Gamma = source.Gamma;
  PhysicalHeight = source.PhysicalHeight;
  PhysicalWidth = source.PhysicalWidth;
  FeederEnabled = source.FeederEnabled;
  Orientation.Assign(source.Orientation);
  Indicators = source.Indicators;
  std::memcpy(AcquireFrame, source.AcquireFrame, sizeof AcquireFrame);
}

void TKXTWSourceCaps::ClearChangeMarks() {
  XResolution.Changed.Clear();
  YResolution.Changed.Clear();
  XScaling.Changed.Clear();
  YScaling.Changed.Clear();
  PixelType.Changed.Clear();
  Orientation.Changed.Clear();
}

TKXTWainParams::TKXTWainParams(void* owner) : fOwner(owner) { SetDefaultParams(); }

void TKXTWainParams::SetDefaultParams() {
  ShowSourceDialog = true;
  fSourceList.clear();
  fSelectedSource = 0;
  fSourceListFilled = false;
  fCapsFilled = false;
  fCaps.SetDefaults();
  fPendingFeeder.reset();
  fPendingIndicators.reset();
  for (auto& side : fPendingFrame) side.reset();
  fBufferedTransfer = true;
  fAppVersionInfo.clear();
  fAppManufacturer.clear();
  fAppProductFamily.clear();
  fAppProductName.clear();
}

void TKXTWainParams::Assign(const TKXTWainParams& source) {
  if (&source == this) return;
  ShowSourceDialog = source.ShowSourceDialog;
  fSelectedSource = source.fSelectedSource;
  fSourceListFilled = source.fSourceListFilled;
  fCapsFilled = source.fCapsFilled;
  fSourceList = source.fSourceList;
  fCaps.Assign(source.fCaps);
  fPendingFeeder = source.fPendingFeeder;
  fPendingIndicators = source.fPendingIndicators;
  for (int i = 0; i < 4; ++i) fPendingFrame[i] = source.fPendingFrame[i];
  fBufferedTransfer = source.fBufferedTransfer;
  fAppVersionInfo = source.fAppVersionInfo;
  fAppManufacturer = source.fAppManufacturer;
  fAppProductFamily = source.fAppProductFamily;
  fAppProductName = source.fAppProductName;
}

void TKXTWainParams::FillSourceListData() {
  if (fSourceListFilled) return;
  std::vector<TW_IDENTITY> sources;
  if (KXTW_GetSourceList(sources)) SourceListRead(std::move(sources));
}

void TKXTWainParams::SourceListRead(std::vector<TW_IDENTITY> sources) {
  fSourceList = std::move(sources);
  fSourceListFilled = true;
}

int32_t TKXTWainParams::GetSourceCount() {
  FillSourceListData();
  return int32_t(fSourceList.size());
}

std::string TKXTWainParams::GetSourceName(int32_t index) {
  FillSourceListData();
  if (index < 0 || size_t(index) >= fSourceList.size()) return {};
  return KXTWIdentityName(fSourceList[size_t(index)]);
}

bool TKXTWainParams::SelectSourceByName(const std::string& name) {
  if (name.empty()) return false;
  FillSourceListData();
  int32_t found = -1;
  for (size_t i = 0; i < fSourceList.size() && found < 0; ++i) {
    if (SameIgnoringCase(KXTWIdentityName(fSourceList[i]), name)) found = int32_t(i);
  }
  for (size_t i = 0; i < fSourceList.size() && found < 0; ++i) {
    const std::string candidate = KXTWIdentityName(fSourceList[i]);
    if (SameIgnoringCase(candidate.substr(0, name.size()), name)) found = int32_t(i);
  }
  if (found < 0) return false;
  SetSelectedSource(found);
  return true;
}

void TKXTWainParams::SetSelectedSource(int32_t index) {
  if (index < 0 || index == fSelectedSource) return;
  fSelectedSource = index;
  fCapsFilled = false;
  FillCapabilities();
}

void TKXTWainParams::FillCapabilities() {
  if (!fCapsFilled) KXTW_GetCapabilities(this, fCaps, false);
}

void TKXTWainParams::Update() { KXTW_GetCapabilities(this, fCaps, true); }

void TKXTWainParams::CapabilitiesRead() {
  if (fPendingFeeder) fCaps.FeederEnabled = *fPendingFeeder;
  if (fPendingIndicators) fCaps.Indicators = *fPendingIndicators;
  for (int i = 0; i < 4; ++i) {
    if (fPendingFrame[i]) fCaps.AcquireFrame[i] = *fPendingFrame[i];
  }
  fPendingFeeder.reset();
  fPendingIndicators.reset();
  for (auto& side : fPendingFrame) side.reset();
  fCapsFilled = true;
}

TKXDoubleList& TKXTWainParams::GetXResolution() {
  FillCapabilities();
  return fCaps.XResolution;
}

TKXDoubleList& TKXTWainParams::GetYResolution() {
  FillCapabilities();
  return fCaps.YResolution;
}

TKXDoubleList& TKXTWainParams::GetXScaling() {
  FillCapabilities();
  return fCaps.XScaling;
}

TKXDoubleList& TKXTWainParams::GetYScaling() {
  FillCapabilities();
  return fCaps.YScaling;
}

TKXIntegerList& TKXTWainParams::GetPixelType() {
  FillCapabilities();
  return fCaps.PixelType;
}

TKXIntegerList& TKXTWainParams::GetOrientation() {
  FillCapabilities();
  return fCaps.Orientation;
}

double TKXTWainParams::GetGamma() {
  FillCapabilities();
  return fCaps.Gamma;
}

double TKXTWainParams::GetPhysicalHeight() {
  FillCapabilities();
  return fCaps.PhysicalHeight;
}

double TKXTWainParams::GetPhysicalWidth() {
  FillCapabilities();
  return fCaps.PhysicalWidth;
}

bool TKXTWainParams::GetFeederEnabled() {
  FillCapabilities();
  return fCaps.FeederEnabled;
}

bool TKXTWainParams::GetIndicators() {
  FillCapabilities();
  return fCaps.Indicators;
}

double TKXTWainParams::GetAcquireFrame(int32_t index) {
  FillCapabilities();
  return ValidFrameIndex(index) ? fCaps.AcquireFrame[index] : 0.0;
}

void TKXTWainParams::SetFeederEnabled(bool on) {
  fCaps.FeederEnabled = on;
  if (!fCapsFilled) fPendingFeeder = on;
}

void TKXTWainParams::SetIndicators(bool on) {
  fCaps.Indicators = on;
  if (!fCapsFilled) fPendingIndicators = on;
}

void TKXTWainParams::SetAcquireFrame(int32_t index, double value) {
  if (!ValidFrameIndex(index)) return;
  fCaps.AcquireFrame[index] = value;
  if (!fCapsFilled) fPendingFrame[index] = value;
}

void TKXTWainParams::SetAppVersionInfo(const std::string& s) { fAppVersionInfo = KXTWCutUtf8(s, 32); }
void TKXTWainParams::SetAppManufacturer(const std::string& s) { fAppManufacturer = KXTWCutUtf8(s, 32); }
void TKXTWainParams::SetAppProductFamily(const std::string& s) { fAppProductFamily = KXTWCutUtf8(s, 32); }
void TKXTWainParams::SetAppProductName(const std::string& s) { fAppProductName = KXTWCutUtf8(s, 32); }

}  // namespace kx
