// The window as a keyboard user finds it: the tab order with radio groups as single stops,
// the arrow keys in a group, and menu mnemonics while a cell is being edited.
#include <QMenu>
#include <QMenuBar>

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QPushButton>

#include "app/project/levelling_panel.h"
#include "window_support.h"

namespace talvero {
namespace {

using testing::WindowTest;

QWidget* Focused() { return QApplication::focusWidget(); }

// The focus after each of `count` presses of Tab (or Shift+Tab), starting from `start`.
std::vector<QWidget*> TabStops(QWidget* start, int count, bool backwards = false) {
  start->setFocus(Qt::TabFocusReason);
  std::vector<QWidget*> stops;
  for (int i = 0; i < count; ++i) {
    QTest::keyClick(Focused(), backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                    backwards ? Qt::ShiftModifier : Qt::NoModifier);
    stops.push_back(Focused());
  }
  return stops;
}

class KeyboardTest : public WindowTest {
 protected:
  // Every stop of the project tab in order, round to the start: the main tabs' bar closes
  // the cycle.
  std::vector<QWidget*> ExpectedCycle(int sizeItem, QWidget* grid, bool cubeSuffix) {
    TForm1& w = *window;
    std::vector<QWidget*> cycle = {w.Edit_SceneFileName,
                                   w.Edit_TextureBaseName,
                                   w.RadioGroup_SceneType->Button(w.RadioGroup_SceneType->ItemIndex()),
                                   w.CheckBox_CreateDividedImage,
                                   w.RadioGroup_ImageSizeMode->Button(sizeItem),
                                   w.RadioGroup_ExtractImageType->Button(0),
                                   w.CheckBox_CreateSceneFile,
                                   w.PageControl_SceneFormat->tabBar(),
                                   grid};
    if (cubeSuffix) cycle.push_back(w.RadioGroup_CubeSuffix->Button(0));
    // The levelling row below the output options.
    for (QWidget* stop : std::initializer_list<QWidget*>{
             w.LevellingPanel1->Edit_Pitch, w.LevellingPanel1->Edit_Roll,
             w.LevellingPanel1->Button_FromFile, w.LevellingPanel1->CheckBox_HighQuality})
      cycle.push_back(stop);
    cycle.push_back(w.PageControl1->tabBar());
    cycle.push_back(w.Edit_ImageFileName);
    return cycle;
  }
};

TEST_F(KeyboardTest, TabVisitsEveryStopOnceWithEachRadioGroupOnItsSelectedItem) {
  const std::vector<QWidget*> cycle = ExpectedCycle(1, window->Grid_FMS, true);
  EXPECT_EQ(TabStops(window->Edit_ImageFileName, static_cast<int>(cycle.size())), cycle);

  // Backwards the same stops come in the opposite order.
  std::vector<QWidget*> back(cycle.rbegin() + 1, cycle.rend());
  back.push_back(window->Edit_ImageFileName);
  EXPECT_EQ(TabStops(window->Edit_ImageFileName, static_cast<int>(back.size()), true), back);

  // The stop follows the selection, whoever changed it; the other page's grid and a
  // disabled group are no stops.
  Click(window->RadioGroup_ImageSizeMode->Button(2));
  window->Filer().SetSceneType(stSphere);
  window->Filer().SetSceneFormat(sfRCP);
  EXPECT_EQ(TabStops(window->Edit_ImageFileName, 15), ExpectedCycle(2, window->Grid_RCP, false));
  window->Filer().SetSceneType(stCube);
  window->Filer().SetCubeSuffix(csZero);
  EXPECT_EQ(TabStops(window->CheckBox_CreateSceneFile, 3).back(),
            window->RadioGroup_CubeSuffix->Button(1));
}

TEST_F(KeyboardTest, SpaceKeepsTheChoiceAndArrowsMoveItRoundTheGroup) {
  // A fresh window: Tab, Tab, Tab, Space from the texture name must not change the size.
  window->Edit_TextureBaseName->setFocus(Qt::TabFocusReason);
  for (int i = 0; i < 3; ++i) QTest::keyClick(Focused(), Qt::Key_Tab);
  ASSERT_EQ(Focused(), window->RadioGroup_ImageSizeMode->Button(1));
  QTest::keyClick(Focused(), Qt::Key_Space);
  EXPECT_EQ(window->Filer().GetImageSizeMode(), ismNormal);

  TRadioGroup& sizes = *window->RadioGroup_ImageSizeMode;
  const auto press = [&sizes](Qt::Key key) {
    QTest::keyClick(Focused(), key);
    EXPECT_EQ(Focused(), sizes.Button(sizes.ItemIndex())) << "the focus goes with the choice";
    return sizes.ItemIndex();
  };
  EXPECT_EQ(press(Qt::Key_Right), 2);
  EXPECT_EQ(window->Filer().GetImageSizeMode(), ismLarge);
  EXPECT_EQ(press(Qt::Key_Right), 0) << "round the end";
  EXPECT_EQ(press(Qt::Key_Left), 2);
  EXPECT_EQ(press(Qt::Key_Up), 1);
  EXPECT_EQ(press(Qt::Key_Down), 2);

  // Two items: the arrows switch the scene type, and the handlers follow as for a click.
  window->RadioGroup_SceneType->Button(0)->setFocus(Qt::TabFocusReason);
  QTest::keyClick(Focused(), Qt::Key_Down);
  EXPECT_EQ(window->Filer().GetSceneType(), stSphere);
  EXPECT_EQ(sizes.Items(), (QStringList{"512", "1024", "2048"}));
  EXPECT_EQ(Focused(), window->RadioGroup_SceneType->Button(1));
  QTest::keyClick(Focused(), Qt::Key_Down);
  EXPECT_EQ(window->Filer().GetSceneType(), stCube);
}

TEST_F(KeyboardTest, MnemonicsOpenTheirMenusWhileACellIsEdited) {
  TDataStringGrid& grid = *window->Grid_FMS;
  const TDataStringGridItem* radius = grid.Items().FindItem("AreaRadius");
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                    grid.CellRect(radius->ColIndex(), radius->RowIndex()).center());
  QTest::keyClicks(Focused(), "5");
  ASSERT_TRUE(grid.Editing());
  QTest::keyClick(Focused(), Qt::Key_A, Qt::AltModifier);  // no menu has it
  EXPECT_EQ(grid.InplaceEditor()->text(), "5");

  QMenu* file = window->menuBar()->actions().at(0)->menu();
  QTest::keyClick(Focused(), Qt::Key_F, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([file] { return file->isVisible(); }, 2000));
  EXPECT_EQ(grid.InplaceEditor()->text(), "5");
  file->close();
}

}  // namespace
}  // namespace talvero
