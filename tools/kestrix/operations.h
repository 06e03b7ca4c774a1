// The processing operations that `convert --do` runs, one row each, named as the library
// names them and taking their arguments in the library's order.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace kx {
class TKestrixProc;
}

namespace kestrix {

struct TToolOperation {
  std::string_view Name;
  // The argument names, space-separated, for the help text.
  std::string_view Arguments;
  int Arity;
  // Checks the arguments before any file is read; false is a usage error.
  bool (*Valid)(std::span<const std::string> args);
  // Runs the operation with the component attached to the tool's picture.
  void (*Run)(kx::TKestrixProc& proc, std::span<const std::string> args);
  // Whether the operation works on a 1-bit picture; the others get a 24-bit copy of one.
  bool TakesOneBit = false;
};

constexpr bool kOneBitToo = true;

// Every row, and the rows of each operation group.
std::span<const TToolOperation> ToolOperations();
std::span<const TToolOperation> ColorToolOperations();
std::span<const TToolOperation> FilterToolOperations();
std::span<const TToolOperation> FourierToolOperations();
std::span<const TToolOperation> EffectToolOperations();
// The operation called `name`, or null.
const TToolOperation* FindToolOperation(std::string_view name);

}  // namespace kestrix
