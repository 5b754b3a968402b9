#include "support/platform/memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

namespace talvero::platform {

uint64_t PhysicalMemoryBytes() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return UINT64_MAX;
  return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

// Large blocks go into transparent huge pages where the system offers them: a panorama then
// costs a few dozen page faults instead of 25 000, which shows in the decoding time.
void* AllocateLarge(size_t bytes) {
  constexpr size_t kHugePage = size_t{2} << 20;
  if (bytes >= 4 * kHugePage) {
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    if (void* block = std::aligned_alloc(kHugePage, rounded)) {
      ::madvise(block, rounded, MADV_HUGEPAGE);  // only advice: failure changes nothing
      return block;
    }
  }
  return std::malloc(bytes);
}

void FreeLarge(void* block) { std::free(block); }

}  // namespace talvero::platform
