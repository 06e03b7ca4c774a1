// The compressed image data of a PNG file made on two threads: the picture goes in segments of
// rows, each segment in a few parts that the two threads take in turn as they finish. Every part
// is raw deflate primed with the 32 KiB of filtered data before it and ended by a sync flush
// (the last by the stream's end), so the parts put together behind the zlib header form one
// zlib stream, whose Adler-32 is combined from theirs. The split points depend only on the
// picture's size, so the bytes do not depend on the threads' timing. Private to the PNG codec.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "imaging/io/png_row_filter.h"

namespace kx {

// The rows of a picture as the file stores them, before filtering.
struct TPngRows {
  int32_t height;
  size_t rowBytes;
  int unit;  // the filter's bytes per pixel
  // Writes row y's rowBytes to `out`; called from two threads at once.
  std::function<void(int32_t y, uint8_t* out)> fill;
  // Called on the encoding thread before the rows [first, end) are filled; may be empty. An
  // exception from it fails the segment.
  std::function<void(int32_t first, int32_t end)> prepare;
};

class TPngIdatEncoder {
 public:
  TPngIdatEncoder(TPngRows rows, TPngRowFilter filter, int level);
  ~TPngIdatEncoder();
  TPngIdatEncoder(const TPngIdatEncoder&) = delete;
  TPngIdatEncoder& operator=(const TPngIdatEncoder&) = delete;

  // Whether a picture of this much filtered data gains from a second thread.
  static bool Worthwhile(size_t filteredBytes);

  // The rows of the segment starting at `begin`.
  int32_t SegmentEnd(int32_t begin) const;
  // Compresses the segment [begin, SegmentEnd(begin)); the segments must come in order from row
  // 0. False when memory ran out.
  bool Compress(int32_t begin);
  // The segment's bytes, part after part: the header leads the first segment's, the checksum
  // ends the last one's.
  int Parts() const { return fUsed; }
  std::span<const uint8_t> Output(int part) const;

 private:
  struct TPart {
    z_stream zs{};
    bool ready = false;  // zs initialised
    std::vector<uint8_t> filtered, row, prior, output;
    uLong adler = 0;
    size_t length = 0;  // the filtered bytes of the part itself, without the priming ones
    bool ok = false;
  };
  static constexpr int kMaxParts = 4;

  void Deflate(TPart& part, int32_t begin, int32_t end) noexcept;

  TPngRows fRows;
  TPngRowFilter fFilter;
  int fLevel;
  int32_t fSegmentRows;
  int fParts;     // the parts of a whole segment
  int fUsed = 0;  // the parts of the last segment compressed
  uLong fAdler;
  TPart fPart[kMaxParts];
};

}  // namespace kx
