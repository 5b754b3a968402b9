// The grid control under real key and mouse events: editing mode, the key filter, header
// selection, copying and painting.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QImage>
#include <QTest>

#include "common/test_support.h"
#include "editing/data_string_grid.h"
#include "editing/widget_support.h"

namespace talvero {
namespace {

using testing::CellCentre;
using testing::Press;
using testing::PressText;
using testing::RecordingErrorReporter;
using testing::Type;

// 5 columns x 8 rows; row 0 and column 0 carry labels, (1,1) an integer, (2,1) a float,
// (1,2) a read-only text.
class GridWidget : public ::testing::Test {
 protected:
  void SetUp() override {
    grid.resize(400, 200);
    grid.SetColCount(5);
    grid.SetRowCount(8);
    Add(0, 1, ctNoEdit, "1", "");
    Add(1, 0, ctNoEdit, "A", "");
    Add(1, 1, ctInteger, "0", "Int");
    Add(2, 1, ctFloat, "0.0", "Flt");
    Add(1, 2, ctNoEdit, "label", "Label");
    grid.UpdateItems();
    ASSERT_TRUE(testing::ShowActive(grid));
    grid.setFocus();
  }

  void Add(int col, int row, TCellType type, const char* text, const char* name) {
    TDataStringGridItem& item = grid.Items().Add();
    item.SetCellType(type);
    item.SetCellAlign(caRight);
    item.SetColIndex(col);
    item.SetRowIndex(row);
    item.SetDataStr(text);
    item.SetName(name);
  }
  std::string Value(const char* name) { return grid.Items().FindItem(name)->DataStr(); }
  QWidget* Viewport() { return grid.viewport(); }
  void Click(int col, int row) {
    QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(grid, col, row));
  }

  RecordingErrorReporter errors;
  ScopedErrorReporter scope{errors};
  TDataStringGrid grid;
};

TEST_F(GridWidget, TypingADigitEntersEditingAndEveryKeyReachesTheItem) {
  grid.FocusCell(1, 1);
  Type("1");
  ASSERT_TRUE(grid.Editing());
  EXPECT_EQ(QApplication::focusWidget(), grid.InplaceEditor());
  EXPECT_EQ(grid.InplaceEditor()->text(), "1");
  EXPECT_EQ(Value("Int"), "1");
  // Letters, space, "+", "," and "/" are filtered; digits and "-" reach the editor.
  Type("a2 +,/-3");
  EXPECT_EQ(grid.InplaceEditor()->text(), "12-3");
  EXPECT_EQ(Value("Int"), "123");
  EXPECT_EQ(grid.Cells(1, 1), "12-3");
  Press(Qt::Key_Return);
  EXPECT_FALSE(grid.Editing());
  EXPECT_EQ(QApplication::focusWidget(), &grid);
  EXPECT_EQ(Value("Int"), "123");
  EXPECT_TRUE(errors.Messages.empty());
}

// The filter looks at the character a key produces, whatever modifiers are held: Alt,
// Meta, AltGr (group switch) and Ctrl+Alt type letters like any other key.
TEST_F(GridWidget, LettersTypedWithModifiersAreFilteredLikeAnyOther) {
  grid.FocusCell(1, 1);
  Type("1");
  ASSERT_TRUE(grid.Editing());
  PressText("a", Qt::AltModifier, Qt::Key_A);
  PressText("z", Qt::AltModifier | Qt::ShiftModifier, Qt::Key_Z);
  PressText("w", Qt::MetaModifier, Qt::Key_W);
  PressText("q", Qt::ControlModifier | Qt::AltModifier, Qt::Key_Q);
  PressText("@", Qt::GroupSwitchModifier, Qt::Key_At);
  PressText("€", Qt::ControlModifier | Qt::AltModifier, Qt::Key_E);
  EXPECT_EQ(grid.InplaceEditor()->text(), "1");
  EXPECT_EQ(grid.Cells(1, 1), "1");
  // A digit is a digit with any modifier.
  PressText("2", Qt::AltModifier, Qt::Key_2);
  EXPECT_EQ(grid.InplaceEditor()->text(), "12");
  Press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "12\r\n");
  Press(Qt::Key_Escape);
  EXPECT_EQ(grid.Cells(1, 1), "0");
  EXPECT_EQ(Value("Int"), "0");

  // Outside editing a modified letter neither opens the editor nor changes the cell.
  PressText("a", Qt::AltModifier, Qt::Key_A);
  EXPECT_FALSE(grid.Editing());
  EXPECT_EQ(grid.Cells(1, 1), "0");
}

// Only "0" to "9" are digits: full-width and Arabic-Indic digits are letters to the grid.
TEST_F(GridWidget, DigitsOfOtherScriptsAreNotDigits) {
  grid.Mediators("Flt").SetAsFloat(-5.0L);
  grid.FocusCell(2, 1);
  for (const QString& digit : {QStringLiteral("５"), QStringLiteral("٣"), QStringLiteral("²")}) {
    PressText(digit);
    EXPECT_FALSE(grid.Editing()) << digit.toStdString();
  }
  EXPECT_EQ(Value("Flt"), "-5.0");
  EXPECT_EQ(grid.Cells(2, 1), "-5.0");

  Press(Qt::Key_F2);
  PressText("５");
  PressText("٣");
  Type("1");
  EXPECT_EQ(grid.InplaceEditor()->text(), "-5.01");
  Press(Qt::Key_Return);
  EXPECT_EQ(Value("Flt"), "-5.01");
  EXPECT_TRUE(errors.Messages.empty());
}

TEST_F(GridWidget, FloatCellReportsALonePointOnceAndAcceptsTheNextDigit) {
  grid.FocusCell(2, 1);
  Type(".");
  ASSERT_EQ(errors.Messages.size(), 1u);
  EXPECT_EQ(errors.Messages[0], "'.' は浮動小数点数ではありません");
  EXPECT_EQ(Value("Flt"), "0.0");
  Type("5");
  EXPECT_EQ(grid.InplaceEditor()->text(), ".5");
  EXPECT_EQ(Value("Flt"), "0.5");
  Press(Qt::Key_Return);
  EXPECT_EQ(errors.Messages.size(), 1u);
  EXPECT_EQ(grid.Cells(2, 1), ".5");

  // A lone "-" is zero; "-." fails, and leaving right after it does not report it again.
  Type("-");
  EXPECT_EQ(Value("Flt"), "0.0");
  Type(".");
  Press(Qt::Key_Return);
  EXPECT_EQ(errors.Messages.size(), 2u);
  EXPECT_EQ(Value("Flt"), "0.0");
  EXPECT_EQ(grid.Cells(2, 1), "-.");
}

TEST_F(GridWidget, EscapeRestoresTheTextFromWhenEditingBegan) {
  grid.FocusCell(2, 1);
  Press(Qt::Key_F2);
  ASSERT_TRUE(grid.Editing());
  EXPECT_EQ(grid.EditOrgText(), "0.0");
  Type("7");  // caret at the end: "0.07"
  EXPECT_EQ(Value("Flt"), "0.07");
  Press(Qt::Key_Escape);
  EXPECT_FALSE(grid.Editing());
  EXPECT_EQ(Value("Flt"), "0.0");
  EXPECT_EQ(grid.Cells(2, 1), "0.0");
}

TEST_F(GridWidget, EnterF2AndDoubleClickOpenOnlyEditableCells) {
  grid.FocusCell(1, 2);  // read-only
  Type("5");
  Press(Qt::Key_Return);
  Press(Qt::Key_F2);
  QTest::mouseDClick(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(grid, 1, 2));
  EXPECT_FALSE(grid.Editing());
  EXPECT_EQ(Value("Label"), "label");
  Click(3, 3);  // a cell without item is read-only too
  Press(Qt::Key_F2);
  EXPECT_FALSE(grid.Editing());

  grid.FocusCell(1, 1);
  Press(Qt::Key_Return);
  EXPECT_TRUE(grid.Editing());
  Press(Qt::Key_Return);
  EXPECT_FALSE(grid.Editing());
  QTest::mouseDClick(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(grid, 2, 1));
  EXPECT_TRUE(grid.Editing());
  EXPECT_EQ(grid.Col(), 2);
}

TEST_F(GridWidget, ArrowsAtTheTextEdgesAndOtherCellsEndEditing) {
  grid.FocusCell(1, 1);
  Press(Qt::Key_F2);  // caret after "0"
  Press(Qt::Key_Left);
  EXPECT_TRUE(grid.Editing());  // the caret moved to the start
  Press(Qt::Key_Left);
  EXPECT_FALSE(grid.Editing());
  EXPECT_EQ(grid.Col(), 1);  // column 1 is the first data column

  grid.FocusCell(1, 1);
  Press(Qt::Key_F2);
  Press(Qt::Key_Right);
  EXPECT_FALSE(grid.Editing());
  EXPECT_EQ(grid.Col(), 2);

  Press(Qt::Key_F2);
  Press(Qt::Key_Down);
  EXPECT_FALSE(grid.Editing());
  EXPECT_EQ(grid.Row(), 2);

  grid.FocusCell(1, 1);
  Type("9");
  Click(2, 1);
  EXPECT_FALSE(grid.Editing());
  EXPECT_EQ(Value("Int"), "9");
  EXPECT_EQ(grid.Col(), 2);
}

TEST_F(GridWidget, ProgramWritesDuringEditingReachTheEditor) {
  grid.FocusCell(2, 1);
  Type("7");
  grid.Mediators("Flt").SetAsFloat(3.0L);
  EXPECT_EQ(grid.InplaceEditor()->text(), "3.0");
  Press(Qt::Key_Return);
  EXPECT_EQ(Value("Flt"), "3.0");
  EXPECT_EQ(grid.Cells(2, 1), "3.0");
}

TEST_F(GridWidget, PastedTextIsFilteredByTheItemOnly) {
  QApplication::clipboard()->setText("x12");
  grid.FocusCell(1, 1);
  Press(Qt::Key_F2);
  grid.InplaceEditor()->selectAll();
  Press(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(grid.InplaceEditor()->text(), "x12");
  EXPECT_EQ(Value("Int"), "12");
  Press(Qt::Key_Return);
  EXPECT_EQ(Value("Int"), "12");
}

TEST_F(GridWidget, HeaderPressesSelectWholeRowsColumnsAndTheGrid) {
  QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(grid, 0, 0));
  EXPECT_EQ(grid.Selection(), (TGridRect{1, 1, 4, 7}));
  EXPECT_EQ(grid.Col(), 1);
  EXPECT_EQ(grid.Row(), 1);

  QTest::mousePress(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(grid, 0, 3));
  EXPECT_TRUE(grid.EdgeSelecting());
  QTest::mouseMove(Viewport(), CellCentre(grid, 2, 6));
  QTest::mouseRelease(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(grid, 2, 6));
  EXPECT_FALSE(grid.EdgeSelecting());
  EXPECT_EQ(grid.Selection(), (TGridRect{1, 3, 4, 6}));
  EXPECT_EQ(grid.Col(), 1);
  EXPECT_EQ(grid.Row(), 3);

  QTest::mousePress(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(grid, 3, 0));
  EXPECT_EQ(grid.Selection(), (TGridRect{3, 1, 3, 7}));
  EXPECT_EQ(grid.Col(), 3);
  EXPECT_EQ(grid.Row(), 1);
  // Dragging left over the data area and up beyond the grid keeps whole columns.
  QTest::mouseMove(Viewport(), CellCentre(grid, 1, 4) - QPoint(0, 200));
  QTest::mouseRelease(Viewport(), Qt::LeftButton);
  EXPECT_EQ(grid.Selection(), (TGridRect{1, 1, 3, 7}));

  // A header press leaves editing mode.
  grid.FocusCell(1, 1);
  Type("5");
  QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(grid, 0, 5));
  EXPECT_FALSE(grid.Editing());
  EXPECT_EQ(grid.Selection(), (TGridRect{1, 5, 4, 5}));
  EXPECT_EQ(Value("Int"), "5");

  grid.SetEdgeSelect(false);
  QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(grid, 0, 0));
  EXPECT_EQ(grid.Selection(), (TGridRect{1, 5, 4, 5}));
}

TEST_F(GridWidget, CtrlCCopiesTheSelectedRawTextsInEveryMode) {
  grid.SetCells(3, 3, "a");
  grid.SetCells(4, 3, "b");
  grid.SetCells(3, 4, "c");
  grid.SetCells(4, 4, "d");
  // A drag over the data area selects the block.
  QTest::mousePress(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(grid, 3, 3));
  QTest::mouseMove(Viewport(), CellCentre(grid, 4, 4));
  QTest::mouseRelease(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(grid, 4, 4));
  EXPECT_EQ(grid.Selection(), (TGridRect{3, 3, 4, 4}));
  Press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "a\tb\r\nc\td\r\n");

  // Shift extends from the anchor; while editing, Ctrl+C copies the selection too.
  grid.FocusCell(1, 1);
  Press(Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(grid.Selection(), (TGridRect{1, 1, 2, 1}));
  grid.FocusCell(2, 1);
  Type("4");
  Press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "4\r\n");
}

TEST_F(GridWidget, KeyboardMovesStayInTheDataAreaAndScrollIntoView) {
  grid.resize(400, 100);  // about four rows fit
  grid.FocusCell(1, 1);
  Press(Qt::Key_Up);
  Press(Qt::Key_Left);
  EXPECT_EQ(grid.Col(), 1);
  EXPECT_EQ(grid.Row(), 1);
  Press(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(grid.Col(), 4);
  EXPECT_EQ(grid.Row(), 7);
  EXPECT_GT(grid.TopRow(), 1);
  EXPECT_FALSE(grid.CellRect(4, 7).isEmpty());
  EXPECT_FALSE(grid.CellRect(0, 0).isEmpty());  // the headers never scroll away
  Press(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(grid.TopRow(), 1);

  // An edge drag below the grid scrolls a row at a time.
  QTest::mousePress(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(grid, 0, 1));
  QTest::mouseMove(Viewport(), QPoint(10, grid.viewport()->height() + 20));
  EXPECT_EQ(grid.TopRow(), 2);
  QTest::mouseRelease(Viewport(), Qt::LeftButton);
}

TEST_F(GridWidget, CopyingAnotherGridTakesItsSizeWidthsAndOwnItems) {
  TDataStringGrid copy;
  copy.SetCells(4, 4, "old");
  grid.SetColWidths(2, 90);
  copy.AssignFrom(grid);
  EXPECT_EQ(copy.ColCount(), 5);
  EXPECT_EQ(copy.RowCount(), 8);
  EXPECT_EQ(copy.ColWidths(2), 90);
  EXPECT_EQ(copy.Cells(4, 4), "");
  EXPECT_EQ(copy.Cells(2, 1), "0.0");
  ASSERT_NE(copy.Objects(2, 1), nullptr);
  EXPECT_NE(copy.Objects(2, 1), grid.Objects(2, 1));
  copy.Mediators("flt").SetAsFloat(2.0L);
  EXPECT_EQ(Value("Flt"), "0.0");
  EXPECT_EQ(copy.Cells(2, 1), "2.0");
}

// Cell frames: headers framed in the line colour, grey lines between data cells, the
// fixed colour for read-only cells, grey selection when the grid is not focused.
TEST_F(GridWidget, PaintsHeadersDataLinesAndSelection) {
  grid.SetEnabledLineColor(Qt::black);
  grid.SetSelection({1, 1, 2, 2});
  grid.clearFocus();
  const QImage image = grid.viewport()->grab().toImage();
  const QRect data = grid.CellRect(2, 1);
  const QRect header = grid.CellRect(0, 1);
  const QRect free = grid.CellRect(3, 3);
  const QColor grey(128, 128, 128);
  EXPECT_EQ(image.pixelColor(header.right() + 1, header.center().y()), QColor(Qt::black));
  EXPECT_EQ(image.pixelColor(data.right() + 1, data.center().y()), grey);  // between data cells
  EXPECT_EQ(image.pixelColor(data.center().x(), data.top() - 1), QColor(Qt::black));  // below row 0
  EXPECT_EQ(image.pixelColor(free.left() + 1, free.top() + 1),
            grid.palette().color(QPalette::Button));
  EXPECT_EQ(image.pixelColor(data.left() + 1, data.bottom() - 1), grey);  // unfocused selection

  ASSERT_TRUE(testing::ShowActive(grid));
  grid.setFocus();
  const QImage focused = grid.viewport()->grab().toImage();
  EXPECT_EQ(focused.pixelColor(data.left() + 1, data.bottom() - 1),
            grid.palette().color(QPalette::Highlight));
}

// The current cell carries a focus mark whenever the grid holds the focus, however it got
// there (a mouse click gives no keyboard focus change to the style).
TEST_F(GridWidget, CurrentCellShowsAFocusMarkWhileTheGridHasTheFocus) {
  const auto marked = [this](int col, int row) {
    const QImage image = grid.viewport()->grab().toImage();
    const QRect cell = grid.CellRect(col, row);
    const QColor background = image.pixelColor(cell.center());
    int differing = 0;
    for (int x = cell.left(); x <= cell.right(); ++x)
      for (int y : {cell.top(), cell.top() + 1, cell.bottom() - 1, cell.bottom()})
        differing += image.pixelColor(x, y) != background;
    return differing > cell.width() / 2;
  };
  grid.clearFocus();
  Click(3, 3);
  ASSERT_TRUE(grid.hasFocus());
  EXPECT_EQ(grid.Col(), 3);
  EXPECT_TRUE(marked(3, 3));
  EXPECT_FALSE(marked(4, 4));
  Press(Qt::Key_Down);
  EXPECT_TRUE(marked(3, 4));
  EXPECT_FALSE(marked(3, 3));
  grid.clearFocus();
  EXPECT_FALSE(marked(3, 4));
}

}  // namespace
}  // namespace talvero
