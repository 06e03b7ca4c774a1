// quillop: the picture mailer. `quillop [FILE]` opens the window (with FILE loaded), which is the
// program quillop-window beside this one; `quillop --prepare ...` does the whole job on one
// picture without a window, here, with no toolkit loaded.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/prepare_command.h"
#include "imaging/io/lzw/lzw_coders.h"

namespace {

constexpr const char* kWindowUsage =
    "usage: quillop [--demo-scanner] [--quit-when-shown] [FILE]\n"
    "  opens the window, with the picture FILE loaded when one is named\n"
    "  --demo-scanner     offers the scanner library's test scanner, to try scanning without one\n"
    "  --quit-when-shown  quits once the window (with FILE's preview) is on the screen\n\n";

// The window program in this program's own folder.
std::string WindowProgram() {
  std::string self(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", self.data(), self.size() - 1);
  if (n <= 0) return "quillop-window";
  self.resize(size_t(n));
  return self.substr(0, self.rfind('/') + 1) + "quillop-window";
}

}  // namespace

int main(int argc, char** argv) {
  kx::KXInstallLZWCoders();
  const std::vector<std::string> args(argv + 1, argv + argc);
  // A reader that went away is reported as a failed write, not by a silent death.
  std::signal(SIGPIPE, SIG_IGN);
  if (!args.empty() && args[0] == "--prepare")
    return quillop::RunPrepare({args.begin() + 1, args.end()}, std::cout, std::cerr);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << kWindowUsage << quillop::PrepareUsage();
    return 0;
  }
  std::signal(SIGPIPE, SIG_DFL);
  const std::string window = WindowProgram();
  execv(window.c_str(), argv);
  std::cerr << "quillop: the window program " << window << " cannot be started: " << std::strerror(errno)
            << " (quillop --prepare works without it)\n";
  return quillop::kExitFailure;
}
