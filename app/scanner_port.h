// The scanner as the shell uses it, and the one place that binds it to the library's scanning
// (the composite's Acquire, its scanner parameters and the SANE test backend). Everything else
// in the application talks to TScanner, so the tests give a fake and a change of the library's
// scanning names is a change of scanner_port.cpp alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kx {
class TKestrix;
}

namespace quillop {

enum class TScanOutcome : uint8_t {
  Acquired,   // a new picture is in the target
  Cancelled,  // the user closed the scanner's dialog: nothing to report
  Failed,     // the scan did not work; the reason says why
};

class TScanner {
 public:
  virtual ~TScanner() = default;
  // The names of the scanners found, in the order of the source list. Read once per run.
  virtual std::vector<std::string> SourceNames() = 0;
  // Scans from source `index` (within SourceNames) into `target`, showing the scanner's own
  // dialog. `reason` gets a short text when the scan failed.
  virtual TScanOutcome Acquire(int32_t index, kx::TKestrix& target, std::string& reason) = 0;
};

// The scanner of the library: the source list of a composite's scanner parameters, and
// acquisition into the target composite.
class TKestrixScanner final : public TScanner {
 public:
  std::vector<std::string> SourceNames() override;
  TScanOutcome Acquire(int32_t index, kx::TKestrix& target, std::string& reason) override;
};

// Makes the scanner library's test scanner appear (for trying the application without a
// scanner), keeping its configuration in `folder`. An error text, or empty.
std::string EnableDemoScanner(const std::string& folder);

}  // namespace quillop
