// The form every text field takes in a stream: a 32-bit little-endian byte count, then the
// bytes without a terminator.
#pragma once

#include <string>

namespace kx {

class TStream;

// Throws EWriteError when the stream refuses the bytes or the text is longer than the count
// can say.
void SaveStringToStream(TStream& stream, const std::string& text);
// False, with `text` empty and the stream at its end, when the count is missing, negative or
// larger than the bytes left.
bool LoadStringFromStream(TStream& stream, std::string& text);

}  // namespace kx
