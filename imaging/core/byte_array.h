// TKXByteArray: a growable byte buffer that keeps a block of spare room, for readers that
// collect bytes of unknown count.
#pragma once

#include <cstdint>
#include <vector>

namespace kx {

class TStream;

class TKXByteArray {
 public:
  static constexpr int64_t kBlockSize = 4096;

  TKXByteArray() { Clear(); }

  int64_t Size() const { return fSize; }
  // Bytes reserved: from Size() to Size() + kBlockSize.
  int64_t Capacity() const { return fCapacity; }
  uint8_t* Data() { return fData.data(); }
  const uint8_t* Data() const { return fData.data(); }

  void AddByte(uint8_t b);
  // Size 0 and the initial kBlockSize bytes of room.
  void Clear();
  // Keeps the contents up to the smaller size; new bytes are zero. Negative counts as 0.
  void SetSize(int64_t n);
  // Reads up to n bytes (no more than the stream holds) onto the end; returns how many arrived.
  int64_t AppendFromStream(TStream& stream, int64_t n);

 private:
  std::vector<uint8_t> fData;
  int64_t fSize = 0;
  int64_t fCapacity = 0;
};

}  // namespace kx
