// The worker that serves only the newest request: a request posted while another waits
// replaces it, the one being served runs to its end, a dropped one is never served, and
// nothing is served once Stop() has returned.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/latest_request_worker.h"

namespace talvero {
namespace {

// What the serving function saw, and a gate that holds the request "A" until opened. Waits
// give up after a while, so that a lost wake-up fails the test instead of hanging it.
class LatestServed {
 public:
  void Serve(std::string& request) {
    std::unique_lock lock(FMutex);
    FStarted.push_back(request);
    FThreads.push_back(std::this_thread::get_id());
    FChanged.notify_all();
    if (request == "A") FChanged.wait(lock, [this] { return FOpen; });
    FFinished.push_back(request);
    FChanged.notify_all();
  }
  // Forgets what was served; the gate closes again.
  void Reset() {
    const std::lock_guard lock(FMutex);
    FOpen = false;
    FStarted.clear();
    FFinished.clear();
  }
  void Open() {
    const std::lock_guard lock(FMutex);
    FOpen = true;
    FChanged.notify_all();
  }
  // True once `count` requests have started (or finished).
  bool WaitStarted(size_t count) { return WaitFor(FStarted, count); }
  bool WaitFinished(size_t count) { return WaitFor(FFinished, count); }
  std::vector<std::string> Finished() {
    const std::lock_guard lock(FMutex);
    return FFinished;
  }
  std::vector<std::thread::id> Threads() {
    const std::lock_guard lock(FMutex);
    return FThreads;
  }

 private:
  bool WaitFor(const std::vector<std::string>& list, size_t count) {
    std::unique_lock lock(FMutex);
    return FChanged.wait_for(lock, std::chrono::seconds(10), [&] { return list.size() >= count; });
  }

  std::mutex FMutex;
  std::condition_variable FChanged;
  bool FOpen = false;
  std::vector<std::string> FStarted, FFinished;
  std::vector<std::thread::id> FThreads;
};

// Long enough for a worker that would wrongly go on to start its next request.
void LetTheWorkerRun() { std::this_thread::sleep_for(std::chrono::milliseconds(100)); }

TEST(LatestRequestWorker, ServesTheRequestBeingServedThenOnlyTheNewest) {
  LatestServed served;
  LatestRequestWorker<std::string> worker([&](std::string& r) { served.Serve(r); });
  worker.Post("A");
  ASSERT_TRUE(served.WaitStarted(1));
  worker.Post("B");
  worker.Post("C");
  served.Open();
  ASSERT_TRUE(served.WaitFinished(2)) << "the newest request was never served (lost wake-up)";
  LetTheWorkerRun();
  EXPECT_EQ(served.Finished(), (std::vector<std::string>{"A", "C"}));

  // Dropped while it waits: never served; the next post is.
  served.Reset();
  worker.Post("A");
  ASSERT_TRUE(served.WaitStarted(1));
  worker.Post("B");
  worker.Drop();
  served.Open();
  ASSERT_TRUE(served.WaitFinished(1));
  LetTheWorkerRun();
  worker.Post("D");
  ASSERT_TRUE(served.WaitFinished(2));
  worker.Stop();
  EXPECT_EQ(served.Finished(), (std::vector<std::string>{"A", "D"}));
  for (const auto& thread : served.Threads()) EXPECT_NE(thread, std::this_thread::get_id());
}

TEST(LatestRequestWorker, StopWaitsForTheRequestBeingServedAndServesNoMore) {
  LatestServed served;
  LatestRequestWorker<std::string> worker([&](std::string& r) { served.Serve(r); });
  worker.Post("A");
  ASSERT_TRUE(served.WaitStarted(1));
  worker.Post("B");
  std::mutex stopping;
  bool stopped = false;
  std::thread stopper([&] {
    worker.Stop();
    const std::lock_guard lock(stopping);
    stopped = true;
  });
  LetTheWorkerRun();
  {
    const std::lock_guard lock(stopping);
    EXPECT_FALSE(stopped) << "Stop() returned while A was still being served";
  }
  served.Open();
  stopper.join();
  EXPECT_EQ(served.Finished(), (std::vector<std::string>{"A"}));
  // Posted after the stop: nothing serves it.
  worker.Post("C");
  LetTheWorkerRun();
  EXPECT_EQ(served.Finished(), (std::vector<std::string>{"A"}));
}

}  // namespace
}  // namespace talvero
