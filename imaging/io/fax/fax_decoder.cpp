// Runs are decoded by table lookup: one 13-bit peek per code finds its run, its length and its
// kind (every run code is at most 13 bits), and one 7-bit peek per two-dimensional mode. Rows
// are kept as their changing elements and filled with whole-byte stores at the end.
#include "imaging/io/fax/fax_decoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "imaging/io/fax/fax_codes.h"
#include "imaging/io/fax/fax_rows.h"

namespace kx {
namespace {

constexpr int kRunPeek = 13;
constexpr int kModePeek = 7;

enum TRunKind : uint8_t { rkInvalid, rkTerminating, rkMakeUp, rkZeros };
struct TRunEntry {
  int16_t Run = 0;
  uint8_t Length = 0;
  TRunKind Kind = rkInvalid;
};
using TRunTable = std::array<TRunEntry, 1 << kRunPeek>;

enum TModeKind : uint8_t { mkInvalid, mkPass, mkHorizontal, mkVertical, mkExtension, mkZeros };
struct TModeEntry {
  int8_t Offset = 0;  // a1 - b1 of a vertical mode
  uint8_t Length = 0;
  TModeKind Kind = mkInvalid;
};
using TModeTable = std::array<TModeEntry, 1 << kModePeek>;

template <typename Table, typename Entry>
void Place(Table& table, int peekBits, TFaxCode code, Entry entry) {
  const int spare = peekBits - code.Length;
  for (uint32_t i = 0; i < (1u << spare); ++i) table[(uint32_t(code.Bits) << spare) | i] = entry;
}

const std::array<TRunTable, 2>& RunTables() {
  static const std::array<TRunTable, 2> tables = [] {
    std::array<TRunTable, 2> t{};
    for (int color = 0; color < 2; ++color) {
      // Eight or more leading zeros: an end-of-line code, possibly after fill, or a pattern
      // that is consumed without effect; counted bit by bit.
      for (uint32_t i = 0; i < (1u << (kRunPeek - 8)); ++i) t[color][i] = {0, 0, rkZeros};
      for (int run = 0; run < 64; ++run)
        Place(t[color], kRunPeek, kFaxTerminating[color][run],
              TRunEntry{int16_t(run), kFaxTerminating[color][run].Length, rkTerminating});
      for (int k = 0; k < 27; ++k)
        Place(t[color], kRunPeek, kFaxMakeUp[color][k],
              TRunEntry{int16_t(64 * (k + 1)), kFaxMakeUp[color][k].Length, rkMakeUp});
      for (int k = 0; k < 13; ++k)
        Place(t[color], kRunPeek, kFaxExtendedMakeUp[k],
              TRunEntry{int16_t(1792 + 64 * k), kFaxExtendedMakeUp[k].Length, rkMakeUp});
    }
    return t;
  }();
  return tables;
}

const TModeTable& ModeTable() {
  static const TModeTable table = [] {
    TModeTable t{};
    Place(t, kModePeek, kFaxPass, TModeEntry{0, kFaxPass.Length, mkPass});
    Place(t, kModePeek, kFaxHorizontal, TModeEntry{0, kFaxHorizontal.Length, mkHorizontal});
    for (int d = -3; d <= 3; ++d)
      Place(t, kModePeek, kFaxVertical[d + 3], TModeEntry{int8_t(d), kFaxVertical[d + 3].Length, mkVertical});
    t[0b0000001] = {0, 0, mkExtension};
    t[0] = {0, 0, mkZeros};
    return t;
  }();
  return table;
}

constexpr std::array<uint8_t, 256> kReversed = [] {
  std::array<uint8_t, 256> r{};
  for (int i = 0; i < 256; ++i) {
    uint8_t v = 0;
    for (int b = 0; b < 8; ++b)
      if (i & (1 << b)) v |= uint8_t(0x80 >> b);
    r[size_t(i)] = v;
  }
  return r;
}();

// Appends a changing element; one at the same place as the last cancels it (a run of length 0).
void Push(std::vector<int32_t>& changes, int32_t x) {
  if (!changes.empty() && changes.back() == x)
    changes.pop_back();
  else
    changes.push_back(x);
}

// Longer runs of zero bits are no code: counting stops there.
constexpr int kMaxZeroCount = 64;

}  // namespace

TKXFaxDecoder::TKXFaxDecoder(std::span<const uint8_t> data, int32_t width, bool lsbFirst)
    : fData(data), fBits(int64_t(data.size()) * 8), fWidth(std::max(width, 0)), fLsbFirst(lsbFirst) {
  FaxCloseChanges(fReference, fWidth);
  fChanges.reserve(size_t(fWidth) + 4);
}

uint32_t TKXFaxDecoder::Peek() const {
  const int64_t byte = fPos >> 3;
  uint64_t w = 0;
  // Most peeks lie well inside the data: one unaligned load.
  if (!fLsbFirst && byte + 8 <= int64_t(fData.size())) {
    std::memcpy(&w, fData.data() + byte, 8);
    if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap64(w);
    return uint32_t((w << (fPos & 7)) >> 32);
  }
  for (int k = 0; k < 5; ++k) {
    const int64_t i = byte + k;
    const uint8_t b = i < int64_t(fData.size()) ? fData[size_t(i)] : 0;
    w = (w << 8) | (fLsbFirst ? kReversed[b] : b);
  }
  return uint32_t(w >> (8 - (fPos & 7)));
}

int32_t TKXFaxDecoder::Zeros() const {
  int32_t n = 0;
  for (int64_t p = fPos; n < kMaxZeroCount && p < fBits; ++p, ++n) {
    const uint8_t b = fData[size_t(p >> 3)];
    const uint8_t bit = fLsbFirst ? (b >> (p & 7)) & 1 : (b >> (7 - (p & 7))) & 1;
    if (bit) return n;
  }
  return n;
}

bool TKXFaxDecoder::SkipEndOfLines() {
  bool any = false;
  while (fPos < fBits && (Peek() >> (32 - 11)) == 0) {
    const int32_t zeros = Zeros();
    if (zeros >= kMaxZeroCount || fPos + zeros >= fBits) {
      fPos = fBits;
      break;
    }
    fPos += zeros + 1;
    any = true;
  }
  return any;
}

TFaxStatus TKXFaxDecoder::Run(int color, int32_t& run) {
  const TRunTable& table = RunTables()[size_t(color)];
  run = 0;
  for (;;) {
    if (fPos >= fBits) return TFaxStatus::fsEnded;
    const TRunEntry& e = table[Peek() >> (32 - kRunPeek)];
    if (e.Kind != rkTerminating && e.Kind != rkMakeUp) return TFaxStatus::fsDamaged;
    fPos += e.Length;
    run = std::min(run + e.Run, fWidth);
    if (e.Kind == rkTerminating) return TFaxStatus::fsOk;
  }
}

TFaxStatus TKXFaxDecoder::Runs1D(std::vector<int32_t>& changes) {
  const TRunTable* tables = RunTables().data();
  int color = fcWhite;
  int32_t pos = 0;
  bool started = false;
  for (;;) {
    if (fPos >= fBits) return TFaxStatus::fsEnded;
    const TRunEntry& e = tables[color][Peek() >> (32 - kRunPeek)];
    switch (e.Kind) {
      case rkTerminating:
        fPos += e.Length;
        pos = std::min(pos + e.Run, fWidth);
        if (pos >= fWidth) return TFaxStatus::fsOk;
        Push(changes, pos);
        color ^= 1;
        started = true;
        break;
      case rkMakeUp:
        fPos += e.Length;
        pos = std::min(pos + e.Run, fWidth);
        started = true;
        break;
      case rkZeros: {
        const int32_t zeros = Zeros();
        if (fPos + zeros >= fBits) return TFaxStatus::fsEnded;
        if (zeros >= kMaxZeroCount) return TFaxStatus::fsDamaged;
        fPos += zeros + 1;
        // An end-of-line code inside a row ends it in the current colour.
        if (zeros >= 11 && started) return TFaxStatus::fsOk;
        if (zeros < 8) return TFaxStatus::fsDamaged;
        break;
      }
      case rkInvalid:
        return TFaxStatus::fsDamaged;
    }
  }
}

TFaxStatus TKXFaxDecoder::Uncompressed(int32_t& a0, int& color, std::vector<int32_t>& changes) {
  int32_t p = std::max(a0, 0);
  auto paint = [&](int c, int32_t n) {
    if (n <= 0 || p >= fWidth) return;
    if (c != color) {
      Push(changes, p);
      color = c;
    }
    p = std::min(p + n, fWidth);
  };
  for (;;) {
    const int32_t zeros = Zeros();
    if (fPos + zeros >= fBits) return TFaxStatus::fsEnded;
    if (zeros <= 4) {
      paint(fcWhite, zeros);
      paint(fcBlack, 1);
      fPos += zeros + 1;
    } else if (zeros == 5) {
      paint(fcWhite, 5);
      fPos += 6;
    } else if (zeros <= 10) {
      paint(fcWhite, zeros - 6);
      fPos += zeros + 1;
      if (fPos >= fBits) return TFaxStatus::fsEnded;
      const int next = int(Peek() >> 31);
      ++fPos;
      if (next != color && p < fWidth) {
        Push(changes, p);
        color = next;
      }
      a0 = p;
      return TFaxStatus::fsOk;
    } else {
      return TFaxStatus::fsDamaged;
    }
  }
}

TFaxStatus TKXFaxDecoder::Runs2D(std::vector<int32_t>& changes) {
  const TModeTable& modes = ModeTable();
  const std::vector<int32_t>& ref = fReference;
  int32_t a0 = -1;
  int color = fcWhite;
  size_t bi = 0;
  while (a0 < fWidth) {
    if (fPos >= fBits) return TFaxStatus::fsEnded;
    // b1: the first change of the reference row right of a0 whose colour is the opposite of
    // a0's (an even index turns white to black). The three closing copies stop the search.
    while (bi + 2 < ref.size() && (ref[bi] <= a0 || int(bi & 1) != color)) ++bi;
    const int32_t b1 = ref[bi];
    const int32_t b2 = ref[std::min(bi + 1, ref.size() - 1)];
    const uint32_t peek = Peek();
    const TModeEntry& m = modes[peek >> (32 - kModePeek)];
    switch (m.Kind) {
      case mkPass:
        fPos += m.Length;
        a0 = b2;
        break;
      case mkHorizontal: {
        fPos += m.Length;
        int32_t run1 = 0, run2 = 0;
        if (TFaxStatus s = Run(color, run1); s != TFaxStatus::fsOk) return s;
        if (TFaxStatus s = Run(color ^ 1, run2); s != TFaxStatus::fsOk) return s;
        const int32_t a1 = std::min(std::max(a0, 0) + run1, fWidth);
        const int32_t a2 = std::min(a1 + run2, fWidth);
        if (a1 < fWidth) Push(changes, a1);
        if (a2 < fWidth) Push(changes, a2);
        a0 = a2;
        break;
      }
      case mkVertical: {
        fPos += m.Length;
        const int32_t a1 = std::min(b1 + m.Offset, fWidth);
        if (a1 < std::max(a0, 0)) return TFaxStatus::fsDamaged;
        if (a1 < fWidth) Push(changes, a1);
        a0 = a1;
        color ^= 1;
        if (bi > 0) --bi;
        break;
      }
      case mkExtension:
        // Only the uncompressed mode (0000001111) is defined.
        if ((peek >> (32 - 10)) != 0b0000001111) return TFaxStatus::fsDamaged;
        fPos += 10;
        if (TFaxStatus s = Uncompressed(a0, color, changes); s != TFaxStatus::fsOk) return s;
        break;
      case mkZeros: {
        const int32_t zeros = Zeros();
        if (fPos + zeros >= fBits) return TFaxStatus::fsEnded;
        if (zeros < 11) return TFaxStatus::fsDamaged;
        // An end-of-line code: at the start of a row the end of the block, inside one its end.
        if (a0 < 0) return TFaxStatus::fsEnded;
        fPos += zeros + 1;
        return TFaxStatus::fsOk;
      }
      case mkInvalid:
        return TFaxStatus::fsDamaged;
    }
  }
  return TFaxStatus::fsOk;
}

TFaxStatus TKXFaxDecoder::Finish(uint8_t* row, TFaxStatus status) {
  // A last code cut by the end of the data was read with zero bits for its missing ones.
  if (fPos > fBits) {
    fPos = fBits;
    if (status == TFaxStatus::fsOk) status = TFaxStatus::fsEnded;
  }
  FaxFillRow(row, fWidth, 1, fChanges);
  FaxCloseChanges(fChanges, fWidth);
  fReference.swap(fChanges);
  return status;
}

TFaxStatus TKXFaxDecoder::CCITTHuffmanGetLine(uint8_t* row) {
  fChanges.clear();
  SkipEndOfLines();
  const TFaxStatus status = Runs1D(fChanges);
  if (fPos <= fBits) fPos = std::min((fPos + 7) & ~int64_t(7), fBits);
  return Finish(row, status);
}

TFaxStatus TKXFaxDecoder::_CCITTHuffmanGetLine(uint8_t* row) {
  fChanges.clear();
  SkipEndOfLines();
  return Finish(row, Runs1D(fChanges));
}

TFaxStatus TKXFaxDecoder::CCITT3_2D_GetLine(uint8_t* row, bool group3) {
  fChanges.clear();
  bool oneDimensional = false;
  if (group3 && SkipEndOfLines() && fPos < fBits) {
    oneDimensional = (Peek() >> 31) != 0;
    ++fPos;
  }
  return Finish(row, oneDimensional ? Runs1D(fChanges) : Runs2D(fChanges));
}

}  // namespace kx
