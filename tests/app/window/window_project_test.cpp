// The window's face and its small commands: captions, menus, the mirrored scene-type groups,
// the format pages, the console, the help message and the settings kept between runs.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QWheelEvent>
#include <filesystem>

#include "app/app_info.h"
#include "app/job/console_view.h"
#include "app/settings/reg_manager.h"
#include "app/settings/settings_file.h"
#include "support/errors.h"
#include "window_support.h"

namespace talvero {
namespace {

using testing::ClickWhenModal;
using testing::IniLine;
using testing::ReadAll;
using testing::WhenModal;
using testing::WindowTest;

QStringList TabCaptions(const QTabWidget* tabs) {
  QStringList captions;
  for (int i = 0; i < tabs->count(); ++i) captions << tabs->tabText(i);
  return captions;
}

// Each menu as its title followed by its items: "-" a separator, "[x]"/"[ ]" a check mark,
// "(off)" a disabled item.
QStringList MenuOutline(const QMenuBar* bar) {
  QStringList outline;
  for (QAction* menuAction : bar->actions()) {
    outline << menuAction->text();
    for (QAction* item : menuAction->menu()->actions()) {
      QString text = item->isSeparator() ? QStringLiteral("-") : "  " + item->text();
      if (item->isCheckable()) text += item->isChecked() ? " [x]" : " [ ]";
      if (!item->isEnabled()) text += " (off)";
      outline << text;
    }
  }
  return outline;
}

TEST_F(WindowTest, OpensWithItsTabsMenusAndControls) {
  EXPECT_EQ(window->windowTitle(), "Talvero.exe");
  EXPECT_EQ(window->minimumSize(), QSize(644, 618));
  // The stored default height of 600 is raised to the minimum.
  EXPECT_EQ(window->size(), QSize(644, 618));
  EXPECT_EQ(TabCaptions(window->PageControl1),
            (QStringList{"　プロジェクト　", "　画像　", "　コンソール　", "　確認　"}));
  EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet1);
  EXPECT_EQ(TabCaptions(window->PageControl_SceneFormat), (QStringList{"  FMS  ", "  RCPSim  "}));
  EXPECT_EQ(MenuOutline(window->menuBar()),
            (QStringList{"ファイル(&F)", "  新規作成(&N)", "  最近使った画像ファイル(&I) (off)",
                         "  最近使ったシーンファイル(&S) (off)", "-", "  終了(&X)", "編集(&E)",
                         "  読み込み時のデータに戻す (off)", "  初期値に戻す", "プロジェクト(&P)",
                         "  出力実行(&E)", "オプション(&O)", "  画像ファイルの上書きを確認する [x]",
                         "  シーンファイルの上書きを確認する [ ]", "言語 (&Language)",
                         "  日本語 [x]", "  English [ ]", "ヘルプ(&H)",
                         "  ヘルプファイルの表示(&H)...", "  バージョン情報(&A)..."}));

  EXPECT_EQ(window->Label10->text(), "正距円筒 ( Equirectangular ) パノラマ画像を指定します。");
  EXPECT_EQ(window->Edit_ImageFileName->geometry(), QRect(126, 30, 420, 20));
  EXPECT_EQ(window->RadioGroup_SceneType->Caption(), "　シーンタイプ　");
  EXPECT_EQ(window->RadioGroup_SceneType->Items(),
            (QStringList{"立方体（６面）", "球体（２０面）"}));
  EXPECT_EQ(window->RadioGroup_CubeSuffix->Items(), (QStringList{"_left.._Bottom", "_0.._5"}));
  EXPECT_EQ(window->RadioGroup_ImageSizeMode->Items(), (QStringList{"1024", "2048", "4096"}));
  EXPECT_EQ(window->RadioGroup_ImageSizeMode->ItemIndex(), 1);
  EXPECT_EQ(window->RadioGroup_ExtractImageType->Items(), (QStringList{"Bitmap", "Jpeg"}));
  EXPECT_EQ(window->SpeedButton_DataHolder->text(), "読込時の値に戻す");
  EXPECT_FALSE(window->SpeedButton_DataHolder->isEnabled());
  EXPECT_EQ(window->SpeedButton_Execute->text(), "出力実行");
  EXPECT_TRUE(window->CreateDividedImage());
  EXPECT_TRUE(window->CreateSceneFile());
  EXPECT_FALSE(window->ShowImage());
  EXPECT_FALSE(window->ShowGuide());
  EXPECT_EQ(window->Grid_FMS->geometry(), QRect(4, 4, 429, 175));
  EXPECT_EQ(testing::CellText(*window->Grid_FMS, "AirCraftZ"), "-1.7");
  EXPECT_EQ(window->StatusBar1->height(), 24);

  // The keyboard order of the project tab.
  window->Edit_ImageFileName->setFocus();
  std::vector<QWidget*> order;
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    order.push_back(QApplication::focusWidget());
  }
  EXPECT_EQ(order, (std::vector<QWidget*>{window->Edit_SceneFileName, window->Edit_TextureBaseName,
                                          window->RadioGroup_SceneType->Button(0),
                                          window->CheckBox_CreateDividedImage}));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget()->parentWidget(), window->RadioGroup_ImageSizeMode);
}

TEST_F(WindowTest, FormatPicturesAreDrawnAndFollowThePage) {
  for (const QImage* picture : {&window->Image_FMS, &window->Image_RCP}) {
    EXPECT_EQ(picture->size(), QSize(120, 120));
    EXPECT_GT(picture->pixelColor(60, 5).blue(), picture->pixelColor(60, 5).red()) << "a sky";
  }
  EXPECT_NE(window->Image_FMS, window->Image_RCP);
  const auto shown = [this] { return window->Image_SceneFormat->pixmap().toImage(); };
  EXPECT_EQ(shown().convertToFormat(QImage::Format_RGB32), window->Image_FMS);
  QTest::mouseClick(window->PageControl_SceneFormat->tabBar(), Qt::LeftButton, {},
                    window->PageControl_SceneFormat->tabBar()->tabRect(1).center());
  EXPECT_EQ(window->Filer().GetSceneFormat(), sfRCP);
  EXPECT_EQ(shown().convertToFormat(QImage::Format_RGB32), window->Image_RCP);
}

TEST_F(WindowTest, SphereTypeRelabelsSizesAndDisablesTheNamingRule) {
  Click(window->RadioGroup_ImageSizeMode->Button(2));
  Click(window->RadioGroup_SceneType->Button(1));
  EXPECT_EQ(window->Filer().GetSceneType(), stSphere);
  EXPECT_EQ(window->RadioGroup_ImageSizeMode->Items(), (QStringList{"512", "1024", "2048"}));
  EXPECT_EQ(window->RadioGroup_ImageSizeMode->ItemIndex(), 2) << "the same item stays selected";
  EXPECT_FALSE(window->RadioGroup_CubeSuffix->isEnabled());
  EXPECT_EQ(window->RadioGroup_SceneType_Subset->ItemIndex(), 1) << "the image tab follows";
  EXPECT_EQ(window->LineList().SceneType(), stSphere);

  // The image tab's group drives the project tab back.
  window->PageControl1->setCurrentWidget(window->TabSheet2);
  Click(window->RadioGroup_SceneType_Subset->Button(0));
  EXPECT_EQ(window->RadioGroup_SceneType->ItemIndex(), 0);
  EXPECT_EQ(window->RadioGroup_ImageSizeMode->Items(), (QStringList{"1024", "2048", "4096"}));
  EXPECT_TRUE(window->RadioGroup_CubeSuffix->isEnabled());
  EXPECT_EQ(window->LineList().SceneType(), stCube);

  // A scene type set by the program (a reader, the settings) does the same.
  window->Filer().SetSceneType(stSphere);
  EXPECT_EQ(window->RadioGroup_SceneType_Subset->ItemIndex(), 1);
  EXPECT_FALSE(window->RadioGroup_CubeSuffix->isEnabled());
}

TEST_F(WindowTest, SwitchingTheFormatPageChangesTheSceneFileExtension) {
  QTabBar* pages = window->PageControl_SceneFormat->tabBar();
  const auto clickPage = [pages](int index) {
    QTest::mouseClick(pages, Qt::LeftButton, {}, pages->tabRect(index).center());
  };
  clickPage(1);
  EXPECT_EQ(window->Edit_SceneFileName->text(), "") << "an empty field stays empty";

  TypeInto(window->Edit_SceneFileName, "/data/a.b/scene");
  clickPage(0);
  EXPECT_EQ(window->PageControl_SceneFormat->currentIndex(), 0);
  EXPECT_EQ(window->Edit_SceneFileName->text(), "/data/a.b/scene.scn")
      << "a period in a folder name is not an extension";
  clickPage(1);
  EXPECT_EQ(window->Edit_SceneFileName->text(), "/data/a.b/scene.xscn");
  clickPage(0);
  EXPECT_EQ(window->Edit_SceneFileName->text(), "/data/a.b/scene.scn");

  // A page set by the program leaves the name alone.
  window->Filer().SetSceneFormat(sfRCP);
  EXPECT_EQ(window->Edit_SceneFileName->text(), "/data/a.b/scene.scn");
}

TEST_F(WindowTest, ConsoleAppendsExtendsAndFollowsTheWheel) {
  TConsole& console = *window->Editor1;
  window->FilerProgress(window->Filer(), "A", spAppend);
  window->FilerProgress(window->Filer(), "B", spUpdate);
  EXPECT_EQ(console.LineCount(), 1);
  EXPECT_EQ(console.LastLine(), "AB");
  window->FilerProgress(window->Filer(), "", spAppend);
  window->FilerProgress(window->Filer(), "C", spAppend);
  EXPECT_EQ(console.toPlainText(), "AB\n\nC") << "an empty line is a line";

  console.Clear();
  EXPECT_EQ(console.LineCount(), 0);
  window->FilerProgress(window->Filer(), "...", spUpdate);
  EXPECT_EQ(console.toPlainText(), "...") << "an update with no line starts one";

  // A long log keeps its end in view.
  window->PageControl1->setCurrentWidget(window->TabSheet3);
  for (int i = 0; i < 80; ++i) window->FilerProgress(window->Filer(), std::to_string(i), spAppend);
  EXPECT_EQ(console.TopRow(), console.verticalScrollBar()->maximum());
  EXPECT_GT(console.TopRow(), 40);

  // Each wheel step moves the caret three rows, clamped to the text.
  console.SetCaretRow(10);
  const auto wheel = [&console](int delta) {
    const QPointF at = console.viewport()->rect().center();
    QWheelEvent event(at, console.viewport()->mapToGlobal(at), {}, {0, delta}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(console.viewport(), &event);
  };
  wheel(-120);
  EXPECT_EQ(console.CaretRow(), 13);
  wheel(-240);
  EXPECT_EQ(console.CaretRow(), 19);
  wheel(120);
  EXPECT_EQ(console.CaretRow(), 16);
  wheel(-60);
  EXPECT_EQ(console.CaretRow(), 16) << "half a step is not a step yet";
  wheel(-60);
  EXPECT_EQ(console.CaretRow(), 19);
  console.SetCaretRow(1);
  wheel(120);
  EXPECT_EQ(console.CaretRow(), 0);
  console.SetCaretRow(5000);
  EXPECT_EQ(console.CaretRow(), console.document()->blockCount() - 1);
}

TEST_F(WindowTest, HelpMessageNamesTheHomePage) {
  QString text, title;
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    text = box->text();
    title = box->windowTitle();
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    box->accept();
  });
  window->HowtoUseHelp1->trigger();
  EXPECT_EQ(title, "情報");
  EXPECT_EQ(text, QString("使い方はホームページのドキュメントをご覧下さい。\n\n") + kHomePageUrl);
}

// ---- Settings

TEST_F(WindowTest, SettingsAreSavedOnCloseAndRestoredOnShow) {
  Click(window->CheckBox_CreateSceneFile);
  Click(window->RadioGroup_SceneType->Button(1));
  Click(window->RadioGroup_ImageSizeMode->Button(0));
  Click(window->RadioGroup_ExtractImageType->Button(1));
  QTest::mouseClick(window->PageControl_SceneFormat->tabBar(), Qt::LeftButton, {},
                    window->PageControl_SceneFormat->tabBar()->tabRect(1).center());
  window->mnuCheckSceneFileOverWrite->trigger();
  TypeInto(window->Edit_TextureBaseName, "not kept");
  window->move(40, 30);
  window->resize(700, 640);
  window->close();
  EXPECT_FALSE(window->isVisible());

  const std::string ini = ReadAll(IniPath());
  EXPECT_EQ(ini.substr(0, 7), "[data]\n");
  for (const char* line :
       {"CreateSceneFile=0", "CreateDividedImage=1", "ShowGuide=0", "ShowImage=0", "SceneFormat=1",
        "SceneType=1", "ImageSizeMode=0", "ImageType=1", "CheckImageFileOverWrite=1",
        "CheckSceneFileOverWrite=1", "CubeSuffix=0", "FormWidth=700", "FormHeight=640"}) {
    const std::string key(line, std::string(line).find('='));
    EXPECT_EQ(IniLine(ini, key), line);
  }

  window.reset();
  Open();
  EXPECT_FALSE(window->CreateSceneFile());
  EXPECT_EQ(window->Filer().GetSceneFormat(), sfRCP);
  EXPECT_EQ(window->RadioGroup_ImageSizeMode->Items(), (QStringList{"512", "1024", "2048"}))
      << "the stored sphere type relabels the sizes";
  EXPECT_EQ(window->Filer().GetImageSizeMode(), ismSmall);
  EXPECT_EQ(window->Filer().GetExtractImageType(), eiJpeg);
  EXPECT_TRUE(window->CheckSceneFileOverWrite());
  EXPECT_EQ(window->Edit_TextureBaseName->text(), "");
  EXPECT_EQ(window->Image_SceneFormat->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
            window->Image_RCP);
}

class StoredSettings : public WindowTest {
 protected:
  void SetUp() override {}
  void Store(std::string text) {
    dir.Write("talvero.ini", "[data]\n" + text);
    Open();
  }
};

TEST_F(StoredSettings, PositionRaisedToZeroAndHeightToTheMinimum) {
  Store("FormLeft=-30\nFormTop=-5\nFormWidth=600\nFormHeight=500\n");
  EXPECT_EQ(window->pos(), QPoint(0, 0));
  EXPECT_EQ(window->size(), QSize(644, 618));
}

// A position stored for a monitor since unplugged: the window comes back just far enough to
// be whole on the screen; a position on the screen stays as stored.
TEST_F(StoredSettings, PositionOffEveryScreenComesBackJustFarEnough) {
  const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
  Store("FormLeft=5000\nFormTop=3000\n");
  EXPECT_EQ(window->frameGeometry().right(), room.right());
  EXPECT_EQ(window->frameGeometry().bottom(), room.bottom());
  EXPECT_TRUE(room.contains(window->frameGeometry()));

  window.reset();
  Store("FormLeft=30\nFormTop=5000\n");
  EXPECT_EQ(window->x(), 30) << "only what is off the screen moves";
  EXPECT_EQ(window->frameGeometry().bottom(), room.bottom());

  window.reset();
  Store("FormLeft=20\nFormTop=40\n");
  EXPECT_EQ(window->pos(), QPoint(20, 40));
}

TEST_F(StoredSettings, DamagedValuesKeepTheDefaults) {
  Store("SceneFormat=7\nSceneType=-1\nImageSizeMode=abc\nImageType=2\nFormWidth=2000000000\n");
  EXPECT_TRUE(errors.Messages.empty());
  EXPECT_EQ(window->Filer().GetSceneFormat(), sfFMS);
  EXPECT_EQ(window->Filer().GetSceneType(), stCube);
  EXPECT_EQ(window->Filer().GetImageSizeMode(), ismSmall) << "not an integer reads as 0";
  EXPECT_EQ(window->Filer().GetExtractImageType(), eiJpeg) << "the group's last item";
  EXPECT_LE(window->width(), window->screen()->availableVirtualSize().width());
}

TEST_F(WindowTest, RefusedSettingsWriteIsReported) {
  window.reset();
  // The folder of the INI file is gone by the time the window closes.
  const std::string folder = dir.File("gone");
  std::filesystem::create_directory(folder);
  window = std::make_unique<TForm1>(folder + "/talvero.ini");
  window->SetErrorReporter(&errors);
  window->show();
  std::filesystem::remove(folder);
  window->close();
  ASSERT_EQ(errors.Messages.size(), 1u);
  EXPECT_NE(errors.Messages[0].find("に書き込めません"), std::string::npos) << errors.Messages[0];
  EXPECT_FALSE(window->isVisible()) << "the window closes all the same";
}

}  // namespace
}  // namespace talvero
