#include "support/parallel.h"

#include <algorithm>
#include <atomic>
#include <memory>

namespace talvero {

namespace {
std::atomic<int> gMaxThreads{0};
}  // namespace

int MaxWorkerThreads() {
  const int set = gMaxThreads.load();
  if (set > 0) return set;
  const unsigned hardware = std::thread::hardware_concurrency();
  return hardware > 0 ? static_cast<int>(hardware) : 1;
}

void SetMaxWorkerThreads(int threads) { gMaxThreads.store(threads > 0 ? threads : 0); }

void RunOrderedBlocks(int count, const std::function<void(int)>& work,
                      const std::function<void(int)>& onDone) {
  if (count <= 0) return;
  const int threads = std::min(MaxWorkerThreads(), count);
  if (threads <= 1) {
    for (int i = 0; i < count; ++i) {
      work(i);
      onDone(i);
    }
    return;
  }

  struct Shared {
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<char> done;
    std::exception_ptr failure;
  } shared;
  shared.done.assign(static_cast<size_t>(count), 0);

  // Takes the next block and runs it; false when there is none left (or a block failed).
  auto runOne = [&]() -> bool {
    const int i = shared.next.fetch_add(1);
    if (i >= count || shared.failed.load()) return false;
    std::exception_ptr error;
    try {
      work(i);
    } catch (...) {
      error = std::current_exception();
    }
    std::lock_guard lock(shared.mutex);
    if (error && !shared.failure) shared.failure = error;
    if (error) shared.failed.store(true);
    shared.done[static_cast<size_t>(i)] = error ? 0 : 1;
    shared.changed.notify_all();
    return true;
  };

  std::vector<std::thread> workers;
  workers.reserve(static_cast<size_t>(threads - 1));
  for (int t = 1; t < threads; ++t)
    workers.emplace_back([&] {
      while (runOne()) {
      }
    });

  std::exception_ptr failure;
  try {
    int reported = 0;
    while (reported < count) {
      // Report what is finished, in order.
      {
        std::unique_lock lock(shared.mutex);
        while (reported < count && shared.done[static_cast<size_t>(reported)]) {
          lock.unlock();
          onDone(reported++);
          lock.lock();
        }
        if (shared.failure) break;
      }
      if (reported == count) break;
      if (!runOne()) {
        std::unique_lock lock(shared.mutex);
        shared.changed.wait(lock, [&] {
          return shared.failure || shared.done[static_cast<size_t>(reported)];
        });
      }
    }
  } catch (...) {
    failure = std::current_exception();
  }
  shared.failed.store(true);  // workers stop taking blocks
  for (std::thread& worker : workers) worker.join();
  if (!failure) failure = shared.failure;
  if (failure) std::rethrow_exception(failure);
}

BackgroundTasks::BackgroundTasks(int threads) : FThreads(threads > 0 ? threads : 1) {
  if (FThreads > 1)
    for (int t = 0; t < FThreads; ++t) FWorkers.emplace_back([this] { WorkerLoop(); });
}

BackgroundTasks::~BackgroundTasks() {
  {
    std::lock_guard lock(FMutex);
    FStopping = true;
  }
  FChanged.notify_all();
  for (std::thread& worker : FWorkers) worker.join();
}

void BackgroundTasks::RethrowFailure() {
  // The failure stays recorded, so tasks still queued are skipped.
  if (FFailure) std::rethrow_exception(FFailure);
}

void BackgroundTasks::Submit(std::function<void()> task) {
  if (FWorkers.empty()) {
    task();
    return;
  }
  std::unique_lock lock(FMutex);
  FChanged.wait(lock, [&] { return FPending < FThreads || FFailure; });
  RethrowFailure();
  FQueue.push_back(std::move(task));
  ++FPending;
  FChanged.notify_all();
}

void BackgroundTasks::Finish() {
  std::unique_lock lock(FMutex);
  FChanged.wait(lock, [&] { return FPending == 0; });
  RethrowFailure();
}

void BackgroundTasks::WorkerLoop() {
  std::unique_lock lock(FMutex);
  for (;;) {
    FChanged.wait(lock, [&] { return FStopping || !FQueue.empty(); });
    if (FQueue.empty()) return;  // stopping with nothing left
    std::function<void()> task = std::move(FQueue.front());
    FQueue.pop_front();
    const bool skip = FFailure != nullptr;  // after a failure nothing more is written
    lock.unlock();
    std::exception_ptr error;
    if (!skip) {
      try {
        task();
      } catch (...) {
        error = std::current_exception();
      }
    }
    task = nullptr;  // free the task's image before reporting
    lock.lock();
    if (error && !FFailure) FFailure = error;
    --FPending;
    FChanged.notify_all();
  }
}

}  // namespace talvero
