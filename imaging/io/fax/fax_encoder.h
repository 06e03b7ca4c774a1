// Encoding of bilevel rows after ITU-T T.4 and T.6: modified Huffman, Group 3 one- and
// two-dimensional with end-of-line codes, and Group 4. Knows nothing of any file format: rows
// go in, coded bytes come out.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/io/fax/fax_rows.h"

namespace kx {

class TKXFaxEncoder {
 public:
  // Rows of `width` pixels, packed most significant bit first; white pixels are `whiteBit`
  // bits, so a picture's rows of either polarity go in as they are. Padding bits past the
  // width are ignored.
  explicit TKXFaxEncoder(int32_t width, uint8_t whiteBit = 0);

  // Modified Huffman: the row padded with 0 bits to a whole byte.
  void CCITTHuffmanPutLine(const uint8_t* row);
  // Group 3 one-dimensional: an end-of-line code, then the row right after the previous one.
  void CCITTHuffmanPutLineG3(const uint8_t* row);
  // Group 3 two-dimensional: an end-of-line code and a tag bit, 1 and a one-dimensional row
  // for the first row, 0 and a row coded against the previous one after it.
  void CCITTHuffmanPutLineG32D(const uint8_t* row);
  // Group 4: every row coded against the previous one, the first against a white row.
  void CCITTHuffmanPutLineG4(const uint8_t* row);
  // Ends the image: Group 3 two-dimensional adds one end-of-line code, Group 4 two (the end
  // of the block); then the last bits are padded with 0 bits to a whole byte.
  void FinishG3();
  void FinishG32D();
  void FinishG4();

  // The whole bytes coded so far (valid until the next call); the caller writes them and
  // clears them as it likes.
  std::span<const uint8_t> Bytes();
  void ClearBytes();

 private:
  // The code bits of a row being gathered, kept in locals while the row is coded.
  struct TBits;
  // Makes room for one more row (or the closing codes) of the worst case.
  void Reserve();
  TBits Start();
  void Keep(const TBits& bits);
  void Put(uint64_t bits, int length);
  static void PutRun(TBits& out, int color, int32_t run);
  void Code1D();
  void Code2D();
  void PadToByte();
  void NextRow(const uint8_t* row);

  int32_t fWidth;
  uint8_t fWhiteBit;
  uint64_t fPending = 0;  // the bits not yet stored, right-aligned
  int fPendingBits = 0;
  bool fFirstRow = true;
  TFaxChanges fReference;
  TFaxChanges fChanges;
  // Coded bytes: the first fCount are written; whole 64-bit words are stored past them.
  std::vector<uint8_t> fOut;
  size_t fCount = 0;
};

}  // namespace kx
