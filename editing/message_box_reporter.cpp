#include "editing/message_box_reporter.h"

#include <QApplication>
#include <QMessageBox>

namespace talvero {

void TMessageBoxErrorReporter::ShowError(const std::string& message) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("エラー"), QString::fromStdString(message),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

}  // namespace talvero
