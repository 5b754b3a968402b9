// The settings store's suites share this fixture.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/settings/reg_manager.h"
#include "app/settings/window_settings.h"
#include "common/test_support.h"
#include "support/errors.h"

namespace talvero::testing {

// A manager set up as the main window uses it, on settings.ini in a fresh folder, with the
// error boxes recorded.
class SettingsStore : public ::testing::Test {
 protected:
  SettingsStore() : FScope(FErrors) {
    FReg.SetRegType(rtIni);
    FReg.SetIniFileName(FIni);
    AddMainWindowSettings(FReg.RegItems());
  }
  void WriteIni(const std::string& text) { FDir.Write("settings.ini", text); }
  std::string Ini() const { return ReadAll(FIni); }

  TempDir FDir;
  const std::string FIni = FDir.File("settings.ini");
  RecordingErrorReporter FErrors;
  ScopedErrorReporter FScope;
  TRegManager FReg;
};

}  // namespace talvero::testing
