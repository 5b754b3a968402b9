// The error box of a windowed program: a modal message box with the caption "エラー" and
// one OK button. Install it with SetErrorReporter or ScopedErrorReporter.
#pragma once

#include "engine/error_reporter.h"

namespace talvero {

class TMessageBoxErrorReporter : public TErrorReporter {
 public:
  void ShowError(const std::string& message) override;
};

}  // namespace talvero
