// The command line of the tool, parsed and checked before any file is touched.
#pragma once

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
};

// Throws EUsageError for anything the tool does not understand.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);
// Assigns every --set value in order.
void ApplySets(const std::vector<TParamAssignment>& sets, kx::TIOParamsVals& params);
std::string HelpText();

}  // namespace kestrix
