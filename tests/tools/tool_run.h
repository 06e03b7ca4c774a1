// Running the built kestrix tool from the tool's tests.
#pragma once

#include <string>

#include "tests/support/test_support.h"

namespace kxtest {

struct TToolResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the tool with `args` (already quoted for the shell).
inline TToolResult RunTool(const std::string& args) {
  TToolResult r;
  const std::string errPath = TempPath(".stderr");
  r.status = Run(Quote(ToolPath()) + " " + args + " 2>" + Quote(errPath), &r.out);
  const std::vector<uint8_t> err = ReadFile(errPath);
  r.err.assign(err.begin(), err.end());
  return r;
}

inline std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

}  // namespace kxtest
