// The commands of the tool; each returns the exit status or throws the errors of errors.h.
#pragma once

#include "tools/kestrix/args.h"

namespace kestrix {

int RunInfo(const TCommandLine& cl);
int RunConvert(const TCommandLine& cl);
int RunColors(const TCommandLine& cl);
int RunFormats();
int RunScan(const TCommandLine& cl);
int RunHide(const TCommandLine& cl);
int RunReveal(const TCommandLine& cl);
int RunCapacity(const TCommandLine& cl);
int RunPages(const TCommandLine& cl);
int RunAnimate(const TCommandLine& cl);

}  // namespace kestrix
