// Zero-filled blocks: calloc for small ones, anonymous mappings made present at once for
// middle-sized ones, huge-page mappings for large ones.
#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace kx {
namespace {

constexpr size_t kHugePage = size_t(2) << 20;
// Below this, calloc's recycled memory is cheaper than a mapping of its own.
constexpr size_t kPopulatedFrom = size_t(128) << 10;
// From here on a block gets huge pages; below it, a mapping of small pages made present at
// once: one call instead of a page fault for each 4 KiB, which costs several microseconds each
// on a virtual machine (a 1/8-scale photograph's block would take a hundred and more).
constexpr size_t kMappedFrom = size_t(1) << 20;
constexpr size_t kPage = size_t(4) << 10;

size_t RoundUp(size_t n, size_t to) { return (n + to - 1) / to * to; }

}  // namespace

void TBlockDeleter::operator()(unsigned char* p) const {
  if (!p) return;
  if (size >= kMappedFrom) {
    munmap(p, RoundUp(size, kHugePage));
  } else if (size >= kPopulatedFrom) {
    munmap(p, RoundUp(size, kPage));
  } else {
    std::free(p);
  }
}

TBlock KXAllocZeroedBlock(size_t size) {
  if (size == 0) size = 1;
  if (size < kPopulatedFrom) {
    void* p = std::calloc(size, 1);
    if (!p) throw std::bad_alloc();
    return TBlock(static_cast<unsigned char*>(p), TBlockDeleter{size});
  }
  if (size < kMappedFrom) {
    void* p =
        mmap(nullptr, RoundUp(size, kPage), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    return TBlock(static_cast<unsigned char*>(p), TBlockDeleter{size});
  }
  // Map one huge page more than needed, then trim both ends so the block starts on a huge-page
  // boundary; the kernel can then back it with huge pages.
  const size_t length = RoundUp(size, kHugePage);
  void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + kHugePage - 1) & ~(uintptr_t(kHugePage) - 1);
  const size_t head = aligned - start;
  if (head) munmap(raw, head);
  if (kHugePage - head) munmap(reinterpret_cast<void*>(aligned + length), kHugePage - head);
  madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
  return TBlock(reinterpret_cast<unsigned char*>(aligned), TBlockDeleter{size});
}

}  // namespace kx
