// `kestrix formats`: the format registry as the tool sees it, one line per entry.
#include <cstdio>

#include "tools/kestrix/commands.h"
#include "tools/kestrix/formats.h"

namespace kestrix {

int RunFormats() {
  RegisterToolFormats();
  const std::string text = FormatListing();
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

}  // namespace kestrix
