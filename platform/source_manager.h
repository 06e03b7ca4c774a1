// The scanner source manager as the acquisition sees it: one entry point taking the caller's
// identity, the addressed source (null: the manager itself), a group, a data argument type, a
// message and the data. A manager is loaded for one exchange and dropped at its end, through a
// process-wide loader: the desktop installs the manager it has (a bridge to the system's scanner
// service), tests install scripted ones, and a process with none fails every exchange quietly.
//
// Memory blocks that cross the entry point (capability containers, native pictures,
// memory-transfer buffers) are handles of one allocator that both sides use, so that either side
// frees what the other allocated; the count of live blocks lets tests prove that nothing leaks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/twain.h"

namespace kx {

// What `data` points to where the record is not the one the standard names: DAT_PARENT, a
// uintptr_t holding the window handle (a TCustomControl's address, 0 for none); the hParent of
// TW_USERINTERFACE, that handle cast to a pointer; DAT_EVENT, a TW_EVENT whose pEvent points to a
// TAcquireEventRecord (platform/acquire_host.h); DAT_IMAGENATIVEXFER / MSG_GET, a TW_HANDLE that
// the source sets to a block of this allocator holding the packed DIB, which the application
// frees. Capability containers and memory-transfer buffers are blocks of this allocator too.
// Entry never throws: the acquisition calls it while walking a source back down in destructors.
class TSourceManager {
 public:
  virtual ~TSourceManager();
  virtual TW_UINT16 Entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                          TW_MEMREF data) = 0;
};

using TSourceManagerLoader = std::function<std::unique_ptr<TSourceManager>()>;

// A fresh manager from the current loader; null when no manager is installed.
std::unique_ptr<TSourceManager> KXLoadSourceManager();
// Installs `loader` (empty: none) and returns the previous one.
TSourceManagerLoader KXSetSourceManagerLoader(TSourceManagerLoader loader);

// Installs a loader for one scope and puts the previous one back.
class TSourceManagerScope {
 public:
  explicit TSourceManagerScope(TSourceManagerLoader loader) : fPrevious(KXSetSourceManagerLoader(std::move(loader))) {}
  ~TSourceManagerScope() { KXSetSourceManagerLoader(std::move(fPrevious)); }
  TSourceManagerScope(const TSourceManagerScope&) = delete;
  TSourceManagerScope& operator=(const TSourceManagerScope&) = delete;

 private:
  TSourceManagerLoader fPrevious;
};

// No block is larger than this: a size a source dictates (a preferred buffer of 4 GiB, a picture
// header with absurd sides) is refused instead of exhausting memory.
inline constexpr size_t kTWMaxBlockSize = size_t(1) << 30;

// A zero-filled block of `size` bytes (0 is allowed); null when it is above kTWMaxBlockSize or
// cannot be had.
TW_HANDLE KXTWAlloc(size_t size);
// The block's bytes; null for a null or unknown handle. Locks nest; the address stays the same.
void* KXTWLock(TW_HANDLE handle);
void KXTWUnlock(TW_HANDLE handle);
// Frees a block; null and unknown handles are ignored.
void KXTWFree(TW_HANDLE handle);
// The size the block was allocated with; 0 for a null or unknown handle.
size_t KXTWBlockSize(TW_HANDLE handle);
// How many blocks are allocated and not yet freed.
int64_t KXTWLiveBlocks();

}  // namespace kx
