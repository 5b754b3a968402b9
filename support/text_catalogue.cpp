#include "support/text_catalogue.h"

#include <atomic>
#include <utility>

namespace talvero {

namespace {

using Entry = std::pair<std::string_view, std::string_view>;

// Where a translator works: the Japanese key, then its English. Keep the terms of the
// window and the README: panorama, scene file, base name, cube, sphere, faces, tiles.
constexpr Entry kEnglish[] = {
#include "support/text_catalogue_en.inc"
};

std::atomic<TextLanguage> gLanguage{TextLanguage::Japanese};

std::string_view Lookup(TextLanguage language, std::string_view japanese) {
  if (language == TextLanguage::English)
    for (const auto& [key, text] : kEnglish)
      if (key == japanese) return text;
  return japanese;
}

std::string Substitute(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t n = i + 1 < text.size() ? static_cast<size_t>(text[i + 1] - '1') : args.size();
    if (text[i] == '%' && n < args.size()) {
      out += args.begin()[n];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::optional<TextLanguage> LanguageFromCode(std::string_view code) {
  if (code == "ja") return TextLanguage::Japanese;
  if (code == "en") return TextLanguage::English;
  return std::nullopt;
}

const char* LanguageCode(TextLanguage language) {
  return language == TextLanguage::English ? "en" : "ja";
}

void SetTextLanguage(TextLanguage language) { gLanguage = language; }
TextLanguage CurrentTextLanguage() { return gLanguage; }

std::string Localized(std::string_view japanese) { return LocalizedIn(gLanguage, japanese); }

std::string Localized(std::string_view japanese, std::initializer_list<std::string_view> args) {
  return LocalizedIn(gLanguage, japanese, args);
}

std::string LocalizedIn(TextLanguage language, std::string_view japanese,
                        std::initializer_list<std::string_view> args) {
  return Substitute(Lookup(language, japanese), args);
}

std::vector<std::pair<std::string_view, std::string_view>> CatalogueEntries(TextLanguage language) {
  std::vector<std::pair<std::string_view, std::string_view>> entries;
  for (const auto& [key, text] : kEnglish)
    entries.emplace_back(key, language == TextLanguage::English ? text : key);
  return entries;
}

}  // namespace talvero
