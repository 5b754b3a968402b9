// The check tab: the written scene after each job, looked around with real mouse, wheel and
// key events, rendered off the user-interface thread, and missing images named; the scene
// before conversion while the levelling is set.
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QWheelEvent>
#include <cmath>
#include <filesystem>
#include <regex>

#include "app/check/scene_view_overlay.h"
#include "app/check/scene_view_tab.h"
#include "app/preview/panorama_preview.h"
#include "app/project/levelling_panel.h"
#include "editing/talvero_filers.h"
#include "imaging/image_codecs.h"
#include "sceneview/panorama_view.h"
#include "sceneview/scene_model.h"
#include "sceneview/scene_view.h"
#include "window_support.h"

namespace talvero {
namespace {

using testing::WindowTest;
namespace fs = std::filesystem;

class CheckTabTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    fs::create_directories(dir.File("out"));
    panorama = testing::WritePanorama(dir, 160);
    tab = window->SceneView_Check;
  }

  void RunJob(const std::string& sceneName) {
    TypeInto(window->Edit_ImageFileName, panorama);
    TypeInto(window->Edit_SceneFileName, dir.File("out/" + sceneName));
    TypeInto(window->Edit_TextureBaseName, "pano");
    ExecuteAndWait();
    ASSERT_TRUE(errors.Messages.empty()) << errors.Messages.front();
  }

  void OpenCheckTab() {
    QTabBar* bar = window->PageControl1->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(3).center());
    ASSERT_EQ(window->PageControl1->currentWidget(), tab);
  }

  // Waits for the view of the latest request; false after 20 s.
  bool WaitForView() {
    for (int waited = 0; waited < 20000; waited += 5) {
      if (tab->ShownRequest() == tab->RequestsMade()) return true;
      QTest::qWait(5);
    }
    return false;
  }

  // What the renderer alone draws from the file for the direction the tab shows.
  QImage DirectView(const std::string& sceneFile) const {
    const LoadedScene scene(sceneFile);
    SceneRenderer renderer;
    return ToQImage(renderer.Render(scene, tab->ShownSettings()));
  }

  void Wheel(int delta) {
    const QPointF at = QPointF(tab->rect().center());
    QWheelEvent event(at, tab->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(tab, &event);
  }

  std::string panorama;
  TSceneViewTab* tab = nullptr;
};

TEST_F(CheckTabTest, SaysSoUntilAJobHasWrittenAScene) {
  EXPECT_EQ(window->PageControl1->count(), 4);
  EXPECT_EQ(window->PageControl1->tabText(3), QStringLiteral("　確認　"));
  OpenCheckTab();
  EXPECT_TRUE(tab->MessageText().startsWith(QStringLiteral("シーンファイルはまだありません")))
      << tab->MessageText().toStdString();
  EXPECT_TRUE(tab->ViewImage().isNull());
  // Turning without a scene draws nothing and breaks nothing.
  QTest::keyClick(tab, Qt::Key_Right);
  ASSERT_TRUE(WaitForView());
  EXPECT_TRUE(tab->ViewImage().isNull());
}

TEST_F(CheckTabTest, AfterAJobShowsTheWrittenSceneAndLooksAroundWithMouseWheelAndKeys) {
  RunJob("scene.scn");
  const std::string scene = dir.File("out/scene.scn");
  OpenCheckTab();
  ASSERT_TRUE(WaitForView());
  ASSERT_FALSE(tab->ViewImage().isNull()) << tab->MessageText().toStdString();
  EXPECT_TRUE(tab->MissingText().isEmpty());
  EXPECT_EQ(tab->ShownSettings().Yaw, 0);
  EXPECT_EQ(tab->ShownSettings().Fov, 90);
  EXPECT_EQ(tab->ViewImage(), DirectView(scene));
  const QImage ahead = tab->ViewImage();

  // A drag to the right and down: the scene follows the hand, so the view turns left and up.
  const QPoint middle = tab->rect().center();
  QTest::mousePress(tab, Qt::LeftButton, {}, middle);
  QTest::mouseMove(tab, middle + QPoint(40, 10));
  QTest::mouseMove(tab, middle + QPoint(100, 30));
  QTest::mouseRelease(tab, Qt::LeftButton, {}, middle + QPoint(100, 30));
  ASSERT_TRUE(WaitForView());
  EXPECT_GT(tab->Yaw(), 270);
  EXPECT_LT(tab->Yaw(), 359);
  EXPECT_GT(tab->Pitch(), 0);
  EXPECT_EQ(tab->ShownSettings().Yaw, tab->Yaw());
  EXPECT_NE(tab->ViewImage(), ahead);
  EXPECT_EQ(tab->ViewImage(), DirectView(scene));
  // A move without the button held turns nothing.
  const double yaw = tab->Yaw();
  QTest::mouseMove(tab, middle);
  EXPECT_EQ(tab->Yaw(), yaw);

  // Home looks ahead again; the arrow keys turn by 5 degrees.
  QTest::keyClick(tab, Qt::Key_Home);
  ASSERT_TRUE(WaitForView());
  EXPECT_EQ(tab->ViewImage(), ahead);
  QTest::keyClick(tab, Qt::Key_Right);
  QTest::keyClick(tab, Qt::Key_Right);
  QTest::keyClick(tab, Qt::Key_Up);
  EXPECT_EQ(tab->Yaw(), 10);
  EXPECT_EQ(tab->Pitch(), 5);
  QTest::keyClick(tab, Qt::Key_Left);
  QTest::keyClick(tab, Qt::Key_Left);
  QTest::keyClick(tab, Qt::Key_Left);
  QTest::keyClick(tab, Qt::Key_Down);
  QTest::keyClick(tab, Qt::Key_Down);
  EXPECT_EQ(tab->Yaw(), 355);
  EXPECT_EQ(tab->Pitch(), -5);
  ASSERT_TRUE(WaitForView());
  EXPECT_EQ(tab->ShownSettings().Yaw, 355);
  EXPECT_EQ(tab->ShownSettings().Pitch, -5);
  EXPECT_EQ(tab->ViewImage(), DirectView(scene));

  // The wheel: a notch away narrows the field by 5 degrees, within 30 to 120.
  Wheel(120);
  EXPECT_EQ(tab->Fov(), 85);
  Wheel(60);  // half a notch, as high-resolution wheels send
  EXPECT_EQ(tab->Fov(), 85);
  Wheel(60);
  EXPECT_EQ(tab->Fov(), 80);
  for (int i = 0; i < 20; ++i) Wheel(120);
  EXPECT_EQ(tab->Fov(), 30);
  for (int i = 0; i < 30; ++i) Wheel(-120);
  EXPECT_EQ(tab->Fov(), 120);
  ASSERT_TRUE(WaitForView());
  EXPECT_EQ(tab->ShownSettings().Fov, 120);
  EXPECT_EQ(tab->ViewImage(), DirectView(scene));
  // The pitch stops at straight up.
  for (int i = 0; i < 25; ++i) QTest::keyClick(tab, Qt::Key_Up);
  EXPECT_EQ(tab->Pitch(), 90);
}

TEST_F(CheckTabTest, ARadiusTypedBelowTheMinimumWritesASceneTheTabShows) {
  TDataStringGrid& grid = *window->Grid_FMS;
  const TDataStringGridItem* radius = grid.Items().FindItem("AreaRadius");
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                    grid.CellRect(radius->ColIndex(), radius->RowIndex()).center());
  QTest::keyClicks(QApplication::focusWidget(), "-500");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  // The grid shows the radius the job uses.
  EXPECT_EQ(testing::CellText(grid, "AreaRadius"), "100");
  RunJob("scene.scn");
  const std::string scene = testing::ReadAll(dir.File("out/scene.scn"));
  const size_t key = scene.find("sf_AreaRadius");
  ASSERT_NE(key, std::string::npos);
  EXPECT_EQ(scene.substr(key, scene.find('\r', key) - key), "sf_AreaRadius        : 100");
  EXPECT_FALSE(std::regex_search(scene, std::regex("--[0-9]"))) << "no doubled signs";
  OpenCheckTab();
  ASSERT_TRUE(WaitForView());
  EXPECT_FALSE(tab->ViewImage().isNull()) << tab->MessageText().toStdString();
}

// What the tab gives to judge a scene by: the keys turn the view as soon as the tab is
// shown, the aircraft's mark where the scene file puts it, the compass, the seams of the
// faces and the ground grid on request, and Home also undoes the zoom.
TEST_F(CheckTabTest, KeysAtOnceAircraftMarkCompassSeamsGroundAndHome) {
  RunJob("scene.scn");
  OpenCheckTab();  // a click on the tab bar, which would take the arrow keys otherwise
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
  EXPECT_EQ(tab->Yaw(), 5);
  EXPECT_EQ(window->PageControl1->currentWidget(), tab);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
  ASSERT_TRUE(WaitForView());
  ASSERT_FALSE(tab->ViewImage().isNull()) << tab->MessageText().toStdString();

  // The aircraft 5 m ahead and 1.7 m down (the scene's own values): straight ahead, below
  // the horizon; behind the viewer it is not drawn.
  const TSceneOverlay& overlay = tab->Overlay();
  ASSERT_TRUE(overlay.Aircraft.has_value());
  EXPECT_DOUBLE_EQ(overlay.Aircraft->X, -5);
  EXPECT_DOUBLE_EQ(overlay.Aircraft->Z, -1.7);
  const SceneViewSettings& shown = tab->ShownSettings();
  const auto mark = ProjectPoint(overlay, shown, *overlay.Aircraft);
  ASSERT_TRUE(mark.has_value());
  EXPECT_NEAR(mark->x(), shown.Width / 2.0, 0.01);
  EXPECT_GT(mark->y(), shown.Height / 2.0);
  SceneViewSettings behind = shown;
  behind.Yaw = 180;
  EXPECT_FALSE(ProjectPoint(overlay, behind, *overlay.Aircraft).has_value());
  EXPECT_STREQ(CompassPoint(0), "N");
  EXPECT_STREQ(CompassPoint(100), "E");
  EXPECT_STREQ(CompassPoint(-44), "NW");
  // A cube's seams are its twelve edges, the diagonals of its faces left out.
  EXPECT_EQ(overlay.Edges.size(), 12u);

  // The marks are drawn over the view, which stays what the simulator shows.
  const QImage plain = tab->grab().toImage();
  QTest::mouseClick(tab->CheckBox_Edges, Qt::LeftButton);
  EXPECT_TRUE(tab->OverlayOptions().Edges);
  EXPECT_NE(tab->grab().toImage(), plain);
  EXPECT_EQ(tab->ViewImage(), DirectView(dir.File("out/scene.scn")));

  // The ground grid off: the view is rendered without it.
  const QImage withGround = tab->ViewImage();
  for (int i = 0; i < 6; ++i) QTest::keyClick(tab, Qt::Key_Down);
  ASSERT_TRUE(WaitForView());
  const QImage groundBelow = tab->ViewImage();
  QTest::mouseClick(tab->CheckBox_Ground, Qt::LeftButton);
  ASSERT_TRUE(WaitForView());
  EXPECT_FALSE(tab->ShownSettings().Ground);
  EXPECT_NE(tab->ViewImage(), groundBelow);
  EXPECT_EQ(tab->ViewImage(), DirectView(dir.File("out/scene.scn")));
  EXPECT_EQ(tab, QApplication::focusWidget()) << "the toggles leave the keys to the view";

  // Home: ahead, level and the first field of view.
  Wheel(240);
  EXPECT_EQ(tab->Fov(), 80);
  QTest::keyClick(tab, Qt::Key_Home);
  EXPECT_EQ(tab->Fov(), 90);
  EXPECT_EQ(tab->Pitch(), 0);
  QTest::mouseClick(tab->CheckBox_Ground, Qt::LeftButton);
  ASSERT_TRUE(WaitForView());
  EXPECT_EQ(tab->ViewImage(), withGround);
}

TEST_F(CheckTabTest, TheLatestRequestWinsAndTheWindowStaysResponsive) {
  RunJob("scene.scn");
  OpenCheckTab();
  ASSERT_TRUE(WaitForView());
  const uint64_t before = tab->ShownRequest();
  // Far more requests than the worker can draw before the next arrives; the user-interface
  // thread never waits for one.
  for (int i = 0; i < 200; ++i) QTest::keyClick(tab, Qt::Key_Right);
  EXPECT_EQ(tab->RequestsMade(), before + 200);
  EXPECT_DOUBLE_EQ(tab->Yaw(), std::fmod(200 * 5.0, 360));
  ASSERT_TRUE(WaitForView());
  EXPECT_EQ(tab->ShownSettings().Yaw, tab->Yaw());
  EXPECT_EQ(tab->ViewImage(), DirectView(dir.File("out/scene.scn")));
}

TEST_F(CheckTabTest, ASceneWithAnImageDeletedIsShownAndTheImageNamed) {
  RunJob("scene.scn");
  // The tab reads what the job wrote in the background; Windows refuses to remove a file that
  // is still open.
  ASSERT_TRUE(WaitForView());
  ASSERT_TRUE(fs::remove(dir.File("out/pano_front.bmp")));
  // A second job writes only the scene file; the tab reads it again, with its images.
  Click(window->CheckBox_CreateDividedImage);
  RunJob("scene.scn");
  OpenCheckTab();
  ASSERT_TRUE(WaitForView());
  ASSERT_FALSE(tab->ViewImage().isNull()) << tab->MessageText().toStdString();
  EXPECT_TRUE(tab->MissingText().contains(QStringLiteral("pano_front")))
      << tab->MissingText().toStdString();
  const QLabel* shown = nullptr;
  for (const QLabel* label : tab->findChildren<QLabel*>())
    if (label->isVisible() && label->text() == tab->MissingText()) shown = label;
  EXPECT_NE(shown, nullptr) << "the missing image is not listed on the tab";
  // Ahead is the front face, now flat magenta.
  const QImage view = tab->ViewImage();
  EXPECT_EQ(view.pixelColor(view.width() / 2, view.height() / 2),
            QColor(kMissingImageColour.R, kMissingImageColour.G, kMissingImageColour.B));
}

TEST_F(CheckTabTest, AnRcpsimSceneAndADamagedSceneFile) {
  QTest::mouseClick(window->PageControl_SceneFormat->tabBar(), Qt::LeftButton, {},
                    window->PageControl_SceneFormat->tabBar()->tabRect(1).center());
  RunJob("scene.xscn");
  OpenCheckTab();
  ASSERT_TRUE(WaitForView());
  ASSERT_FALSE(tab->ViewImage().isNull()) << tab->MessageText().toStdString();
  EXPECT_EQ(tab->ViewImage(), DirectView(dir.File("out/scene.xscn")));

  // A mesh cut short: the tab says why, and nothing is drawn.
  const std::string mesh = dir.File("out/scene.x");
  const std::string bytes = testing::ReadAll(mesh);
  dir.Write("out/scene.x", bytes.substr(0, bytes.size() / 2));
  tab->ShowSceneFile(dir.File("out/scene.xscn"), sfRCP);
  ASSERT_TRUE(WaitForView());
  EXPECT_TRUE(tab->ViewImage().isNull());
  EXPECT_TRUE(tab->MessageText().startsWith(QStringLiteral("シーンファイルを表示できません")))
      << tab->MessageText().toStdString();
}

// Before anything is written the tab shows the panorama as the job will level and turn it;
// the job's own scene file takes over when it is written, and a scene file read back does
// not count as the user's levelling.
TEST_F(CheckTabTest, BeforeConversionUntilAJobWritesTheScene) {
  QCheckBox* box = tab->CheckBox_BeforeConversion;
  EXPECT_EQ(box->text(), QStringLiteral("変換前の景色"));
  EXPECT_FALSE(box->isChecked());
  // Choosing a panorama while there is no scene file to show turns it on.
  window->OpenPanorama(panorama);
  EXPECT_TRUE(box->isChecked());
  Click(box);
  EXPECT_FALSE(box->isChecked());
  window->Filer().FMSData().SetSceneRotate(Currency::FromInt(30));
  window->LevellingPanel1->Edit_Pitch->setValue(6);
  EXPECT_TRUE(box->isChecked()) << "a change of the levelling shows its effect";
  OpenCheckTab();
  ASSERT_TRUE(WaitForView());
  ASSERT_FALSE(tab->ViewImage().isNull()) << tab->MessageText().toStdString();
  EXPECT_TRUE(tab->MessageText().contains(QString::fromStdString(panorama)));
  EXPECT_TRUE(tab->MessageText().contains(QStringLiteral("変換前の景色")));
  EXPECT_FALSE(tab->CheckBox_Ground->isEnabled());
  PanoramaViewRenderer renderer;
  const ViewPanorama prepared(ReadImage(panorama, ImageFormat::Bmp));
  EXPECT_EQ(tab->ViewImage(),
            ToQImage(renderer.Render(prepared, {6, 0, 30}, tab->ShownSettings())));
  // The view follows the keys as the scene's does.
  QTest::keyClick(tab, Qt::Key_Right);
  ASSERT_TRUE(WaitForView());
  EXPECT_EQ(tab->ShownSettings().Yaw, 5);
  EXPECT_EQ(tab->ViewImage(),
            ToQImage(renderer.Render(prepared, {6, 0, 30}, tab->ShownSettings())));

  // The job ends: the written scene shows.
  RunJob("scene.scn");
  EXPECT_FALSE(box->isChecked());
  OpenCheckTab();
  ASSERT_TRUE(WaitForView());
  ASSERT_FALSE(tab->ViewImage().isNull()) << tab->MessageText().toStdString();
  EXPECT_EQ(tab->ViewImage(), DirectView(dir.File("out/scene.scn")));
  EXPECT_TRUE(tab->CheckBox_Ground->isEnabled());

  // Opening the scene file turns it off (its levelling restored is no change of the user's).
  window->LevellingPanel1->Edit_Pitch->setValue(0);
  EXPECT_TRUE(box->isChecked());
  window->OpenSceneFile(dir.File("out/scene.scn"));
  EXPECT_EQ(window->LevellingPanel1->Edit_Pitch->value(), 6);
  EXPECT_FALSE(box->isChecked());
  ASSERT_TRUE(WaitForView());
  EXPECT_EQ(tab->ViewImage(), DirectView(dir.File("out/scene.scn")));

  // Without a panorama it says so.
  window->Edit_ImageFileName->clear();
  Click(box);
  ASSERT_TRUE(WaitForView());
  EXPECT_TRUE(tab->ViewImage().isNull());
  EXPECT_TRUE(tab->MessageText().startsWith(QStringLiteral("パノラマ画像が選ばれていません")))
      << tab->MessageText().toStdString();

  // The next start restores the levelling; the box starts off all the same.
  window->close();
  Open();
  EXPECT_EQ(window->LevellingPanel1->Edit_Pitch->value(), 6);
  EXPECT_FALSE(window->SceneView_Check->CheckBox_BeforeConversion->isChecked());
}

}  // namespace
}  // namespace talvero
