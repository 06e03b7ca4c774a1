// The structure of a TIFF file: the header, the chain of image file directories and the values
// of their entries, in either byte order. Offsets count from the header's first byte. Values of
// up to four bytes sit in the entry itself, longer ones at an offset, as the TIFF standard puts
// them. Every read is checked against the bytes the stream holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/byte_reader.h"

namespace kx {

class TStream;

// Tags this codec reads or writes.
enum TTiffTag : uint16_t {
  ttNewSubfileType = 254,
  ttImageWidth = 256,
  ttImageLength = 257,
  ttBitsPerSample = 258,
  ttCompression = 259,
  ttPhotometric = 262,
  ttFillOrder = 266,
  ttDocumentName = 269,
  ttImageDescription = 270,
  ttStripOffsets = 273,
  ttSamplesPerPixel = 277,
  ttRowsPerStrip = 278,
  ttStripByteCounts = 279,
  ttXResolution = 282,
  ttYResolution = 283,
  ttPlanarConfig = 284,
  ttPageName = 285,
  ttXPosition = 286,
  ttYPosition = 287,
  ttT4Options = 292,
  ttResolutionUnit = 296,
  ttPageNumber = 297,
  ttSoftware = 305,
  ttPredictor = 317,
  ttColorMap = 320,
  ttTileWidth = 322,
  ttTileLength = 323,
  ttTileOffsets = 324,
  ttTileByteCounts = 325,
  ttSubIFDs = 330,
  ttExifIFD = 34665,
  ttGpsIFD = 34853,
};

enum TTiffType : uint16_t {
  tyByte = 1,
  tyAscii = 2,
  tyShort = 3,
  tyLong = 4,
  tyRational = 5,
  tySByte = 6,
  tyUndefined = 7,
  tySShort = 8,
  tySLong = 9,
  tySRational = 10,
  tyFloat = 11,
  tyDouble = 12,
  tyIfd = 13,
};

// Bytes of one value of a type; 0 for a type this codec does not know.
int TiffTypeSize(uint16_t type);

struct TTiffEntry {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  uint8_t Field[4] = {};  // the value field as stored
  // The bytes of the values (count x type size), or 0 for an unknown type.
  uint64_t DataSize() const { return uint64_t(Count) * uint64_t(TiffTypeSize(Type)); }
  bool Inline() const { return DataSize() <= 4; }
};

struct TTiffIfd {
  uint32_t Offset = 0;
  std::vector<TTiffEntry> Entries;
  uint32_t Next = 0;
  const TTiffEntry* Find(uint16_t tag) const;
};

// A TIFF in a stream, from the stream's position when it was made.
class TTiffInput {
 public:
  // Reads the 8-byte header at the stream's position.
  explicit TTiffInput(TStream& stream);

  // The header starts with "II" or "MM".
  bool Valid() const { return fValid; }
  bool BigEndian() const { return fBigEndian; }
  int64_t Start() const { return fStart; }
  // Bytes from the header's start to the stream's end.
  int64_t Size() const { return fSize; }
  uint32_t FirstIfd() const { return fFirstIfd; }

  // `n` bytes at `offset`, or false when they are not all in the stream.
  bool ReadAt(uint64_t offset, uint64_t n, std::vector<uint8_t>& out);
  // The same into memory of the caller's, `n` bytes long.
  bool ReadInto(uint64_t offset, uint64_t n, uint8_t* out);
  // The offsets of the directories in chain order. The walk ends at a zero offset, at one that
  // was met before (a cycle), at one whose directory does not fit in the stream, or after as
  // many directories as the stream could hold.
  std::vector<uint32_t> PageOffsets();
  // The directory at `offset`; false when it does not fit in the stream.
  bool ReadIfd(uint32_t offset, TTiffIfd& ifd);

  // The values of an entry of an integer type (BYTE, SHORT, LONG and their signed forms, IFD),
  // at most `bound` of them; false when they lie outside the stream or there are more.
  bool Integers(const TTiffEntry& e, std::vector<uint32_t>& out, uint32_t bound);
  // The first integer value, or `fallback` when there is none.
  uint32_t Integer(const TTiffEntry* e, uint32_t fallback);
  // The first RATIONAL as a number (a zero denominator counts as 1), or 0.
  double Rational(const TTiffEntry* e);
  // An ASCII entry's text up to its first NUL; empty when it cannot be read.
  std::string Text(const TTiffEntry* e);
  // The raw bytes of an entry's values.
  bool Data(const TTiffEntry& e, std::vector<uint8_t>& out);

  // A 16-bit or 32-bit value in the file's byte order.
  uint16_t U16(TKXByteReader& in) const { return fBigEndian ? in.U16BE() : in.U16LE(); }
  uint32_t U32(TKXByteReader& in) const { return fBigEndian ? in.U32BE() : in.U32LE(); }

 private:
  TStream& fStream;
  int64_t fStart = 0;
  int64_t fSize = 0;
  bool fValid = false;
  bool fBigEndian = false;
  uint32_t fFirstIfd = 0;
};

}  // namespace kx
