// The typed data grid control: a string grid whose cells are bound to typed, named items,
// with its own painting, editing mode, key filter and header selection.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QLineEdit>
#include <QPoint>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "editing/data_string_grid_model.h"

namespace talvero {

class TDataStringGrid;
struct TGridAxis;

struct TGridDrawState {
  bool Selected = false;
  bool Focused = false;
  bool Fixed = false;
};

// The in-place editor. It hands keys to the grid first, and the left and right arrows at
// the edges of its text leave editing and move to the neighbouring cell.
class TDataStringGridInplaceEdit : public QLineEdit {
  Q_OBJECT
 public:
  TDataStringGridInplaceEdit(TDataStringGrid& grid, QWidget* parent);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void SelectionBounds(int& start, int& end) const;
  TDataStringGrid& FGrid;
};

// Row 0 and column 0 are the fixed header cells; they are ordinary cells of the grid and
// may carry items (labels). Columns and rows scroll by whole cells.
class TDataStringGrid : public QAbstractScrollArea, public TDataStringGridData {
  Q_OBJECT
 public:
  using TEditChangeEvent = std::function<void(TDataStringGrid& sender, bool editing)>;

  explicit TDataStringGrid(QWidget* parent = nullptr);
  ~TDataStringGrid() override;

  // ---- Dimensions
  int FixedCols() const { return 1; }
  int FixedRows() const { return 1; }
  // At least one data column and one data row remain.
  void SetColCount(int value) override;
  void SetRowCount(int value) override;
  int DefaultColWidth() const { return FDefaultColWidth; }
  // Sets every column to the new default width; likewise for rows.
  void SetDefaultColWidth(int value);
  int DefaultRowHeight() const { return FDefaultRowHeight; }
  void SetDefaultRowHeight(int value);
  int ColWidths(int col) const;
  void SetColWidths(int col, int width);
  int RowHeights(int row) const;
  void SetRowHeights(int row, int height);

  // ---- Current cell, selection, scrolling
  int Col() const { return FCol; }
  int Row() const { return FRow; }
  // Makes the cell (clamped into the data area) current and the selection that cell alone.
  void FocusCell(int col, int row);
  const TGridRect& Selection() const { return FSelection; }
  void SetSelection(const TGridRect& rect);
  int LeftCol() const { return FLeftCol; }
  int TopRow() const { return FTopRow; }
  void SetLeftCol(int col);
  void SetTopRow(int row);
  // Rectangle of a visible cell in viewport coordinates (without its grid lines); empty
  // when the cell is not visible.
  QRect CellRect(int col, int row) const;
  // Column (x) and row (y) of the cell at a viewport point; -1 where there is none. A grid
  // line belongs to the cell on its left or above it.
  QPoint MouseCoord(QPoint pos) const;
  // Extent of the visible cells, at most the viewport's size.
  int GridWidth() const;
  int GridHeight() const;

  // ---- Properties
  int Cellpadding() const { return FCellpadding; }
  void SetCellpadding(int value);
  bool EdgeSelect() const { return FEdgeSelect; }
  void SetEdgeSelect(bool value) { FEdgeSelect = value; }
  QColor EnabledLineColor() const { return FEnabledLineColor; }
  void SetEnabledLineColor(const QColor& value);
  QColor GrayCellLineColor() const { return FGrayCellLineColor; }
  void SetGrayCellLineColor(const QColor& value);
  QColor UnEnabledLineColor() const { return FUnEnabledLineColor; }
  void SetUnEnabledLineColor(const QColor& value);
  bool ShowObjects() const { return FShowObjects; }
  virtual void SetShowObjects(bool value);
  // Called after editing mode has been switched on or off.
  TEditChangeEvent OnEditChange;

  // ---- Editing
  bool Editing() const { return FEditing; }
  const std::string& EditOrgText() const { return FEditOrgText; }
  virtual void SetEditing(bool value);
  TDataStringGridInplaceEdit* InplaceEditor() const { return FEditor; }
  bool EdgeSelecting() const { return FEdgeSelecting; }

  // ---- Operations
  void UpdateItems() override;
  // Widens the last column when the visible columns leave part of the viewport empty.
  virtual void FitLastColumn();
  // The raw texts of the selection as tab-separated lines, to the clipboard.
  virtual void CopyToClipboard();
  // Takes over the size, the column widths and a copy of the items of another grid.
  void AssignFrom(const TDataStringGrid& source);

 protected:
  virtual void SaveEditCell();
  virtual void DrawCellFrame(QPainter& painter, int col, int row, const QRect& rect,
                             TGridDrawState state);
  virtual void DrawCellText(QPainter& painter, int col, int row, const QRect& rect,
                            TGridDrawState state);
  virtual void DrawObjectMark(QPainter& painter, int col, int row, const QRect& rect);
  virtual void EdgeMouseDown(QPoint pos);
  virtual void BeginEdgeSelect(int col, int row);
  virtual void EdgeMouseMove(QPoint pos);
  virtual void UpdateEdgeSelection();

  void CellChanged(int col, int row) override;
  void DimensionsChanged() override;

  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  friend class TDataStringGridInplaceEdit;

  // Key handling in two steps, as keys arrive: the key itself, then the character it types.
  // Both answer whether they consumed the event.
  bool KeyDown(QKeyEvent* event);
  bool KeyPress(QKeyEvent* event);
  bool NavigationKey(QKeyEvent* event);

  // Asked before the current cell moves: leaves editing when the cell changes.
  bool SelectCell(int col, int row);
  void MoveCurrent(int col, int row, bool extend);
  void ScrollInView(int col, int row);
  void AutoScroll();

  void SetEditorText(const QString& text, bool push);
  void PushEditorText(const QString& text);
  void UpdateEditorGeometry();
  void HideEditor();
  void UpdateScrollBars();
  void RepaintCell(int col, int row);

  TGridAxis Horz() const;
  TGridAxis Vert() const;
  TGridDrawState DrawStateOf(int col, int row) const;

  int FDefaultColWidth = 64;
  int FDefaultRowHeight = 18;
  std::vector<int> FColWidths;
  std::vector<int> FRowHeights;
  int FCol = 1, FRow = 1;
  int FAnchorCol = 1, FAnchorRow = 1;
  TGridRect FSelection{1, 1, 1, 1};
  int FLeftCol = 1, FTopRow = 1;

  int FCellpadding = 6;
  bool FEdgeSelect = true;
  QColor FEnabledLineColor;
  QColor FGrayCellLineColor{128, 128, 128};
  QColor FUnEnabledLineColor{128, 128, 128};
  bool FShowObjects = false;

  bool FEditing = false;
  std::string FEditOrgText;
  int FEditCol = 1, FEditRow = 1;  // the remembered cell
  bool FPushing = false;
  bool FHidingEditor = false;
  TDataStringGridInplaceEdit* FEditor = nullptr;

  bool FSelecting = false;  // a drag in the data area
  QPoint FLastMousePos;
  QTimer FScrollTimer;
  bool FEdgeSelecting = false;
  int FEdgeAnchorCol = 0, FEdgeAnchorRow = 0;
  int FEdgeEndCol = 0, FEdgeEndRow = 0;
};

}  // namespace talvero
