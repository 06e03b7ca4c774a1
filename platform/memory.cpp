// Zero-filled blocks: calloc for small ones, anonymous mappings made present at once for
// middle-sized ones, huge-page mappings for large ones, made present by a second thread.
#include "platform/memory.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <system_error>
#include <thread>

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

// From here on a block is made present by a second thread; below it, starting the thread would
// cost more than the page faults it takes over.
constexpr size_t kPrefaultFrom = size_t(8) << 20;

size_t RoundUp(size_t n, size_t to) { return (n + to - 1) / to * to; }

}  // namespace

// Populates the block a huge page at a time from the front. The caller's own writes meanwhile
// fault in the pages the thread has not reached yet; populating never changes a page's bytes, so
// the two may meet anywhere. Stop() returns once the thread is done with the block.
class TBlockPrefaulter {
 public:
  TBlockPrefaulter(unsigned char* block, size_t length) : fThread([this, block, length] { Run(block, length); }) {}
  ~TBlockPrefaulter() { Stop(); }
  void Stop() {
    fStop.store(true, std::memory_order_relaxed);
    if (fThread.joinable()) fThread.join();
  }

 private:
  void Run(unsigned char* block, size_t length) {
    for (size_t at = 0; at < length && !fStop.load(std::memory_order_relaxed); at += kHugePage)
      if (madvise(block + at, std::min(kHugePage, length - at), MADV_POPULATE_WRITE) != 0) return;
  }

  std::atomic<bool> fStop{false};
  std::thread fThread;  // last: it starts once the flag exists
};

void TBlockDeleter::operator()(unsigned char* p) const {
  if (!p) return;
  if (prefaulter) prefaulter->Stop();
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
  auto* block = reinterpret_cast<unsigned char*>(aligned);
  std::shared_ptr<TBlockPrefaulter> prefaulter;
  // Without a thread to spare the caller's writes fault the pages in as before.
  if (size >= kPrefaultFrom) try {
      prefaulter = std::make_shared<TBlockPrefaulter>(block, length);
    } catch (const std::exception&) {
    }
  return TBlock(block, TBlockDeleter{size, std::move(prefaulter)});
}

}  // namespace kx
