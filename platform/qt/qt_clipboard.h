// The system clipboard on Qt. A session's blocks are kept until Close and published there as one
// set of mime data, so other programs never see half an exchange. A DIB is offered in the forms
// other programs on a desktop paste: a BMP file, a PNG and Qt's own image. Reading takes a BMP
// as it is and turns any other picture Qt can read into a DIB of the layout the library exports.
// Nothing here throws but std::bad_alloc: Qt's calls carry no exceptions.
#pragma once

#include <map>

#include "platform/clipboard.h"

namespace kx {

class TQtClipboard final : public TClipboard {
 public:
  // Qt's clipboard is always at hand: opening never fails.
  bool Open() override;
  void Close() override;
  void Empty() override;
  void Put(const std::string& format, std::vector<uint8_t> block) override;
  bool Has(const std::string& format) override;
  std::optional<std::vector<uint8_t>> Get(const std::string& format) override;

 private:
  std::map<std::string, std::vector<uint8_t>> fPending;  // put in this session, by format
  bool fEmptied = false;                                 // Close clears even when nothing was put
};

}  // namespace kx
