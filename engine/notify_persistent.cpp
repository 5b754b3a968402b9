#include "engine/notify_persistent.h"

namespace talvero {

void TNotifyPersistent::Changed() {
  if (FUpdateCount == 0 && OnChange) OnChange(*this);
}

void TNotifyPersistent::HoldChanges() { ++FUpdateCount; }

void TNotifyPersistent::ReleaseChanges() {
  --FUpdateCount;
  Changed();
}

void TNotifyPersistent::NotifyFrom(const TNotifyPersistent* sender) {
  if (sender != this) Changed();
}

}  // namespace talvero
