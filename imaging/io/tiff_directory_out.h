// Building image file directories for writing: entries collected in any order, written sorted
// by tag, values of up to four bytes inside their entries and longer ones before the
// directory, in the byte order of the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kx {

class TTiffDirectoryOut {
 public:
  explicit TTiffDirectoryOut(bool bigEndian) : fBig(bigEndian) {}

  // An entry of `count` values whose bytes are `data`, already in the file's byte order.
  void Raw(uint16_t tag, uint16_t type, uint32_t count, std::vector<uint8_t> data);
  void Shorts(uint16_t tag, const std::vector<uint32_t>& values);
  void Longs(uint16_t tag, const std::vector<uint32_t>& values);
  void Short(uint16_t tag, uint32_t value) { Shorts(tag, {value}); }
  void Long(uint16_t tag, uint32_t value) { Longs(tag, {value}); }
  void Rational(uint16_t tag, uint32_t numerator, uint32_t denominator);
  // The text with one terminating NUL.
  void Ascii(uint16_t tag, const std::string& text);
  bool Has(uint16_t tag) const;

  // Appends the long values and then the directory, at an even offset, to `out`, whose first
  // byte has the file offset `base`. Returns the directory's offset; `nextField` receives the
  // file offset of its next-directory field (written as `next`). False when an offset would
  // not fit in 32 bits.
  bool Write(std::vector<uint8_t>& out, uint64_t base, uint32_t next, uint32_t& offset, uint64_t& nextField) const;

  // A 16-bit or 32-bit value in the file's byte order, appended to or written into `out`.
  void Put16(std::vector<uint8_t>& out, uint32_t v) const;
  void Put32(std::vector<uint8_t>& out, uint32_t v) const;
  void Set32(uint8_t* at, uint32_t v) const;

 private:
  struct TEntry {
    uint16_t Tag;
    uint16_t Type;
    uint32_t Count;
    std::vector<uint8_t> Data;
  };
  bool fBig;
  std::vector<TEntry> fEntries;
};

}  // namespace kx
