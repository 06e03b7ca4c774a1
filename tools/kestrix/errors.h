// The ways a command fails, each with its exit status.
#pragma once

#include <stdexcept>
#include <string>

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

// A reason with the option that raises the pixel limit, when the limit is what stopped the work
// ("... pixels is above the limit of N", "... above the pixel limit of N").
inline std::string WithPixelLimitHint(std::string reason) {
  if (reason.find("above the limit of") != std::string::npos ||
      reason.find("above the pixel limit") != std::string::npos)
    reason += "; see --pixel-limit";
  return reason;
}

}  // namespace kestrix
