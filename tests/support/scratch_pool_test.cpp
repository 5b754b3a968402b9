// Scratch objects leased to the blocks of a parallel job: each lease has an object no other
// holds, and objects given back are kept, so that a worker's arrays are made only once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "support/scratch_pool.h"

namespace talvero {
namespace {

std::atomic<int> pooledScratchMade{0};

struct PooledScratch {
  PooledScratch() { ++pooledScratchMade; }
  int Owner = -1;
  std::vector<int> Values;
};

TEST(ScratchPool, EveryLeaseHoldsAnObjectOfItsOwnAndObjectsAreKept) {
  pooledScratchMade = 0;
  ScratchPool<PooledScratch> pool;
  PooledScratch* first = nullptr;
  {
    auto lease = pool.Take();
    lease->Values.assign(100, 7);
    first = &*lease;
  }
  {
    // Given back, taken again: the same object with its arrays.
    auto again = pool.Take();
    EXPECT_EQ(&*again, first);
    EXPECT_EQ(again->Values.size(), 100u);
    // A second lease at the same time has another object.
    auto second = pool.Take();
    EXPECT_NE(&*second, first);
  }
  EXPECT_EQ(pooledScratchMade, 2);

  // Threads taking leases as fast as they can never share one, and make at most one object
  // each.
  constexpr int kThreads = 4, kCycles = 20000;
  std::atomic<int> shared{0}, ready{0};
  auto work = [&](int thread) {
    // All start together, so that they meet in the pool.
    ++ready;
    while (ready < kThreads) std::this_thread::yield();
    for (int i = 0; i < kCycles; ++i) {
      auto lease = pool.Take();
      lease->Owner = thread;
      if (i % 64 == 0) std::this_thread::yield();
      if (lease->Owner != thread) ++shared;
    }
  };
  std::vector<std::thread> threads;
  for (int t = 1; t < kThreads; ++t) threads.emplace_back(work, t);
  work(0);
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(shared, 0);
  EXPECT_LE(pooledScratchMade, kThreads);
}

}  // namespace
}  // namespace talvero
