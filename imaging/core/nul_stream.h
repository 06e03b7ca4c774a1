// TNulStream: a stream that stores nothing and only counts, so that writing a picture into it
// measures the encoded size.
#pragma once

#include "imaging/core/stream.h"

namespace kx {

// Read and Write leave the buffer alone and move the position by the count; the size is the
// largest position reached. Seeking follows every other stream: from the end, position =
// size + offset; a negative position becomes 0.
class TNulStream : public TStream {
 public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return fSize; }
  // Also pulls the position back to a smaller size.
  void SetSize(int64_t size) override;

 private:
  int64_t Advance(int64_t count);
  void MoveTo(int64_t position);

  int64_t fPosition = 0;
  int64_t fSize = 0;
};

}  // namespace kx
