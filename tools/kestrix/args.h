// The command line of the tool, parsed and checked before any file is touched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/io/ioparams_fields.h"
#include "tools/kestrix/operations.h"

namespace kestrix {

struct TParamAssignment {
  const kx::TIOParamField* Field;
  std::string Value;
};

struct TOperationCall {
  const TToolOperation* Operation;
  std::vector<std::string> Args;
};

struct TCommandLine {
  enum TCommand { cmHelp, cmInfo, cmConvert, cmColors, cmFormats } Command = cmHelp;
  std::vector<std::string> Files;  // FILE for info and colors; IN and OUT for convert; none for formats
  std::vector<TParamAssignment> Sets;
  std::vector<TOperationCall> Operations;
  bool Quiet = false;
  // --format: the output format by one of its extensions, whatever OUT's name says.
  std::string OutputFormat;
  // --pixel-limit: the largest picture, in pixels, that the run may read or make.
  int64_t PixelLimit = 0;
  // --keep-orientation: no upright turn by the EXIF orientation after loading.
  bool KeepOrientation = false;
};

// Throws EUsageError for anything the tool does not understand.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);
// Assigns every --set value in order.
void ApplySets(const std::vector<TParamAssignment>& sets, kx::TIOParamsVals& params);
std::string HelpText();

}  // namespace kestrix
