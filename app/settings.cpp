// Reading and writing the six settings, with the order and stop rules of the settings key.
#include "app/settings.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <utility>

namespace quillop {
namespace {

// Decimal text with an optional sign, nothing else; false when it does not fit 32 bits.
bool ParseDecimal(const std::string& text, int32_t& out) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  int32_t v = 0;
  const auto [ptr, ec] = std::from_chars(begin, end, v);
  if (ec != std::errc() || ptr != end || begin == end) return false;
  out = v;
  return true;
}

struct TNumberField {
  const char* Name;
  int32_t TSettings::*Field;
  int32_t Low, High;
};

constexpr TNumberField kNumbers[] = {
    {"TwainSource", &TSettings::TwainSource, 0, INT32_MAX}, {"JPEGComp", &TSettings::JPEGComp, 0, 100},
    {"JPEGSmooth", &TSettings::JPEGSmooth, 0, 100},         {"Brightness", &TSettings::Brightness, -100, 100},
    {"Contrast", &TSettings::Contrast, -100, 100},
};

}  // namespace

bool ReadSettings(kx::TSettingsStore& store, TSettings& settings) {
  store.SetRootKey(kx::TSettingsRoot::CurrentUser);
  if (!store.OpenKey(kSettingsKey, false)) return false;
  try {
    const std::string mrud = store.ReadString("MRUD");
    if (!mrud.empty()) settings.MRUD = mrud;
    for (const TNumberField& f : kNumbers) {
      const std::string text = store.ReadString(f.Name);
      if (text.empty()) continue;
      int32_t v = 0;
      if (!ParseDecimal(text, v)) {
        store.CloseKey();
        return false;
      }
      settings.*f.Field = std::clamp(v, f.Low, f.High);
    }
  } catch (const kx::ESettingsError&) {
    store.CloseKey();
    return false;
  }
  store.CloseKey();
  return true;
}

TSettings StartupSettings(kx::TSettingsStore& store, bool* firstRun) {
  TSettings settings;
  const bool read = ReadSettings(store, settings);
  if (firstRun) *firstRun = !read;
  settings.Brightness = 0;
  settings.Contrast = 0;
  return settings;
}

bool WriteSettings(kx::TSettingsStore& store, const TSettings& settings,
                   const std::function<void(const std::string&)>& showMessage) {
  store.SetRootKey(kx::TSettingsRoot::CurrentUser);
  const auto write = [&](const char* name, const std::string& text) {
    if (!store.OpenKey(kSettingsKey, true)) throw kx::ESettingsError("the settings key does not open");
    store.WriteString(name, text);
  };
  const std::pair<const char*, std::string> values[] = {
      {"Brightness", std::to_string(settings.Brightness)},
      {"Contrast", std::to_string(settings.Contrast)},
      {"JPEGComp", std::to_string(settings.JPEGComp)},
      {"JPEGSmooth", std::to_string(settings.JPEGSmooth)},
      {"MRUD", settings.MRUD},
      {"TwainSource", std::to_string(settings.TwainSource)},
  };
  try {
    for (const auto& [name, text] : values) write(name, text);
    store.Flush();
  } catch (const kx::ESettingsError&) {
    store.Discard();
    store.CloseKey();
    if (showMessage) showMessage(kErrorSavingConfiguration);
    return false;
  }
  store.CloseKey();
  return true;
}

}  // namespace quillop
