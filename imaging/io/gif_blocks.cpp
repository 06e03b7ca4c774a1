// The GIF block layer.
#include "imaging/io/gif_blocks.h"

#include <algorithm>
#include <cstring>

#include "imaging/core/byte_reader.h"
#include "imaging/core/byte_writer.h"
#include "imaging/core/stream.h"

namespace kx {
namespace {

constexpr char kLoopingName[] = "NETSCAPE2.0";

// The end of the sub-blocks that start at `at`; `complete` false when the bytes end first.
size_t SubBlocksEnd(std::span<const uint8_t> bytes, size_t at, bool& complete) {
  while (at < bytes.size()) {
    const size_t length = bytes[at];
    if (length == 0) return at + 1;
    at += 1 + length;
  }
  complete = false;
  return bytes.size();
}

}  // namespace

bool GifReadScreen(TKXByteReader& reader, TGifScreen& screen) {
  uint8_t head[kGifHeaderSize];
  if (!reader.Bytes(head, kGifHeaderSize) || std::memcmp(head, "GIF", 3) != 0) return false;
  screen.Version.assign(reinterpret_cast<const char*>(head), 6);
  screen.Width = uint16_t(head[6] | head[7] << 8);
  screen.Height = uint16_t(head[8] | head[9] << 8);
  screen.Packed = head[10];
  screen.Background = head[11];
  screen.Aspect = head[12];
  screen.Table = GifReadTable(reader, screen.TableBits());
  return reader.Ok();
}

TGifTable GifReadTable(TKXByteReader& reader, int bits) {
  if (bits <= 0) return {};
  const size_t count = size_t(1) << bits;
  uint8_t rgb[3 * 256];
  if (!reader.Bytes(rgb, int64_t(3 * count))) return {};
  TGifTable table(count);
  for (size_t i = 0; i < count; ++i) table[i] = TRGB{rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i]};
  return table;
}

TGifTable GifPaddedTable(const TGifTable& table) {
  TGifTable padded(256);
  std::copy_n(table.begin(), std::min<size_t>(table.size(), 256), padded.begin());
  return padded;
}

bool GifReadSubBlocks(TStream& stream, std::vector<uint8_t>* data) {
  constexpr int64_t kChunk = 1 << 16;
  TKXByteReader reader(stream);
  std::vector<uint8_t> raw;
  size_t at = 0;  // the next length byte in raw
  bool terminated = false;
  // Makes raw hold at least `need` bytes; false when the stream ends first.
  auto fill = [&](size_t need) {
    while (raw.size() < need) {
      const int64_t n = std::min(std::max<int64_t>(int64_t(need - raw.size()), kChunk), reader.Remaining());
      if (n <= 0) return false;
      const size_t old = raw.size();
      raw.resize(old + size_t(n));
      if (!reader.Bytes(raw.data() + old, n)) {
        raw.resize(old);
        return false;
      }
    }
    return true;
  };
  while (fill(at + 1)) {
    const size_t length = raw[at];
    if (length == 0) {
      terminated = true;
      ++at;
      break;
    }
    const size_t end = at + 1 + length;
    const bool whole = fill(end);
    if (data)
      data->insert(data->end(), raw.begin() + int64_t(at) + 1, raw.begin() + int64_t(std::min(end, raw.size())));
    at = std::min(end, raw.size());
    if (!whole) break;
    // Bytes already walked are not needed again.
    if (!data && at > size_t(kChunk)) {
      raw.erase(raw.begin(), raw.begin() + int64_t(at));
      at = 0;
    }
  }
  if (at < raw.size()) stream.Seek(-int64_t(raw.size() - at), soCurrent);
  return terminated;
}

TGifBlock GifBlockAt(std::span<const uint8_t> bytes, size_t at) {
  TGifBlock block;
  block.Begin = at;
  block.End = at + 1;
  if (at >= bytes.size()) {
    block.Kind = gbTrailer;
    block.End = at;
    return block;
  }
  switch (bytes[at]) {
    case kGifExtensionIntroducer:
      block.Kind = gbExtension;
      if (at + 2 > bytes.size()) {
        block.Complete = false;
        block.End = bytes.size();
        break;
      }
      block.Label = bytes[at + 1];
      block.End = SubBlocksEnd(bytes, at + 2, block.Complete);
      break;
    case kGifImageSeparator: {
      block.Kind = gbImage;
      size_t p = at + kGifDescriptorSize;
      if (p + 1 > bytes.size()) {
        block.Complete = false;
        block.End = bytes.size();
        break;
      }
      const uint8_t packed = bytes[at + 9];
      if (packed & 0x80) p += 3 * (size_t(1) << ((packed & 7) + 1));
      p += 1;  // the minimum code size
      if (p > bytes.size()) {
        block.Complete = false;
        block.End = bytes.size();
        break;
      }
      block.End = SubBlocksEnd(bytes, p, block.Complete);
      break;
    }
    case kGifTrailer:
      block.Kind = gbTrailer;
      break;
    default:
      block.Kind = gbOther;
      break;
  }
  return block;
}

bool GifIsLooping(std::span<const uint8_t> bytes, size_t at) {
  return at + 14 <= bytes.size() && bytes[at] == kGifExtensionIntroducer && bytes[at + 1] == kGifApplicationLabel &&
         bytes[at + 2] == 11 && std::memcmp(&bytes[at + 3], kLoopingName, 11) == 0;
}

void GifPutTable(TKXByteWriter& out, const TGifTable& table) {
  for (const TRGB& c : table) {
    out.U8(c.r);
    out.U8(c.g);
    out.U8(c.b);
  }
}

void GifPutControl(TKXByteWriter& out, bool transparent, int32_t delay, uint8_t transparentIndex) {
  out.U8(kGifExtensionIntroducer);
  out.U8(kGifControlLabel);
  out.U8(4);
  // Disposal method 2: the frame's area goes back to the background.
  out.U8(uint8_t(0x08 | (transparent ? 1 : 0)));
  out.U16LE(uint16_t(std::clamp(delay, 0, 0xFFFF)));
  out.U8(transparentIndex);
  out.U8(0);
}

void GifPutLooping(TKXByteWriter& out, uint16_t loopCount) {
  out.U8(kGifExtensionIntroducer);
  out.U8(kGifApplicationLabel);
  out.U8(11);
  out.Bytes(kLoopingName, 11);
  out.U8(3);
  out.U8(1);
  out.U16LE(loopCount);
  out.U8(0);
}

}  // namespace kx
