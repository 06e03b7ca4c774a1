// Rows are turned into their changing elements first (found a word at a time), so both the
// run coding and the two-dimensional modes work on positions, never on single pixels. Codes
// gather in a 64-bit word that is stored whole into room made once per row for its worst
// case, so putting a code is a shift, an or and, once in a while, one store.
#include "imaging/io/fax/fax_encoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "imaging/io/fax/fax_codes.h"

namespace kx {

TKXFaxEncoder::TKXFaxEncoder(int32_t width, uint8_t whiteBit)
    : fWidth(std::max(width, 0)), fWhiteBit(whiteBit), fReference(fWidth), fChanges(fWidth) {
  FaxCloseChanges(fReference, fWidth);
  Reserve();
}

void TKXFaxEncoder::Reserve() {
  // A run costs at most a make-up and a terminating code (26 bits) and a long one another 12
  // bits per 2560 pixels; a two-dimensional change at most a horizontal code and its share of
  // the runs. 32 bits a pixel, with room for the end-of-line codes and one whole word, is more.
  const size_t need = (size_t(fWidth) + 2) * 4 + 64;
  if (fOut.size() < fCount + need) fOut.resize(std::max(fOut.size() * 2, fCount + need));
}

struct TKXFaxEncoder::TBits {
  // `bits` holds only its `length` (at most 32) low bits.
  void Put(uint64_t bits, int length) {
    const int free = 64 - PendingBits;
    if (length < free) {
      Pending = (Pending << length) | bits;
      PendingBits += length;
      return;
    }
    const int rest = length - free;
    uint64_t word = (Pending << free) | (bits >> rest);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    std::memcpy(Out, &word, 8);
    Out += 8;
    Pending = bits & ((uint64_t(1) << rest) - 1);
    PendingBits = rest;
  }

  uint64_t Pending;
  int PendingBits;
  uint8_t* Out;
};

TKXFaxEncoder::TBits TKXFaxEncoder::Start() { return {fPending, fPendingBits, fOut.data() + fCount}; }

void TKXFaxEncoder::Keep(const TBits& bits) {
  fPending = bits.Pending;
  fPendingBits = bits.PendingBits;
  fCount = size_t(bits.Out - fOut.data());
}

void TKXFaxEncoder::Put(uint64_t bits, int length) {
  TBits out = Start();
  out.Put(bits, length);
  Keep(out);
}

std::span<const uint8_t> TKXFaxEncoder::Bytes() {
  while (fPendingBits >= 8) {
    fPendingBits -= 8;
    fOut[fCount++] = uint8_t(fPending >> fPendingBits);
  }
  fPending &= (uint64_t(1) << fPendingBits) - 1;
  return {fOut.data(), fCount};
}

void TKXFaxEncoder::ClearBytes() { fCount = 0; }

void TKXFaxEncoder::PadToByte() {
  if (fPendingBits % 8 != 0) Put(0, 8 - fPendingBits % 8);
}

// Inlined, so that the bits being gathered stay in registers.
[[gnu::always_inline]] inline void TKXFaxEncoder::PutRun(TBits& out, int color, int32_t run) {
  while (run > kFaxLongestMakeUp) {
    const TFaxCode& c = kFaxExtendedMakeUp[12];
    out.Put(c.Bits, c.Length);
    run -= kFaxLongestMakeUp;
  }
  const TFaxCode& t = kFaxTerminating[color][run % 64];
  if (run < 64) return out.Put(t.Bits, t.Length);
  // The make-up code and its terminating code go in as one.
  const int32_t k = run / 64;
  const TFaxCode& c = k <= 27 ? kFaxMakeUp[color][k - 1] : kFaxExtendedMakeUp[k - 28];
  out.Put((uint64_t(c.Bits) << t.Length) | t.Bits, c.Length + t.Length);
}

void TKXFaxEncoder::NextRow(const uint8_t* row) {
  Reserve();
  FaxFindChanges(row, fWidth, fWhiteBit, fChanges);
}

void TKXFaxEncoder::Code1D() {
  const int32_t* changes = fChanges.At.data();
  TBits out = Start();
  int32_t a0 = 0;
  int color = fcWhite;
  for (size_t k = 0;; ++k) {
    const int32_t a1 = changes[k];
    PutRun(out, color, a1 - a0);
    if (a1 >= fWidth) break;
    a0 = a1;
    color ^= 1;
  }
  Keep(out);
}

void TKXFaxEncoder::Code2D() {
  const int32_t* ref = fReference.At.data();
  const int32_t* cur = fChanges.At.data();
  const size_t refCount = fReference.Count, curCount = fChanges.Count;
  TBits out = Start();
  int32_t a0 = -1;
  int color = fcWhite;
  size_t ai = 0;  // index of a1 in the current row
  size_t bi = 0;
  while (a0 < fWidth) {
    while (ai < curCount - 1 && cur[ai] <= a0) ++ai;
    const int32_t a1 = cur[ai];
    bi = FaxFindB1(ref, refCount, bi, a0, color);
    const int32_t b1 = ref[bi];
    const int32_t b2 = ref[bi + 1];
    if (b2 < a1) {
      out.Put(kFaxPass.Bits, kFaxPass.Length);
      a0 = b2;
    } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
      const TFaxCode& v = kFaxVertical[a1 - b1 + 3];
      out.Put(v.Bits, v.Length);
      a0 = a1;
      color ^= 1;
      if (bi > 0) --bi;
    } else {
      const int32_t a2 = cur[std::min(ai + 1, curCount - 1)];
      out.Put(kFaxHorizontal.Bits, kFaxHorizontal.Length);
      PutRun(out, color, a1 - std::max(a0, 0));
      PutRun(out, color ^ 1, a2 - a1);
      a0 = a2;
    }
  }
  Keep(out);
  std::swap(fReference, fChanges);
}

void TKXFaxEncoder::CCITTHuffmanPutLine(const uint8_t* row) {
  NextRow(row);
  Code1D();
  PadToByte();
}

void TKXFaxEncoder::CCITTHuffmanPutLineG3(const uint8_t* row) {
  NextRow(row);
  Put(kFaxEndOfLine.Bits, kFaxEndOfLine.Length);
  Code1D();
}

void TKXFaxEncoder::CCITTHuffmanPutLineG32D(const uint8_t* row) {
  NextRow(row);
  Put(kFaxEndOfLine.Bits, kFaxEndOfLine.Length);
  Put(fFirstRow ? 1 : 0, 1);
  if (fFirstRow)
    Code1D(), std::swap(fReference, fChanges);
  else
    Code2D();
  fFirstRow = false;
}

void TKXFaxEncoder::CCITTHuffmanPutLineG4(const uint8_t* row) {
  NextRow(row);
  Code2D();
}

void TKXFaxEncoder::FinishG3() {
  Reserve();
  PadToByte();
}

void TKXFaxEncoder::FinishG32D() {
  Reserve();
  Put(kFaxEndOfLine.Bits, kFaxEndOfLine.Length);
  PadToByte();
}

void TKXFaxEncoder::FinishG4() {
  Reserve();
  Put(kFaxEndOfLine.Bits, kFaxEndOfLine.Length);
  Put(kFaxEndOfLine.Bits, kFaxEndOfLine.Length);
  PadToByte();
}

}  // namespace kx
