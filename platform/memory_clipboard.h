// A clipboard in memory: the process's own when no desktop is there, and the tests' (which can
// make it refuse to open).
#pragma once

#include <map>

#include "platform/clipboard.h"

namespace kx {

class TMemoryClipboard : public TClipboard {
 public:
  bool Open() override;
  void Close() override { fIsOpen = false; }
  void Empty() override { fBlocks.clear(); }
  void Put(const std::string& format, std::vector<uint8_t> block) override { fBlocks[format] = std::move(block); }
  bool Has(const std::string& format) override { return fBlocks.count(format) != 0; }
  std::optional<std::vector<uint8_t>> Get(const std::string& format) override;

  // Makes Open fail, as when another program holds the clipboard.
  bool Refuses = false;
  bool IsOpen() const { return fIsOpen; }

 private:
  std::map<std::string, std::vector<uint8_t>> fBlocks;
  bool fIsOpen = false;
};

}  // namespace kx
