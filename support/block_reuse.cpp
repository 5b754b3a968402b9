#include "support/block_reuse.h"

#include <map>
#include <mutex>
#include <unordered_map>

#include "support/platform/memory.h"

namespace talvero {

namespace {

// Smaller blocks come and go through the ordinary heap, which keeps them anyway.
constexpr size_t kReusedBytes = size_t{1} << 20;

struct Cache {
  std::mutex Mutex;
  int Scopes = 0;
  std::unordered_map<void*, size_t> Sizes;  // every large block handed out or cached
  std::multimap<size_t, void*> Free;        // cached, by size
  size_t FreeBytes = 0;
};

Cache& TheCache() {
  static Cache* cache = new Cache;  // never destroyed: blocks may be freed during exit
  return *cache;
}

}  // namespace

BlockReuse::BlockReuse() {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.Mutex);
  ++cache.Scopes;
}

BlockReuse::~BlockReuse() {
  Cache& cache = TheCache();
  std::multimap<size_t, void*> release;
  {
    std::lock_guard lock(cache.Mutex);
    if (--cache.Scopes > 0) return;
    release.swap(cache.Free);
    for (const auto& [bytes, block] : release) cache.Sizes.erase(block);
    cache.FreeBytes = 0;
  }
  for (const auto& [bytes, block] : release) platform::FreeLarge(block);
}

void* AllocateBlock(size_t bytes) {
  if (bytes < kReusedBytes) return platform::AllocateLarge(bytes);
  Cache& cache = TheCache();
  {
    std::lock_guard lock(cache.Mutex);
    // The smallest cached block that holds the request, its pages already in place; not one
    // more than twice as large, which a larger request may need next.
    if (const auto found = cache.Free.lower_bound(bytes);
        found != cache.Free.end() && found->first / 2 <= bytes) {
      void* block = found->second;
      cache.FreeBytes -= found->first;
      cache.Free.erase(found);
      return block;
    }
  }
  void* block = platform::AllocateLarge(bytes);
  if (block) {
    std::lock_guard lock(cache.Mutex);
    cache.Sizes.emplace(block, bytes);
  }
  return block;
}

void FreeBlock(void* block) {
  if (!block) return;
  Cache& cache = TheCache();
  {
    std::lock_guard lock(cache.Mutex);
    const auto known = cache.Sizes.find(block);
    if (known != cache.Sizes.end()) {
      if (cache.Scopes > 0) {
        cache.Free.emplace(known->second, block);
        cache.FreeBytes += known->second;
        return;
      }
      cache.Sizes.erase(known);
    }
  }
  platform::FreeLarge(block);
}

size_t CachedBlockBytes() {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.Mutex);
  return cache.FreeBytes;
}

}  // namespace talvero
