// The core's texts (progress lines, job messages) in the user's language. Each text is
// keyed by its Japanese wording, which is also what Japanese shows, so the program reads
// exactly as before when no other language is chosen. Files never go through here: what a
// scene file or image holds does not depend on the language.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace talvero {

enum class TextLanguage { Japanese, English };

// "ja" and "en"; nullopt for any other code.
std::optional<TextLanguage> LanguageFromCode(std::string_view code);
const char* LanguageCode(TextLanguage language);

// The language of the whole process; Japanese until set. The converter sets it from --lang,
// the window from its settings.
void SetTextLanguage(TextLanguage language);
TextLanguage CurrentTextLanguage();

// The text keyed `japanese` in the current language: the key itself for Japanese or when
// the catalogue lacks it. "%1", "%2", … are then replaced by the arguments, which are not
// translated (file names, characters).
std::string Localized(std::string_view japanese);
std::string Localized(std::string_view japanese, std::initializer_list<std::string_view> args);

// The same in a language given, whatever the process uses.
std::string LocalizedIn(TextLanguage language, std::string_view japanese,
                        std::initializer_list<std::string_view> args = {});

// Every key of the catalogue with its text in `language` (for the catalogue's own checks).
std::vector<std::pair<std::string_view, std::string_view>> CatalogueEntries(TextLanguage language);

}  // namespace talvero
