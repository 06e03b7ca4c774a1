// The dispatch table of `convert --do`.
#include "tools/kestrix/operations.h"

#include <vector>

namespace kestrix {
namespace {

const std::vector<TToolOperation> kOperations = {};

}  // namespace

std::span<const TToolOperation> ToolOperations() { return kOperations; }

const TToolOperation* FindToolOperation(std::string_view name) {
  for (const TToolOperation& op : kOperations)
    if (op.Name == name) return &op;
  return nullptr;
}

}  // namespace kestrix
