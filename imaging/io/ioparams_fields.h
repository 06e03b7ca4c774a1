// The printable fields of TIOParamsVals, in declaration order, with their text form: one table
// that listings, command-line assignments and tests share (the owner, the coder hooks and the
// palette entries are not in it; ColorMapCount is, read-only).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "imaging/io/ioparams.h"

namespace kx {

// Count is ColorMapCount: shown, but it follows the palette and cannot be set on its own.
enum class TIOFieldKind : uint8_t { Int32, Bool, Enumeration, FileType, RGB, Double, Date, String, Count };

struct TIOParamField {
  std::string_view Name;
  TIOFieldKind Kind;
  // Enumerations and FileType: the value names in ordinal order.
  std::span<const std::string_view> ValueNames;
  // The value as text: names for enumerations and file types, true/false, "R,G,B" in decimal,
  // the shortest exact form of a double, YYYY-MM-DD for the date, strings as stored.
  std::string (*Get)(const TIOParamsVals&);
  // Parses `text` in the Get form (enumerations and file types also by ordinal, booleans also
  // as 1/0) into the field. False, with the field unchanged, when the text does not parse or
  // the field cannot be assigned.
  bool (*Set)(TIOParamsVals&, std::string_view text);
};

std::span<const TIOParamField> IOParamFields();
// The field called `name`, or null.
const TIOParamField* FindIOParamField(std::string_view name);
// The code name of a file type ("ioJPEG"); the number itself for a code without a name.
std::string IOFileTypeName(TIOFileType type);

}  // namespace kx
