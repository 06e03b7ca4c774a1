// Segments of a few MiB bound the memory and keep progress moving; each half primes its deflate
// by filtering the rows before it again, so the halves share nothing and need no ordering.
#include "imaging/io/png_idat_encoder.h"

#include <algorithm>
#include <thread>

namespace kx {
namespace {

constexpr size_t kWindow = 32768;
constexpr size_t kSegmentBytes = size_t(4) << 20;
// Below this a thread's start and the halves' lost matches cost more than the second core saves.
constexpr size_t kParallelBytes = size_t(256) << 10;

// libpng's choice, kept so that the files stay as small as they were.
int Strategy(TPngRowFilter filter) { return filter == TPngRowFilter::none ? Z_DEFAULT_STRATEGY : Z_FILTERED; }

// The two bytes before the deflate data: a 32 KiB window and the level zlib would announce.
void AppendHeader(std::vector<uint8_t>& out, int level) {
  const unsigned flevel = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
  unsigned header = 0x7800 | flevel << 6;
  header += 31 - header % 31;
  out.push_back(uint8_t(header >> 8));
  out.push_back(uint8_t(header));
}

void AppendBigEndian(std::vector<uint8_t>& out, uLong value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

// The rows filtered again before `begin` so that their last 32 KiB prime the half's deflate.
int32_t PrimingRows(int32_t begin, size_t filteredRow) {
  return int32_t(std::min<size_t>(size_t(begin), (kWindow + filteredRow - 1) / filteredRow));
}

}  // namespace

TPngIdatEncoder::TPngIdatEncoder(TPngRows rows, TPngRowFilter filter, int level)
    : fRows(std::move(rows)), fFilter(filter), fLevel(level), fAdler(adler32(0, nullptr, 0)) {
  fSegmentRows = int32_t(std::clamp<size_t>(kSegmentBytes / (fRows.rowBytes + 1), 2, size_t(INT32_MAX)));
}

TPngIdatEncoder::~TPngIdatEncoder() {
  for (THalf& half : fHalves)
    if (half.ready) deflateEnd(&half.zs);
}

bool TPngIdatEncoder::Worthwhile(size_t filteredBytes) { return filteredBytes >= kParallelBytes; }

int32_t TPngIdatEncoder::SegmentEnd(int32_t begin) const {
  return int32_t(std::min<int64_t>(fRows.height, int64_t(begin) + fSegmentRows));
}

bool TPngIdatEncoder::Compress(int32_t begin) {
  // The first half is empty only for a last segment of one row.
  const int32_t end = SegmentEnd(begin), middle = begin + (end - begin) / 2;
  const size_t filteredRow = fRows.rowBytes + 1;
  if (fRows.prepare) {
    const int32_t first = std::min(begin - PrimingRows(begin, filteredRow), middle - PrimingRows(middle, filteredRow));
    try {
      fRows.prepare(std::max(first - 1, 0), end);
    } catch (...) {
      return false;
    }
  }
  // Should no thread start, the second half is compressed here after the first.
  std::thread second;
  try {
    second = std::thread([this, middle, end] { Deflate(fHalves[1], middle, end); });
  } catch (...) {
  }
  Deflate(fHalves[0], begin, middle);
  if (second.joinable())
    second.join();
  else
    Deflate(fHalves[1], middle, end);
  if (!fHalves[0].ok || !fHalves[1].ok) return false;
  for (const THalf& half : fHalves) fAdler = adler32_combine(fAdler, half.adler, z_off_t(half.length));
  if (end < fRows.height) return true;
  try {
    AppendBigEndian(fHalves[1].output, fAdler);
  } catch (...) {
    return false;
  }
  return true;
}

std::span<const uint8_t> TPngIdatEncoder::Output(int half) const { return fHalves[half].output; }

void TPngIdatEncoder::Deflate(THalf& half, int32_t begin, int32_t end) noexcept {
  half.ok = false;
  half.length = 0;
  half.adler = adler32(0, nullptr, 0);
  try {
    half.output.clear();
    if (begin == end) return void(half.ok = true);
    const size_t filteredRow = fRows.rowBytes + 1;
    const int32_t first = begin - PrimingRows(begin, filteredRow);
    half.filtered.resize(size_t(end - first) * filteredRow);
    half.row.resize(fRows.rowBytes);
    half.prior.resize(fRows.rowBytes);
    if (first > 0) fRows.fill(first - 1, half.prior.data());
    for (int32_t y = first; y < end; ++y) {
      fRows.fill(y, half.row.data());
      FilterPngRow(fFilter, fRows.unit, half.row.data(), y > 0 ? half.prior.data() : nullptr, fRows.rowBytes,
                   half.filtered.data() + size_t(y - first) * filteredRow);
      half.row.swap(half.prior);
    }
    const size_t primed = size_t(begin - first) * filteredRow, dictionary = std::min(primed, kWindow);
    half.length = half.filtered.size() - primed;
    const uint8_t* data = half.filtered.data() + primed;
    half.adler = adler32_z(half.adler, data, half.length);

    if (!half.ready) {
      if (deflateInit2(&half.zs, fLevel, Z_DEFLATED, -15, 8, Strategy(fFilter)) != Z_OK) return;
      half.ready = true;
    } else if (deflateReset(&half.zs) != Z_OK) {
      return;
    }
    if (dictionary && deflateSetDictionary(&half.zs, data - dictionary, uInt(dictionary)) != Z_OK) return;
    if (begin == 0) AppendHeader(half.output, fLevel);
    const size_t start = half.output.size();
    half.output.resize(start + deflateBound(&half.zs, uLong(half.length)) + 16);
    half.zs.next_in = const_cast<Bytef*>(data);
    half.zs.avail_in = uInt(half.length);
    half.zs.next_out = half.output.data() + start;
    half.zs.avail_out = uInt(half.output.size() - start);
    const int flush = end == fRows.height ? Z_FINISH : Z_SYNC_FLUSH;
    // The bound holds for the whole data at once; the loop only guards against a wrong bound.
    for (;;) {
      const int status = deflate(&half.zs, flush);
      if (status == Z_STREAM_END || (status == Z_OK && half.zs.avail_in == 0 && half.zs.avail_out > 0)) break;
      if (status != Z_OK && status != Z_BUF_ERROR) return;
      const size_t used = half.output.size() - half.zs.avail_out;
      half.output.resize(half.output.size() * 2);
      half.zs.next_out = half.output.data() + used;
      half.zs.avail_out = uInt(half.output.size() - used);
    }
    half.output.resize(half.output.size() - half.zs.avail_out);
    half.ok = true;
  } catch (...) {
  }
}

}  // namespace kx
