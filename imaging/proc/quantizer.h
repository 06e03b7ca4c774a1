// TKXQuantizer: finds a palette for a 24-bit picture and then the palette index of any colour.
// Up to 256 colours it cuts a 32 x 32 x 32 colour histogram into boxes (median cut); above
// that a picture with no more colours than asked keeps its own, and any other picture trains a
// self-organising network with one neuron per colour.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/types.h"

namespace kx {

struct TMedianCutState;
struct TNeuralState;
struct TExactState;
struct TMedianCutDeleter {
  void operator()(TMedianCutState* state) const;
};
using TMedianCutQuantizer = std::unique_ptr<TMedianCutState, TMedianCutDeleter>;

// Median cut as free functions. The palette receives one entry per box found (the box's true
// 8-bit mean colour) and zeros after them; at most palette.size() entries are written.
TMedianCutQuantizer CreateMedianCutQuantizer(const TBitmap& bitmap, std::span<TRGB> palette, int32_t colors);
// Palette index of a colour's 5-bit cell; cells no box covers give the nearest entry.
int32_t MedianCutFindIndex(const TMedianCutState& state, TRGB color);
void FreeMedianCutQuantizer(TMedianCutQuantizer& state);
// Number of boxes the cut produced.
int32_t MedianCutBoxCount(const TMedianCutState& state);

class TKXQuantizer {
 public:
  // `bitmap` must be 24-bit (another format gives a one-entry black palette). Median cut for
  // at most 256 colours. Above that (at most 2^24), a picture of no more colours than asked gets
  // them as its palette in ascending red, green, blue order, each mapping to itself; other
  // pictures train the network, cut to the neurons its learning can afford (see Refuses).
  // `quality` (network only): -1 chooses the sampling factor from the picture size, q in
  // 0..100 gives Trunc((100 - q) / 100 x 29) + 1.
  TKXQuantizer(const TBitmap& bitmap, std::span<TRGB> palette, int32_t colors, int32_t quality = -1);
  // True when `colors` needs a network whose learning would take too long on `bitmap`, so that
  // the constructor would give fewer colours than asked.
  static bool Refuses(const TBitmap& bitmap, int32_t colors, int32_t quality = -1);
  ~TKXQuantizer();
  TKXQuantizer(const TKXQuantizer&) = delete;
  TKXQuantizer& operator=(const TKXQuantizer&) = delete;

  int32_t GetRGBIndex(TRGB color) const;
  // Replaces each of `count` pixels by its palette entry (`palette` as filled at construction).
  void MapRow(TRGB* pixels, int32_t count, std::span<const TRGB> palette) const;

  // 0 = network, 1 = median cut, 2 = the picture's own colours.
  int32_t Method() const;
  // Pixels skipped between samples by the network (0 for the median cut).
  int32_t SamplingFactor() const;
  // Colours the quantizer found: boxes of the median cut, the picture's colours, neurons of
  // the network.
  int32_t ColorCount() const;

 private:
  TMedianCutQuantizer fMedian;
  std::unique_ptr<TExactState> fExact;
  std::unique_ptr<TNeuralState> fNeural;
  // Network index + 1 of each 24-bit colour looked up so far (0 = not yet), on large pictures.
  mutable std::vector<uint16_t> fMemo;
};

}  // namespace kx
