// One worker thread for requests of which only the newest matters (decode the file chosen
// last, render the view the mouse asks for now): a request posted while another still waits
// replaces it; one already being served runs to its end. Requests are served one at a time,
// in the order posted, on the worker thread.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace talvero {

template <typename Request>
class LatestRequestWorker {
 public:
  explicit LatestRequestWorker(std::function<void(Request&)> serve)
      : FServe(std::move(serve)), FThread([this] { Run(); }) {}
  ~LatestRequestWorker() { Stop(); }
  LatestRequestWorker(const LatestRequestWorker&) = delete;
  LatestRequestWorker& operator=(const LatestRequestWorker&) = delete;

  void Post(Request request) {
    {
      const std::lock_guard lock(FLock);
      FPending = std::move(request);
    }
    FWake.notify_one();
  }
  // Drops the request that waits, if any.
  void Drop() {
    const std::lock_guard lock(FLock);
    FPending.reset();
  }
  // Drops the waiting request and waits for the one being served; nothing is served after.
  // The owner calls it before anything the serving function uses goes away.
  void Stop() {
    {
      const std::lock_guard lock(FLock);
      FStop = true;
      FPending.reset();
    }
    FWake.notify_all();
    if (FThread.joinable()) FThread.join();
  }

 private:
  void Run() {
    for (;;) {
      Request request;
      {
        std::unique_lock lock(FLock);
        FWake.wait(lock, [this] { return FStop || FPending; });
        if (FStop) return;
        request = std::move(*FPending);
        FPending.reset();
      }
      FServe(request);
    }
  }

  std::function<void(Request&)> FServe;
  std::mutex FLock;
  std::condition_variable FWake;
  std::optional<Request> FPending;
  bool FStop = false;
  std::thread FThread;  // last: started once the rest is ready
};

}  // namespace talvero
