// Writing and reading counted strings.
#include "imaging/core/string_stream.h"

#include <cstdint>
#include <limits>

#include "imaging/core/byte_reader.h"
#include "imaging/core/byte_writer.h"
#include "imaging/core/stream.h"

namespace kx {

void SaveStringToStream(TStream& stream, const std::string& text) {
  if (text.size() > size_t(std::numeric_limits<int32_t>::max())) throw EWriteError("String too long for a stream");
  TKXByteWriter count;
  count.U32LE(uint32_t(text.size()));
  stream.WriteBuffer(count.Result().data(), int64_t(count.Size()));
  stream.WriteBuffer(text.data(), int64_t(text.size()));
}

bool LoadStringFromStream(TStream& stream, std::string& text) {
  TKXByteReader in(stream);
  text = in.String(in.I32LE());
  if (in.Ok()) return true;
  stream.Seek(0, soEnd);
  return false;
}

}  // namespace kx
