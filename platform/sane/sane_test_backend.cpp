#include "platform/sane/sane_test_backend.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace kx {

namespace {

// The backend's own defaults include a resolution of a fraction of a dot per inch, so the
// configuration states every value a scan depends on.
constexpr const char* kTestConf =
    "number_of_devices 2\n"
    "mode Color\n"
    "depth 8\n"
    "resolution_min 1.0\n"
    "resolution_max 1200.0\n"
    "resolution_quant 1.0\n"
    "resolution 75.0\n"
    "test-picture \"Color pattern\"\n";

std::string WriteText(const std::filesystem::path& path, const char* text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) return "cannot write " + path.string();
  return {};
}

}  // namespace

std::string KXEnableSaneTestBackend(const std::string& folder) {
  if (folder.empty()) return "no folder for the SANE configuration";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return "cannot create " + folder + ": " + error.message();
  const std::filesystem::path dir(folder);
  if (std::string failure = WriteText(dir / "dll.conf", "test\n"); !failure.empty()) return failure;
  if (std::string failure = WriteText(dir / "test.conf", kTestConf); !failure.empty()) return failure;
  // Without a trailing separator SANE reads this folder alone, so no other backend probes for
  // hardware (which can take seconds on a network backend).
  if (setenv("SANE_CONFIG_DIR", folder.c_str(), 1) != 0) return "cannot set SANE_CONFIG_DIR";
  return {};
}

}  // namespace kx
