// Quillop's six settings in the per-user store: read once at start-up, written once at close.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/settings_store.h"

namespace quillop {

// The key all six values live in, under the current user.
inline constexpr const char* kSettingsKey = "\\SOFTWARE\\Brindlework\\Quillop";
inline constexpr const char* kErrorSavingConfiguration = "Error Saving Configuration";

struct TSettings {
  std::string MRUD;         // the folder the last picture was loaded from
  int32_t TwainSource = 0;  // index of the chosen scanner, never negative
  int32_t JPEGComp = 60;    // JPEG quality 0..100
  int32_t JPEGSmooth = 0;   // JPEG smoothing 0..100
  int32_t Brightness = 0;   // -100..100
  int32_t Contrast = 0;     // -100..100
  friend bool operator==(const TSettings&, const TSettings&) = default;
};

// Reads MRUD, TwainSource, JPEGComp, JPEGSmooth, Brightness and Contrast in that order into
// `settings`, which holds the defaults. An empty or absent value keeps its field. Numbers out of
// their range are clamped into it. False when the key does not exist (a first run), and false
// at the first value that is not text or not a decimal integer: the values read before it stay.
bool ReadSettings(kx::TSettingsStore& store, TSettings& settings);
// What start-up makes of the store: the defaults, the values read, and then brightness and
// contrast back at 0, because a stored edit is never applied to the next picture.
// `firstRun` is set when the reading returned false.
TSettings StartupSettings(kx::TSettingsStore& store, bool* firstRun = nullptr);
// Writes Brightness, Contrast, JPEGComp, JPEGSmooth, MRUD and TwainSource in that order and
// commits them together. The first value that cannot be written, or a failed commit, ends the
// writing: nothing of it is committed, `showMessage` gets "Error Saving Configuration" once, and
// the result is false.
bool WriteSettings(kx::TSettingsStore& store, const TSettings& settings,
                   const std::function<void(const std::string&)>& showMessage);

}  // namespace quillop
