// The SANE library, opened on first use rather than linked: it brings USB, XML and Unicode
// libraries with it, and loading them would cost every run of every program a millisecond,
// also the many that never scan. A machine without the library has no scanners.
#pragma once

#include <sane/sane.h>

namespace kx {

// The library's entry points; every one is set when the table is returned.
struct TSaneLibrary {
  SANE_Status (*init)(SANE_Int*, SANE_Auth_Callback);
  void (*exit)();
  SANE_Status (*get_devices)(const SANE_Device***, SANE_Bool);
  SANE_Status (*open)(SANE_String_Const, SANE_Handle*);
  void (*close)(SANE_Handle);
  const SANE_Option_Descriptor* (*get_option_descriptor)(SANE_Handle, SANE_Int);
  SANE_Status (*control_option)(SANE_Handle, SANE_Int, SANE_Action, void*, SANE_Int*);
  SANE_Status (*get_parameters)(SANE_Handle, SANE_Parameters*);
  SANE_Status (*start)(SANE_Handle);
  SANE_Status (*read)(SANE_Handle, SANE_Byte*, SANE_Int, SANE_Int*);
  void (*cancel)(SANE_Handle);
};

// The table, loaded once; null when the library or one of its entry points is missing.
const TSaneLibrary* KXSaneLibrary();

}  // namespace kx
