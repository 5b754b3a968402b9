// Large blocks (the pixels of working images) kept for reuse while a job runs. A job makes
// and drops strips, faces and encoder images of the same few sizes; handing each back to
// the system and asking again costs a round of page clearing and faults every time. While a
// BlockReuse scope is open, a freed large block waits in a cache and the next request it can
// hold takes it again; the cache is released when the last scope closes.
#pragma once

#include <cstddef>

namespace talvero {

class BlockReuse {
 public:
  BlockReuse();
  ~BlockReuse();
  BlockReuse(const BlockReuse&) = delete;
  BlockReuse& operator=(const BlockReuse&) = delete;
};

// Room for `bytes` (nullptr when there is none): a cached block of at least that size when
// a scope is open and one is free, else a new one from the system. Any thread.
void* AllocateBlock(size_t bytes);
// Gives a block of AllocateBlock back: into the cache while a scope is open, else to the
// system.
void FreeBlock(void* block);

// Blocks held in the cache and their bytes (for tests and benchmarks).
size_t CachedBlockBytes();

}  // namespace talvero
