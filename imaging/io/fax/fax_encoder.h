// Encoding of bilevel rows after ITU-T T.4 and T.6: modified Huffman, Group 3 one- and
// two-dimensional with end-of-line codes, and Group 4. Knows nothing of any file format: rows
// go in, coded bytes come out.
#pragma once

#include <cstdint>
#include <vector>

namespace kx {

class TKXFaxEncoder {
 public:
  // Rows of `width` pixels, packed most significant bit first, with 0 bits white.
  explicit TKXFaxEncoder(int32_t width);

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

  // The whole bytes coded so far; the caller writes and clears them as it likes.
  std::vector<uint8_t>& Bytes() { return fOut; }

 private:
  void Put(uint32_t bits, int length);
  void PutRun(int color, int32_t run);
  void Code1D();
  void Code2D();
  void PadToByte();
  void NextRow(const uint8_t* row);

  int32_t fWidth;
  uint64_t fPending = 0;  // the bits not yet whole bytes, right-aligned
  int fPendingBits = 0;
  bool fFirstRow = true;
  std::vector<int32_t> fReference;
  std::vector<int32_t> fChanges;
  std::vector<uint8_t> fOut;
};

}  // namespace kx
