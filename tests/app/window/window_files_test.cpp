// Files reaching the window other than by its first dialogs: the scene file's extension
// choosing the format page, files dropped on the window, the recent files of the File menu
// across a restart, and the panorama's size with the warning for one that is not 2:1.
#include <QDropEvent>
#include <QFileDialog>
#include <QMenu>
#include <QMimeData>
#include <QTabWidget>
#include <QUrl>

#include "app/preview/panorama_info.h"
#include "app/project/file_drop.h"
#include "app/settings/recent_files.h"
#include "engine/data_holders.h"
#include "support/file_util.h"
#include "support/ini_file.h"
#include "window_support.h"

namespace talvero {
namespace {

using testing::CellText;
using testing::ReadAll;
using testing::WhenModal;
using testing::WindowTest;

class FilesTest : public WindowTest {
 protected:
  // An FMS scene written by the engine alone, its aircraft moved from the default.
  std::string WriteFmsScene(const std::string& name) {
    auto filer = TSimFiler::Create();
    filer->SetErrorReporter(&errors);
    filer->ResetJob();
    filer->SetSceneFilename(dir.File(name));
    filer->SetTextureBasename("read back");
    filer->SetSceneFormat(sfFMS);
    filer->FMSData().SetAirCraftX(Currency::Parse("-12.5"));
    filer->PrepareOutputNames();
    filer->RunSceneStage();
    EXPECT_TRUE(errors.Messages.empty());
    return dir.File(name);
  }

  // Drags `path` over `target` and drops it there, as a file manager does.
  bool Drop(QWidget* target, const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
  }

  QStringList MenuTexts(QMenu* menu) const {
    QStringList texts;
    for (QAction* action : menu->actions()) texts << action->text();
    return texts;
  }
};

TEST_F(FilesTest, TheSceneFileDecidesTheFormatPageBeforeItIsRead) {
  // Typed: ".x" and ".xscn" show the RCPSim page, ".scn" the FMS page; nothing is read.
  TypeInto(window->Edit_SceneFileName, dir.File("typed.x"));
  EXPECT_EQ(window->PageControl_SceneFormat->currentIndex(), 1);
  EXPECT_EQ(window->Edit_SceneFileName->text().toStdString(), dir.File("typed.x"))
      << "the name stays as typed";
  TypeInto(window->Edit_SceneFileName, dir.File("typed.scn"));
  EXPECT_EQ(window->PageControl_SceneFormat->currentIndex(), 0);

  // Chosen while the RCPSim page is shown: an FMS scene is read as FMS, not reset.
  QTest::mouseClick(window->PageControl_SceneFormat->tabBar(), Qt::LeftButton, {},
                    window->PageControl_SceneFormat->tabBar()->tabRect(1).center());
  const std::string scene = WriteFmsScene("read.scn");
  WhenModal([scene](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(QString::fromStdString(scene));
    static_cast<QDialog*>(dialog)->accept();
  });
  Click(window->SpeedButton_SceneFile);
  EXPECT_EQ(window->PageControl_SceneFormat->currentIndex(), 0);
  EXPECT_EQ(window->Edit_SceneFileName->text().toStdString(), scene);
  EXPECT_EQ(CellText(*window->Grid_FMS, "AirCraftX"), "-12.5");
  EXPECT_TRUE(window->SpeedButton_DataHolder->isEnabled());
  EXPECT_TRUE(errors.Messages.empty());
}

TEST_F(FilesTest, DroppedFilesAreTakenAsIfChosen) {
  Click(window->CheckBox_ShowImage);
  // A panorama dropped on an edit box is chosen, not pasted as an address.
  const std::string panorama = testing::WritePanorama(dir, 160);
  ASSERT_TRUE(Drop(window->Edit_TextureBaseName, panorama));
  EXPECT_EQ(window->Edit_ImageFileName->text().toStdString(), panorama);
  EXPECT_EQ(window->Edit_TextureBaseName->text(), "");
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->Image_Panorama->HasPicture(); }, 10000));

  // A scene file dropped anywhere is opened: its page, its values.
  QTest::mouseClick(window->PageControl_SceneFormat->tabBar(), Qt::LeftButton, {},
                    window->PageControl_SceneFormat->tabBar()->tabRect(1).center());
  const std::string scene = WriteFmsScene("dropped.scn");
  ASSERT_TRUE(Drop(window->Grid_RCP->viewport(), scene));
  EXPECT_EQ(window->Edit_SceneFileName->text().toStdString(), scene);
  EXPECT_EQ(window->PageControl_SceneFormat->currentIndex(), 0);
  EXPECT_EQ(CellText(*window->Grid_FMS, "AirCraftX"), "-12.5");

  // Other files are not taken.
  dir.Write("notes.txt", "text");
  EXPECT_FALSE(Drop(window->PageControl1, dir.File("notes.txt")));
  EXPECT_EQ(window->Edit_ImageFileName->text().toStdString(), panorama);
  EXPECT_TRUE(errors.Messages.empty());
}

TEST_F(FilesTest, RecentFilesSurviveARestartInTheirOwnSection) {
  const std::string first = testing::WritePanorama(dir, 160, "first.bmp");
  const std::string second = testing::WritePanorama(dir, 160, "second.bmp");
  const std::string scene = WriteFmsScene("recent.scn");
  ASSERT_TRUE(Drop(window->PageControl1, first));
  ASSERT_TRUE(Drop(window->PageControl1, second));
  ASSERT_TRUE(Drop(window->PageControl1, scene));
  window->close();
  window.reset();

  // The window's own section keeps its fifteen keys; the lists have a section of their own.
  const std::string ini = ReadAll(IniPath());
  const TIniFile file(IniPath());
  EXPECT_EQ(file.ReadString("RecentFiles", "Panorama1"), second);
  EXPECT_EQ(file.ReadString("RecentFiles", "Panorama2"), first);
  EXPECT_EQ(file.ReadString("RecentFiles", "Scene1"), scene);
  const size_t data = ini.find("[data]");
  ASSERT_NE(data, std::string::npos);
  const size_t next = ini.find('[', data + 1);
  const std::string dataSection = ini.substr(data, next == std::string::npos ? next : next - data);
  EXPECT_EQ(std::count(dataSection.begin(), dataSection.end(), '='), 15) << dataSection;

  Open();
  TRecentFiles& recent = *window->RecentFiles1;
  EXPECT_EQ(MenuTexts(recent.PanoramaMenu),
            (QStringList{"&1 " + QString::fromStdString(second), "&2 " + QString::fromStdString(first)}));
  // Choosing an entry opens it: the first panorama again, which moves to the top.
  recent.PanoramaMenu->actions().at(1)->trigger();
  EXPECT_EQ(window->Edit_ImageFileName->text().toStdString(), first);
  EXPECT_EQ(recent.Files(TRecentFiles::rfPanorama).first().toStdString(), first);
  recent.SceneMenu->actions().at(0)->trigger();
  EXPECT_EQ(window->Edit_SceneFileName->text().toStdString(), scene);
  EXPECT_EQ(CellText(*window->Grid_FMS, "AirCraftX"), "-12.5");
  EXPECT_TRUE(errors.Messages.empty());
}

TEST_F(FilesTest, APanoramaNotTwiceAsWideAsHighIsWarnedOfWhenChosen) {
  // Without the preview: the size is still read, off the window's thread.
  Bitmap tall(300, 200);
  const std::string path = dir.File("tall.bmp");
  TSimFiler::SaveImageAs(tall, path, eiBitmap);
  ASSERT_TRUE(Drop(window->PageControl1, path));
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return window->Label_PanoramaInfo->text().startsWith("300 × 200"); }, 10000))
      << window->Label_PanoramaInfo->text().toStdString();
  const QString warning = TPanoramaInfo::ShapeWarning({300, 200});
  EXPECT_TRUE(warning.contains("8192 × 4096")) << warning.toStdString();
  EXPECT_TRUE(window->Label_PanoramaInfo->text().contains(warning));
  EXPECT_EQ(window->StatusBar1->currentMessage(), warning) << "said where the user is";
  // A panorama of the right shape gets its size alone.
  ASSERT_TRUE(Drop(window->PageControl1, testing::WritePanorama(dir, 160)));
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return window->Label_PanoramaInfo->text() == "160 × 80 ピクセル"; }, 10000))
      << window->Label_PanoramaInfo->text().toStdString();
  EXPECT_TRUE(TPanoramaInfo::ShapeWarning({8192, 4096}).isEmpty());
}

}  // namespace
}  // namespace talvero
