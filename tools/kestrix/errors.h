// The ways a command fails, each with its exit status.
#pragma once

#include <stdexcept>

namespace kestrix {

constexpr int kExitFileFailure = 1;
constexpr int kExitUsage = 2;

// The command line asks for something that does not exist or does not parse.
class EUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// A file could not be read or written; the message names the file and the reason.
class EFileFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// An operation could not run on the picture; the message names the operation and the reason.
// Exits as a file failure does: nothing is written.
class EOperationFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kestrix
