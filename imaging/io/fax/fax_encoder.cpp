// Rows are turned into their changing elements first (found a word at a time), so both the
// run coding and the two-dimensional modes work on positions, never on single pixels.
#include "imaging/io/fax/fax_encoder.h"

#include <algorithm>

#include "imaging/io/fax/fax_codes.h"
#include "imaging/io/fax/fax_rows.h"

namespace kx {

TKXFaxEncoder::TKXFaxEncoder(int32_t width) : fWidth(std::max(width, 0)) {
  FaxCloseChanges(fReference, fWidth);
  fOut.reserve(4096);
}

void TKXFaxEncoder::Put(uint32_t bits, int length) {
  fPending = (fPending << length) | (bits & ((1u << length) - 1));
  fPendingBits += length;
  while (fPendingBits >= 8) {
    fPendingBits -= 8;
    fOut.push_back(uint8_t(fPending >> fPendingBits));
  }
}

void TKXFaxEncoder::PadToByte() {
  if (fPendingBits > 0) Put(0, 8 - fPendingBits);
}

void TKXFaxEncoder::PutRun(int color, int32_t run) {
  while (run > kFaxLongestMakeUp) {
    const TFaxCode& c = kFaxExtendedMakeUp[12];
    Put(c.Bits, c.Length);
    run -= kFaxLongestMakeUp;
  }
  if (run >= 64) {
    const int32_t k = run / 64;
    const TFaxCode& c = k <= 27 ? kFaxMakeUp[color][k - 1] : kFaxExtendedMakeUp[k - 28];
    Put(c.Bits, c.Length);
    run -= 64 * k;
  }
  const TFaxCode& t = kFaxTerminating[color][run];
  Put(t.Bits, t.Length);
}

void TKXFaxEncoder::NextRow(const uint8_t* row) { FaxFindChanges(row, fWidth, 0, fChanges); }

void TKXFaxEncoder::Code1D() {
  int32_t a0 = 0;
  int color = fcWhite;
  for (size_t k = 0;; ++k) {
    const int32_t a1 = fChanges[k];
    PutRun(color, a1 - a0);
    if (a1 >= fWidth) break;
    a0 = a1;
    color ^= 1;
  }
}

void TKXFaxEncoder::Code2D() {
  const std::vector<int32_t>& ref = fReference;
  const std::vector<int32_t>& cur = fChanges;
  int32_t a0 = -1;
  int color = fcWhite;
  size_t ai = 0;  // index of a1 in the current row
  size_t bi = 0;
  while (a0 < fWidth) {
    while (ai < cur.size() - 1 && cur[ai] <= a0) ++ai;
    const int32_t a1 = cur[ai];
    while (bi + 2 < ref.size() && (ref[bi] <= a0 || int(bi & 1) != color)) ++bi;
    const int32_t b1 = ref[bi];
    const int32_t b2 = ref[bi + 1];
    if (b2 < a1) {
      Put(kFaxPass.Bits, kFaxPass.Length);
      a0 = b2;
    } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
      const TFaxCode& v = kFaxVertical[a1 - b1 + 3];
      Put(v.Bits, v.Length);
      a0 = a1;
      color ^= 1;
      if (bi > 0) --bi;
    } else {
      const int32_t a2 = cur[std::min(ai + 1, cur.size() - 1)];
      Put(kFaxHorizontal.Bits, kFaxHorizontal.Length);
      PutRun(color, a1 - std::max(a0, 0));
      PutRun(color ^ 1, a2 - a1);
      a0 = a2;
    }
  }
  fReference.swap(fChanges);
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
    Code1D(), fReference.swap(fChanges);
  else
    Code2D();
  fFirstRow = false;
}

void TKXFaxEncoder::CCITTHuffmanPutLineG4(const uint8_t* row) {
  NextRow(row);
  Code2D();
}

void TKXFaxEncoder::FinishG3() { PadToByte(); }

void TKXFaxEncoder::FinishG32D() {
  Put(kFaxEndOfLine.Bits, kFaxEndOfLine.Length);
  PadToByte();
}

void TKXFaxEncoder::FinishG4() {
  Put(kFaxEndOfLine.Bits, kFaxEndOfLine.Length);
  Put(kFaxEndOfLine.Bits, kFaxEndOfLine.Length);
  PadToByte();
}

}  // namespace kx
