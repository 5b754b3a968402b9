// Memory facts and large allocations, as the system offers them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace talvero::platform {

// The machine's physical memory; UINT64_MAX when the system does not say.
uint64_t PhysicalMemoryBytes();

// Room for `bytes` of pixels (nullptr when there is none), released with FreeLarge.
void* AllocateLarge(size_t bytes);
void FreeLarge(void* block);

}  // namespace talvero::platform
