// Zero-filled pixel blocks. Large blocks come straight from the system as fresh zero pages,
// backed by huge pages where the system offers them: a 12-megapixel picture then costs a few
// dozen page faults instead of thousands and needs no separate zeroing pass. The system still
// zeroes each page when it is first touched, which for a large picture costs as much as filling
// it; so a second thread makes a large block's pages present while the caller starts filling it.
#pragma once

#include <cstddef>
#include <memory>

namespace kx {

class TBlockPrefaulter;

struct TBlockDeleter {
  size_t size = 0;
  std::shared_ptr<TBlockPrefaulter> prefaulter;  // stopped before the block goes back
  void operator()(unsigned char* p) const;
};
using TBlock = std::unique_ptr<unsigned char[], TBlockDeleter>;

// A zero-filled block of `size` bytes (at least 1); throws std::bad_alloc when none is to be had.
TBlock KXAllocZeroedBlock(size_t size);

}  // namespace kx
