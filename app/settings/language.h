// The window's language: Japanese, as the program has always been, or English. The choice
// is kept as "Language=ja|en" in the section "extras" of the settings file, written only
// once the user chooses, and takes effect when the window is next built (the next start).
#pragma once

#include <QString>
#include <string>

#include "support/text_catalogue.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace talvero {

inline constexpr const char* kExtrasSection = "extras";
inline constexpr const char* kLanguageKey = "Language";

// The language kept in the settings file; Japanese when none is, or one this program
// does not know.
TextLanguage SettingsLanguage(const std::string& iniFile);

// Makes `language` the language of every text made from now on: the window's (its
// translation is built into the program), the toolkit's own dialogs and the core's
// progress lines and messages.
void ApplyLanguage(TextLanguage language);

// `source` (a text of the window, in Japanese) as `language` shows it, whatever language
// is applied.
QString TranslatedIn(TextLanguage language, const char* context, const char* source);

// The menu 言語 with one checkable entry per language, the kept choice checked.
struct LanguageMenu {
  QMenu* Menu = nullptr;
  QAction* Japanese = nullptr;
  QAction* English = nullptr;
};
LanguageMenu AddLanguageMenu(QMenuBar& bar, const std::string& iniFile);

// Keeps `language` in the settings file and checks its entry; when it is not the language
// the window shows, says (in the chosen language) that it applies at the next start.
// FileError when the settings file cannot be written.
void ChooseLanguage(const LanguageMenu& menu, TextLanguage language, const std::string& iniFile,
                    QWidget* parent);

}  // namespace talvero
