// What the SANE bridge asks of a desktop: its own options dialog before a scan and the manager's
// source-selection dialog. Plain interfaces, so that the bridge needs no toolkit and its tests
// answer in place of a user (platform/qt/ implements them with widgets).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kx {

// Scan modes as the dialog offers them, whatever the backend calls them.
inline constexpr const char* kScanModeColor = "Color";
inline constexpr const char* kScanModeGray = "Gray";
inline constexpr const char* kScanModeLineart = "Lineart";

// What the device offers. Resolutions: the backend's list, or its range with the step (a
// dialog then offers any value of the range).
struct TScanChoices {
  std::vector<double> Resolutions;
  bool ResolutionRange = false;
  double MinResolution = 0, MaxResolution = 0, ResolutionStep = 0;
  std::vector<std::string> Modes;
  std::vector<std::string> Sources;          // empty: the device has no choice of source
  double AreaWidthMm = 0, AreaHeightMm = 0;  // the largest scan area
};

// The values of one scan; the scan area in millimetres from the top left of the bed.
struct TScanValues {
  double Resolution = 0;
  std::string Mode;
  std::string Source;
  double LeftMm = 0, TopMm = 0, RightMm = 0, BottomMm = 0;
  bool operator==(const TScanValues&) const = default;
};

class TScanOptionsUI {
 public:
  virtual ~TScanOptionsUI() = default;
  // Shows the options modally, starting from `values`; true when the user asked for the scan
  // (with `values` then holding the choice), false when the user cancelled.
  virtual bool Run(const TScanChoices& choices, TScanValues& values) = 0;
};

class TSourceChooserUI {
 public:
  virtual ~TSourceChooserUI() = default;
  // The index of the name the user chose, starting at `current`; nothing when cancelled.
  virtual std::optional<size_t> Choose(const std::vector<std::string>& names, size_t current) = 0;
};

}  // namespace kx
