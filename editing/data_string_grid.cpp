#include "editing/data_string_grid.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <exception>

#include "engine/error_reporter.h"

namespace talvero {

namespace {

// Only these characters may be typed into a cell; digits of other scripts are not digits.
bool IsNumberChar(QChar c) { return (c >= u'0' && c <= u'9') || c == u'-' || c == u'.'; }

bool IsEnter(const QKeyEvent* event) {
  return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

}  // namespace

// ---- TDataStringGridInplaceEdit

TDataStringGridInplaceEdit::TDataStringGridInplaceEdit(TDataStringGrid& grid, QWidget* parent)
    : QLineEdit(parent), FGrid(grid) {
  setFrame(false);
  // Composed input would bypass the key filter.
  setAttribute(Qt::WA_InputMethodEnabled, false);
}

void TDataStringGridInplaceEdit::SelectionBounds(int& start, int& end) const {
  if (hasSelectedText()) {
    start = selectionStart();
    end = selectionEnd();
  } else {
    start = end = cursorPosition();
  }
}

void TDataStringGridInplaceEdit::keyPressEvent(QKeyEvent* event) {
  int start = 0, end = 0;
  SelectionBounds(start, end);
  const int length = static_cast<int>(text().size());
  bool toGrid = false;
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Escape:
      toGrid = true;
      break;
    case Qt::Key_Left:
      toGrid = start == 0 && (end == 0 || end == length);
      break;
    case Qt::Key_Right:
      toGrid = (start == 0 || end == start) && end == length;
      break;
    default:
      break;
  }
  if (toGrid) {
    FGrid.KeyDown(event);
    event->accept();
    return;
  }
  if (FGrid.KeyPress(event)) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void TDataStringGridInplaceEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  FGrid.viewport()->update();
}

void TDataStringGridInplaceEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  FGrid.viewport()->update();
}

// ---- TDataStringGrid: construction and dimensions

TDataStringGrid::TDataStringGrid(QWidget* parent) : QAbstractScrollArea(parent) {
  FEnabledLineColor = palette().color(QPalette::Text);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  FColWidths.assign(ColCount(), FDefaultColWidth);
  FRowHeights.assign(RowCount(), FDefaultRowHeight);

  FEditor = new TDataStringGridInplaceEdit(*this, viewport());
  FEditor->hide();
  connect(FEditor, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (FEditing) PushEditorText(text);
  });
  FScrollTimer.setInterval(60);
  connect(&FScrollTimer, &QTimer::timeout, this, [this] { AutoScroll(); });
  UpdateScrollBars();
}

TDataStringGrid::~TDataStringGrid() {
  FScrollTimer.stop();
  // The editor reports focus changes to the grid; let it go while the grid is whole.
  delete FEditor;
  FEditor = nullptr;
}

void TDataStringGrid::SetColCount(int value) {
  TDataStringGridData::SetColCount(std::max(value, FixedCols() + 1));
}

void TDataStringGrid::SetRowCount(int value) {
  TDataStringGridData::SetRowCount(std::max(value, FixedRows() + 1));
}

void TDataStringGrid::DimensionsChanged() {
  FColWidths.resize(ColCount(), FDefaultColWidth);
  FRowHeights.resize(RowCount(), FDefaultRowHeight);
  const int lastCol = ColCount() - 1, lastRow = RowCount() - 1;
  if (FCol > lastCol || FRow > lastRow) {
    if (FEditing) SetEditing(false);
    FCol = std::min(FCol, lastCol);
    FRow = std::min(FRow, lastRow);
  }
  FAnchorCol = std::min(FAnchorCol, lastCol);
  FAnchorRow = std::min(FAnchorRow, lastRow);
  FSelection = {std::min(FSelection.Left, lastCol), std::min(FSelection.Top, lastRow),
                std::min(FSelection.Right, lastCol), std::min(FSelection.Bottom, lastRow)};
  UpdateScrollBars();
  viewport()->update();
}

void TDataStringGrid::SetDefaultColWidth(int value) {
  FDefaultColWidth = std::max(value, 0);
  FColWidths.assign(ColCount(), FDefaultColWidth);
  UpdateScrollBars();
  viewport()->update();
}

void TDataStringGrid::SetDefaultRowHeight(int value) {
  FDefaultRowHeight = std::max(value, 0);
  FRowHeights.assign(RowCount(), FDefaultRowHeight);
  UpdateScrollBars();
  viewport()->update();
}

int TDataStringGrid::ColWidths(int col) const {
  return col >= 0 && col < ColCount() ? FColWidths[col] : 0;
}

void TDataStringGrid::SetColWidths(int col, int width) {
  if (col < 0 || col >= ColCount()) return;
  FColWidths[col] = std::max(width, 0);
  UpdateScrollBars();
  UpdateEditorGeometry();
  viewport()->update();
}

int TDataStringGrid::RowHeights(int row) const {
  return row >= 0 && row < RowCount() ? FRowHeights[row] : 0;
}

void TDataStringGrid::SetRowHeights(int row, int height) {
  if (row < 0 || row >= RowCount()) return;
  FRowHeights[row] = std::max(height, 0);
  UpdateScrollBars();
  UpdateEditorGeometry();
  viewport()->update();
}

// ---- Geometry and scrolling

// One direction of the grid: the cell sizes, how many cells are fixed, the first scrolled
// cell shown and the length of the viewport. Columns and rows follow the same rules.
struct TGridAxis {
  const std::vector<int>& Sizes;
  int Fixed;
  int First;
  int Limit;

  int Count() const { return static_cast<int>(Sizes.size()); }
  // The cells that start inside the viewport, fixed ones first.
  std::vector<int> Visible() const {
    std::vector<int> cells;
    int pos = 0;
    for (int i = 0; i < Count() && pos < Limit; i = (i + 1 == Fixed) ? First : i + 1) {
      cells.push_back(i);
      pos += Sizes[i] + 1;
    }
    return cells;
  }
  // Where a cell starts; -1 for a cell scrolled out of view before First.
  int Start(int index) const {
    if (index < 0 || index >= Count() || (index >= Fixed && index < First)) return -1;
    int pos = 0;
    for (int i = 0; i < std::min(index, Fixed); ++i) pos += Sizes[i] + 1;
    for (int i = First; i < index; ++i) pos += Sizes[i] + 1;
    return pos;
  }
  // The cell at a position, its trailing grid line included; -1 when there is none.
  int At(int pos) const {
    for (int i : Visible()) {
      const int start = Start(i);
      if (pos >= start && pos < start + Sizes[i] + 1) return i;
    }
    return -1;
  }
  // The end of the visible cells, at most the viewport's length.
  int Extent() const {
    const std::vector<int> cells = Visible();
    return cells.empty() ? 0 : std::min(Limit, Start(cells.back()) + Sizes[cells.back()] + 1);
  }
  // The first scrolled cell, from `from` on, that lets `last` show whole.
  int FirstShowing(int from, int last) const {
    int used = 0;
    for (int i = 0; i < Fixed; ++i) used += Sizes[i] + 1;
    for (int i = from; i <= last; ++i) used += Sizes[i] + 1;
    while (from < last && used > Limit) used -= Sizes[from++] + 1;
    return from;
  }
  // The last first cell that still fills the viewport.
  int MaxFirst() const { return std::max(Fixed, FirstShowing(Fixed, Count() - 1)); }
};

TGridAxis TDataStringGrid::Horz() const {
  return {FColWidths, FixedCols(), FLeftCol, viewport()->width()};
}

TGridAxis TDataStringGrid::Vert() const {
  return {FRowHeights, FixedRows(), FTopRow, viewport()->height()};
}

QRect TDataStringGrid::CellRect(int col, int row) const {
  const int x = Horz().Start(col), y = Vert().Start(row);
  if (x < 0 || y < 0 || x >= viewport()->width() || y >= viewport()->height()) return {};
  return QRect(x, y, FColWidths[col], FRowHeights[row]);
}

QPoint TDataStringGrid::MouseCoord(QPoint pos) const {
  const int col = Horz().At(pos.x()), row = Vert().At(pos.y());
  if (col < 0 || row < 0) return {-1, -1};
  return {col, row};
}

int TDataStringGrid::GridWidth() const { return Horz().Extent(); }

int TDataStringGrid::GridHeight() const { return Vert().Extent(); }

void TDataStringGrid::UpdateScrollBars() {
  const TGridAxis horz = Horz(), vert = Vert();
  const auto page = [](const TGridAxis& axis) {
    return std::max(1, static_cast<int>(axis.Visible().size()) - axis.Fixed - 1);
  };
  horizontalScrollBar()->setRange(0, horz.MaxFirst() - horz.Fixed);
  horizontalScrollBar()->setPageStep(page(horz));
  verticalScrollBar()->setRange(0, vert.MaxFirst() - vert.Fixed);
  verticalScrollBar()->setPageStep(page(vert));
  // The bars clamp their values; follow them.
  FLeftCol = FixedCols() + horizontalScrollBar()->value();
  FTopRow = FixedRows() + verticalScrollBar()->value();
  UpdateEditorGeometry();
}

void TDataStringGrid::SetLeftCol(int col) {
  horizontalScrollBar()->setValue(std::clamp(col, FixedCols(), Horz().MaxFirst()) - FixedCols());
}

void TDataStringGrid::SetTopRow(int row) {
  verticalScrollBar()->setValue(std::clamp(row, FixedRows(), Vert().MaxFirst()) - FixedRows());
}

void TDataStringGrid::scrollContentsBy(int, int) {
  FLeftCol = FixedCols() + horizontalScrollBar()->value();
  FTopRow = FixedRows() + verticalScrollBar()->value();
  UpdateEditorGeometry();
  viewport()->update();
}

void TDataStringGrid::ScrollInView(int col, int row) {
  const TGridAxis horz = Horz(), vert = Vert();
  if (col >= horz.Fixed) SetLeftCol(col < horz.First ? col : horz.FirstShowing(horz.First, col));
  if (row >= vert.Fixed) SetTopRow(row < vert.First ? row : vert.FirstShowing(vert.First, row));
}

void TDataStringGrid::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void TDataStringGrid::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange ||
      event->type() == QEvent::PaletteChange)
    viewport()->update();
  if (event->type() == QEvent::FontChange) FEditor->setFont(font());
}

// ---- Current cell and selection

bool TDataStringGrid::SelectCell(int col, int row) {
  if (FEditing && (col != FEditCol || row != FEditRow)) SetEditing(false);
  FEditCol = col;
  FEditRow = row;
  return true;
}

void TDataStringGrid::MoveCurrent(int col, int row, bool extend) {
  col = std::clamp(col, FixedCols(), ColCount() - 1);
  row = std::clamp(row, FixedRows(), RowCount() - 1);
  if (!SelectCell(col, row)) return;
  FCol = col;
  FRow = row;
  if (!extend) {
    FAnchorCol = col;
    FAnchorRow = row;
  }
  FSelection = {std::min(FAnchorCol, col), std::min(FAnchorRow, row), std::max(FAnchorCol, col),
                std::max(FAnchorRow, row)};
  ScrollInView(col, row);
  UpdateEditorGeometry();
  viewport()->update();
}

void TDataStringGrid::FocusCell(int col, int row) { MoveCurrent(col, row, false); }

void TDataStringGrid::SetSelection(const TGridRect& rect) {
  const int lastCol = ColCount() - 1, lastRow = RowCount() - 1;
  TGridRect r{std::clamp(std::min(rect.Left, rect.Right), FixedCols(), lastCol),
              std::clamp(std::min(rect.Top, rect.Bottom), FixedRows(), lastRow),
              std::clamp(std::max(rect.Left, rect.Right), FixedCols(), lastCol),
              std::clamp(std::max(rect.Top, rect.Bottom), FixedRows(), lastRow)};
  MoveCurrent(r.Left, r.Top, false);
  FAnchorCol = r.Right;
  FAnchorRow = r.Bottom;
  FSelection = r;
  viewport()->update();
}

// ---- Properties

void TDataStringGrid::SetCellpadding(int value) {
  FCellpadding = value;
  viewport()->update();
}

void TDataStringGrid::SetEnabledLineColor(const QColor& value) {
  FEnabledLineColor = value;
  viewport()->update();
}

void TDataStringGrid::SetGrayCellLineColor(const QColor& value) {
  FGrayCellLineColor = value;
  viewport()->update();
}

void TDataStringGrid::SetUnEnabledLineColor(const QColor& value) {
  FUnEnabledLineColor = value;
  viewport()->update();
}

void TDataStringGrid::SetShowObjects(bool value) {
  if (FShowObjects == value) return;
  FShowObjects = value;
  viewport()->update();
}

// ---- Cells

void TDataStringGrid::RepaintCell(int col, int row) {
  const QRect rect = CellRect(col, row);
  if (!rect.isEmpty()) viewport()->update(rect.adjusted(-1, -1, 1, 1));
}

void TDataStringGrid::CellChanged(int col, int row) {
  if (col < 0)
    viewport()->update();
  else
    RepaintCell(col, row);
  // A value written by the program while the cell is being edited shows in the editor too,
  // so that leaving the editor does not write the old text back.
  if (FEditing && !FPushing && (col < 0 || (col == FCol && row == FRow)))
    SetEditorText(QString::fromStdString(Cells(FCol, FRow)), false);
}

void TDataStringGrid::UpdateItems() {
  TDataStringGridData::UpdateItems();
  viewport()->update();
}

void TDataStringGrid::AssignFrom(const TDataStringGrid& source) {
  if (&source == this) return;
  ClearCells();
  SetColCount(source.ColCount());
  SetRowCount(source.RowCount());
  for (int c = 0; c < source.ColCount(); ++c) SetColWidths(c, source.ColWidths(c));
  Items().Assign(source.Items());
  UpdateItems();
}

void TDataStringGrid::FitLastColumn() {
  int used = 0;
  for (int c : Horz().Visible()) used += FColWidths[c] + 1;
  const int last = ColCount() - 1;
  if (used < viewport()->width()) SetColWidths(last, FColWidths[last] + viewport()->width() - used);
}

void TDataStringGrid::CopyToClipboard() {
  QApplication::clipboard()->setText(QString::fromStdString(SelectionText(FSelection)));
}

// ---- Editing

void TDataStringGrid::SaveEditCell() {
  FEditOrgText = Cells(FCol, FRow);
  FEditCol = FCol;
  FEditRow = FRow;
}

void TDataStringGrid::SetEditing(bool value) {
  if (value == FEditing) return;
  FEditing = value;
  if (value) {
    SaveEditCell();
    ScrollInView(FCol, FRow);
    const TDataStringGridItem* item = Objects(FCol, FRow);
    SetEditorText(QString::fromStdString(item ? item->DataStr() : Cells(FCol, FRow)), false);
    // The text stays where the cell showed it.
    const TCellAlign align = GetCellAlign(FCol, FRow);
    FEditor->setAlignment(align == caLeft    ? Qt::AlignLeft
                          : align == caRight ? Qt::AlignRight
                                             : Qt::AlignHCenter);
    const int margin = std::max(0, FCellpadding - 2);
    FEditor->setTextMargins(margin, 0, margin, 0);
    UpdateEditorGeometry();
    FEditor->setFocus();
    FEditor->deselect();
    FEditor->end(false);
  } else {
    // The editor's text goes into the cell a last time, unless it is already there.
    const QString text = FEditor->text();
    if (text.toStdString() != Cells(FCol, FRow)) PushEditorText(text);
    HideEditor();
  }
  viewport()->update();
  if (OnEditChange) OnEditChange(*this, value);
}

void TDataStringGrid::SetEditorText(const QString& text, bool push) {
  {
    const QSignalBlocker blocker(FEditor);
    FEditor->setText(text);
  }
  if (push) PushEditorText(text);
}

void TDataStringGrid::PushEditorText(const QString& text) {
  const std::string value = text.toStdString();
  FPushing = true;
  SetCells(FCol, FRow, value);
  FPushing = false;
  TDataStringGridItem* item = Objects(FCol, FRow);
  if (!item) return;
  // A text without digits in a float cell fails; it is reported like any error of the
  // window, the item keeps its value and the user goes on typing.
  try {
    item->SetDataStr(value);
  } catch (const std::exception& error) {
    ShowError(error.what());
  }
  RepaintCell(FCol, FRow);
}

void TDataStringGrid::HideEditor() {
  // The grid takes the focus back first, so that it does not wander to another control.
  FHidingEditor = true;
  if (FEditor->hasFocus()) setFocus();
  FEditor->hide();
  FHidingEditor = false;
}

void TDataStringGrid::UpdateEditorGeometry() {
  if (!FEditor || !FEditing) return;
  const QRect rect = CellRect(FCol, FRow);
  // The cell must be wholly in view for the editor to show; it reappears when scrolled back.
  if (rect.isEmpty() || rect.right() >= viewport()->width() ||
      rect.bottom() >= viewport()->height()) {
    HideEditor();
    return;
  }
  FEditor->setGeometry(rect);
  if (!FEditor->isVisible()) {
    FEditor->show();
    if (hasFocus()) FEditor->setFocus();
  }
}

// ---- Keys

bool TDataStringGrid::KeyDown(QKeyEvent* event) {
  const int key = event->key();
  if (FEditing) {
    if (key == Qt::Key_Escape) {
      SetEditorText(QString::fromStdString(FEditOrgText), true);
      SetEditing(false);
      return true;
    }
    if (key == Qt::Key_Left || key == Qt::Key_Right) SetEditing(false);
  } else if (key == Qt::Key_F2) {
    if (!IsReadOnlyCell(FCol, FRow)) SetEditing(true);
    return true;
  }
  return NavigationKey(event);
}

bool TDataStringGrid::KeyPress(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  // Ctrl alone makes a command (paste, cut, copy). Alt, Meta, AltGr and Ctrl+Alt (AltGr on
  // Windows) still type their character, which the filter must see; menu mnemonics never
  // arrive here, the shortcut map takes them first.
  const bool command = (modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier);
  const bool copy = event->key() == Qt::Key_C && command;
  const bool enter = IsEnter(event);
  const QString text = event->text();
  const bool typed = !command && !text.isEmpty() && text.at(0).isPrint();
  const bool numeric = typed && std::all_of(text.begin(), text.end(), IsNumberChar);

  if (copy) CopyToClipboard();
  // Backspace, paste, cut and other commands are not filtered.
  if (!copy && !enter && !typed) return false;
  if (IsReadOnlyCell(FCol, FRow)) return true;
  if (FEditing) {
    if (enter) {
      SetEditing(false);
      return true;
    }
    return typed && !numeric;
  }
  if (enter) {
    SetEditing(true);
    return true;
  }
  if (numeric) {
    SetEditing(true);
    SetEditorText(text, true);
    FEditor->end(false);
    return true;
  }
  return false;
}

bool TDataStringGrid::NavigationKey(QKeyEvent* event) {
  const bool extend = event->modifiers() & Qt::ShiftModifier;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  const int page = std::max(1, static_cast<int>(Vert().Visible().size()) - FixedRows() - 1);
  int col = FCol, row = FRow;
  switch (event->key()) {
    case Qt::Key_Up:
      --row;
      break;
    case Qt::Key_Down:
      ++row;
      break;
    case Qt::Key_Left:
      --col;
      break;
    case Qt::Key_Right:
      ++col;
      break;
    case Qt::Key_PageUp:
      row -= page;
      break;
    case Qt::Key_PageDown:
      row += page;
      break;
    case Qt::Key_Home:
      col = FixedCols();
      if (ctrl) row = FixedRows();
      break;
    case Qt::Key_End:
      col = ColCount() - 1;
      if (ctrl) row = RowCount() - 1;
      break;
    default:
      return false;
  }
  MoveCurrent(col, row, extend);
  return true;
}

void TDataStringGrid::keyPressEvent(QKeyEvent* event) {
  if (KeyDown(event) || KeyPress(event))
    event->accept();
  else
    event->ignore();
}

void TDataStringGrid::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  if (FEditing && !FHidingEditor && FEditor->isVisible()) FEditor->setFocus();
  viewport()->update();
}

void TDataStringGrid::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

// ---- Mouse

void TDataStringGrid::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    const QPoint cell = MouseCoord(pos);
    if (cell.x() >= FixedCols() && cell.y() >= FixedRows()) {
      MoveCurrent(cell.x(), cell.y(), event->modifiers() & Qt::ShiftModifier);
      FSelecting = true;
      FLastMousePos = pos;
    }
    EdgeMouseDown(pos);
  }
  event->accept();
}

void TDataStringGrid::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  FLastMousePos = pos;
  if (FEdgeSelecting) {
    EdgeMouseMove(pos);
    return;
  }
  if (!FSelecting) return;
  const QPoint inside(std::clamp(pos.x(), 0, std::max(0, GridWidth() - 1)),
                      std::clamp(pos.y(), 0, std::max(0, GridHeight() - 1)));
  const QPoint cell = MouseCoord(inside);
  if (cell.x() >= 0) MoveCurrent(cell.x(), cell.y(), true);
  const bool outside =
      pos.x() < 0 || pos.y() < 0 || pos.x() >= GridWidth() || pos.y() >= GridHeight();
  if (outside && !FScrollTimer.isActive()) FScrollTimer.start();
  if (!outside) FScrollTimer.stop();
}

void TDataStringGrid::AutoScroll() {
  if (!FSelecting || FEdgeSelecting) {
    FScrollTimer.stop();
    return;
  }
  int col = FCol, row = FRow;
  if (FLastMousePos.x() >= GridWidth())
    ++col;
  else if (FLastMousePos.x() < 0)
    --col;
  if (FLastMousePos.y() >= GridHeight())
    ++row;
  else if (FLastMousePos.y() < 0)
    --row;
  MoveCurrent(col, row, true);
}

void TDataStringGrid::mouseReleaseEvent(QMouseEvent* event) {
  FSelecting = false;
  FScrollTimer.stop();
  FEdgeSelecting = false;
  event->accept();
}

void TDataStringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  mousePressEvent(event);
  const QPoint cell = MouseCoord(event->position().toPoint());
  if (event->button() == Qt::LeftButton && cell.x() >= 0 && !IsReadOnlyCell(cell.x(), cell.y()))
    SetEditing(true);
}

// ---- Header selection

void TDataStringGrid::EdgeMouseDown(QPoint pos) {
  if (!FEdgeSelect) return;
  const QPoint cell = MouseCoord(pos);
  if (cell.x() < 0 || (cell.x() >= FixedCols() && cell.y() >= FixedRows())) return;
  SetEditing(false);
  BeginEdgeSelect(cell.x(), cell.y());
  UpdateEdgeSelection();
}

void TDataStringGrid::BeginEdgeSelect(int col, int row) {
  FEdgeSelecting = true;
  FEdgeAnchorCol = std::clamp(col, 0, ColCount() - 1);
  FEdgeAnchorRow = std::clamp(row, 0, RowCount() - 1);
  FEdgeEndCol = FEdgeAnchorCol;
  FEdgeEndRow = FEdgeAnchorRow;
}

void TDataStringGrid::UpdateEdgeSelection() {
  const int lastCol = ColCount() - 1, lastRow = RowCount() - 1;
  int col = 0, row = 0;
  TGridRect selection;
  if (FEdgeAnchorCol == 0 && FEdgeAnchorRow == 0) {
    col = FixedCols();
    row = FixedRows();
    selection = {FixedCols(), FixedRows(), lastCol, lastRow};
  } else if (FEdgeAnchorCol == 0) {
    col = FixedCols();
    row = FEdgeAnchorRow;
    selection = {FixedCols(), std::min(FEdgeAnchorRow, FEdgeEndRow), lastCol,
                 std::max(FEdgeAnchorRow, FEdgeEndRow)};
  } else if (FEdgeAnchorRow == 0) {
    col = FEdgeAnchorCol;
    row = FixedRows();
    selection = {std::min(FEdgeAnchorCol, FEdgeEndCol), FixedRows(),
                 std::max(FEdgeAnchorCol, FEdgeEndCol), lastRow};
  } else {
    return;
  }
  // No scrolling here: the moving end may lie far from the current cell.
  SelectCell(col, row);
  FCol = col;
  FRow = row;
  FAnchorCol = col;
  FAnchorRow = row;
  FSelection = selection;
  viewport()->update();
}

void TDataStringGrid::EdgeMouseMove(QPoint pos) {
  const int width = GridWidth(), height = GridHeight();
  const QPoint cell = MouseCoord({std::clamp(pos.x(), 0, std::max(0, width - 1)),
                                  std::clamp(pos.y(), 0, std::max(0, height - 1))});
  if (pos.x() >= width && FEdgeAnchorCol != 0 && width == viewport()->width())
    SetLeftCol(FLeftCol + 1);
  else if (pos.x() < 0 && FLeftCol > FixedCols())
    SetLeftCol(FLeftCol - 1);
  if (pos.y() >= height && FEdgeAnchorRow != 0 && height == viewport()->height())
    SetTopRow(FTopRow + 1);
  else if (pos.y() < 0 && FTopRow > FixedRows())
    SetTopRow(FTopRow - 1);
  if (cell.x() < 0) return;
  FEdgeEndCol = std::max(FixedCols(), cell.x());
  FEdgeEndRow = std::max(FixedRows(), cell.y());
  UpdateEdgeSelection();
}

// ---- Painting

TGridDrawState TDataStringGrid::DrawStateOf(int col, int row) const {
  TGridDrawState state;
  state.Fixed = col < FixedCols() || row < FixedRows();
  state.Selected = !state.Fixed && FSelection.Contains(col, row);
  state.Focused = col == FCol && row == FRow && (hasFocus() || FEditor->hasFocus());
  return state;
}

void TDataStringGrid::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
  const std::vector<int> cols = Horz().Visible(), rows = Vert().Visible();
  // Fixed cells first, so that the data cells' frames lie on top of shared lines.
  for (bool fixedPass : {true, false}) {
    for (int row : rows) {
      for (int col : cols) {
        const TGridDrawState state = DrawStateOf(col, row);
        if (state.Fixed != fixedPass) continue;
        const QRect rect = CellRect(col, row);
        if (rect.isEmpty()) continue;
        DrawCellFrame(painter, col, row, rect, state);
        DrawCellText(painter, col, row, rect, state);
        if (FShowObjects && Objects(col, row)) DrawObjectMark(painter, col, row, rect);
      }
    }
  }
  // The focus mark is drawn here, not by the style: styles draw it only after a keyboard
  // focus change, and the user must see which cell receives typing after a click too.
  const QRect current = CellRect(FCol, FRow);
  if ((hasFocus() || FEditor->hasFocus()) && !current.isEmpty()) {
    QPen dots(palette().color(isEnabled() ? QPalette::Text : QPalette::Mid), 0);
    dots.setDashPattern({1, 1});
    painter.setPen(dots);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(current.adjusted(0, 0, -1, -1));
  }
}

void TDataStringGrid::DrawCellFrame(QPainter& painter, int col, int row, const QRect& rect,
                                    TGridDrawState state) {
  QColor background = palette().color(IsReadOnlyCell(col, row) ? QPalette::Button : QPalette::Base);
  if (state.Selected && !state.Focused)
    background = hasFocus() ? palette().color(QPalette::Highlight) : FGrayCellLineColor;
  const QColor line = isEnabled() ? FEnabledLineColor : FUnEnabledLineColor;
  const QRect outer = rect.adjusted(-1, -1, 1, 1);
  const bool strong = state.Fixed || row == 0 || col == 0;
  painter.fillRect(outer, strong ? line : FGrayCellLineColor);
  painter.fillRect(rect, background);
  // The first data column and row close the headers with strong lines (these are columns
  // and rows 1 unless the grid is scrolled).
  if (col == FLeftCol) painter.fillRect(QRect(outer.left(), outer.top(), 1, outer.height()), line);
  if (row == FTopRow) painter.fillRect(QRect(outer.left(), outer.top(), outer.width(), 1), line);
}

void TDataStringGrid::DrawCellText(QPainter& painter, int col, int row, const QRect& rect,
                                   TGridDrawState state) {
  const TDataStringGridItem* item = Objects(col, row);
  const QString text = QString::fromStdString(item ? item->DataStr() : Cells(col, row));
  if (text.isEmpty()) return;
  const int width = painter.fontMetrics().horizontalAdvance(text);
  int x = rect.left();
  switch (GetCellAlign(col, row)) {
    case caLeft:
      x += FCellpadding;
      break;
    case caCenter:
      x += (rect.width() - width) / 2;
      break;
    case caRight:
      x = rect.left() + rect.width() - width - FCellpadding;
      break;
  }
  QColor color = isEnabled() ? palette().color(QPalette::Text) : QColor(128, 128, 128);
  if (state.Selected && !state.Focused) color = palette().color(QPalette::HighlightedText);
  painter.save();
  painter.setClipRect(rect);
  painter.setPen(color);
  painter.drawText(QRect(x, rect.top() + 2, width + 1, rect.height()),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
  painter.restore();
}

void TDataStringGrid::DrawObjectMark(QPainter& painter, int, int, const QRect& rect) {
  const int l = rect.left(), t = rect.top();
  const QPoint points[] = {{l, t}, {l + 4, t}, {l, t + 4}, {l, t + 1}, {l + 2, t + 1}, {l, t + 3}};
  painter.save();
  painter.setPen(QPen(Qt::red, 1));
  painter.drawPolyline(points, 6);
  painter.restore();
}

}  // namespace talvero
