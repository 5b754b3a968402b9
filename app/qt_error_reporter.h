// The error box of the GUI: a modal message box with the caption "エラー" and one "OK"
// button. The main window installs it with SetErrorReporter.
#pragma once

#include <QPointer>
#include <QWidget>

#include "engine/error_reporter.h"

namespace talvero {

class QtErrorReporter : public TErrorReporter {
 public:
  explicit QtErrorReporter(QWidget* parent = nullptr) : FParent(parent) {}
  // Without a running application (no QApplication) the message goes to standard error.
  void ShowError(const std::string& message) override;

 private:
  QPointer<QWidget> FParent;
};

}  // namespace talvero
