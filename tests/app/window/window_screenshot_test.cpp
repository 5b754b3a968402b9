// Every tab renders its Japanese captions with real glyphs. With TALVERO_SCREENSHOT_DIR set,
// the tabs are also saved there as PNG files (the README's picture is made this way).
#include <QDir>
#include <QLabel>
#include <QRawFont>
#include <QTabWidget>
#include <QTextLayout>
#include <fstream>

#include "app/check/scene_view_tab.h"
#include "app/settings/language.h"
#include "window_support.h"

namespace talvero {
namespace {

using testing::WindowTest;

// True when every character of `text` has a glyph in the fonts the widget's font resolves
// to (no empty boxes).
bool HasGlyphs(const QWidget& widget, const QString& text) {
  QTextLayout layout(text, widget.font());
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  for (const QGlyphRun& run : layout.glyphRuns())
    for (quint32 glyph : run.glyphIndexes())
      if (glyph == 0) return false;
  return !layout.glyphRuns().isEmpty();
}

TEST_F(WindowTest, EveryTabRendersItsJapaneseText) {
  const QString saveTo = qEnvironmentVariable("TALVERO_SCREENSHOT_DIR");
  const std::string panorama = testing::WritePanorama(dir, 800);
  window->Edit_ImageFileName->setText(QString::fromStdString(panorama));
  window->Edit_SceneFileName->setText(QStringLiteral("/home/pilot/scenery/airfield.scn"));
  window->Edit_TextureBaseName->setText(QStringLiteral("airfield"));
  window->SetShowImage(true);
  window->SetShowGuide(true);
  // The preview is loaded; the field may show a tidier name for the picture.
  window->Edit_ImageFileName->setText(QStringLiteral("/home/pilot/panoramas/airfield.jpg"));
  for (int i = 0; i < 40; ++i)
    window->FilerProgress(window->Filer(), i % 8 ? "....." : "画像を分割しています",
                          i % 8 ? spUpdate : spAppend);

  for (const QLabel* label : {window->Label10, window->Label1, window->Label2, window->Label3})
    EXPECT_TRUE(HasGlyphs(*label, label->text())) << label->text().toStdString();
  EXPECT_TRUE(
      HasGlyphs(*window->RadioGroup_SceneType, window->RadioGroup_SceneType->Items().join("")));
  EXPECT_TRUE(HasGlyphs(*window->Editor1, QStringLiteral("画像を分割しています")));

  const char* names[] = {"project", "image", "console"};
  for (int tab = 0; tab < 3; ++tab) {
    window->PageControl1->setCurrentIndex(tab);
    QApplication::processEvents();
    const QImage shot = window->grab().toImage();
    EXPECT_EQ(shot.size(), window->size() * shot.devicePixelRatio());
    if (!saveTo.isEmpty()) {
      EXPECT_TRUE(
          shot.save(QDir(saveTo).filePath(QStringLiteral("screenshot-%1.png").arg(names[tab]))));
    }
  }
}

// The project tab in English (the README's picture of it), with real glyphs too.
TEST_F(WindowTest, ProjectTabInEnglish) {
  std::ofstream(IniPath(), std::ios::binary) << "[extras]\r\nLanguage=en\r\n";
  window.reset();
  Open();
  window->Edit_ImageFileName->setText(QStringLiteral("/home/pilot/panoramas/airfield.jpg"));
  window->Edit_SceneFileName->setText(QStringLiteral("/home/pilot/scenery/airfield.scn"));
  window->Edit_TextureBaseName->setText(QStringLiteral("airfield"));
  EXPECT_EQ(window->Label1->text(), "Panorama:");
  for (const QLabel* label : {window->Label10, window->Label1, window->Label2, window->Label3})
    EXPECT_TRUE(HasGlyphs(*label, label->text())) << label->text().toStdString();
  QApplication::processEvents();
  const QImage shot = window->grab().toImage();
  const QString saveTo = qEnvironmentVariable("TALVERO_SCREENSHOT_DIR");
  if (!saveTo.isEmpty()) {
    EXPECT_TRUE(shot.save(QDir(saveTo).filePath(QStringLiteral("screenshot-project-en.png"))));
  }
  ApplyLanguage(TextLanguage::Japanese);
}

// The check tab before conversion, showing the chosen panorama, and after a job, with the
// compass, the heading and the aircraft's mark (the README's pictures of it;
// TALVERO_SCREENSHOT_PANORAMA names a panorama to show there).
TEST_F(WindowTest, CheckTabBeforeAndAfterAJob) {
  const QString saveTo = qEnvironmentVariable("TALVERO_SCREENSHOT_DIR");
  QString panorama = qEnvironmentVariable("TALVERO_SCREENSHOT_PANORAMA");
  if (panorama.isEmpty()) panorama = QString::fromStdString(testing::WritePanorama(dir, 800));
  window->resize(900, 700);
  TSceneViewTab& tab = *window->SceneView_Check;
  window->PageControl1->setCurrentWidget(&tab);
  window->OpenPanorama(panorama.toStdString());
  ASSERT_TRUE(QTest::qWaitFor([&] { return tab.ShownRequest() == tab.RequestsMade(); }, 20000));
  QApplication::processEvents();
  ASSERT_FALSE(tab.ViewImage().isNull()) << tab.MessageText().toStdString();
  if (!saveTo.isEmpty()) {
    EXPECT_TRUE(window->grab().toImage().save(
        QDir(saveTo).filePath(QStringLiteral("screenshot-before-conversion.png"))));
  }

  window->Edit_SceneFileName->setText(QString::fromStdString(dir.File("airfield.scn")));
  window->Edit_TextureBaseName->setText(QStringLiteral("airfield"));
  window->SpeedButton_ExecuteClick();
  WaitForJobEnd();
  ASSERT_TRUE(errors.Messages.empty()) << errors.Messages.front();
  window->PageControl1->setCurrentWidget(&tab);
  QTest::keyClick(&tab, Qt::Key_Down);  // a little down, towards the aircraft
  QTest::keyClick(&tab, Qt::Key_Down);
  ASSERT_TRUE(QTest::qWaitFor([&] { return tab.ShownRequest() == tab.RequestsMade(); }, 20000));
  QApplication::processEvents();
  ASSERT_FALSE(tab.ViewImage().isNull()) << tab.MessageText().toStdString();
  EXPECT_TRUE(tab.Overlay().Aircraft.has_value());
  const QImage shot = window->grab().toImage();
  if (!saveTo.isEmpty()) {
    EXPECT_TRUE(shot.save(QDir(saveTo).filePath(QStringLiteral("screenshot-check.png"))));
  }
}

}  // namespace
}  // namespace talvero
