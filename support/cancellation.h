// Stopping a running job from outside it: a signal handler, another thread or the window's
// cancel command sets the flag; the job's stages look at it between rows, strips and files
// and end with CancelledError, whose clean-up is that of any other error.
#pragma once

#include <atomic>

#include "support/errors.h"

namespace talvero {

// The text a cancelled job reports.
inline constexpr const char kCancelledMessage[] = "cancelled";

// Raised where a stage finds its job cancelled.
class CancelledError : public Error {
 public:
  CancelledError() : Error(kCancelledMessage) {}
};

class CancellationFlag {
 public:
  // Lock-free and async-signal-safe, so a signal handler may call it.
  void Cancel() noexcept { FCancelled.store(true, std::memory_order_relaxed); }
  void Reset() noexcept { FCancelled.store(false, std::memory_order_relaxed); }
  bool Cancelled() const noexcept { return FCancelled.load(std::memory_order_relaxed); }
  // CancelledError when the flag is set.
  void ThrowIfCancelled() const {
    if (Cancelled()) throw CancelledError();
  }

 private:
  static_assert(std::atomic<bool>::is_always_lock_free,
                "a signal handler may only set a lock-free flag");
  std::atomic<bool> FCancelled{false};
};

}  // namespace talvero
