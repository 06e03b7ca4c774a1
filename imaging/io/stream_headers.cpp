// Stream headers: reading, checking and writing the 12-byte image prefix.
#include "imaging/io/stream_headers.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "imaging/core/byte_reader.h"
#include "imaging/core/byte_writer.h"
#include "imaging/core/stream.h"

namespace kx {
namespace {

std::string HeaderText(const uint8_t* bytes) {
  const void* nul = std::memchr(bytes, 0, 5);
  const size_t n = nul ? size_t(static_cast<const uint8_t*>(nul) - bytes) : 5;
  return std::string(reinterpret_cast<const char*>(bytes), n);
}

}  // namespace

bool ReadStreamHeader(TStream& stream, TStreamHeader& header) {
  TKXByteReader in(stream);
  uint8_t text[8] = {};
  in.Bytes(text, sizeof text);
  const int32_t length = in.I32LE();
  if (!in.Ok()) return false;
  header.Text = HeaderText(text);
  header.Length = length;
  return true;
}

std::string PeekStreamHeaderText(TStream& stream) {
  const int64_t start = stream.Position();
  uint8_t bytes[5] = {};
  const int64_t got = stream.Read(bytes, 5);
  stream.SetPosition(start);
  return got == 5 ? HeaderText(bytes) : std::string();
}

bool StreamHeaderLengthFits(const TStreamHeader& header, int64_t remaining) {
  return header.Length >= 0 && header.Length <= remaining;
}

int64_t BeginStreamHeader(TStream& stream) {
  const int64_t start = stream.Position();
  const uint8_t zeros[kStreamHeaderSize] = {};
  stream.WriteBuffer(zeros, kStreamHeaderSize);
  return start;
}

bool FinishStreamHeader(TStream& stream, int64_t start, std::string_view signature) {
  const int64_t end = stream.Position();
  const int64_t length = end - start - kStreamHeaderSize;
  if (length < 0 || length > std::numeric_limits<int32_t>::max()) return false;
  TKXByteWriter bytes;
  const size_t signatureBytes = std::min<size_t>(signature.size(), 4);
  bytes.Bytes(signature.data(), signatureBytes);
  bytes.Zeros(8 - signatureBytes);
  bytes.U32LE(uint32_t(length));
  stream.SetPosition(start);
  stream.WriteBuffer(bytes.Result().data(), int64_t(bytes.Size()));
  stream.SetPosition(end);
  return true;
}

}  // namespace kx
