#include "support/platform/memory.h"

#include <windows.h>

#include <cstdlib>

namespace talvero::platform {

uint64_t PhysicalMemoryBytes() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status) || status.ullTotalPhys == 0) return UINT64_MAX;
  return status.ullTotalPhys;
}

// Large pages need a privilege that ordinary users lack; the heap it is.
void* AllocateLarge(size_t bytes) { return std::malloc(bytes); }

void FreeLarge(void* block) { std::free(block); }

}  // namespace talvero::platform
