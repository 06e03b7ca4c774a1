#include "platform/sane/sane_scan_settings.h"

#include <algorithm>
#include <cctype>

#include "platform/twain.h"

namespace kx {

namespace {

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool Contains(const std::string& text, const std::string& part) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower.find(part) != std::string::npos;
}

// The backend's own name of a mode; nothing when it does not offer it.
std::optional<std::string> ModeNamed(const TSaneDevice& device, const char* mode) {
  const auto option = device.Find("mode");
  if (!option) return std::nullopt;
  for (const std::string& entry : option->Strings)
    if (SameText(entry, mode)) return entry;
  return std::nullopt;
}

bool DepthOffered(const TSaneDevice& device, double depth) {
  const auto option = device.Find("depth");
  if (!option || !option->Active) return false;
  if (option->Constraint == SANE_CONSTRAINT_WORD_LIST)
    return std::find(option->Words.begin(), option->Words.end(), depth) != option->Words.end();
  if (option->Constraint == SANE_CONSTRAINT_RANGE) return depth >= option->Min && depth <= option->Max;
  return true;
}

// Sets "depth" when the backend has it: 8 bits for gray and colour (the bridge hands out bytes),
// 1 bit for line art in a gray mode.
SANE_Status SetDepth(TSaneDevice& device, double depth) {
  const auto option = device.Find("depth");
  if (!option || !option->Active) return depth == 1 ? SANE_STATUS_UNSUPPORTED : SANE_STATUS_GOOD;
  return device.SetNumber("depth", depth);
}

bool IsFeederEntry(const std::string& entry) {
  return Contains(entry, "feeder") || Contains(entry, "adf") || Contains(entry, "duplex");
}

const char* const kAreaOptions[4] = {"tl-x", "tl-y", "br-x", "br-y"};

}  // namespace

std::vector<int> KXSanePixelTypes(const TSaneDevice& device) {
  std::vector<int> types;
  if (ModeNamed(device, kScanModeLineart) || (ModeNamed(device, kScanModeGray) && DepthOffered(device, 1)))
    types.push_back(TWPT_BW);
  if (ModeNamed(device, kScanModeGray)) types.push_back(TWPT_GRAY);
  if (ModeNamed(device, kScanModeColor)) types.push_back(TWPT_RGB);
  return types;
}

std::optional<int> KXSanePixelType(const TSaneDevice& device) {
  std::string mode;
  if (device.GetString("mode", mode) != SANE_STATUS_GOOD) return std::nullopt;
  if (SameText(mode, kScanModeLineart)) return TWPT_BW;
  if (SameText(mode, kScanModeColor)) return TWPT_RGB;
  if (!SameText(mode, kScanModeGray)) return std::nullopt;
  double depth = 8;
  device.GetNumber("depth", depth);
  return depth == 1 ? TWPT_BW : TWPT_GRAY;
}

SANE_Status KXSaneSetPixelType(TSaneDevice& device, int pixelType) {
  if (pixelType == TWPT_BW) {
    if (const auto lineart = ModeNamed(device, kScanModeLineart)) return device.SetString("mode", *lineart);
    const auto gray = ModeNamed(device, kScanModeGray);
    if (!gray || !DepthOffered(device, 1)) return SANE_STATUS_UNSUPPORTED;
    const SANE_Status status = device.SetString("mode", *gray);
    return status == SANE_STATUS_GOOD ? SetDepth(device, 1) : status;
  }
  const auto mode = ModeNamed(device, pixelType == TWPT_GRAY ? kScanModeGray : kScanModeColor);
  if (!mode || (pixelType != TWPT_GRAY && pixelType != TWPT_RGB)) return SANE_STATUS_UNSUPPORTED;
  const SANE_Status status = device.SetString("mode", *mode);
  return status == SANE_STATUS_GOOD ? SetDepth(device, 8) : status;
}

std::optional<std::string> KXSaneFeederSource(const TSaneDevice& device) {
  const auto option = device.Find("source");
  if (!option) return std::nullopt;
  for (const std::string& entry : option->Strings)
    if (IsFeederEntry(entry)) return entry;
  return std::nullopt;
}

bool KXSaneFeederEnabled(const TSaneDevice& device) {
  std::string source;
  return device.GetString("source", source) == SANE_STATUS_GOOD && IsFeederEntry(source);
}

SANE_Status KXSaneSetFeederEnabled(TSaneDevice& device, bool on) {
  const auto option = device.Find("source");
  if (!option) return on ? SANE_STATUS_UNSUPPORTED : SANE_STATUS_GOOD;
  for (const std::string& entry : option->Strings)
    if (IsFeederEntry(entry) == on) return device.SetString("source", entry);
  return on ? SANE_STATUS_UNSUPPORTED : SANE_STATUS_GOOD;
}

bool KXSaneArea(const TSaneDevice& device, TSaneArea& area) {
  double* sides[4] = {&area.Left, &area.Top, &area.Right, &area.Bottom};
  for (int i = 0; i < 4; ++i) {
    const auto option = device.Find(kAreaOptions[i]);
    if (!option || option->Unit != SANE_UNIT_MM) return false;
    if (device.GetNumber(kAreaOptions[i], *sides[i]) != SANE_STATUS_GOOD) return false;
  }
  return true;
}

bool KXSaneMaxArea(const TSaneDevice& device, TSaneArea& area) {
  const auto right = device.Find("br-x");
  const auto bottom = device.Find("br-y");
  if (!right || !bottom || right->Unit != SANE_UNIT_MM || bottom->Unit != SANE_UNIT_MM) return false;
  if (right->Constraint != SANE_CONSTRAINT_RANGE || bottom->Constraint != SANE_CONSTRAINT_RANGE) return false;
  area = {0, 0, right->Max, bottom->Max};
  return true;
}

SANE_Status KXSaneSetArea(TSaneDevice& device, const TSaneArea& area) {
  const double sides[4] = {area.Left, area.Top, area.Right, area.Bottom};
  for (int i = 0; i < 4; ++i)
    if (const SANE_Status status = device.SetNumber(kAreaOptions[i], sides[i]); status != SANE_STATUS_GOOD)
      return status;
  return SANE_STATUS_GOOD;
}

double KXSaneResolution(const TSaneDevice& device) {
  double dpi = 0;
  return device.GetNumber("resolution", dpi) == SANE_STATUS_GOOD ? dpi : 0;
}

TScanChoices KXSaneChoices(const TSaneDevice& device) {
  TScanChoices choices;
  if (const auto resolution = device.Find("resolution")) {
    choices.Resolutions = resolution->Words;
    choices.ResolutionRange = resolution->Constraint == SANE_CONSTRAINT_RANGE;
    choices.MinResolution = resolution->Min;
    choices.MaxResolution = resolution->Max;
    choices.ResolutionStep = resolution->Quant;
  }
  const char* names[3] = {kScanModeLineart, kScanModeGray, kScanModeColor};
  for (int type : KXSanePixelTypes(device)) choices.Modes.emplace_back(names[type]);
  if (const auto source = device.Find("source"); source && source->Active) choices.Sources = source->Strings;
  TSaneArea max;
  if (KXSaneMaxArea(device, max)) {
    choices.AreaWidthMm = max.Right;
    choices.AreaHeightMm = max.Bottom;
  }
  return choices;
}

TScanValues KXSaneValues(const TSaneDevice& device) {
  TScanValues values;
  values.Resolution = KXSaneResolution(device);
  const char* names[3] = {kScanModeLineart, kScanModeGray, kScanModeColor};
  if (const auto type = KXSanePixelType(device)) values.Mode = names[*type];
  device.GetString("source", values.Source);
  TSaneArea area;
  if (KXSaneArea(device, area)) {
    values.LeftMm = area.Left;
    values.TopMm = area.Top;
    values.RightMm = area.Right;
    values.BottomMm = area.Bottom;
  }
  return values;
}

SANE_Status KXSaneApply(TSaneDevice& device, const TScanValues& values) {
  // Mode first: a backend may offer other resolutions or sources in each mode.
  const int types[3] = {TWPT_BW, TWPT_GRAY, TWPT_RGB};
  const char* names[3] = {kScanModeLineart, kScanModeGray, kScanModeColor};
  for (int i = 0; i < 3; ++i)
    if (values.Mode == names[i])
      if (const SANE_Status status = KXSaneSetPixelType(device, types[i]); status != SANE_STATUS_GOOD) return status;
  if (!values.Source.empty())
    if (const SANE_Status status = device.SetString("source", values.Source); status != SANE_STATUS_GOOD) return status;
  if (values.Resolution > 0)
    if (const SANE_Status status = device.SetNumber("resolution", values.Resolution); status != SANE_STATUS_GOOD)
      return status;
  if (values.RightMm > values.LeftMm && values.BottomMm > values.TopMm)
    return KXSaneSetArea(device, {values.LeftMm, values.TopMm, values.RightMm, values.BottomMm});
  return SANE_STATUS_GOOD;
}

}  // namespace kx
