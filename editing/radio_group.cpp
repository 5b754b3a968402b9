#include "editing/radio_group.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>
#include <algorithm>

namespace talvero {

TRadioGroup::TRadioGroup(QWidget* parent)
    : QGroupBox(parent), FLayout(new QGridLayout(this)), FGroup(new QButtonGroup(this)) {
  FLayout->setContentsMargins(8, 2, 8, 2);
  FLayout->setVerticalSpacing(0);
  connect(FGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked && !FUpdating) SetItemIndex(id);
  });
}

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, int columns,
                         QWidget* parent)
    : TRadioGroup(parent) {
  setTitle(caption);
  FColumns = std::max(columns, 1);
  SetItems(items);
}

void TRadioGroup::SetColumns(int columns) {
  columns = std::max(columns, 1);
  if (columns == FColumns) return;
  FColumns = columns;
  Rebuild();
}

void TRadioGroup::SetItems(const QStringList& items) {
  if (items.size() == FItems.size()) {
    FItems = items;
    for (size_t i = 0; i < FButtons.size(); ++i) FButtons[i]->setText(FItems[static_cast<int>(i)]);
    return;
  }
  FItems = items;
  FItemIndex = std::min(FItemIndex, static_cast<int>(FItems.size()) - 1);
  Rebuild();
}

QRadioButton* TRadioGroup::Button(int index) const {
  return index >= 0 && index < static_cast<int>(FButtons.size()) ? FButtons[index] : nullptr;
}

void TRadioGroup::Rebuild() {
  for (QRadioButton* button : FButtons) {
    FGroup->removeButton(button);
    delete button;
  }
  FButtons.clear();
  // Items fill the columns from top to bottom, as many per column as the first needs.
  const int count = static_cast<int>(FItems.size());
  const int perColumn = std::max(1, (count + FColumns - 1) / FColumns);
  for (int i = 0; i < count; ++i) {
    auto* button = new QRadioButton(FItems[i], this);
    FGroup->addButton(button, i);
    FLayout->addWidget(button, i % perColumn, i / perColumn);
    FButtons.push_back(button);
  }
  UpdateChecks();
}

void TRadioGroup::UpdateChecks() {
  FUpdating = true;
  FGroup->setExclusive(false);
  for (int i = 0; i < static_cast<int>(FButtons.size()); ++i)
    FButtons[i]->setChecked(i == FItemIndex);
  FGroup->setExclusive(true);
  FUpdating = false;
}

void TRadioGroup::SetItemIndex(int index) {
  index = std::clamp(index, -1, static_cast<int>(FItems.size()) - 1);
  if (index == FItemIndex) return;
  FItemIndex = index;
  UpdateChecks();
  emit Click();
}

bool TRadioGroup::CanTakeFocus() const { return isVisible() && isEnabled(); }

void TRadioGroup::TakeFocus() {
  if (QRadioButton* button = Button(std::max(FItemIndex, 0)))
    button->setFocus(Qt::OtherFocusReason);
  else
    setFocus(Qt::OtherFocusReason);
}

}  // namespace talvero
