// The allocator of blocks that cross the source manager's entry point. Handles are checked
// against the set of live blocks, so a stale or foreign handle from a source is refused instead of
// being dereferenced.
#include <cstdlib>
#include <mutex>
#include <unordered_map>

#include "platform/source_manager.h"

namespace kx {

namespace {

struct TBlockRecord {
  size_t Size;
  int32_t Locks;
};

struct TBlockTable {
  std::mutex Lock;
  std::unordered_map<void*, TBlockRecord> Blocks;
};

TBlockTable& Table() {
  static TBlockTable table;
  return table;
}

}  // namespace

TW_HANDLE KXTWAlloc(size_t size) {
  if (size > kTWMaxBlockSize) return nullptr;
  // calloc(0) may return null; one byte keeps every handle distinct and non-null.
  void* block = std::calloc(size ? size : 1, 1);
  if (!block) return nullptr;
  TBlockTable& table = Table();
  std::lock_guard guard(table.Lock);
  table.Blocks.emplace(block, TBlockRecord{size, 0});
  return block;
}

void* KXTWLock(TW_HANDLE handle) {
  TBlockTable& table = Table();
  std::lock_guard guard(table.Lock);
  const auto it = table.Blocks.find(handle);
  if (it == table.Blocks.end()) return nullptr;
  ++it->second.Locks;
  return handle;
}

void KXTWUnlock(TW_HANDLE handle) {
  TBlockTable& table = Table();
  std::lock_guard guard(table.Lock);
  const auto it = table.Blocks.find(handle);
  if (it != table.Blocks.end() && it->second.Locks > 0) --it->second.Locks;
}

void KXTWFree(TW_HANDLE handle) {
  TBlockTable& table = Table();
  {
    std::lock_guard guard(table.Lock);
    if (table.Blocks.erase(handle) == 0) return;
  }
  std::free(handle);
}

size_t KXTWBlockSize(TW_HANDLE handle) {
  TBlockTable& table = Table();
  std::lock_guard guard(table.Lock);
  const auto it = table.Blocks.find(handle);
  return it == table.Blocks.end() ? 0 : it->second.Size;
}

int64_t KXTWLiveBlocks() {
  TBlockTable& table = Table();
  std::lock_guard guard(table.Lock);
  return static_cast<int64_t>(table.Blocks.size());
}

}  // namespace kx
