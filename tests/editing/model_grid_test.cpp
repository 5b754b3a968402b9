// The typed grid's value model without a window: normalisation of cell texts, name
// lookup, binding items to cells and the named accessors.
#include <gtest/gtest.h>

#include "common/test_support.h"
#include "editing/data_string_grid_model.h"
#include "support/errors.h"

namespace talvero {
namespace {

using testing::RecordingErrorReporter;

struct Case {
  const char* input;
  const char* stored;
};

std::string Stored(TCellType type, const std::string& text, int digits = 0) {
  TDataStringGridItem item;
  item.SetCellType(type);
  item.SetDigits(digits);
  item.SetDataStr(text);
  return item.DataStr();
}

TEST(GridItem, IntegerCellsKeepASignAndDigits) {
  const Case cases[] = {
      {"abc12de3", "123"},
      {"1.5", "15"},
      {"--5", "-5"},
      {"5-3", "53"},
      {"-", "0"},
      {"", "0"},
      {"007", "007"},
      {"-0", "-0"},
      {"x-1", "-1"},
      {"1-", "1"},
      {"99999999999", "99999999999"},
      // Multi-byte characters go whole; full-width digits are not digits.
      {"1あ2", "12"},
      {"１２3", "3"},
      {"\xff"
       "4\x80",
       "4"},
  };
  for (const Case& c : cases) EXPECT_EQ(Stored(ctInteger, c.input), c.stored) << c.input;
}

TEST(GridItem, FloatCellsKeepOnePointAndReformat) {
  const Case cases[] = {
      {"3", "3.0"},
      {".5", "0.5"},
      {"1.", "1.0"},
      {"1.2.3", "1.23"},
      {".-5", "0.5"},
      {"-", "0.0"},
      {"", "0.0"},
      {"0.10", "0.1"},
      {"12.340", "12.34"},
      {"1.25", "1.25"},
      {"-1.7", "-1.7"},
      {"-0", "0.0"},
      {"a-b1", "-1.0"},
      {"007.50", "7.5"},
      {"1あ.5", "1.5"},
      {"1.23456", "1.23456"},
      {"0.1234567890123456", "0.123456789012346"},
  };
  for (const Case& c : cases) EXPECT_EQ(Stored(ctFloat, c.input), c.stored) << c.input;
}

TEST(GridItem, FloatCellsWithDigitsRoundHalfAway) {
  EXPECT_EQ(Stored(ctFloat, "2.5", 2), "2.50");
  EXPECT_EQ(Stored(ctFloat, "0.125", 2), "0.13");
  EXPECT_EQ(Stored(ctFloat, "-0.125", 2), "-0.13");
  EXPECT_EQ(Stored(ctFloat, "-0.04", 1), "0.0");
  EXPECT_EQ(Stored(ctFloat, "7", 3), "7.000");
}

// Magnitudes outside the general form's plain range are written out, so that the cell's
// own filter never meets an exponent and a stored text survives being assigned again.
TEST(GridItem, FloatCellsNeverStoreExponents) {
  const Case cases[] = {
      {"0.00001", "0.00001"},
      {"0.000015", "0.000015"},
      {"-0.00000025", "-0.00000025"},
      {"0.0001", "0.0001"},
      {"1000000000000000", "1000000000000000.0"},
      {"999999999999999", "999999999999999.0"},
      {"123456789012345678", "123456789012346000.0"},
  };
  for (const Case& c : cases) {
    const std::string stored = Stored(ctFloat, c.input);
    EXPECT_EQ(stored, c.stored) << c.input;
    EXPECT_EQ(Stored(ctFloat, stored), stored) << c.input;
  }
  EXPECT_EQ(FloatCellText(1.5e-5L, 0), "0.000015");
  EXPECT_EQ(FloatCellText(1e15L, 0), "1000000000000000.0");
}

TEST(GridItem, FloatTextWithoutDigitsFailsAndKeepsThePreviousValue) {
  TDataStringGridItem item;
  item.SetCellType(ctFloat);
  item.SetDataStr("2.5");
  for (const char* bad : {".", "-.", "abc.", "..", ".-"}) {
    try {
      item.SetDataStr(bad);
      ADD_FAILURE() << bad;
    } catch (const ConvertError& e) {
      const std::string filtered = FilterFloatText(bad);
      EXPECT_EQ(std::string(e.what()), "'" + filtered + "' は浮動小数点数ではありません");
    }
    EXPECT_EQ(item.DataStr(), "2.5");
  }
}

TEST(GridItem, TextCellsStoreTextUnchangedAndAssignCopiesEveryField) {
  EXPECT_EQ(Stored(ctString, "x12 あ"), "x12 あ");
  EXPECT_EQ(Stored(ctNoEdit, ""), "");

  TDataStringGridItem source;
  source.SetCellAlign(caRight);
  source.SetCellType(ctFloat);
  source.SetColIndex(3);
  source.SetDigits(2);
  source.SetDataStr("2.5");
  source.SetName("Value");
  source.SetRowIndex(4);
  TDataStringGridItem target;
  target.SetCellType(ctInteger);
  target.Assign(source);
  EXPECT_EQ(target.CellAlign(), caRight);
  EXPECT_EQ(target.CellType(), ctFloat);
  EXPECT_EQ(target.ColIndex(), 3);
  EXPECT_EQ(target.Digits(), 2);
  EXPECT_EQ(target.DataStr(), "2.50");  // normalised as a float cell, not as an integer one
  EXPECT_EQ(target.Name(), "Value");
  EXPECT_EQ(target.RowIndex(), 4);
}

// A grid of 4 x 4 cells with three named items.
class GridData : public ::testing::Test {
 protected:
  void SetUp() override {
    grid.SetColCount(4);
    grid.SetRowCount(4);
    Add(1, 1, ctInteger, "0", "Count");
    Add(2, 1, ctFloat, "0.0", "AirCraftX");
    Add(1, 2, ctString, "", "Label");
    grid.UpdateItems();
  }
  TDataStringGridItem& Add(int col, int row, TCellType type, const char* text, const char* name) {
    TDataStringGridItem& item = grid.Items().Add();
    item.SetCellType(type);
    item.SetColIndex(col);
    item.SetRowIndex(row);
    item.SetDataStr(text);
    item.SetName(name);
    return item;
  }

  TDataStringGridData grid;
  RecordingErrorReporter errors;
  ScopedErrorReporter scope{errors};
};

TEST_F(GridData, FindsNamesWithoutRegardToCaseFirstMatchFirst) {
  TDataStringGridItem& second = Add(3, 3, ctString, "", "AIRCRAFTX");
  EXPECT_EQ(grid.Items().FindItem("aircraftx"), grid.Objects(2, 1));
  EXPECT_NE(grid.Items().FindItem("aircraftx"), &second);
  EXPECT_EQ(grid.Items().FindItem("AirCraft"), nullptr);
  EXPECT_EQ(grid.Items().FindItem(""), nullptr);
}

TEST_F(GridData, BindingPutsTheEarlierItemIntoASharedCellAndDropsOutsiders) {
  Add(1, 1, ctString, "later", "Later");
  Add(0, 4, ctString, "", "BelowTheGrid");  // RowIndex equals the row count
  Add(4, 0, ctString, "", "RightOfTheGrid");
  Add(-1, 0, ctString, "", "Negative");
  grid.UpdateItems();
  EXPECT_EQ(grid.Items().Count(), 4);
  EXPECT_EQ(grid.Objects(1, 1)->Name(), "Count");
  EXPECT_EQ(grid.Cells(1, 1), "0");
  EXPECT_EQ(grid.Items().FindItem("BelowTheGrid"), nullptr);
  EXPECT_EQ(grid.Items().FindItem("Negative"), nullptr);
}

TEST_F(GridData, CellTypeAndAlignmentAreClampedIntoTheGrid) {
  EXPECT_EQ(grid.GetCellType(1, 1), ctInteger);
  EXPECT_EQ(grid.GetCellType(-5, 1), ctNoEdit);  // column 0 has no item
  EXPECT_EQ(grid.GetCellType(2, -3), ctNoEdit);
  EXPECT_TRUE(grid.IsReadOnlyCell(3, 3));
  EXPECT_FALSE(grid.IsReadOnlyCell(1, 2));
  EXPECT_EQ(grid.GetCellAlign(0, 0), caCenter);
  EXPECT_EQ(grid.GetCellAlign(1, 1), caLeft);
}

TEST_F(GridData, DeletedItemsLeaveNoCellOrMediatorPointingAtThem) {
  grid.Mediators("Label");
  grid.Items().Delete(2);
  EXPECT_EQ(grid.Objects(1, 2), nullptr);
  grid.Mediators("Label").SetAsString("x");  // reported, then nothing happens
  EXPECT_EQ(grid.Cells(1, 2), "");
  grid.Items().Clear();
  EXPECT_EQ(grid.Objects(1, 1), nullptr);
}

TEST_F(GridData, ResizingKeepsCellsThatRemainAndClearCellsEmptiesAll) {
  grid.SetCells(3, 3, "corner");
  grid.SetColCount(6);
  EXPECT_EQ(grid.Cells(3, 3), "corner");
  EXPECT_EQ(grid.Objects(2, 1)->Name(), "AirCraftX");
  grid.SetColCount(2);
  EXPECT_EQ(grid.Cells(3, 3), "");
  EXPECT_EQ(grid.Objects(1, 1)->Name(), "Count");
  grid.ClearCells();
  EXPECT_EQ(grid.Cells(1, 1), "");
  EXPECT_EQ(grid.Objects(1, 1), nullptr);
  EXPECT_EQ(grid.Items().Count(), 3);
}

TEST_F(GridData, MediatorWritesNormaliseAndCopyIntoTheCell) {
  grid.Mediators("Count").SetAsFloat(2.5L);
  EXPECT_EQ(grid.Cells(1, 1), "25");
  grid.Mediators("count").SetAsInteger(-42);
  EXPECT_EQ(grid.Mediators("Count").AsInteger(), -42);
  EXPECT_EQ(grid.Cells(1, 1), "-42");

  TDataStringGridMediator& x = grid.Mediators("AirCraftX");
  x.SetAsFloat(-1.7L);
  EXPECT_EQ(grid.Cells(2, 1), "-1.7");
  EXPECT_EQ(x.AsFloat(), -1.7L);
  x.SetAsFloat(5.0L);
  EXPECT_EQ(grid.Cells(2, 1), "5.0");
  x.SetAsFloat(1e-5L);
  EXPECT_EQ(grid.Cells(2, 1), "0.00001");
  x.SetAsString("1.2.3");
  EXPECT_EQ(x.AsString(), "1.23");

  TDataStringGridMediator& label = grid.Mediators("Label");
  label.SetAsBoolean(true);
  EXPECT_EQ(grid.Cells(1, 2), "1");
  label.SetAsBoolean(false);
  EXPECT_EQ(label.AsString(), "0");
  for (const char* yes : {"1", "true", "Yes", "TRUE"}) {
    label.SetAsString(yes);
    EXPECT_TRUE(label.AsBoolean()) << yes;
  }
  for (const char* no : {"0", "no", "y", " yes", ""}) {
    label.SetAsString(no);
    EXPECT_FALSE(label.AsBoolean()) << no;
  }
  EXPECT_TRUE(errors.Messages.empty());
}

TEST_F(GridData, MediatorReadsRaiseTheCellConversionErrors) {
  grid.Mediators("Label").SetAsString("abc");
  EXPECT_THROW(grid.Mediators("Label").AsFloat(), ConvertError);
  grid.Mediators("Count").SetAsString("99999999999");
  try {
    grid.Mediators("Count").AsInteger();
    ADD_FAILURE();
  } catch (const ConvertError& e) {
    EXPECT_STREQ(e.what(), "'99999999999' は整数ではありません");
  }
  grid.Mediators("Count").SetAsString("-2147483648");
  EXPECT_EQ(grid.Mediators("Count").AsInteger(), INT32_MIN);
  // A float cell's text is no integer.
  EXPECT_THROW(grid.Mediators("AirCraftX").AsInteger(), ConvertError);
}

TEST_F(GridData, UnknownNamesAreReportedAndThenTolerated) {
  TDataStringGridMediator& m = grid.Mediators("Nope");
  ASSERT_EQ(errors.Messages.size(), 1u);
  EXPECT_EQ(errors.Messages[0], "[' Nope '] is invalid.");
  EXPECT_EQ(m.Item(), nullptr);
  EXPECT_FALSE(m.AsBoolean());
  EXPECT_EQ(m.AsFloat(), 0.0L);
  EXPECT_EQ(m.AsInteger(), 0);
  EXPECT_EQ(m.AsString(), "");
  m.SetAsString("5");
  m.SetAsFloat(1.0L);
  EXPECT_EQ(grid.SelectionText({0, 0, 3, 3}), "\t\t\t\r\n\t0\t0.0\t\r\n\t\t\t\r\n\t\t\t\r\n");
}

TEST_F(GridData, SelectionTextJoinsRawTextsByTabsAndEndsRowsWithCrLf) {
  grid.SetCells(1, 1, "a");
  grid.SetCells(2, 1, "b");
  grid.SetCells(1, 2, "c");
  grid.SetCells(2, 2, "d");
  EXPECT_EQ(grid.SelectionText({1, 1, 2, 2}), "a\tb\r\nc\td\r\n");
  EXPECT_EQ(grid.SelectionText({2, 2, 2, 2}), "d\r\n");
}

}  // namespace
}  // namespace talvero
