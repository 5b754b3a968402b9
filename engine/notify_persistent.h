// Base of the engine and the parameter holders: change notification that can be held
// back while several properties change.
#pragma once

#include <cstdint>
#include <functional>

namespace talvero {

class TNotifyPersistent {
 public:
  using TNotifyEvent = std::function<void(TNotifyPersistent& sender)>;

  virtual ~TNotifyPersistent() = default;

  // Called with the object itself when a property changed; the engine and the holders
  // never assign it themselves.
  TNotifyEvent OnChange;

  // Calls OnChange unless changes are held.
  virtual void Changed();
  virtual void HoldChanges();
  // Ends one HoldChanges and then reports a change.
  virtual void ReleaseChanges();
  // Changed, unless the sender is this object.
  virtual void NotifyFrom(const TNotifyPersistent* sender);

  int32_t UpdateCount() const { return FUpdateCount; }

 protected:
  // Stores `value` into `field` and reports a change only when it differs.
  template <typename T>
  void SetAndNotify(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Changed();
  }

 private:
  int32_t FUpdateCount = 0;
};

}  // namespace talvero
