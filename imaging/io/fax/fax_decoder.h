// Decoding of bilevel fax data after ITU-T T.4 and T.6: modified Huffman rows, Group 3 rows
// with or without end-of-line codes, one- or two-dimensional, and Group 4 rows. The decoder
// knows nothing of any file format: it is given the coded bytes of one block of rows, the row
// width and the bit order, and it never reads outside those bytes.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/io/fax/fax_rows.h"

namespace kx {

enum class TFaxStatus : uint8_t {
  fsOk,       // the row is complete
  fsDamaged,  // a code that matches no table entry, or a position before the current one
  fsEnded,    // the data ended before the row did, or the end-of-block code came
};

class TKXFaxDecoder {
 public:
  // `lsbFirst`: the bits of each byte are taken least significant first. `whiteBit`: the value
  // white pixels get in the rows, so a row can go straight into a picture of either polarity.
  TKXFaxDecoder(std::span<const uint8_t> data, int32_t width, bool lsbFirst, uint8_t whiteBit = 1);

  // Each decodes the next row into `row` ((width + 7) / 8 bytes, all of them written).
  // A row that fails is filled as far as it was decoded, the rest in its last colour.
  // Modified Huffman: the row ends rounded up to whole bytes.
  TFaxStatus CCITTHuffmanGetLine(uint8_t* row);
  // Group 3 one-dimensional: continues at the bit the previous row left.
  TFaxStatus _CCITTHuffmanGetLine(uint8_t* row);
  // Group 3 two-dimensional (an end-of-line code before a row is followed by a bit: 1 for a
  // one-dimensional row) when `group3`, otherwise Group 4. The row becomes the reference of
  // the next.
  TFaxStatus CCITT3_2D_GetLine(uint8_t* row, bool group3);

  // Bits consumed so far.
  int64_t BitPos() const { return fPos; }

 private:
  // A read position with the bits from it at hand.
  struct TCursor;
  // 64 bits from bit `pos` on, most significant first, bits past the data 0; at least the first
  // 57 are meaningful.
  uint64_t Peek(int64_t pos) const;
  // Leading zero bits from `pos`; counting stops at the end of the data and at a length no
  // code has.
  int32_t Zeros(int64_t pos) const;
  TFaxStatus Runs1D(TCursor& c);
  TFaxStatus Runs2D(TCursor& c);
  // One run of `color` (make-up codes summed up to the terminating one), clipped to the width.
  TFaxStatus Run(TCursor& c, int color, int32_t& run) const;
  TFaxStatus Uncompressed(TCursor& c, int32_t& a0, int& color);
  // Decodes a row from the current position on, and makes it the reference of the next;
  // `byteAligned`: the next row starts at a whole byte.
  TFaxStatus DecodeRow(uint8_t* row, bool twoDimensional, bool byteAligned);
  // Skips end-of-line codes and fill before a row; true when at least one was there.
  bool SkipEndOfLines();

  std::span<const uint8_t> fData;
  int64_t fBits;
  int64_t fPos = 0;
  int32_t fWidth;
  bool fLsbFirst;
  uint8_t fWhiteBit;
  TFaxChanges fReference;  // changes of the previous row, closed
  TFaxChanges fChanges;
};

}  // namespace kx
