// The value model of the typed data grid: cell definitions (items) with their
// normalisation, the cell store of a grid and the named accessor (mediator). Plain C++,
// no Qt, so that every rule can be tested without a window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace talvero {

enum TCellType : uint8_t { ctNoEdit = 0, ctString = 1, ctInteger = 2, ctFloat = 3 };
enum TCellAlign : uint8_t { caLeft = 0, caCenter = 1, caRight = 2 };

// ---- Normalisation rules of typed cells.

// Keeps digits and a leading "-" (the first candidate only); multi-byte characters are
// skipped whole. Empty or a lone "-" becomes "0"; leading zeros and huge values stay.
std::string FilterIntegerText(std::string_view text);
// Keeps digits, the first "." and a "-" that is the first candidate. Empty or "-" is "0".
std::string FilterFloatText(std::string_view text);
// The stored text of a float cell's value: Digits decimals when Digits is not 0, else the
// shortest general text with at least one decimal.
std::string FloatCellText(long double value, int32_t digits);
// Conversions of cell texts; ConvertError with the cell's own messages.
long double CellTextToFloat(const std::string& text);
int32_t CellTextToInteger(const std::string& text);

// One typed, named cell definition.
class TDataStringGridItem {
 public:
  TDataStringGridItem() = default;
  virtual ~TDataStringGridItem() = default;
  TDataStringGridItem(const TDataStringGridItem&) = delete;
  TDataStringGridItem& operator=(const TDataStringGridItem&) = delete;

  // Copies all seven fields; DataStr last, so the target's new type normalises it.
  void Assign(const TDataStringGridItem& source);

  TCellAlign CellAlign() const { return FCellAlign; }
  void SetCellAlign(TCellAlign value) { FCellAlign = value; }
  TCellType CellType() const { return FCellType; }
  void SetCellType(TCellType value) { FCellType = value; }
  int32_t ColIndex() const { return FColIndex; }
  void SetColIndex(int32_t value) { FColIndex = value; }
  int32_t Digits() const { return FDigits; }
  void SetDigits(int32_t value) { FDigits = value; }
  const std::string& DataStr() const { return FDataStr; }
  // Stores the text normalised by the cell type. A float text without any digit raises
  // ConvertError and the previous text stays.
  void SetDataStr(const std::string& text) { FDataStr = Normalize(text); }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& value) { FName = value; }
  int32_t RowIndex() const { return FRowIndex; }
  void SetRowIndex(int32_t value) { FRowIndex = value; }

 protected:
  virtual std::string Normalize(const std::string& text) const;

 private:
  TCellAlign FCellAlign = caLeft;
  TCellType FCellType = ctNoEdit;
  int32_t FColIndex = 0;
  int32_t FDigits = 0;
  std::string FDataStr;
  std::string FName;
  int32_t FRowIndex = 0;
};

// The ordered item collection of one grid.
class TDataStringGridItems {
 public:
  using TRemoveEvent = std::function<void(const TDataStringGridItem& item)>;

  TDataStringGridItem& Add();
  TDataStringGridItem& Add(std::unique_ptr<TDataStringGridItem> item);
  int Count() const { return static_cast<int>(FItems.size()); }
  TDataStringGridItem& operator[](int index) const { return *FItems.at(index); }
  void Delete(int index);
  void Clear();
  // Clears, then appends a copy of every source item.
  void Assign(const TDataStringGridItems& source);
  // The first item whose Name matches without regard to case, or null.
  TDataStringGridItem* FindItem(std::string_view name) const;

  // Called before an item is destroyed, so that nothing keeps pointing at it.
  TRemoveEvent OnRemove;

 private:
  std::vector<std::unique_ptr<TDataStringGridItem>> FItems;
};

class TDataStringGridData;

// Named access to one cell at a time. Each grid owns one; every lookup rebinds it.
class TDataStringGridMediator {
 public:
  explicit TDataStringGridMediator(TDataStringGridData& grid) : FGrid(grid) {}
  virtual ~TDataStringGridMediator() = default;
  TDataStringGridMediator(const TDataStringGridMediator&) = delete;
  TDataStringGridMediator& operator=(const TDataStringGridMediator&) = delete;

  TDataStringGridData& Grid() const { return FGrid; }
  TDataStringGridItem* Item() const { return FItem; }
  void SetItem(TDataStringGridItem* item) { FItem = item; }

  virtual bool AsBoolean() const;
  virtual void SetAsBoolean(bool value);
  virtual long double AsFloat() const;
  virtual void SetAsFloat(long double value);
  virtual int32_t AsInteger() const;
  virtual void SetAsInteger(int32_t value);
  virtual std::string AsString() const;
  virtual void SetAsString(const std::string& value);

 private:
  TDataStringGridData& FGrid;
  TDataStringGridItem* FItem = nullptr;
};

// Rectangle of cells, inclusive on all sides.
struct TGridRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool Contains(int col, int row) const {
    return col >= Left && col <= Right && row >= Top && row <= Bottom;
  }
  friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

// The cells of a typed grid: a raw text and an item slot per cell, the items and the
// mediator. The widget derives from it and adds painting and editing.
class TDataStringGridData {
 public:
  TDataStringGridData();
  virtual ~TDataStringGridData();
  TDataStringGridData(const TDataStringGridData&) = delete;
  TDataStringGridData& operator=(const TDataStringGridData&) = delete;

  int ColCount() const { return FColCount; }
  int RowCount() const { return FRowCount; }
  // Cells inside both the old and the new size keep their text and item.
  virtual void SetColCount(int value);
  virtual void SetRowCount(int value);

  // The raw text; empty outside the grid.
  std::string Cells(int col, int row) const;
  virtual void SetCells(int col, int row, const std::string& text);
  TDataStringGridItem* Objects(int col, int row) const;
  void SetObjects(int col, int row, TDataStringGridItem* item);

  TDataStringGridItems& Items() { return FItems; }
  const TDataStringGridItems& Items() const { return FItems; }

  // Column and row are clamped into the grid.
  virtual TCellType GetCellType(int col, int row) const;
  virtual TCellAlign GetCellAlign(int col, int row) const;
  virtual bool IsReadOnlyCell(int col, int row) const;

  // Binds the mediator to the named item; an unknown name shows the error box and leaves
  // the mediator unbound, so reads yield empty values and writes do nothing.
  virtual TDataStringGridMediator& Mediators(std::string_view name);

  // Puts every item into its cell (the earlier of two items naming one cell wins) and
  // deletes the items that lie outside the grid.
  virtual void UpdateItems();
  // Every raw text empty and every item slot cleared.
  virtual void ClearCells();

  // The raw texts of the rectangle: cells joined by tabs, every row ended by CR LF.
  std::string SelectionText(const TGridRect& rect) const;

 protected:
  // Hooks for the view; (-1, -1) stands for every cell.
  virtual void CellChanged(int /*col*/, int /*row*/) {}
  virtual void DimensionsChanged() {}

 private:
  struct Cell {
    std::string Text;
    TDataStringGridItem* Item = nullptr;
  };
  bool InGrid(int col, int row) const {
    return col >= 0 && row >= 0 && col < FColCount && row < FRowCount;
  }
  void Resize(int cols, int rows);
  const TDataStringGridItem* ClampedItem(int col, int row) const;

  int FColCount = 5;
  int FRowCount = 5;
  std::vector<Cell> FCells;  // row-major
  TDataStringGridItems FItems;
  TDataStringGridMediator FMediator{*this};
};

}  // namespace talvero
