#include "tests/scan_sane/sane_fixture.h"

#include <dlfcn.h>

#include <cstring>
#include <filesystem>

#include "platform/sane/sane_device.h"
#include "platform/sane/sane_library.h"
#include "platform/sane/sane_test_backend.h"
#include "platform/sane/twain_containers.h"
#include "platform/source_manager.h"
#include "tests/support/test_support.h"

using namespace kx;

// SANE's test backend keeps the buffer of a scan in a static that it never frees (plain SANE calls
// show the same). Once the library unloads the backend at sane_exit, the leak checker finds the
// buffer unreachable and cannot even name its module; with the backend kept loaded for the whole
// program the report names it, and this suppression drops just that backend's leaks.
extern "C" const char* __lsan_default_suppressions() { return "leak:libsane-test.so\n"; }

namespace kxtest {

namespace {

// Loads the test backend from where the SANE library loads its backends (a "sane" folder beside
// it) so that it stays loaded.
void KeepTestBackendLoaded() {
  Dl_info library{};
  const TSaneLibrary* sane = KXSaneLibrary();
  if (!sane || !dladdr(reinterpret_cast<void*>(sane->init), &library) || !library.dli_fname) return;
  const auto backend = std::filesystem::path(library.dli_fname).parent_path() / "sane" / "libsane-test.so.1";
  dlopen(backend.c_str(), RTLD_NOW | RTLD_NODELETE);
}

}  // namespace

std::string SaneConfigDir() { return TempDir() + "/sane"; }

bool SaneTestBackendReady() {
  static const bool ready = [] {
    KeepTestBackendLoaded();
    if (!KXEnableSaneTestBackend(SaneConfigDir()).empty()) return false;
    TSaneSession session;
    if (!session.Ok()) return false;
    for (const TSaneDeviceInfo& device : KXSaneDevices())
      if (device.Name == "test:0") return true;
    return false;
  }();
  return ready;
}

std::string ScanimageOracle(const std::string& options, const std::string& suffix) {
  const std::string path = TempPath(suffix);
  const std::string command = "SANE_CONFIG_DIR=" + Quote(SaneConfigDir()) + " " + kScanimage + " " + options +
                              " --test-picture 'Color pattern' --format=pnm > " + Quote(path) + " 2>/dev/null";
  EXPECT_EQ(Run(command), 0) << command;
  return path;
}

bool TBridge::Open(const std::string& name) {
  if (ToManager(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &App) != TWRC_SUCCESS) return false;
  Source = {};
  std::strncpy(Source.ProductName, name.c_str(), sizeof Source.ProductName - 2);
  return ToManager(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &Source) == TWRC_SUCCESS;
}

TW_UINT16 TBridge::ToManager(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
  return Manager.Entry(&App, nullptr, dg, dat, msg, data);
}

TW_UINT16 TBridge::ToSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
  return Manager.Entry(&App, &Source, dg, dat, msg, data);
}

TW_UINT16 TBridge::Condition() {
  TW_STATUS status{};
  Manager.Entry(&App, nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  return status.ConditionCode;
}

TW_UINT16 TBridge::EnableAndWait(bool showUI) {
  TW_USERINTERFACE ui{};
  ui.ShowUI = showUI ? 1 : 0;
  if (ToSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) != TWRC_SUCCESS) return MSG_NULL;
  TW_EVENT event{};
  ToSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
  return event.TWMessage;
}

TW_UINT16 TBridge::GetCap(TW_UINT16 cap, TW_UINT16& conType, std::vector<uint8_t>& bytes) {
  TW_CAPABILITY c{cap, TWON_DONTCARE16, nullptr};
  const TW_UINT16 rc = ToSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &c);
  conType = c.ConType;
  bytes.clear();
  if (rc == TWRC_SUCCESS) {
    const auto* at = static_cast<const uint8_t*>(KXTWLock(c.hContainer));
    bytes.assign(at, at + KXTWBlockSize(c.hContainer));
    KXTWUnlock(c.hContainer);
    KXTWFree(c.hContainer);
  }
  return rc;
}

TW_UINT16 TBridge::SetCap(TW_UINT16 cap, TW_UINT16 itemType, double value) {
  TW_CAPABILITY c{cap, TWON_ONEVALUE, KXTWMakeOneValue(itemType, value)};
  const TW_UINT16 rc = ToSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &c);
  KXTWFree(c.hContainer);
  return rc;
}

}  // namespace kxtest
