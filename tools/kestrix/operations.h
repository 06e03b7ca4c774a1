// The processing operations that `convert --do` runs, one row each, named as the library
// names them and taking their arguments in the library's order.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "imaging/core/progress.h"

namespace kx {
class TBitmap;
}

namespace kestrix {

struct TToolOperation {
  std::string_view Name;
  // The argument names, space-separated, for the help text.
  std::string_view Arguments;
  int Arity;
  // Checks the arguments before any file is read; false is a usage error.
  bool (*Valid)(std::span<const std::string> args);
  void (*Run)(kx::TBitmap& bitmap, std::span<const std::string> args, kx::TProgressRec& progress);
};

// Every row, and the rows of each operation group.
std::span<const TToolOperation> ToolOperations();
std::span<const TToolOperation> ColorToolOperations();
std::span<const TToolOperation> FilterToolOperations();
// The operation called `name`, or null.
const TToolOperation* FindToolOperation(std::string_view name);

}  // namespace kestrix
