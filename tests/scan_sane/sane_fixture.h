// What the SANE tests share: the test backend switched on in a private configuration folder
// (once per program, before SANE first starts), and a driver that speaks the acquisition
// protocol to the bridge triplet by triplet.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/sane/sane_source_manager.h"
#include "platform/twain.h"

namespace kxtest {

// The folder of the private SANE configuration.
std::string SaneConfigDir();
// True when SANE lists the test backend's device "test:0".
bool SaneTestBackendReady();

// SANE's own front end, the oracle of the scans.
inline const std::string kScanimage = "/usr/bin/scanimage";
// The file scanimage writes with `options` (the device included) and the colour test pattern, in
// the private configuration; a failure of the run fails the test.
std::string ScanimageOracle(const std::string& options, const std::string& suffix);

#define KX_REQUIRE_SANE_TEST_BACKEND() \
  if (!kxtest::SaneTestBackendReady()) GTEST_SKIP() << "SANE's test backend is not installed"

// One exchange with the bridge, opened up to the source "test:0" unless told otherwise.
class TBridge {
 public:
  explicit TBridge(kx::TSourceChooserUI* chooser = nullptr, kx::TScanOptionsUI* options = nullptr)
      : Manager(chooser, options) {}
  // MSG_OPENDSM, then MSG_OPENDS of `name`.
  bool Open(const std::string& name = "test:0");
  kx::TW_UINT16 ToManager(kx::TW_UINT32 dg, kx::TW_UINT16 dat, kx::TW_UINT16 msg, void* data);
  kx::TW_UINT16 ToSource(kx::TW_UINT32 dg, kx::TW_UINT16 dat, kx::TW_UINT16 msg, void* data);
  // The condition code of the last failure (DAT_STATUS).
  kx::TW_UINT16 Condition();
  // MSG_ENABLEDS and the first MSG_PROCESSEVENT: the message the source answered with.
  kx::TW_UINT16 EnableAndWait(bool showUI);
  // One capability read: the container type and a copy of the container's bytes.
  kx::TW_UINT16 GetCap(kx::TW_UINT16 cap, kx::TW_UINT16& conType, std::vector<uint8_t>& bytes);
  // A one-value MSG_SET.
  kx::TW_UINT16 SetCap(kx::TW_UINT16 cap, kx::TW_UINT16 itemType, double value);

  kx::TSaneSourceManager Manager;
  kx::TW_IDENTITY App{};
  kx::TW_IDENTITY Source{};
};

}  // namespace kxtest
