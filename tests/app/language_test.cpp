#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <memory>

#include "app/settings/language.h"

namespace talvero {
namespace {

// The toolkit's own texts follow the window's language: a Japanese window's text fields
// offer 元に戻す, not "Undo", on every platform (Windows' Qt carries no translations).
TEST(LanguageTest, TheToolkitsOwnTextsAreJapaneseInAJapaneseWindow) {
  const auto undo = [] {
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    return menu->actions().value(0)->text();
  };
  ApplyLanguage(TextLanguage::Japanese);
  EXPECT_TRUE(undo().startsWith(QStringLiteral("元に戻す"))) << undo().toStdString();
  ApplyLanguage(TextLanguage::English);
  EXPECT_TRUE(undo().startsWith(QStringLiteral("&Undo"))) << undo().toStdString();
  ApplyLanguage(TextLanguage::Japanese);
}

}  // namespace
}  // namespace talvero
