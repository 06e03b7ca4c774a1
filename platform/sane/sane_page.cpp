#include "platform/sane/sane_page.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/source_manager.h"

namespace kx {

namespace {

constexpr int32_t kReadChunk = 64 * 1024;

// One SANE row into one protocol row.
void ConvertRow(const uint8_t* from, const SANE_Parameters& p, uint8_t* to, size_t rowBytes) {
  if (p.depth == 1) {
    for (size_t i = 0; i < rowBytes; ++i) to[i] = static_cast<uint8_t>(~from[i]);
    // Bits beyond the last pixel stay 0, as a row of the protocol pads them.
    if (const int extra = static_cast<int>(rowBytes * 8 - static_cast<size_t>(p.pixels_per_line)); extra > 0)
      to[rowBytes - 1] &= static_cast<uint8_t>(0xff << extra);
    return;
  }
  if (p.depth == 16) {
    const size_t samples = rowBytes;
    for (size_t i = 0; i < samples; ++i) {
      uint16_t sample;
      std::memcpy(&sample, from + 2 * i, sizeof sample);
      to[i] = static_cast<uint8_t>(sample >> 8);
    }
    return;
  }
  std::memcpy(to, from, rowBytes);
}

void PutLE(std::vector<uint8_t>& out, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

int KXSanePageBits(const SANE_Parameters& p) {
  if (p.pixels_per_line <= 0 || p.bytes_per_line <= 0) return 0;
  if (p.format == SANE_FRAME_GRAY && (p.depth == 1 || p.depth == 8 || p.depth == 16)) return p.depth == 1 ? 1 : 8;
  if (p.format == SANE_FRAME_RGB && (p.depth == 8 || p.depth == 16)) return 24;
  return 0;
}

SANE_Status KXSaneReadPage(TSaneDevice& device, const SANE_Parameters& p, TSanePage& page) {
  page = {};
  page.BitsPerPixel = KXSanePageBits(p);
  if (page.BitsPerPixel == 0) return SANE_STATUS_UNSUPPORTED;
  page.Width = p.pixels_per_line;
  page.RowBytes = (static_cast<size_t>(page.Width) * page.BitsPerPixel + 7) / 8;
  const auto sourceRow = static_cast<size_t>(p.bytes_per_line);
  const size_t needed = p.depth == 16 ? page.RowBytes * 2 : page.RowBytes;
  if (sourceRow < needed) return SANE_STATUS_INVAL;

  std::vector<uint8_t> row(sourceRow);
  size_t filled = 0;
  std::vector<uint8_t> chunk(kReadChunk);
  for (;;) {
    int32_t length = 0;
    const SANE_Status status = device.Read(chunk.data(), kReadChunk, length);
    if (status == SANE_STATUS_EOF) break;
    if (status != SANE_STATUS_GOOD) return status;
    for (int32_t at = 0; at < length;) {
      const size_t take = std::min(sourceRow - filled, static_cast<size_t>(length - at));
      std::memcpy(row.data() + filled, chunk.data() + at, take);
      filled += take;
      at += static_cast<int32_t>(take);
      if (filled < sourceRow) continue;
      filled = 0;
      // No larger than any block that crosses to the application: a backend that never ends its
      // frame does not exhaust memory.
      if (page.Rows.size() + page.RowBytes > kTWMaxBlockSize) return SANE_STATUS_NO_MEM;
      page.Rows.resize(page.Rows.size() + page.RowBytes);
      ConvertRow(row.data(), p, page.Rows.data() + page.Rows.size() - page.RowBytes, page.RowBytes);
      ++page.Lines;
    }
  }
  return SANE_STATUS_GOOD;
}

std::vector<uint8_t> KXSanePageToDIB(const TSanePage& page, double dpi) {
  const int bits = page.BitsPerPixel;
  const uint32_t colors = bits == 8 ? 256 : bits == 1 ? 2 : 0;
  const size_t stride = (page.RowBytes + 3) & ~size_t(3);
  const size_t header = 40 + colors * 4;
  std::vector<uint8_t> dib(header + stride * static_cast<size_t>(page.Lines), 0);
  const auto perMetre = static_cast<uint32_t>(std::lround(dpi / 0.0254));
  PutLE(dib, 0, 40, 4);
  PutLE(dib, 4, static_cast<uint32_t>(page.Width), 4);
  PutLE(dib, 8, static_cast<uint32_t>(page.Lines), 4);
  PutLE(dib, 12, 1, 2);
  PutLE(dib, 14, static_cast<uint32_t>(bits), 2);
  PutLE(dib, 20, static_cast<uint32_t>(stride * static_cast<size_t>(page.Lines)), 4);
  PutLE(dib, 24, perMetre, 4);
  PutLE(dib, 28, perMetre, 4);
  PutLE(dib, 32, colors, 4);
  for (uint32_t i = 0; i < colors; ++i) {
    const auto level = static_cast<uint8_t>(bits == 1 ? i * 255 : i);
    dib[40 + 4 * i] = dib[41 + 4 * i] = dib[42 + 4 * i] = level;
  }
  for (int32_t y = 0; y < page.Lines; ++y) {
    const uint8_t* from = page.Rows.data() + static_cast<size_t>(y) * page.RowBytes;
    uint8_t* to = dib.data() + header + static_cast<size_t>(page.Lines - 1 - y) * stride;
    if (bits == 24) {
      for (int32_t x = 0; x < page.Width; ++x) {
        to[3 * x] = from[3 * x + 2];
        to[3 * x + 1] = from[3 * x + 1];
        to[3 * x + 2] = from[3 * x];
      }
    } else {
      std::memcpy(to, from, page.RowBytes);
    }
  }
  return dib;
}

}  // namespace kx
