// quillop: the picture mailer. So far its headless form, quillop --prepare.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "app/prepare_command.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  // A reader that went away is reported as a failed write, not by a silent death.
  std::signal(SIGPIPE, SIG_IGN);
  if (!args.empty() && args[0] == "--prepare")
    return quillop::RunPrepare({args.begin() + 1, args.end()}, std::cout, std::cerr);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << quillop::PrepareUsage();
    return 0;
  }
  std::cerr << "quillop: only the headless form runs in this build (quillop --help lists the usage)\n";
  return quillop::kExitUsage;
}
