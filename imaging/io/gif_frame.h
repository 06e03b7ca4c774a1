// One image as the GIF writer and the inserter build it: the bit count, the colour table, the
// index of every pixel, and the blocks in front of its pixel data.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/core/progress.h"
#include "imaging/io/gif_blocks.h"

namespace kx {

class TBitmap;
class TIOParamsVals;
class TKXByteWriter;

struct TGifFrame {
  int32_t Width = 0;
  int32_t Height = 0;
  int Bits = 8;
  TGifTable Table;  // 2^Bits entries
  std::vector<uint8_t> Indices;
  uint8_t BackgroundIndex = 0;
  uint8_t TransparentIndex = 0;
};

// Builds the frame of a 24-bit or 1-bit bitmap at BitsPerSample (clamped to 1..8). At one bit
// the table is black and white: a 1-bit bitmap gives its bits, a two-colour picture its darker
// colour as black, and any other picture is dithered, or, with `insert`, kept in colour at 8
// bits. Otherwise the quantizer chooses the colours, and a transparent colour gets the last
// entry to itself so that no other colour turns transparent. False (aborting) on a picture a GIF
// cannot hold.
bool GifBuildFrame(const TBitmap& bitmap, const TIOParamsVals& params, bool insert, TGifFrame& frame,
                   TProgressRec& progress);
// The graphic control extension and the image descriptor (with the frame's table as a local
// one when `localTable`) that come before the frame's pixel data.
void GifPutFrameHead(TKXByteWriter& out, const TGifFrame& frame, const TIOParamsVals& params, bool localTable);

}  // namespace kx
