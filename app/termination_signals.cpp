#include "app/termination_signals.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include "support/platform/termination.h"

namespace talvero {

void CloseOnTerminationSignals(QWidget& window) {
  static platform::TerminationRequests* current = nullptr;
  if (current) return;
  auto* requests = new platform::TerminationRequests;
  if (requests->Descriptor() < 0) {
    delete requests;
    return;
  }
  current = requests;
  auto* notifier = new QSocketNotifier(requests->Descriptor(), QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window,
                   [requests, target = QPointer<QWidget>(&window)] {
                     if (requests->Take() && target) target->close();
                   });
  // With the window gone the signals end the program again.
  QObject::connect(notifier, &QObject::destroyed, [requests] {
    delete requests;
    current = nullptr;
  });
}

}  // namespace talvero
