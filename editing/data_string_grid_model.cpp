#include "editing/data_string_grid_model.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

#include "engine/error_reporter.h"
#include "support/errors.h"
#include "support/number_format.h"
#include "support/string_utils.h"
#include "support/text_catalogue.h"

namespace talvero {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One pass over the single-byte characters of `text`; `keep` decides each candidate given
// whether it is the first one. Multi-byte characters are skipped whole.
template <typename Keep>
std::string FilterCandidates(std::string_view text, std::string_view candidates, Keep keep) {
  std::string out;
  bool first = true;
  for (size_t i = 0; i < text.size();) {
    const size_t len = CharLengthAt(text, i);
    const char c = text[i];
    if (len == 1 && (IsDigit(c) || candidates.find(c) != std::string_view::npos)) {
      if (keep(c, first)) out += c;
      first = false;
    }
    i += len;
  }
  if (out.empty() || out == "-") out = "0";
  return out;
}

}  // namespace

std::string FilterIntegerText(std::string_view text) {
  return FilterCandidates(text, "-", [](char c, bool first) { return c != '-' || first; });
}

std::string FilterFloatText(std::string_view text) {
  bool point = false;
  return FilterCandidates(text, "-.", [&point](char c, bool first) {
    if (c == '-') return first;
    if (c == '.') return !std::exchange(point, true);
    return true;
  });
}

std::string FloatCellText(long double value, int32_t digits) {
  // A negative Digits is a description error; it formats with no decimals.
  if (digits != 0) return FormatFixed(value, digits);
  const std::string general = FormatGeneral(value);
  if (general.find('E') != std::string::npos) {
    // Exponent text would be torn apart by the cell's own filter the next time it is
    // assigned ("1.5E-5" would become 1.55), and "%.1f" would turn 1E-5 into 0.0; the
    // same digits in plain notation keep the value.
    const std::string plain = FormatGeneralPlain(value);
    return HasPeriod(plain) ? plain : plain + ".0";
  }
  return HasPeriod(general) ? general : FormatFixed(value, 1);
}

long double CellTextToFloat(const std::string& text) {
  if (auto value = ParseFloat(text)) return *value;
  throw ConvertError(Localized("'%1' は浮動小数点数ではありません", {text}));
}

int32_t CellTextToInteger(const std::string& text) {
  const auto value = ParseInt64(text);
  if (!value || *value < std::numeric_limits<int32_t>::min() ||
      *value > std::numeric_limits<int32_t>::max())
    throw ConvertError(Localized("'%1' は整数ではありません", {text}));
  return static_cast<int32_t>(*value);
}

// ---- TDataStringGridItem

void TDataStringGridItem::Assign(const TDataStringGridItem& source) {
  if (&source == this) return;
  SetCellAlign(source.CellAlign());
  SetCellType(source.CellType());
  SetColIndex(source.ColIndex());
  SetDigits(source.Digits());
  SetDataStr(source.DataStr());
  SetName(source.Name());
  SetRowIndex(source.RowIndex());
}

std::string TDataStringGridItem::Normalize(const std::string& text) const {
  switch (FCellType) {
    case ctInteger:
      return FilterIntegerText(text);
    case ctFloat:
      return FloatCellText(CellTextToFloat(FilterFloatText(text)), FDigits);
    case ctNoEdit:
    case ctString:
      break;
  }
  return text;
}

// ---- TDataStringGridItems

TDataStringGridItem& TDataStringGridItems::Add() {
  return Add(std::make_unique<TDataStringGridItem>());
}

TDataStringGridItem& TDataStringGridItems::Add(std::unique_ptr<TDataStringGridItem> item) {
  FItems.push_back(std::move(item));
  return *FItems.back();
}

void TDataStringGridItems::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("grid item index out of range");
  auto it = FItems.begin() + index;
  if (OnRemove) OnRemove(**it);
  FItems.erase(it);
}

void TDataStringGridItems::Clear() {
  while (!FItems.empty()) Delete(Count() - 1);
}

void TDataStringGridItems::Assign(const TDataStringGridItems& source) {
  if (&source == this) return;
  Clear();
  for (const auto& item : source.FItems) Add().Assign(*item);
}

TDataStringGridItem* TDataStringGridItems::FindItem(std::string_view name) const {
  for (const auto& item : FItems)
    if (SameTextIgnoreCase(item->Name(), name)) return item.get();
  return nullptr;
}

// ---- TDataStringGridMediator

bool TDataStringGridMediator::AsBoolean() const {
  if (!FItem) return false;
  const std::string upper = UpperAscii(FItem->DataStr());
  return upper == "1" || upper == "TRUE" || upper == "YES";
}

void TDataStringGridMediator::SetAsBoolean(bool value) { SetAsString(value ? "1" : "0"); }

long double TDataStringGridMediator::AsFloat() const {
  return FItem ? CellTextToFloat(FItem->DataStr()) : 0.0L;
}

void TDataStringGridMediator::SetAsFloat(long double value) {
  std::string text = FormatGeneral(value);
  // A float cell would filter an exponent apart; give it the same digits in plain form.
  if (FItem && FItem->CellType() == ctFloat && text.find('E') != std::string::npos)
    text = FormatGeneralPlain(value);
  SetAsString(text);
}

int32_t TDataStringGridMediator::AsInteger() const {
  return FItem ? CellTextToInteger(FItem->DataStr()) : 0;
}

void TDataStringGridMediator::SetAsInteger(int32_t value) { SetAsString(std::to_string(value)); }

std::string TDataStringGridMediator::AsString() const {
  return FItem ? FItem->DataStr() : std::string();
}

void TDataStringGridMediator::SetAsString(const std::string& value) {
  if (!FItem) return;
  FItem->SetDataStr(value);
  FGrid.SetCells(FItem->ColIndex(), FItem->RowIndex(), FItem->DataStr());
}

// ---- TDataStringGridData

TDataStringGridData::TDataStringGridData() {
  Resize(FColCount, FRowCount);
  FItems.OnRemove = [this](const TDataStringGridItem& item) {
    for (Cell& cell : FCells)
      if (cell.Item == &item) cell.Item = nullptr;
    if (FMediator.Item() == &item) FMediator.SetItem(nullptr);
  };
}

TDataStringGridData::~TDataStringGridData() { FItems.OnRemove = nullptr; }

void TDataStringGridData::Resize(int cols, int rows) {
  cols = std::max(cols, 1);
  rows = std::max(rows, 1);
  std::vector<Cell> cells(static_cast<size_t>(cols) * rows);
  if (!FCells.empty())
    for (int r = 0; r < std::min(rows, FRowCount); ++r)
      for (int c = 0; c < std::min(cols, FColCount); ++c)
        cells[static_cast<size_t>(r) * cols + c] =
            std::move(FCells[static_cast<size_t>(r) * FColCount + c]);
  FCells = std::move(cells);
  FColCount = cols;
  FRowCount = rows;
}

void TDataStringGridData::SetColCount(int value) {
  Resize(value, FRowCount);
  DimensionsChanged();
}

void TDataStringGridData::SetRowCount(int value) {
  Resize(FColCount, value);
  DimensionsChanged();
}

std::string TDataStringGridData::Cells(int col, int row) const {
  return InGrid(col, row) ? FCells[static_cast<size_t>(row) * FColCount + col].Text : std::string();
}

void TDataStringGridData::SetCells(int col, int row, const std::string& text) {
  if (!InGrid(col, row)) return;
  FCells[static_cast<size_t>(row) * FColCount + col].Text = text;
  CellChanged(col, row);
}

TDataStringGridItem* TDataStringGridData::Objects(int col, int row) const {
  return InGrid(col, row) ? FCells[static_cast<size_t>(row) * FColCount + col].Item : nullptr;
}

void TDataStringGridData::SetObjects(int col, int row, TDataStringGridItem* item) {
  if (!InGrid(col, row)) return;
  FCells[static_cast<size_t>(row) * FColCount + col].Item = item;
  CellChanged(col, row);
}

const TDataStringGridItem* TDataStringGridData::ClampedItem(int col, int row) const {
  return Objects(std::clamp(col, 0, FColCount - 1), std::clamp(row, 0, FRowCount - 1));
}

TCellType TDataStringGridData::GetCellType(int col, int row) const {
  const TDataStringGridItem* item = ClampedItem(col, row);
  return item ? item->CellType() : ctNoEdit;
}

TCellAlign TDataStringGridData::GetCellAlign(int col, int row) const {
  const TDataStringGridItem* item = ClampedItem(col, row);
  return item ? item->CellAlign() : caCenter;
}

bool TDataStringGridData::IsReadOnlyCell(int col, int row) const {
  return GetCellType(col, row) == ctNoEdit;
}

TDataStringGridMediator& TDataStringGridData::Mediators(std::string_view name) {
  FMediator.SetItem(FItems.FindItem(name));
  if (!FMediator.Item()) ShowError("[' " + std::string(name) + " '] is invalid.");
  return FMediator;
}

void TDataStringGridData::UpdateItems() {
  for (int i = FItems.Count() - 1; i >= 0; --i) {
    TDataStringGridItem& item = FItems[i];
    // Negative positions cannot be bound either; they go like those beyond the grid.
    if (!InGrid(item.ColIndex(), item.RowIndex())) {
      FItems.Delete(i);
      continue;
    }
    SetObjects(item.ColIndex(), item.RowIndex(), &item);
    SetCells(item.ColIndex(), item.RowIndex(), item.DataStr());
  }
}

void TDataStringGridData::ClearCells() {
  for (Cell& cell : FCells) cell = Cell();
  CellChanged(-1, -1);
}

std::string TDataStringGridData::SelectionText(const TGridRect& rect) const {
  std::string text;
  for (int row = rect.Top; row <= rect.Bottom; ++row) {
    for (int col = rect.Left; col <= rect.Right; ++col) {
      if (col > rect.Left) text += '\t';
      text += Cells(col, row);
    }
    text += "\r\n";
  }
  return text;
}

}  // namespace talvero
