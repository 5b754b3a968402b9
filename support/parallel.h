// Work split over threads with results and progress independent of the thread count:
// blocks finish in any order, but the caller hears of them in order, on its own thread.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace talvero {

// Threads the image work may use, the calling thread included (at least 1). The default
// is the machine's hardware concurrency.
int MaxWorkerThreads();
// 0 restores the default.
void SetMaxWorkerThreads(int threads);

// Runs work(i) for i in [0, count) on up to MaxWorkerThreads() threads, the calling thread
// among them. onDone(i) runs on the calling thread, in order of i, once blocks 0 ... i are
// all done. The first exception (of work or onDone) is rethrown on the calling thread after
// the blocks already started have ended; blocks not started yet are skipped.
void RunOrderedBlocks(int count, const std::function<void(int)>& work,
                      const std::function<void(int)>& onDone);

// Runs submitted tasks on background threads, at most `threads` at a time; with one
// thread a task runs at once on the caller's thread. Used to encode finished images while
// the next one is prepared. The first failure is rethrown by the next Submit or by Finish.
class BackgroundTasks {
 public:
  explicit BackgroundTasks(int threads = MaxWorkerThreads());
  // Waits for the tasks still running; their failures are dropped (Finish reports them).
  ~BackgroundTasks();
  BackgroundTasks(const BackgroundTasks&) = delete;
  BackgroundTasks& operator=(const BackgroundTasks&) = delete;

  // Blocks while `threads` tasks are pending.
  void Submit(std::function<void()> task);
  // Waits for every task and rethrows the first failure.
  void Finish();

 private:
  void WorkerLoop();
  void RethrowFailure();

  int FThreads;
  std::mutex FMutex;
  std::condition_variable FChanged;
  std::deque<std::function<void()>> FQueue;
  int FPending = 0;  // queued or running
  bool FStopping = false;
  std::exception_ptr FFailure;
  std::vector<std::thread> FWorkers;
};

}  // namespace talvero
