// Writing and reading counted strings.
#include "imaging/core/string_stream.h"

#include <cstdint>
#include <limits>

#include "imaging/core/stream.h"

namespace kx {

void SaveStringToStream(TStream& stream, const std::string& text) {
  if (text.size() > size_t(std::numeric_limits<int32_t>::max())) throw EWriteError("String too long for a stream");
  const uint32_t n = uint32_t(text.size());
  const uint8_t count[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
  stream.WriteBuffer(count, 4);
  stream.WriteBuffer(text.data(), int64_t(text.size()));
}

bool LoadStringFromStream(TStream& stream, std::string& text) {
  text.clear();
  uint8_t count[4];
  if (stream.Read(count, 4) == 4) {
    const int32_t n =
        int32_t(uint32_t(count[0]) | uint32_t(count[1]) << 8 | uint32_t(count[2]) << 16 | uint32_t(count[3]) << 24);
    if (n >= 0 && n <= stream.Remaining()) {
      text.resize(size_t(n));
      if (stream.Read(text.data(), n) == n) return true;
      text.clear();
    }
  }
  stream.Seek(0, soEnd);
  return false;
}

}  // namespace kx
