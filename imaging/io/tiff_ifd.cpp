// Directory walking and entry values. Nothing is allocated for a count before the bytes it
// needs are known to be in the stream.
#include "imaging/io/tiff_ifd.h"

#include <algorithm>
#include <unordered_set>

#include "imaging/core/stream.h"

namespace kx {

int TiffTypeSize(uint16_t type) {
  switch (type) {
    case tyByte:
    case tyAscii:
    case tySByte:
    case tyUndefined:
      return 1;
    case tyShort:
    case tySShort:
      return 2;
    case tyLong:
    case tySLong:
    case tyFloat:
    case tyIfd:
      return 4;
    case tyRational:
    case tySRational:
    case tyDouble:
      return 8;
    default:
      return 0;
  }
}

const TTiffEntry* TTiffIfd::Find(uint16_t tag) const {
  for (const TTiffEntry& e : Entries)
    if (e.Tag == tag) return &e;
  return nullptr;
}

TTiffInput::TTiffInput(TStream& stream) : fStream(stream) {
  fStart = stream.Position();
  fSize = stream.Remaining();
  uint8_t header[8];
  if (stream.Read(header, 8) != 8) return;
  if ((header[0] != 'I' || header[1] != 'I') && (header[0] != 'M' || header[1] != 'M')) return;
  fBigEndian = header[0] == 'M';
  TKXByteReader in({header + 4, 4});
  fFirstIfd = U32(in);
  fValid = true;
}

bool TTiffInput::ReadAt(uint64_t offset, uint64_t n, std::vector<uint8_t>& out) {
  if (offset > uint64_t(fSize) || n > uint64_t(fSize) - offset) return false;
  out.resize(size_t(n));
  return ReadInto(offset, n, out.data());
}

bool TTiffInput::ReadInto(uint64_t offset, uint64_t n, uint8_t* out) {
  if (offset > uint64_t(fSize) || n > uint64_t(fSize) - offset) return false;
  fStream.SetPosition(fStart + int64_t(offset));
  return fStream.Read(out, int64_t(n)) == int64_t(n);
}

bool TTiffInput::ReadIfd(uint32_t offset, TTiffIfd& ifd) {
  std::vector<uint8_t> bytes;
  if (!ReadAt(offset, 2, bytes)) return false;
  TKXByteReader countIn(bytes);
  const uint16_t count = U16(countIn);
  if (!ReadAt(uint64_t(offset) + 2, uint64_t(count) * 12 + 4, bytes)) return false;
  TKXByteReader in(bytes);
  ifd.Offset = offset;
  ifd.Entries.resize(count);
  for (TTiffEntry& e : ifd.Entries) {
    e.Tag = U16(in);
    e.Type = U16(in);
    e.Count = U32(in);
    in.Bytes(e.Field, 4);
  }
  ifd.Next = U32(in);
  return in.Ok();
}

std::vector<uint32_t> TTiffInput::PageOffsets() {
  std::vector<uint32_t> offsets;
  std::unordered_set<uint32_t> seen;
  // The smallest directory (no entries) takes 6 bytes.
  const int64_t most = fSize / 6;
  std::vector<uint8_t> bytes;
  for (uint32_t at = fFirstIfd; at != 0 && int64_t(offsets.size()) < most && seen.insert(at).second;) {
    if (!ReadAt(at, 2, bytes)) break;
    TKXByteReader countIn(bytes);
    const uint16_t count = U16(countIn);
    if (!ReadAt(uint64_t(at) + 2 + uint64_t(count) * 12, 4, bytes)) break;
    offsets.push_back(at);
    TKXByteReader nextIn(bytes);
    at = U32(nextIn);
  }
  return offsets;
}

bool TTiffInput::Data(const TTiffEntry& e, std::vector<uint8_t>& out) {
  const uint64_t size = e.DataSize();
  if (TiffTypeSize(e.Type) == 0) return false;
  if (e.Inline()) {
    out.assign(e.Field, e.Field + size);
    return true;
  }
  TKXByteReader in({e.Field, 4});
  return ReadAt(U32(in), size, out);
}

bool TTiffInput::Integers(const TTiffEntry& e, std::vector<uint32_t>& out, uint32_t bound) {
  out.clear();
  const int size = TiffTypeSize(e.Type);
  if (e.Count > bound || (size != 1 && size != 2 && size != 4) || e.Type == tyAscii || e.Type == tyFloat) return false;
  std::vector<uint8_t> bytes;
  if (!Data(e, bytes)) return false;
  TKXByteReader in(bytes);
  out.resize(e.Count);
  for (uint32_t& v : out) v = size == 1 ? in.U8() : size == 2 ? U16(in) : U32(in);
  return in.Ok();
}

uint32_t TTiffInput::Integer(const TTiffEntry* e, uint32_t fallback) {
  if (!e || e->Count == 0) return fallback;
  TTiffEntry first = *e;
  // Only the first value is wanted; it is where the whole array would be.
  std::vector<uint32_t> v;
  if (first.Inline()) {
    first.Count = 1;
    return Integers(first, v, 1) ? v[0] : fallback;
  }
  TKXByteReader in({e->Field, 4});
  const uint32_t offset = U32(in);
  std::vector<uint8_t> bytes;
  const int size = TiffTypeSize(e->Type);
  if ((size != 1 && size != 2 && size != 4) || e->Type == tyAscii || !ReadAt(offset, size, bytes)) return fallback;
  TKXByteReader value(bytes);
  return size == 1 ? value.U8() : size == 2 ? U16(value) : U32(value);
}

double TTiffInput::Rational(const TTiffEntry* e) {
  if (!e || e->Count == 0 || (e->Type != tyRational && e->Type != tySRational)) return e ? Integer(e, 0) : 0;
  TTiffEntry first = *e;
  first.Count = 1;
  std::vector<uint8_t> bytes;
  if (!Data(first, bytes)) return 0;
  TKXByteReader in(bytes);
  const uint32_t num = U32(in), den = U32(in);
  return double(num) / double(den == 0 ? 1 : den);
}

std::string TTiffInput::Text(const TTiffEntry* e) {
  std::vector<uint8_t> bytes;
  if (!e || e->Type != tyAscii || !Data(*e, bytes)) return {};
  const auto nul = std::find(bytes.begin(), bytes.end(), uint8_t(0));
  return std::string(bytes.begin(), nul);
}

}  // namespace kx
