// Runs are decoded by table lookup: a 9-bit peek finds most codes, and the rarer long ones
// (every run code is at most 13 bits) are finished in a second table of 4 bits, so the tables
// stay a few KiB and in the first-level cache. One 7-bit peek finds a two-dimensional mode.
// Bits are taken 64 at a time with one unaligned load and consumed by shifts, a new load every
// few codes. Rows are kept as their changing elements and filled a word at a time at the end.
#include "imaging/io/fax/fax_decoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "imaging/io/fax/fax_codes.h"

namespace kx {
namespace {

constexpr int kRunPeek = 13;
constexpr int kFirstPeek = 9;
constexpr int kSecondPeek = kRunPeek - kFirstPeek;
constexpr int kModePeek = 7;

// rkLonger: the code is longer than the first peek; `Run` is where its 16 entries start in
// the second table.
enum TRunKind : uint8_t { rkInvalid, rkTerminating, rkMakeUp, rkZeros, rkLonger };
struct TRunEntry {
  int16_t Run = 0;
  uint8_t Length = 0;
  TRunKind Kind = rkInvalid;
  bool operator==(const TRunEntry&) const = default;
};
struct TRunTables {
  std::array<std::array<TRunEntry, 1 << kFirstPeek>, 2> First;
  std::vector<TRunEntry> Second;
};

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

// Puts a code into the two-level tables: a short one fills its share of the first level, a long
// one its share of the 16 second-level entries behind its first 9 bits. Built once per
// process, straight from the codes, so building costs no more than the tables' own size.
void PlaceRun(TRunTables& t, int color, TFaxCode code, TRunEntry entry) {
  auto& first = t.First[size_t(color)];
  if (code.Length <= kFirstPeek) {
    Place(first, kFirstPeek, code, entry);
    return;
  }
  const int rest = code.Length - kFirstPeek;
  TRunEntry& head = first[code.Bits >> rest];
  if (head.Kind != rkLonger) {
    head = {int16_t(t.Second.size()), 0, rkLonger};
    t.Second.resize(t.Second.size() + (1u << kSecondPeek));
  }
  const TFaxCode tail{uint16_t(code.Bits & ((1u << rest) - 1)), uint8_t(rest)};
  TRunEntry* block = t.Second.data() + head.Run;
  Place(block, kSecondPeek, tail, entry);
}

const TRunTables& RunTables() {
  static const TRunTables tables = [] {
    TRunTables t{};
    for (int color = 0; color < 2; ++color) {
      // Eight or more leading zeros: an end-of-line code, possibly after fill, or a pattern
      // that is consumed without effect; counted bit by bit.
      Place(t.First[size_t(color)], kFirstPeek, TFaxCode{0, 8}, TRunEntry{0, 0, rkZeros});
      for (int run = 0; run < 64; ++run)
        PlaceRun(t, color, kFaxTerminating[color][run],
                 TRunEntry{int16_t(run), kFaxTerminating[color][run].Length, rkTerminating});
      for (int k = 0; k < 27; ++k)
        PlaceRun(t, color, kFaxMakeUp[color][k],
                 TRunEntry{int16_t(64 * (k + 1)), kFaxMakeUp[color][k].Length, rkMakeUp});
      for (int k = 0; k < 13; ++k)
        PlaceRun(t, color, kFaxExtendedMakeUp[k],
                 TRunEntry{int16_t(1792 + 64 * k), kFaxExtendedMakeUp[k].Length, rkMakeUp});
    }
    return t;
  }();
  return tables;
}

// The entry of the run code at the top of `bits`.
inline const TRunEntry& RunCode(const TRunTables& t, int color, uint64_t bits) {
  const TRunEntry& e = t.First[size_t(color)][bits >> (64 - kFirstPeek)];
  if (e.Kind != rkLonger) return e;
  return t.Second[size_t(e.Run) + ((bits << kFirstPeek) >> (64 - kSecondPeek))];
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

constexpr uint64_t ReverseBitsOfBytes(uint64_t w) {
  w = ((w >> 1) & 0x5555555555555555u) | ((w & 0x5555555555555555u) << 1);
  w = ((w >> 2) & 0x3333333333333333u) | ((w & 0x3333333333333333u) << 2);
  return ((w >> 4) & 0x0F0F0F0F0F0F0F0Fu) | ((w & 0x0F0F0F0F0F0F0F0Fu) << 4);
}

// Appends a changing element; one at the same place as the last cancels it (a run of length
// 0). Elements only ever grow, so a row has at most one per pixel: the storage has room.
inline void Push(int32_t* changes, size_t& count, int32_t x) {
  if (count != 0 && changes[count - 1] == x)
    --count;
  else
    changes[count++] = x;
}

// Longer runs of zero bits are no code: counting stops there.
constexpr int kMaxZeroCount = 64;

}  // namespace

TKXFaxDecoder::TKXFaxDecoder(std::span<const uint8_t> data, int32_t width, bool lsbFirst, uint8_t whiteBit)
    : fData(data),
      fBits(int64_t(data.size()) * 8),
      fWidth(std::max(width, 0)),
      fLsbFirst(lsbFirst),
      fWhiteBit(whiteBit),
      fReference(fWidth),
      fChanges(fWidth) {
  FaxCloseChanges(fReference, fWidth);
}

namespace {

// Most loads lie well inside the data: one unaligned load. The last few bytes are gathered
// one at a time, away from the loops that use this.
[[gnu::noinline]] uint64_t LoadNearEnd(std::span<const uint8_t> data, int64_t byte) {
  uint64_t w = 0;
  for (int k = 0; k < 8; ++k) {
    const int64_t i = byte + k;
    w = (w << 8) | (i < int64_t(data.size()) ? data[size_t(i)] : 0);
  }
  return w;
}

inline uint64_t LoadBits(std::span<const uint8_t> data, bool lsbFirst, int64_t pos) {
  const int64_t byte = pos >> 3;
  uint64_t w;
  if (byte + 8 <= int64_t(data.size())) {
    std::memcpy(&w, data.data() + byte, 8);
    if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap64(w);
  } else {
    w = LoadNearEnd(data, byte);
  }
  if (lsbFirst) w = ReverseBitsOfBytes(w);
  return w << (pos & 7);
}

}  // namespace

// `Bits` are the bits from `Pos` on, the first `Avail` of them as loaded; a code is looked up
// only after Need, which keeps at least the longest code's worth. Consuming a code is a shift,
// and a new load comes every few codes.
struct TKXFaxDecoder::TCursor {
  TCursor(const TKXFaxDecoder& d) : Data(d.fData), LsbFirst(d.fLsbFirst), Pos(d.fPos) {}
  void Need() {
    if (Avail < kRunPeek) {
      Bits = LoadBits(Data, LsbFirst, Pos);
      Avail = 57;
    }
  }
  void Skip(int n) {
    Bits <<= n;
    Avail -= n;
    Pos += n;
  }
  void MoveTo(int64_t pos) {
    Pos = pos;
    Avail = 0;
  }

  std::span<const uint8_t> Data;
  bool LsbFirst;
  int64_t Pos;
  uint64_t Bits = 0;
  int Avail = 0;
};

uint64_t TKXFaxDecoder::Peek(int64_t pos) const { return LoadBits(fData, fLsbFirst, pos); }

int32_t TKXFaxDecoder::Zeros(int64_t pos) const {
  int64_t n = 0;
  while (n < kMaxZeroCount && pos < fBits) {
    const int64_t meaningful = std::min<int64_t>(57, fBits - pos);
    const int64_t z = std::countl_zero(Peek(pos));
    if (z < meaningful) return int32_t(std::min<int64_t>(n + z, kMaxZeroCount));
    n += meaningful;
    pos += meaningful;
  }
  return int32_t(std::min<int64_t>(n, kMaxZeroCount));
}

bool TKXFaxDecoder::SkipEndOfLines() {
  bool any = false;
  while (fPos < fBits && (Peek(fPos) >> (64 - 11)) == 0) {
    const int32_t zeros = Zeros(fPos);
    if (zeros >= kMaxZeroCount || fPos + zeros >= fBits) {
      fPos = fBits;
      break;
    }
    fPos += zeros + 1;
    any = true;
  }
  return any;
}

inline TFaxStatus TKXFaxDecoder::Run(TCursor& c, int color, int32_t& run) const {
  const TRunTables& tables = RunTables();
  run = 0;
  for (;;) {
    if (c.Pos >= fBits) return TFaxStatus::fsEnded;
    c.Need();
    const TRunEntry& e = RunCode(tables, color, c.Bits);
    if (e.Kind != rkTerminating && e.Kind != rkMakeUp) return TFaxStatus::fsDamaged;
    c.Skip(e.Length);
    run = std::min(run + e.Run, fWidth);
    if (e.Kind == rkTerminating) return TFaxStatus::fsOk;
  }
}

TFaxStatus TKXFaxDecoder::Runs1D(TCursor& cursor) {
  // Worked on as a local, so that it stays in registers.
  TCursor c = cursor;
  const TRunTables& tables = RunTables();
  int32_t* const changes = fChanges.At.data();
  size_t count = fChanges.Count;
  int color = fcWhite;
  int32_t a = 0;
  bool started = false;
  TFaxStatus status = TFaxStatus::fsOk;
  for (;;) {
    if (c.Pos >= fBits) {
      status = TFaxStatus::fsEnded;
      break;
    }
    c.Need();
    const TRunEntry& e = RunCode(tables, color, c.Bits);
    if (e.Kind == rkTerminating) {
      c.Skip(e.Length);
      a = std::min(a + e.Run, fWidth);
      if (a >= fWidth) break;
      Push(changes, count, a);
      color ^= 1;
      started = true;
      continue;
    }
    if (e.Kind == rkMakeUp) {
      c.Skip(e.Length);
      a = std::min(a + e.Run, fWidth);
      started = true;
      continue;
    }
    if (e.Kind != rkZeros) {
      status = TFaxStatus::fsDamaged;
      break;
    }
    const int32_t zeros = Zeros(c.Pos);
    if (c.Pos + zeros >= fBits) {
      status = TFaxStatus::fsEnded;
      break;
    }
    if (zeros >= kMaxZeroCount) {
      status = TFaxStatus::fsDamaged;
      break;
    }
    c.MoveTo(c.Pos + zeros + 1);
    // An end-of-line code inside a row ends it in the current colour.
    if (zeros >= 11 && started) break;
    if (zeros < 8) {
      status = TFaxStatus::fsDamaged;
      break;
    }
  }
  fChanges.Count = count;
  cursor = c;
  return status;
}

TFaxStatus TKXFaxDecoder::Uncompressed(TCursor& c, int32_t& a0, int& color) {
  int32_t* const changes = fChanges.At.data();
  size_t& count = fChanges.Count;
  int32_t p = std::max(a0, 0);
  auto paint = [&](int paintColor, int32_t n) {
    if (n <= 0 || p >= fWidth) return;
    if (paintColor != color) {
      Push(changes, count, p);
      color = paintColor;
    }
    p = std::min(p + n, fWidth);
  };
  for (;;) {
    const int32_t zeros = Zeros(c.Pos);
    if (c.Pos + zeros >= fBits) return TFaxStatus::fsEnded;
    if (zeros <= 4) {
      paint(fcWhite, zeros);
      paint(fcBlack, 1);
      c.MoveTo(c.Pos + zeros + 1);
    } else if (zeros == 5) {
      paint(fcWhite, 5);
      c.MoveTo(c.Pos + 6);
    } else if (zeros <= 10) {
      paint(fcWhite, zeros - 6);
      c.MoveTo(c.Pos + zeros + 1);
      if (c.Pos >= fBits) return TFaxStatus::fsEnded;
      const int next = int(Peek(c.Pos) >> 63);
      c.MoveTo(c.Pos + 1);
      if (next != color && p < fWidth) {
        Push(changes, count, p);
        color = next;
      }
      a0 = p;
      return TFaxStatus::fsOk;
    } else {
      return TFaxStatus::fsDamaged;
    }
  }
}

TFaxStatus TKXFaxDecoder::Runs2D(TCursor& cursor) {
  // Worked on as a local, so that it stays in registers; the rare uncompressed mode gets a copy.
  TCursor c = cursor;
  const TModeTable& modes = ModeTable();
  const int32_t* const ref = fReference.At.data();
  const size_t refCount = fReference.Count;
  int32_t* const changes = fChanges.At.data();
  size_t& count = fChanges.Count;
  int32_t a0 = -1;
  int color = fcWhite;
  size_t bi = 0;
  TFaxStatus status = TFaxStatus::fsOk;
  while (a0 < fWidth) {
    if (c.Pos >= fBits) {
      status = TFaxStatus::fsEnded;
      break;
    }
    bi = FaxFindB1(ref, refCount, bi, a0, color);
    const int32_t b1 = ref[bi];
    c.Need();
    const TModeEntry& m = modes[c.Bits >> (64 - kModePeek)];
    // The modes by how often they come: vertical, horizontal, pass.
    if (m.Kind == mkVertical) {
      c.Skip(m.Length);
      const int32_t a1 = std::min(b1 + m.Offset, fWidth);
      if (a1 < std::max(a0, 0)) {
        status = TFaxStatus::fsDamaged;
        break;
      }
      if (a1 < fWidth) Push(changes, count, a1);
      a0 = a1;
      color ^= 1;
      if (bi > 0) --bi;
    } else if (m.Kind == mkHorizontal) {
      c.Skip(m.Length);
      int32_t run1 = 0, run2 = 0;
      if ((status = Run(c, color, run1)) != TFaxStatus::fsOk) break;
      if ((status = Run(c, color ^ 1, run2)) != TFaxStatus::fsOk) break;
      const int32_t a1 = std::min(std::max(a0, 0) + run1, fWidth);
      const int32_t a2 = std::min(a1 + run2, fWidth);
      if (a1 < fWidth) Push(changes, count, a1);
      if (a2 < fWidth) Push(changes, count, a2);
      a0 = a2;
    } else if (m.Kind == mkPass) {
      c.Skip(m.Length);
      a0 = ref[std::min(bi + 1, refCount - 1)];
    } else if (m.Kind == mkExtension) {
      // Only the uncompressed mode (0000001111) is defined.
      if ((c.Bits >> (64 - 10)) != 0b0000001111) {
        status = TFaxStatus::fsDamaged;
        break;
      }
      c.Skip(10);
      TCursor u = c;
      status = Uncompressed(u, a0, color);
      c = u;
      if (status != TFaxStatus::fsOk) break;
    } else if (m.Kind == mkZeros) {
      const int32_t zeros = Zeros(c.Pos);
      if (c.Pos + zeros >= fBits)
        status = TFaxStatus::fsEnded;
      else if (zeros < 11)
        status = TFaxStatus::fsDamaged;
      else if (a0 < 0)  // an end-of-line code at the start of a row: the end of the block
        status = TFaxStatus::fsEnded;
      else  // inside a row: its end
        c.MoveTo(c.Pos + zeros + 1);
      break;
    } else {
      status = TFaxStatus::fsDamaged;
      break;
    }
  }
  cursor = c;
  return status;
}

TFaxStatus TKXFaxDecoder::DecodeRow(uint8_t* row, bool twoDimensional, bool byteAligned) {
  fChanges.Count = 0;
  TCursor c(*this);
  TFaxStatus status = twoDimensional ? Runs2D(c) : Runs1D(c);
  fPos = c.Pos;
  if (byteAligned && fPos <= fBits) fPos = std::min((fPos + 7) & ~int64_t(7), fBits);
  // A last code cut by the end of the data was read with zero bits for its missing ones.
  if (fPos > fBits) {
    fPos = fBits;
    if (status == TFaxStatus::fsOk) status = TFaxStatus::fsEnded;
  }
  // Closed first: the copies of the width end the fill's search for changes.
  FaxCloseChanges(fChanges, fWidth);
  FaxFillRow(row, fWidth, fWhiteBit, fChanges.At.data());
  std::swap(fReference, fChanges);
  return status;
}

TFaxStatus TKXFaxDecoder::CCITTHuffmanGetLine(uint8_t* row) {
  SkipEndOfLines();
  return DecodeRow(row, false, true);
}

TFaxStatus TKXFaxDecoder::_CCITTHuffmanGetLine(uint8_t* row) {
  SkipEndOfLines();
  return DecodeRow(row, false, false);
}

TFaxStatus TKXFaxDecoder::CCITT3_2D_GetLine(uint8_t* row, bool group3) {
  bool oneDimensional = false;
  if (group3 && SkipEndOfLines() && fPos < fBits) {
    oneDimensional = (Peek(fPos) >> 63) != 0;
    ++fPos;
  }
  return DecodeRow(row, !oneDimensional, false);
}

}  // namespace kx
