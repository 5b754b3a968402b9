#include "app/settings/language.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTranslator>
#include <memory>

#include "app/settings/settings_file.h"
#include "support/ini_file.h"

namespace talvero {

namespace {

// The window's English, compiled from app/translations/talvero_en.ts into the program.
const char* const kEnglishTranslation = ":/i18n/talvero_en.qm";

// The translators installed now; replaced whole when the language changes.
std::unique_ptr<QTranslator> gWindowTexts, gToolkitTexts;

void Install(std::unique_ptr<QTranslator>& slot, std::unique_ptr<QTranslator> translator) {
  if (slot) QCoreApplication::removeTranslator(slot.get());
  slot = std::move(translator);
  if (slot) QCoreApplication::installTranslator(slot.get());
}

}  // namespace

TextLanguage SettingsLanguage(const std::string& iniFile) {
  if (iniFile.empty()) return TextLanguage::Japanese;
  const std::optional<std::string> code =
      TIniFile(iniFile).ReadString(kExtrasSection, kLanguageKey);
  return code ? LanguageFromCode(*code).value_or(TextLanguage::Japanese) : TextLanguage::Japanese;
}

void ApplyLanguage(TextLanguage language) {
  SetTextLanguage(language);
  std::unique_ptr<QTranslator> window, toolkit;
  if (language == TextLanguage::English) {
    window = std::make_unique<QTranslator>();
    if (!window->load(QString::fromLatin1(kEnglishTranslation))) window.reset();
  } else {
    // The toolkit's own texts (file dialogs, standard buttons) in Japanese, like the rest;
    // in English they are the toolkit's own. Installed with the toolkit, else (Windows) built
    // into the program.
    toolkit = std::make_unique<QTranslator>();
    const QLocale japanese(QLocale::Japanese);
    if (!toolkit->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        !toolkit->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QStringLiteral(":/i18n")))
      toolkit.reset();
  }
  Install(gWindowTexts, std::move(window));
  Install(gToolkitTexts, std::move(toolkit));
}

QString TranslatedIn(TextLanguage language, const char* context, const char* source) {
  if (language == TextLanguage::English) {
    QTranslator english;
    if (english.load(QString::fromLatin1(kEnglishTranslation))) {
      const QString text = english.translate(context, source);
      if (!text.isEmpty()) return text;
    }
  }
  return QString::fromUtf8(source);
}

LanguageMenu AddLanguageMenu(QMenuBar& bar, const std::string& iniFile) {
  LanguageMenu menu;
  //: The menu's title says "Language" in Japanese mode too, for those who read no Japanese.
  menu.Menu = bar.addMenu(QCoreApplication::translate("LanguageMenu", "言語 (&Language)"));
  // Each language by its own name, except that English shows no Japanese word.
  menu.Japanese = menu.Menu->addAction(QCoreApplication::translate("LanguageMenu", "日本語"));
  menu.English = menu.Menu->addAction(QStringLiteral("English"));
  auto* group = new QActionGroup(menu.Menu);
  for (QAction* action : {menu.Japanese, menu.English}) {
    action->setCheckable(true);
    group->addAction(action);
  }
  (SettingsLanguage(iniFile) == TextLanguage::English ? menu.English : menu.Japanese)
      ->setChecked(true);
  return menu;
}

void ChooseLanguage(const LanguageMenu& menu, TextLanguage language, const std::string& iniFile,
                    QWidget* parent) {
  const TextLanguage kept = SettingsLanguage(iniFile);
  const bool stored = TIniFile(iniFile).ReadString(kExtrasSection, kLanguageKey).has_value();
  // The check mark shows the kept choice until the file holds the new one.
  (kept == TextLanguage::English ? menu.English : menu.Japanese)->setChecked(true);
  if (language == kept && stored) return;
  MakeSettingsFolder(iniFile);
  TIniFile(iniFile).WriteString(kExtrasSection, kLanguageKey, LanguageCode(language));
  (language == TextLanguage::English ? menu.English : menu.Japanese)->setChecked(true);
  if (language == CurrentTextLanguage()) return;
  const char* const title = QT_TRANSLATE_NOOP("LanguageMenu", "言語");
  //: Shown in the language just chosen: the window shows that language from its next start.
  const char* const text = QT_TRANSLATE_NOOP("LanguageMenu", "次回の起動から日本語で表示します。");
  QMessageBox box(QMessageBox::Information, TranslatedIn(language, "LanguageMenu", title),
                  TranslatedIn(language, "LanguageMenu", text), QMessageBox::NoButton, parent);
  box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
  box.exec();
}

}  // namespace talvero
