// EXIF is a TIFF structure behind a six-byte signature: a byte-order mark, 42, the offset of
// IFD0, and there 12-byte entries of tag, type, count and value. Only IFD0 is read.
#include "imaging/io/jpeg_exif.h"

#include <cstring>

#include "imaging/core/byte_reader.h"

namespace kx {
namespace {

constexpr uint8_t kSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;

uint16_t U16(TKXByteReader& in, bool big) { return big ? in.U16BE() : in.U16LE(); }
uint32_t U32(TKXByteReader& in, bool big) { return big ? in.U32BE() : in.U32LE(); }

}  // namespace

int32_t JpegExifOrientation(std::span<const uint8_t> app1) {
  if (app1.size() < sizeof kSignature || std::memcmp(app1.data(), kSignature, sizeof kSignature) != 0) return 0;
  const std::span<const uint8_t> tiff = app1.subspan(sizeof kSignature);
  TKXByteReader head(tiff);
  const uint16_t order = head.U16LE();
  if (order != 0x4949 && order != 0x4D4D) return 0;
  const bool big = order == 0x4D4D;
  if (U16(head, big) != 42) return 0;
  const uint32_t ifd = U32(head, big);
  if (!head.Ok() || ifd >= tiff.size()) return 0;

  TKXByteReader in(tiff.subspan(ifd));
  const uint16_t count = U16(in, big);
  if (!in.CountFits(count, 12)) return 0;
  for (uint16_t i = 0; i < count; ++i) {
    const uint16_t tag = U16(in, big);
    const uint16_t type = U16(in, big);
    const uint32_t n = U32(in, big);
    const uint16_t value = U16(in, big);
    in.Skip(2);
    if (!in.Ok()) return 0;
    if (tag != kOrientationTag) continue;
    // A short held in the entry itself; anything else is not a usable orientation.
    return type == kTypeShort && n == 1 && value >= 1 && value <= 8 ? value : 0;
  }
  return 0;
}

}  // namespace kx
