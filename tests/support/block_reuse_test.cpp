// Large blocks kept for reuse while a job runs: a freed block serves the next request it can
// hold, never a larger one nor one too small, never two holders at once, and the cache is
// gone when the last scope closes.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "support/block_reuse.h"

namespace talvero {
namespace {

constexpr size_t kReuseMiB = size_t{1} << 20;

// Writes every byte, so that the sanitizers see a block smaller than was asked for.
void* FilledBlock(size_t bytes) {
  void* block = AllocateBlock(bytes);
  if (block) std::memset(block, 0xA5, bytes);
  return block;
}

TEST(BlockReuse, AFreedBlockServesTheNextRequestItFitsWhileAScopeIsOpen) {
  ASSERT_EQ(CachedBlockBytes(), 0u);
  {
    // No scope: a freed block goes back to the system.
    void* loose = FilledBlock(2 * kReuseMiB);
    ASSERT_NE(loose, nullptr);
    FreeBlock(loose);
    EXPECT_EQ(CachedBlockBytes(), 0u);
  }

  BlockReuse scope;
  void* one = FilledBlock(kReuseMiB);
  void* two = FilledBlock(2 * kReuseMiB);
  void* four = FilledBlock(4 * kReuseMiB);
  void* small = FilledBlock(kReuseMiB / 2);
  ASSERT_TRUE(one && two && four && small);
  FreeBlock(one);
  FreeBlock(two);
  FreeBlock(four);
  FreeBlock(small);
  // Small blocks stay with the ordinary heap.
  EXPECT_EQ(CachedBlockBytes(), 7 * kReuseMiB);

  // The smallest block that holds the request: not the smaller one, not one more than twice
  // as large.
  void* between = FilledBlock(kReuseMiB + kReuseMiB / 2);
  EXPECT_EQ(between, two);
  // The same size takes the same block back.
  void* exact = FilledBlock(kReuseMiB);
  EXPECT_EQ(exact, one);
  EXPECT_EQ(CachedBlockBytes(), 4 * kReuseMiB);
  // A 1 MiB request must not take the cached 4 MiB block, which a larger request may need.
  void* fresh = FilledBlock(kReuseMiB);
  EXPECT_NE(fresh, four);
  EXPECT_EQ(CachedBlockBytes(), 4 * kReuseMiB);
  void* large = FilledBlock(3 * kReuseMiB);
  EXPECT_EQ(large, four);
  EXPECT_EQ(CachedBlockBytes(), 0u);
  EXPECT_EQ(std::set<void*>({between, exact, fresh, large}).size(), 4u)
      << "a block handed out twice";

  for (void* block : {between, exact, fresh, large}) FreeBlock(block);
}

TEST(BlockReuse, TheCacheIsReleasedWhenTheOuterScopeCloses) {
  ASSERT_EQ(CachedBlockBytes(), 0u);
  void* outlives = nullptr;
  {
    BlockReuse outer;
    {
      BlockReuse inner;
      void* block = FilledBlock(3 * kReuseMiB);
      outlives = FilledBlock(2 * kReuseMiB);
      ASSERT_TRUE(block && outlives);
      FreeBlock(block);
      EXPECT_EQ(CachedBlockBytes(), 3 * kReuseMiB);
    }
    // The outer scope still keeps the cache.
    EXPECT_EQ(CachedBlockBytes(), 3 * kReuseMiB);
  }
  EXPECT_EQ(CachedBlockBytes(), 0u);
  // A block handed out in a scope and freed after it goes back to the system (the leak
  // check of the sanitizer build sees it otherwise).
  FreeBlock(outlives);
  EXPECT_EQ(CachedBlockBytes(), 0u);
  // A new scope starts empty and still reuses.
  BlockReuse later;
  void* first = FilledBlock(kReuseMiB);
  FreeBlock(first);
  EXPECT_EQ(CachedBlockBytes(), kReuseMiB);
  void* second = FilledBlock(kReuseMiB);
  EXPECT_EQ(second, first);
  FreeBlock(second);
}

// Threads take and give back blocks of the same few sizes as fast as they can; each marks
// its block at both ends with its own pattern and finds the marks intact before freeing it.
TEST(BlockReuse, ThreadsNeverHoldTheSameBlock) {
  constexpr int kThreads = 4, kCycles = 20000;
  BlockReuse scope;
  std::atomic<int> damaged{0}, ready{0};
  auto cycle = [&](int thread) {
    // All start together, so that they meet in the cache.
    ++ready;
    while (ready < kThreads) std::this_thread::yield();
    for (int i = 0; i < kCycles; ++i) {
      const size_t bytes = (i % 3 == 0 ? 2 : 1) * kReuseMiB + static_cast<size_t>(i % 7) * 4096;
      auto* block = static_cast<unsigned char*>(AllocateBlock(bytes));
      if (!block) {
        ++damaged;
        continue;
      }
      const uint64_t mark = static_cast<uint64_t>(thread) << 32 | static_cast<uint32_t>(i);
      unsigned char* const ends[] = {block, block + bytes - sizeof mark};
      for (unsigned char* at : ends) std::memcpy(at, &mark, sizeof mark);
      std::this_thread::yield();
      for (unsigned char* at : ends)
        if (std::memcmp(at, &mark, sizeof mark) != 0) ++damaged;
      FreeBlock(block);
    }
  };
  std::vector<std::thread> threads;
  for (int t = 1; t < kThreads; ++t) threads.emplace_back(cycle, t);
  cycle(0);
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(damaged, 0);
}

}  // namespace
}  // namespace talvero
