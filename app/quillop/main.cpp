// quillop: the picture mailer. `quillop [FILE]` opens the window (with FILE loaded);
// `quillop --prepare ...` does the whole job on one picture without a window.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "app/prepare_command.h"
#ifdef QUILLOP_WINDOW
#include "app/qt/quillop_window.h"
#endif

namespace {

constexpr const char* kWindowUsage =
    "usage: quillop [--demo-scanner] [--quit-when-shown] [FILE]\n"
    "  opens the window, with the picture FILE loaded when one is named\n"
    "  --demo-scanner     offers the scanner library's test scanner, to try scanning without one\n"
    "  --quit-when-shown  quits once the window (with FILE's preview) is on the screen\n\n";

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  // A reader that went away is reported as a failed write, not by a silent death.
  std::signal(SIGPIPE, SIG_IGN);
  if (!args.empty() && args[0] == "--prepare")
    return quillop::RunPrepare({args.begin() + 1, args.end()}, std::cout, std::cerr);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << kWindowUsage << quillop::PrepareUsage();
    return 0;
  }
#ifdef QUILLOP_WINDOW
  quillop::TWindowOptions options;
  std::string error;
  if (!quillop::ParseWindowOptions(args, options, error)) {
    std::cerr << "quillop: " << error << " (quillop --help lists the usage)\n";
    return quillop::kExitUsage;
  }
  return quillop::RunQuillopWindow(argc, argv, options);
#else
  std::cerr << "quillop: this build has no window, only quillop --prepare (quillop --help lists the usage)\n";
  return quillop::kExitUsage;
#endif
}
