#include "platform/sane/sane_library.h"

#include <dlfcn.h>

namespace kx {
namespace {

// The library's soname: the major version the headers were written for.
constexpr const char* kSaneSoname = "libsane.so.1";

template <typename F>
bool Resolve(void* handle, const char* name, F& entry) {
  entry = reinterpret_cast<F>(dlsym(handle, name));
  return entry != nullptr;
}

const TSaneLibrary* Load() {
  // Kept open for the life of the process: backends may leave threads or handlers behind. Global,
  // as a linked library would be: the backends it loads are then handled exactly as before.
  void* handle = dlopen(kSaneSoname, RTLD_NOW | RTLD_GLOBAL);
  if (!handle) return nullptr;
  static TSaneLibrary library;
  const bool complete = Resolve(handle, "sane_init", library.init) && Resolve(handle, "sane_exit", library.exit) &&
                        Resolve(handle, "sane_get_devices", library.get_devices) &&
                        Resolve(handle, "sane_open", library.open) && Resolve(handle, "sane_close", library.close) &&
                        Resolve(handle, "sane_get_option_descriptor", library.get_option_descriptor) &&
                        Resolve(handle, "sane_control_option", library.control_option) &&
                        Resolve(handle, "sane_get_parameters", library.get_parameters) &&
                        Resolve(handle, "sane_start", library.start) && Resolve(handle, "sane_read", library.read) &&
                        Resolve(handle, "sane_cancel", library.cancel);
  return complete ? &library : nullptr;
}

}  // namespace

const TSaneLibrary* KXSaneLibrary() {
  static const TSaneLibrary* const library = Load();
  return library;
}

}  // namespace kx
