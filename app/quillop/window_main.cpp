// quillop-window: Quillop's window, started by `quillop` with the same arguments.
#include <iostream>
#include <string>
#include <vector>

#include "app/prepare_command.h"
#include "app/qt/quillop_window.h"
#include "imaging/io/lzw/lzw_coders.h"

int main(int argc, char** argv) {
  kx::KXInstallLZWCoders();
  const std::vector<std::string> args(argv + 1, argv + argc);
  quillop::TWindowOptions options;
  std::string error;
  if (!quillop::ParseWindowOptions(args, options, error)) {
    std::cerr << "quillop: " << error << " (quillop --help lists the usage)\n";
    return quillop::kExitUsage;
  }
  return quillop::RunQuillopWindow(argc, argv, options);
}
