#include "app/qt_error_reporter.h"

#include <QApplication>
#include <QMessageBox>

namespace talvero {

void QtErrorReporter::ShowError(const std::string& message) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    StderrErrorReporter().ShowError(message);
    return;
  }
  QMessageBox box(QMessageBox::Critical, QCoreApplication::translate("QtErrorReporter", "エラー"),
                  QString::fromStdString(message), QMessageBox::NoButton, FParent);
  box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
  box.exec();
}

}  // namespace talvero
