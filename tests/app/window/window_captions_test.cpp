// No caption is cut: every text of every tab and dialog fits its control in the fonts the
// set-up installs (DejaVu Sans for Latin text, Noto Sans CJK JP for Japanese).
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTextLayout>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/check/scene_view_tab.h"
#include "app/job/overwrite_dialog.h"
#include "app/settings/language.h"
#include "window_support.h"

namespace talvero {
namespace {

using testing::WindowTest;

QString Shown(QString text) { return text.remove(QRegularExpression("&(?!&)")); }

QString Where(const QWidget* w, const QString& text) {
  return QStringLiteral("%1 \"%2\" (%3 x %4)")
      .arg(w->metaObject()->className(), text)
      .arg(w->width())
      .arg(w->height());
}

// Where a control draws, in its parent's coordinates: a label only where the ink of its
// text lies (its line box may reach into the control below without hiding anything).
QRect InkRect(const QWidget* w) {
  const auto* label = qobject_cast<const QLabel*>(w);
  if (!label || label->text().isEmpty() || !label->pixmap().isNull()) return w->geometry();
  // The labels here show one line, left-aligned and centred upright (the default).
  const QRect room = label->contentsRect();
  QTextLayout layout(label->text(), label->font());
  layout.beginLayout();
  const QTextLine line = layout.createLine();
  layout.endLayout();
  const int baseline = room.top() + qRound((room.height() - line.height()) / 2 + line.ascent());
  return label->fontMetrics()
      .tightBoundingRect(label->text())
      .translated(room.left(), baseline)
      .translated(w->pos());
}

// Every control under `root` whose caption does not fit, with the room it has.
QStringList CutCaptions(QWidget* root) {
  QStringList cut;
  const auto need = [&cut](bool fits, const QWidget* w, const QString& text, QSize wanted) {
    if (!fits)
      cut << Where(w, text) + QStringLiteral(" needs %1 x %2").arg(wanted.width()).arg(wanted.height());
  };
  for (QWidget* w : root->findChildren<QWidget*>()) {
    if (!w->isVisible()) continue;
    // A control laid over another hides part of it.
    for (QObject* other : w->parent()->children()) {
      auto* sibling = qobject_cast<QWidget*>(other);
      if (sibling && sibling != w && sibling->isVisible() && !sibling->isWindow() &&
          sibling < w && InkRect(sibling).intersects(InkRect(w)))
        cut << Where(w, "") + " overlaps " + Where(sibling, "");
    }
    if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
      const QSize hint = label->sizeHint();
      need(label->width() >= hint.width() && label->height() >= hint.height(), w, label->text(),
           hint);
    } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
      const auto* box = static_cast<QAbstractButton*>(w);
      const QSize hint = box->sizeHint();
      // Across, indicator and text must fit; upright, the ink of the text (the specified
      // heights are less than the style's line box).
      const int ink = box->fontMetrics().tightBoundingRect(Shown(box->text())).height();
      need(box->width() >= hint.width() && box->height() >= ink, w, box->text(), {hint.width(), ink});
    } else if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->text().isEmpty()) {
      QStyleOptionButton option;
      option.initFrom(button);
      option.text = button->text();
      const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
      const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
      need(room.width() >= text.width() && room.height() >= text.height(), w, button->text(), text);
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
      // The title and the items side by side (each item is checked on its own above).
      const QSize hint = group->minimumSizeHint();
      need(group->width() >= hint.width(), w, group->title(), hint);
    } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
      for (int i = 0; i < tabs->count(); ++i) {
        const int text = tabs->fontMetrics().horizontalAdvance(Shown(tabs->tabText(i)));
        need(tabs->tabRect(i).width() >= text, w, tabs->tabText(i), {text, 0});
      }
    } else if (auto* grid = qobject_cast<TDataStringGrid*>(w)) {
      const QFontMetrics metrics = grid->fontMetrics();
      for (int row = 0; row < grid->RowCount(); ++row)
        for (int col = 0; col < grid->ColCount(); ++col) {
          const TDataStringGridItem* item = grid->Objects(col, row);
          if (!item) continue;
          const QString text = QString::fromStdString(item->DataStr());
          const int padding = item->CellAlign() == caCenter ? 0 : grid->Cellpadding();
          const int width = metrics.horizontalAdvance(text) + padding;
          // The text's top lies 2 pixels below the cell's; its ink must end inside the cell.
          QTextLayout layout(text, grid->font());
          layout.beginLayout();
          const int ascent = qRound(layout.createLine().ascent());
          layout.endLayout();
          const int bottom = 2 + ascent + metrics.tightBoundingRect(text).bottom();
          need(width <= grid->ColWidths(col) && bottom < grid->RowHeights(row), w, text,
               {width, bottom + 1});
        }
    }
  }
  return cut;
}

// The families that draw the window's Latin and Japanese text.
std::string FontsOf(const QWidget& w) {
  const QFontInfo info(w.font());
  return info.family().toStdString() + " / " + w.font().families().join(", ").toStdString();
}

TEST_F(WindowTest, EveryCaptionOfEveryTabFits) {
#ifdef _WIN32
  GTEST_SKIP() << "the room is measured in the fonts and style of the Linux set-up";
#endif
  // The measurements mean something only in the installed fonts.
  ASSERT_TRUE(QFontDatabase::families().contains("Noto Sans CJK JP"));
  ASSERT_TRUE(QFontDatabase::families().contains("DejaVu Sans"));
  SCOPED_TRACE("fonts: " + FontsOf(*window));
  for (QWidget* tab : {window->TabSheet2, window->TabSheet3, window->TabSheet1}) {
    window->PageControl1->setCurrentWidget(tab);
    EXPECT_EQ(CutCaptions(window.get()), QStringList())
        << window->PageControl1->tabText(window->PageControl1->currentIndex()).toStdString();
  }
  // The sphere labels and the other format page.
  window->Filer().SetSceneType(stSphere);
  window->Filer().SetSceneFormat(sfRCP);
  EXPECT_EQ(CutCaptions(window.get()), QStringList());
}

TEST_F(WindowTest, EveryCaptionOfTheDialogsFits) {
#ifdef _WIN32
  GTEST_SKIP() << "the room is measured in the fonts and style of the Linux set-up";
#endif
  QStringList cut = {"not shown"};
  testing::WhenModal([&cut](QWidget* modal) {
    cut = CutCaptions(modal);
    modal->close();
  });
  bool dontAsk = false;
  TForm3::Execute("/home/someone/scenes/a-long-scene-name.scn", dontAsk, window.get());
  EXPECT_EQ(cut, QStringList());

  cut = QStringList{"not shown"};
  testing::WhenModal([&cut](QWidget* modal) {
    cut = CutCaptions(modal);
    modal->close();
  });
  window->About1->trigger();
  EXPECT_EQ(cut, QStringList());
}

}  // namespace
}  // namespace talvero

// ---- The window in English

namespace talvero {
namespace {

bool IsJapanese(QChar c) {
  const char16_t u = c.unicode();
  return (u >= 0x3000 && u <= 0x30FF) || (u >= 0x31F0 && u <= 0x31FF) ||
         (u >= 0x3400 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) ||
         (u >= 0xFF00 && u <= 0xFFEF);
}

// Every text under `root` a user can see (captions, items, cells, lines, menus, tips) that
// holds a Japanese character, with where it is.
QStringList JapaneseTexts(QWidget* root) {
  QStringList found;
  const auto check = [&found](const QObject* where, const QString& text) {
    if (std::any_of(text.begin(), text.end(), IsJapanese))
      found << QStringLiteral("%1: %2").arg(where->metaObject()->className(), text);
  };
  std::function<void(const QAction*)> action = [&](const QAction* a) {
    check(a, a->text());
    check(a, a->toolTip() == QString(a->text()).remove('&') ? QString() : a->toolTip());
    if (a->menu())
      for (const QAction* item : a->menu()->actions()) action(item);
  };
  check(root, root->windowTitle());
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* w : widgets) {
    if (auto* bar = qobject_cast<QMenuBar*>(w))
      for (const QAction* a : bar->actions()) action(a);
    if (!w->isVisible()) continue;
    check(w, w->toolTip());
    if (auto* label = qobject_cast<QLabel*>(w)) check(w, label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) check(w, button->text());
    if (auto* group = qobject_cast<QGroupBox*>(w)) check(w, group->title());
    if (auto* edit = qobject_cast<QLineEdit*>(w)) check(w, edit->text() + edit->placeholderText());
    if (auto* text = qobject_cast<QPlainTextEdit*>(w)) check(w, text->toPlainText());
    if (auto* bar = qobject_cast<QStatusBar*>(w)) check(w, bar->currentMessage());
    if (auto* tabs = qobject_cast<QTabBar*>(w))
      for (int i = 0; i < tabs->count(); ++i) check(w, tabs->tabText(i));
    if (auto* combo = qobject_cast<QComboBox*>(w))
      for (int i = 0; i < combo->count(); ++i) check(w, combo->itemText(i));
    if (auto* grid = qobject_cast<TDataStringGrid*>(w))
      for (int row = 0; row < grid->RowCount(); ++row)
        for (int col = 0; col < grid->ColCount(); ++col)
          check(w, QString::fromStdString(grid->Cells(col, row)));
  }
  return found;
}

class EnglishWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WriteFileUtf8(IniPath(), "[extras]\r\nLanguage=en\r\n");
    Open();
  }
  void TearDown() override { ApplyLanguage(TextLanguage::Japanese); }

  // Runs `open`, which brings up a modal window, and returns the Japanese texts in it and,
  // for the program's own dialogs, the captions that do not fit.
  QStringList InModal(const std::function<void()>& open, bool ownDialog = true) {
    QStringList problems = {"not shown"};
    testing::WhenModal([&problems, ownDialog](QWidget* modal) {
      problems = JapaneseTexts(modal) + (ownDialog ? CutCaptions(modal) : QStringList());
      modal->close();
    });
    open();
    WaitForJobEnd();  // a job's error box comes from its worker, while the job runs
    return problems;
  }

  static void WriteFileUtf8(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
};

// With English chosen, no tab, menu, grid, console line, message or dialog shows Japanese,
// and every caption still fits.
TEST_F(EnglishWindowTest, NoTextIsJapaneseAndEveryCaptionFits) {
  EXPECT_EQ(window->PageControl1->tabText(0).trimmed(), "Project");
  for (TSceneType type : {stCube, stSphere})
    for (TSceneFormat format : {sfFMS, sfRCP}) {
      window->Filer().SetSceneType(type);
      window->Filer().SetSceneFormat(format);
      for (int tab = 0; tab < window->PageControl1->count(); ++tab) {
        window->PageControl1->setCurrentIndex(tab);
        QApplication::processEvents();
        EXPECT_EQ(JapaneseTexts(window.get()), QStringList()) << tab;
        // The 確認 tab's lines wrap, as in Japanese.
        if (window->PageControl1->currentWidget() != window->SceneView_Check) {
          EXPECT_EQ(CutCaptions(window.get()), QStringList()) << tab;
        }
      }
    }

  // A job: the console's lines, then the overwrite question of a second run, the 確認 tab.
  window->Filer().SetSceneType(stCube);
  window->Filer().SetSceneFormat(sfFMS);
  const std::string panorama = testing::WritePanorama(dir, 160);
  std::filesystem::create_directories(dir.File("out"));
  TypeInto(window->Edit_ImageFileName, panorama);
  TypeInto(window->Edit_SceneFileName, dir.File("out/scene.scn"));
  TypeInto(window->Edit_TextureBaseName, "pano");
  Click(window->RadioGroup_ImageSizeMode->Button(0));
  ExecuteAndWait();
  EXPECT_EQ(errors.Messages, std::vector<std::string>());
  EXPECT_GT(window->Editor1->LineCount(), 5);
  EXPECT_EQ(InModal([this] { Click(window->SpeedButton_Execute); }), QStringList());
  for (QWidget* tab : {window->TabSheet3, static_cast<QWidget*>(window->SceneView_Check)}) {
    window->PageControl1->setCurrentWidget(tab);
    QTest::qWait(50);
    EXPECT_EQ(JapaneseTexts(window.get()), QStringList());
  }

  // The dialogs and message boxes, the error box of a refused job among them.
  EXPECT_EQ(InModal([this] { window->About1->trigger(); }), QStringList());
  EXPECT_EQ(InModal([this] { window->HowtoUseHelp1->trigger(); }), QStringList());
  // The toolkit's file dialogs, with the program's filters.
  EXPECT_EQ(InModal([this] { Click(window->SpeedButton_Image); }, false), QStringList());
  EXPECT_EQ(InModal([this] { Click(window->SpeedButton_SceneFile); }, false), QStringList());
  window->SetErrorReporter(nullptr);
  window->Edit_ImageFileName->clear();
  EXPECT_EQ(InModal([this] { Click(window->SpeedButton_Execute); }), QStringList());
}

}  // namespace
}  // namespace talvero

namespace talvero {
namespace {

// The menu 言語: nothing is written until a language is chosen; the choice goes into
// [extras], leaves [data] as it was, is told in the chosen language and shows at the next
// start.
TEST_F(WindowTest, LanguageChoiceIsKeptAndShownAtTheNextStart) {
  const auto message = [this](QAction* entry) {
    QString text = "no message";
    testing::WhenModal([&text](QWidget* modal) {
      text = modal->findChild<QLabel*>("qt_msgbox_label")->text();
      modal->close();
    });
    entry->trigger();
    return text;
  };
  window->close();
  const std::string untouched = testing::ReadAll(IniPath());
  EXPECT_EQ(untouched.find("extras"), std::string::npos) << untouched;
  EXPECT_TRUE(window->Languages().Japanese->isChecked());

  window.reset();
  Open();
  EXPECT_EQ(message(window->Languages().English),
            "Talvero will be in English from its next start.");
  EXPECT_TRUE(window->Languages().English->isChecked());
  EXPECT_EQ(window->PageControl1->tabText(0), "　プロジェクト　");
  window->close();
  const std::string chosen = testing::ReadAll(IniPath());
  EXPECT_EQ(chosen.substr(0, untouched.size()), untouched);
  EXPECT_EQ(chosen.substr(untouched.size()), "[extras]\nLanguage=en\n");

  window.reset();
  Open();
  EXPECT_EQ(window->PageControl1->tabText(0), "  Project  ");
  EXPECT_TRUE(window->Languages().English->isChecked());
  EXPECT_EQ(message(window->Languages().Japanese), "次回の起動から日本語で表示します。");
  EXPECT_EQ(SettingsLanguage(IniPath()), TextLanguage::Japanese);
  ApplyLanguage(TextLanguage::Japanese);
}

}  // namespace
}  // namespace talvero
