// The colour quantizers behind TKXQuantizer: median cut over 5-bit colour cells (up to 256
// colours), and above that the picture's own colours when they fit, else the self-organising
// network.
#include "imaging/proc/quantizer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace kx {

namespace {

constexpr int kCells = 32768;
constexpr double kNoSplit = 17523.6;
constexpr uint16_t kUncovered = 0xFFFF;

int CellOf(TRGB c) { return (c.r >> 3) << 10 | (c.g >> 3) << 5 | (c.b >> 3); }

// A 5-bit cell's pixel count and the sums of the dropped low 3 bits, so that boxes get their
// true 8-bit means.
struct TCell {
  uint32_t Count = 0;
  uint32_t Low[3] = {0, 0, 0};
};

// Channels in splitting order: 0 red, 1 green, 2 blue.
struct TBox {
  double Weight = 0;
  double Mean[3] = {0, 0, 0};
  int64_t Count = 0;
  int64_t Hist[3][32] = {};
  int Lo[3] = {0, 0, 0};
  int Hi[3] = {32, 32, 32};
};

int CellIndex(int r, int g, int b) { return r << 10 | g << 5 | b; }

}  // namespace

struct TMedianCutState {
  int64_t Pixels = 0;
  std::vector<TCell> Cells = std::vector<TCell>(kCells);
  std::vector<TBox> Boxes;
  std::vector<TRGB> Palette;
  // Cell -> palette index; cells outside every box are filled with the nearest entry on demand.
  mutable std::vector<uint16_t> Index = std::vector<uint16_t>(kCells, kUncovered);

  void Statistics(TBox& box) const {
    box.Weight = 0;
    if (box.Count == 0) return;
    double deviation = 0;
    for (int ch = 0; ch < 3; ++ch) {
      double sum = 0, squares = 0;
      for (int j = box.Lo[ch]; j < box.Hi[ch]; ++j) {
        sum += double(j) * double(box.Hist[ch][j]);
        squares += double(j) * double(j) * double(box.Hist[ch][j]);
      }
      box.Mean[ch] = sum / double(box.Count);
      deviation += squares - box.Mean[ch] * box.Mean[ch] * double(box.Count);
    }
    box.Weight = deviation / double(Pixels);
  }

  void Recount(TBox& box) const {
    for (auto& h : box.Hist) std::fill(std::begin(h), std::end(h), 0);
    for (int r = box.Lo[0]; r < box.Hi[0]; ++r)
      for (int g = box.Lo[1]; g < box.Hi[1]; ++g)
        for (int b = box.Lo[2]; b < box.Hi[2]; ++b) {
          const int64_t n = Cells[size_t(CellIndex(r, g, b))].Count;
          box.Hist[0][r] += n, box.Hist[1][g] += n, box.Hist[2][b] += n;
        }
  }

  static void Shrink(TBox& box) {
    for (int ch = 0; ch < 3; ++ch) {
      int lo = box.Lo[ch], hi = box.Hi[ch];
      while (lo < hi && box.Hist[ch][lo] == 0) ++lo;
      while (hi > lo && box.Hist[ch][hi - 1] == 0) --hi;
      box.Lo[ch] = lo, box.Hi[ch] = hi;
    }
  }

  bool SplitOn(const TBox& box, int ch, TBox& lower, TBox& upper) const {
    const int lo = box.Lo[ch], hi = box.Hi[ch];
    if (hi <= lo + 1) return false;
    const int64_t n = box.Count;
    const double m = box.Mean[ch];
    const int s = int(std::nearbyint((lo + m) / 2)), e = int(std::nearbyint((m + hi) / 2));
    int split = s;
    int64_t lowerCount = n, c = 0;
    double best = -1, t = 0;
    for (int j = lo; j < s; ++j) c += box.Hist[ch][j];
    for (int k = s; k <= e && k < hi; ++k) {
      c += box.Hist[ch][k];
      if (c == n) break;
      t += double(box.Hist[ch][k]) * k / double(n);
      const double score = double(c) / double(n - c) * (m - t) * (m - t);
      if (score > best) best = score, split = k, lowerCount = c;
    }
    if (lowerCount == 0 || lowerCount == n) return false;
    lower = box;
    lower.Hi[ch] = split + 1;
    lower.Count = lowerCount;
    Recount(lower);
    upper = box;
    upper.Lo[ch] = split + 1;
    upper.Count = n - lowerCount;
    for (int c2 = 0; c2 < 3; ++c2)
      for (int j = 0; j < 32; ++j) upper.Hist[c2][j] = box.Hist[c2][j] - lower.Hist[c2][j];
    Shrink(lower);
    Shrink(upper);
    Statistics(lower);
    Statistics(upper);
    return true;
  }

  bool Split(size_t which) {
    TBox pairs[3][2];
    double score[3];
    for (int ch = 0; ch < 3; ++ch)
      score[ch] =
          SplitOn(Boxes[which], ch, pairs[ch][0], pairs[ch][1]) ? pairs[ch][0].Weight + pairs[ch][1].Weight : kNoSplit;
    int chosen = -1;
    double best = kNoSplit;
    for (int ch = 0; ch < 3; ++ch)
      if (score[ch] < best) best = score[ch], chosen = ch;
    if (chosen < 0) return false;
    Boxes[which] = pairs[chosen][0];
    Boxes.push_back(pairs[chosen][1]);
    return true;
  }

  TRGB MeanColor(const TBox& box) const {
    if (box.Count == 0) return TRGB{};
    double sum[3] = {0, 0, 0};
    for (int r = box.Lo[0]; r < box.Hi[0]; ++r)
      for (int g = box.Lo[1]; g < box.Hi[1]; ++g)
        for (int b = box.Lo[2]; b < box.Hi[2]; ++b) {
          const TCell& cell = Cells[size_t(CellIndex(r, g, b))];
          sum[0] += double(cell.Count) * (r << 3) + cell.Low[0];
          sum[1] += double(cell.Count) * (g << 3) + cell.Low[1];
          sum[2] += double(cell.Count) * (b << 3) + cell.Low[2];
        }
    const auto mean = [&](int ch) {
      return uint8_t(std::clamp(std::nearbyint(sum[ch] / double(box.Count)), 0.0, 255.0));
    };
    return CreateRGB(mean(0), mean(1), mean(2));
  }

  uint16_t Nearest(int cell) const {
    // Doubled coordinates: the cell's centre is 8 v + 3.5.
    const int r = ((cell >> 10) & 31) * 16 + 7, g = ((cell >> 5) & 31) * 16 + 7, b = (cell & 31) * 16 + 7;
    uint16_t best = 0;
    int64_t bestDistance = INT64_MAX;
    for (size_t i = 0; i < Palette.size(); ++i) {
      const int dr = r - 2 * Palette[i].r, dg = g - 2 * Palette[i].g, db = b - 2 * Palette[i].b;
      const int64_t d = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
      if (d < bestDistance) bestDistance = d, best = uint16_t(i);
    }
    return best;
  }

  uint16_t Find(TRGB color) const {
    const int cell = CellOf(color);
    uint16_t& v = Index[size_t(cell)];
    if (v == kUncovered) v = Nearest(cell);
    return v;
  }
};

void TMedianCutDeleter::operator()(TMedianCutState* state) const { delete state; }

TMedianCutQuantizer CreateMedianCutQuantizer(const TBitmap& bitmap, std::span<TRGB> palette, int32_t colors) {
  TMedianCutQuantizer q(new TMedianCutState);
  const bool usable = bitmap.BitCount() == 24;
  const int32_t w = usable ? bitmap.Width() : 0, h = usable ? bitmap.Height() : 0;
  q->Pixels = int64_t(w) * h;
  for (int32_t y = 0; y < h; ++y) {
    const TRGB* row = reinterpret_cast<const TRGB*>(bitmap.ScanLine(y));
    for (int32_t x = 0; x < w; ++x) {
      const TRGB c = row[x];
      TCell& cell = q->Cells[size_t(CellOf(c))];
      ++cell.Count;
      cell.Low[0] += c.r & 7u, cell.Low[1] += c.g & 7u, cell.Low[2] += c.b & 7u;
    }
  }
  TBox first;
  first.Count = q->Pixels;
  q->Recount(first);
  q->Statistics(first);
  q->Boxes.reserve(size_t(std::clamp(colors, 1, 256)));
  q->Boxes.push_back(first);
  while (int32_t(q->Boxes.size()) < colors) {
    size_t chosen = q->Boxes.size();
    double best = 0;
    for (size_t i = 0; i < q->Boxes.size(); ++i)
      if (q->Boxes[i].Weight > best) best = q->Boxes[i].Weight, chosen = i;
    if (chosen == q->Boxes.size()) break;
    if (!q->Split(chosen)) q->Boxes[chosen].Weight = 0;
  }
  for (const TBox& box : q->Boxes) q->Palette.push_back(q->MeanColor(box));
  for (size_t i = 0; i < q->Boxes.size(); ++i) {
    const TBox& box = q->Boxes[i];
    for (int r = box.Lo[0]; r < box.Hi[0]; ++r)
      for (int g = box.Lo[1]; g < box.Hi[1]; ++g)
        for (int b = box.Lo[2]; b < box.Hi[2]; ++b) q->Index[size_t(CellIndex(r, g, b))] = uint16_t(i);
  }
  for (size_t i = 0; i < palette.size(); ++i) palette[i] = i < q->Palette.size() ? q->Palette[i] : TRGB{};
  return q;
}

int32_t MedianCutFindIndex(const TMedianCutState& state, TRGB color) { return state.Find(color); }

void FreeMedianCutQuantizer(TMedianCutQuantizer& state) { state.reset(); }

int32_t MedianCutBoxCount(const TMedianCutState& state) { return int32_t(state.Boxes.size()); }

// The network: one neuron per colour, components scaled by 16 while learning.
struct TNeuralState {
  struct TNeuron {
    int32_t B = 0, G = 0, R = 0, Index = 0;
  };
  std::vector<TNeuron> Net;
  std::vector<int32_t> Bias, Freq;
  std::vector<int64_t> RadPower;
  std::array<int32_t, 256> GreenIndex{};
  int32_t SampleFactor = 1;

  TNeuralState(int32_t n, int32_t factor) : Net(size_t(n)), Bias(size_t(n)), Freq(size_t(n)), SampleFactor(factor) {
    for (int32_t i = 0; i < n; ++i) {
      const int32_t v = int32_t(int64_t(i) * 4096 / n);
      Net[size_t(i)] = {v, v, v, 0};
      Freq[size_t(i)] = 65536 / n;
    }
    RadPower.resize(size_t(n / 8));
  }

  int32_t Contest(int32_t b, int32_t g, int32_t r) {
    int32_t bestD = INT32_MAX, bestBiasD = INT32_MAX;
    size_t bestPos = 0, bestBiasPos = 0;
    for (size_t i = 0; i < Net.size(); ++i) {
      const TNeuron& n = Net[i];
      const int32_t d = std::abs(n.B - b) + std::abs(n.G - g) + std::abs(n.R - r);
      if (d < bestD) bestD = d, bestPos = i;
      const int32_t biased = d - (Bias[i] >> 12);
      if (biased < bestBiasD) bestBiasD = biased, bestBiasPos = i;
      const int32_t betaFreq = Freq[i] >> 10;
      Freq[i] -= betaFreq;
      Bias[i] += betaFreq << 10;
    }
    Freq[bestPos] += 64;
    Bias[bestPos] -= 65536;
    return int32_t(bestBiasPos);
  }

  void Move(TNeuron& n, int64_t amount, int64_t scale, int32_t b, int32_t g, int32_t r) {
    n.B -= int32_t(amount * (n.B - b) / scale);
    n.G -= int32_t(amount * (n.G - g) / scale);
    n.R -= int32_t(amount * (n.R - r) / scale);
  }

  void MoveNeighbours(int32_t rad, int32_t i, int32_t b, int32_t g, int32_t r) {
    const int32_t n = int32_t(Net.size());
    const int32_t lo = std::max(i - rad, -1), hi = std::min(i + rad, n);
    int32_t j = i + 1, k = i - 1, m = 1;
    while (j < hi || k > lo) {
      const int64_t a = RadPower[size_t(m++)];
      if (j < hi) Move(Net[size_t(j++)], a, 262144, b, g, r);
      if (k > lo) Move(Net[size_t(k--)], a, 262144, b, g, r);
    }
  }

  void SetRadPower(int32_t rad, int32_t alpha) {
    const int64_t rad2 = int64_t(rad) * rad;
    for (int32_t k = 0; k < rad; ++k) RadPower[size_t(k)] = alpha * ((rad2 - int64_t(k) * k) * 256 / rad2);
  }

  void Learn(const TBitmap& bitmap) {
    const int32_t w = bitmap.Width();
    const int64_t pixels = int64_t(w) * bitmap.Height(), bytes = pixels * 3;
    const int64_t samples = bytes / (3 * int64_t(SampleFactor));
    if (samples <= 0) return;
    const int64_t delta = std::max<int64_t>(samples / 100, 1);
    const int32_t alphaDec = 30 + (SampleFactor - 1) / 3;
    int32_t alpha = 1024;
    int32_t radius = int32_t(Net.size() / 8) * 64;
    int32_t rad = radius >> 6;
    if (rad <= 1) rad = 0;
    SetRadPower(rad, alpha);
    const int64_t step = bytes % 499 ? 499 : bytes % 491 ? 491 : bytes % 487 ? 487 : 503;
    int64_t pos = 0;
    for (int64_t i = 1; i <= samples; ++i) {
      const TRGB p = reinterpret_cast<const TRGB*>(bitmap.ScanLine(int32_t(pos / w)))[pos % w];
      const int32_t b = p.b << 4, g = p.g << 4, r = p.r << 4;
      const int32_t j = Contest(b, g, r);
      Move(Net[size_t(j)], alpha, 1024, b, g, r);
      if (rad > 0) MoveNeighbours(rad, j, b, g, r);
      pos = (pos + step) % pixels;
      if (i % delta == 0) {
        alpha -= alpha / alphaDec;
        radius -= radius / 30;
        rad = radius >> 6;
        if (rad <= 1) rad = 0;
        SetRadPower(rad, alpha);
      }
    }
  }

  // The order a selection sort by green leaves (at each step the first smallest of the rest is
  // swapped forward), which decides lookups on ties, found in O(n log n): a tree over the
  // positions holds the first position of the smallest green in each range.
  void SortByGreen() {
    const size_t n = Net.size();
    constexpr uint32_t kNone = UINT32_MAX;
    size_t leaves = 1;
    while (leaves < n) leaves <<= 1;
    std::vector<uint32_t> tree(2 * leaves, kNone);
    const auto first = [&](uint32_t a, uint32_t b) {
      if (a == kNone) return b;
      if (b == kNone) return a;
      return Net[b].G < Net[a].G ? b : a;  // a lies left of b
    };
    const auto update = [&](size_t node) {
      for (node >>= 1; node > 0; node >>= 1) tree[node] = first(tree[2 * node], tree[2 * node + 1]);
    };
    for (size_t i = 0; i < n; ++i) tree[leaves + i] = uint32_t(i);
    for (size_t node = leaves - 1; node > 0; --node) tree[node] = first(tree[2 * node], tree[2 * node + 1]);
    for (size_t i = 0; i < n; ++i) {
      const size_t smallest = tree[1];
      std::swap(Net[i], Net[smallest]);
      tree[leaves + i] = kNone;
      update(leaves + i);
      update(leaves + smallest);
    }
  }

  void Finish(std::span<TRGB> palette) {
    for (size_t i = 0; i < Net.size(); ++i) {
      TNeuron& n = Net[i];
      n.B = std::clamp(n.B >> 4, 0, 255), n.G = std::clamp(n.G >> 4, 0, 255), n.R = std::clamp(n.R >> 4, 0, 255);
      n.Index = int32_t(i);
      if (i < palette.size()) palette[i] = CreateRGB(uint8_t(n.R), uint8_t(n.G), uint8_t(n.B));
    }
    // Neurons sorted by green, and for each green value the middle of its run as the search
    // start.
    SortByGreen();
    const int32_t n = int32_t(Net.size());
    int32_t previous = 0, start = 0;
    for (int32_t i = 0; i < n; ++i) {
      const int32_t green = Net[size_t(i)].G;
      if (green != previous) {
        GreenIndex[size_t(previous)] = (start + i) >> 1;
        for (int32_t j = previous + 1; j < green; ++j) GreenIndex[size_t(j)] = i;
        previous = green, start = i;
      }
    }
    GreenIndex[size_t(previous)] = (start + n - 1) >> 1;
    for (int32_t j = previous + 1; j < 256; ++j) GreenIndex[size_t(j)] = n - 1;
  }

  int32_t Find(TRGB c) const {
    const int32_t n = int32_t(Net.size());
    int32_t bestD = 1000, best = 0;
    int32_t i = GreenIndex[c.g], j = i - 1;
    const auto consider = [&](const TNeuron& p, int32_t greenDistance) {
      int32_t d = std::abs(greenDistance) + std::abs(p.B - c.b);
      if (d >= bestD) return;
      d += std::abs(p.R - c.r);
      if (d < bestD) bestD = d, best = p.Index;
    };
    while (i < n || j >= 0) {
      if (i < n) {
        const TNeuron& p = Net[size_t(i)];
        const int32_t dist = p.G - c.g;
        if (dist >= bestD) {
          i = n;
        } else {
          ++i;
          consider(p, dist);
        }
      }
      if (j >= 0) {
        const TNeuron& p = Net[size_t(j)];
        const int32_t dist = c.g - p.G;
        if (dist >= bestD) {
          j = -1;
        } else {
          --j;
          consider(p, dist);
        }
      }
    }
    return best;
  }
};

// The picture's own colours, packed red << 16 | green << 8 | blue, in ascending order; the
// palette lists them in that order.
struct TExactState {
  std::vector<uint32_t> Colors;

  int32_t Find(TRGB c) const {
    const uint32_t key = uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
    const auto at = std::lower_bound(Colors.begin(), Colors.end(), key);
    if (at != Colors.end() && *at == key) return int32_t(at - Colors.begin());
    // A colour the picture lacks: the nearest by the sum of channel differences.
    int32_t best = 0, bestD = INT32_MAX;
    for (size_t i = 0; i < Colors.size(); ++i) {
      const uint32_t v = Colors[i];
      const int32_t d =
          std::abs(int32_t(v >> 16) - c.r) + std::abs(int32_t((v >> 8) & 255) - c.g) + std::abs(int32_t(v & 255) - c.b);
      if (d < bestD) bestD = d, best = int32_t(i);
    }
    return best;
  }
};

namespace {

// The distinct colours of a 24-bit picture in ascending packed order, through one bit per
// 24-bit colour (2 MiB); false as soon as there are more than `limit`.
bool CollectColors(const TBitmap& bitmap, int64_t limit, std::vector<uint32_t>& colors) {
  std::vector<uint64_t> seen(size_t(1) << 18);
  int64_t count = 0;
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    const TRGB* row = reinterpret_cast<const TRGB*>(bitmap.ScanLine(y));
    for (int32_t x = 0; x < bitmap.Width(); ++x) {
      const uint32_t key = uint32_t(row[x].r) << 16 | uint32_t(row[x].g) << 8 | row[x].b;
      uint64_t& word = seen[key >> 6];
      const uint64_t bit = uint64_t(1) << (key & 63);
      if (word & bit) continue;
      if (++count > limit) return false;
      word |= bit;
    }
  }
  colors.clear();
  colors.reserve(size_t(count));
  for (size_t w = 0; w < seen.size(); ++w)
    for (uint64_t bits = seen[w]; bits != 0; bits &= bits - 1)
      colors.push_back(uint32_t(w * 64 + size_t(std::countr_zero(bits))));
  return true;
}

int32_t SamplingFactorFor(const TBitmap& bitmap, int32_t quality) {
  if (quality == -1) {
    const double pixels = double(bitmap.Width()) * bitmap.Height();
    if (pixels < 2000) return 1;
    return int32_t(std::clamp(std::nearbyint(13.0 * (pixels - 2000) / 148000.0 + 2), 1.0, 30.0));
  }
  return std::clamp(int32_t((100.0 - quality) / 100.0 * 29.0) + 1, 1, 30);
}

// More neurons than there are 24-bit colours cannot help.
constexpr int32_t kMaxNeurons = 1 << 24;

// Every sample of the network's learning visits every neuron; beyond this many visits the
// learning would run for minutes.
constexpr int64_t kMaxNetworkVisits = int64_t(1) << 31;

// Pictures from this size on remember each colour's network lookup.
constexpr int64_t kMemoPixels = int64_t(1) << 20;

// The most neurons the network learns with on `bitmap` (never below the 257 that the network
// starts at).
int64_t AffordableNeurons(const TBitmap& bitmap, int32_t factor) {
  const int64_t samples = int64_t(bitmap.Width()) * bitmap.Height() / factor;
  return std::max<int64_t>(257, kMaxNetworkVisits / std::max<int64_t>(samples, 1));
}

}  // namespace

bool TKXQuantizer::Refuses(const TBitmap& bitmap, int32_t colors, int32_t quality) {
  if (colors <= 256 || bitmap.BitCount() != 24) return false;
  colors = std::min(colors, kMaxNeurons);
  if (colors <= AffordableNeurons(bitmap, SamplingFactorFor(bitmap, quality))) return false;
  std::vector<uint32_t> own;
  return !CollectColors(bitmap, colors, own);
}

TKXQuantizer::TKXQuantizer(const TBitmap& bitmap, std::span<TRGB> palette, int32_t colors, int32_t quality) {
  if (colors <= 256 || bitmap.BitCount() != 24) {
    fMedian = CreateMedianCutQuantizer(bitmap, palette, std::min(colors, 256));
    return;
  }
  colors = std::min(colors, kMaxNeurons);
  std::vector<uint32_t> own;
  if (CollectColors(bitmap, colors, own)) {
    fExact = std::make_unique<TExactState>();
    fExact->Colors = std::move(own);
    const auto& c = fExact->Colors;
    for (size_t i = 0; i < palette.size(); ++i)
      palette[i] = i < c.size() ? CreateRGB(uint8_t(c[i] >> 16), uint8_t(c[i] >> 8), uint8_t(c[i])) : TRGB{};
    return;
  }
  const int32_t factor = SamplingFactorFor(bitmap, quality);
  fNeural =
      std::make_unique<TNeuralState>(int32_t(std::min<int64_t>(colors, AffordableNeurons(bitmap, factor))), factor);
  fNeural->Learn(bitmap);
  fNeural->Finish(palette);
  for (size_t i = fNeural->Net.size(); i < palette.size(); ++i) palette[i] = TRGB{};
  if (int64_t(bitmap.Width()) * bitmap.Height() >= kMemoPixels && fNeural->Net.size() < UINT16_MAX)
    fMemo.assign(size_t(1) << 24, 0);
}

TKXQuantizer::~TKXQuantizer() = default;

int32_t TKXQuantizer::GetRGBIndex(TRGB color) const {
  if (fMedian) return fMedian->Find(color);
  if (fExact) return fExact->Find(color);
  if (fMemo.empty()) return fNeural->Find(color);
  uint16_t& known = fMemo[size_t(color.r) << 16 | size_t(color.g) << 8 | color.b];
  if (known == 0) known = uint16_t(fNeural->Find(color) + 1);
  return known - 1;
}

void TKXQuantizer::MapRow(TRGB* pixels, int32_t count, std::span<const TRGB> palette) const {
  // Every colour of the picture is its own entry.
  if (fExact && palette.size() >= fExact->Colors.size()) return;
  for (int32_t x = 0; x < count; ++x) {
    const size_t i = size_t(GetRGBIndex(pixels[x]));
    pixels[x] = i < palette.size() ? palette[i] : TRGB{};
  }
}

int32_t TKXQuantizer::Method() const { return fMedian ? 1 : fExact ? 2 : 0; }

int32_t TKXQuantizer::SamplingFactor() const { return fNeural ? fNeural->SampleFactor : 0; }

int32_t TKXQuantizer::ColorCount() const {
  if (fMedian) return MedianCutBoxCount(*fMedian);
  return fExact ? int32_t(fExact->Colors.size()) : int32_t(fNeural->Net.size());
}

}  // namespace kx
