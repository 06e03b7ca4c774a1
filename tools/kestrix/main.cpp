// The kestrix command-line tool: file facts, conversion, colour counts, the format list,
// scanning, hidden data and the pages of multi-page files over the library.
// Exit status 0 on success, 1 when a file cannot be read or written or an operation cannot run,
// 2 for a usage error; every failure is one line on standard error.
#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "imaging/core/limits.h"
#include "imaging/io/lzw/lzw_coders.h"
#include "tools/kestrix/args.h"
#include "tools/kestrix/commands.h"
#include "tools/kestrix/errors.h"

namespace {

int Fail(int status, const std::string& message) {
  std::fprintf(stderr, "kestrix: %s\n", message.c_str());
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  kx::KXInstallLZWCoders();
  using namespace kestrix;
  try {
    const TCommandLine cl = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (cl.PixelLimit > 0) kx::KXSetPixelLimit(cl.PixelLimit);
    // A reader that went away is reported as a failed write, not by a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    switch (cl.Command) {
      case TCommandLine::cmHelp:
        std::fputs(HelpText().c_str(), stdout);
        return 0;
      case TCommandLine::cmInfo:
        return RunInfo(cl);
      case TCommandLine::cmConvert:
        return RunConvert(cl);
      case TCommandLine::cmColors:
        return RunColors(cl);
      case TCommandLine::cmFormats:
        return RunFormats();
      case TCommandLine::cmScan:
        return RunScan(cl);
      case TCommandLine::cmHide:
        return RunHide(cl);
      case TCommandLine::cmReveal:
        return RunReveal(cl);
      case TCommandLine::cmCapacity:
        return RunCapacity(cl);
      case TCommandLine::cmPages:
        return RunPages(cl);
      case TCommandLine::cmAnimate:
        return RunAnimate(cl);
    }
  } catch (const EUsageError& e) {
    return Fail(kExitUsage, std::string(e.what()) + " (kestrix --help lists the usage)");
  } catch (const EFileFailure& e) {
    return Fail(kExitFileFailure, e.what());
  } catch (const EOperationFailure& e) {
    return Fail(kExitFileFailure, e.what());
  } catch (const std::bad_alloc&) {
    return Fail(kExitFileFailure, "out of memory");
  } catch (const std::exception& e) {
    return Fail(kExitFileFailure, e.what());
  }
  return 0;
}
