// Segments of a few MiB bound the memory and keep progress moving; each part primes its deflate
// by filtering the rows before it again, so the parts share nothing and need no ordering. Parts
// of a picture cost unequal time (level 9 on busy rows takes twice as long as on calm ones), so
// a segment has up to four, which the threads take as they come free; each split costs a flush
// and a block header, so a part keeps at least 192 KiB.
#include "imaging/io/png_idat_encoder.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace kx {
namespace {

constexpr size_t kWindow = 32768;
constexpr size_t kSegmentBytes = size_t(4) << 20;
// Below this a thread's start and the halves' lost matches cost more than the second core saves.
constexpr size_t kParallelBytes = size_t(256) << 10;
constexpr size_t kPartBytes = size_t(192) << 10;

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
  const size_t segmentBytes = size_t(std::min(fSegmentRows, fRows.height)) * (fRows.rowBytes + 1);
  fParts = int(std::clamp<size_t>(segmentBytes / kPartBytes, 2, kMaxParts));
}

TPngIdatEncoder::~TPngIdatEncoder() {
  for (TPart& part : fPart)
    if (part.ready) deflateEnd(&part.zs);
}

bool TPngIdatEncoder::Worthwhile(size_t filteredBytes) { return filteredBytes >= kParallelBytes; }

int32_t TPngIdatEncoder::SegmentEnd(int32_t begin) const {
  return int32_t(std::min<int64_t>(fRows.height, int64_t(begin) + fSegmentRows));
}

bool TPngIdatEncoder::Compress(int32_t begin) {
  // A last segment shorter than the parts has a part a row.
  const int32_t end = SegmentEnd(begin);
  fUsed = std::min(fParts, int(end - begin));
  const auto bound = [&](int i) { return begin + int32_t(int64_t(end - begin) * i / fUsed); };
  const size_t filteredRow = fRows.rowBytes + 1;
  if (fRows.prepare) {
    int32_t first = begin;
    for (int i = 0; i < fUsed; ++i) first = std::min(first, bound(i) - PrimingRows(bound(i), filteredRow));
    try {
      fRows.prepare(std::max(first - 1, 0), end);
    } catch (...) {
      return false;
    }
  }
  std::atomic<int> next{0};
  const auto work = [&] {
    for (int i; (i = next.fetch_add(1)) < fUsed;) Deflate(fPart[i], bound(i), bound(i + 1));
  };
  // Should no thread start, this one compresses every part.
  std::thread second;
  try {
    second = std::thread(work);
  } catch (...) {
  }
  work();
  if (second.joinable()) second.join();
  for (int i = 0; i < fUsed; ++i) {
    if (!fPart[i].ok) return false;
    fAdler = adler32_combine(fAdler, fPart[i].adler, z_off_t(fPart[i].length));
  }
  if (end < fRows.height) return true;
  try {
    AppendBigEndian(fPart[fUsed - 1].output, fAdler);
  } catch (...) {
    return false;
  }
  return true;
}

std::span<const uint8_t> TPngIdatEncoder::Output(int part) const { return fPart[part].output; }

void TPngIdatEncoder::Deflate(TPart& part, int32_t begin, int32_t end) noexcept {
  part.ok = false;
  part.length = 0;
  part.adler = adler32(0, nullptr, 0);
  try {
    part.output.clear();
    if (begin == end) return void(part.ok = true);
    const size_t filteredRow = fRows.rowBytes + 1;
    const int32_t first = begin - PrimingRows(begin, filteredRow);
    part.filtered.resize(size_t(end - first) * filteredRow);
    part.row.resize(fRows.rowBytes);
    part.prior.resize(fRows.rowBytes);
    if (first > 0) fRows.fill(first - 1, part.prior.data());
    for (int32_t y = first; y < end; ++y) {
      fRows.fill(y, part.row.data());
      FilterPngRow(fFilter, fRows.unit, part.row.data(), y > 0 ? part.prior.data() : nullptr, fRows.rowBytes,
                   part.filtered.data() + size_t(y - first) * filteredRow);
      part.row.swap(part.prior);
    }
    const size_t primed = size_t(begin - first) * filteredRow, dictionary = std::min(primed, kWindow);
    part.length = part.filtered.size() - primed;
    const uint8_t* data = part.filtered.data() + primed;
    part.adler = adler32_z(part.adler, data, part.length);

    if (!part.ready) {
      if (deflateInit2(&part.zs, fLevel, Z_DEFLATED, -15, 8, Strategy(fFilter)) != Z_OK) return;
      part.ready = true;
    } else if (deflateReset(&part.zs) != Z_OK) {
      return;
    }
    if (dictionary && deflateSetDictionary(&part.zs, data - dictionary, uInt(dictionary)) != Z_OK) return;
    if (begin == 0) AppendHeader(part.output, fLevel);
    const size_t start = part.output.size();
    part.output.resize(start + deflateBound(&part.zs, uLong(part.length)) + 16);
    part.zs.next_in = const_cast<Bytef*>(data);
    part.zs.avail_in = uInt(part.length);
    part.zs.next_out = part.output.data() + start;
    part.zs.avail_out = uInt(part.output.size() - start);
    const int flush = end == fRows.height ? Z_FINISH : Z_SYNC_FLUSH;
    // The bound holds for the whole data at once; the loop only guards against a wrong bound.
    for (;;) {
      const int status = deflate(&part.zs, flush);
      if (status == Z_STREAM_END || (status == Z_OK && part.zs.avail_in == 0 && part.zs.avail_out > 0)) break;
      if (status != Z_OK && status != Z_BUF_ERROR) return;
      const size_t used = part.output.size() - part.zs.avail_out;
      part.output.resize(part.output.size() * 2);
      part.zs.next_out = part.output.data() + used;
      part.zs.avail_out = uInt(part.output.size() - used);
    }
    part.output.resize(part.output.size() - part.zs.avail_out);
    part.ok = true;
  } catch (...) {
  }
}

}  // namespace kx
