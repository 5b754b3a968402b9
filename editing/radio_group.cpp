#include "editing/radio_group.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QKeyEvent>
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
    button->installEventFilter(this);
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
  // Tab reaches the selected item only (the first while none is), so that Space on it
  // cannot change the choice; a click still focuses any item.
  const int stop = std::max(FItemIndex, 0);
  for (int i = 0; i < static_cast<int>(FButtons.size()); ++i)
    FButtons[i]->setFocusPolicy(i == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

bool TRadioGroup::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QGroupBox::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  const auto at = std::find(FButtons.begin(), FButtons.end(), watched);
  if (at == FButtons.end() || (key->modifiers() & ~Qt::KeypadModifier))
    return QGroupBox::eventFilter(watched, event);
  switch (key->key()) {
    case Qt::Key_Right:
    case Qt::Key_Down:
      StepSelection(static_cast<int>(at - FButtons.begin()), true);
      return true;
    case Qt::Key_Left:
    case Qt::Key_Up:
      StepSelection(static_cast<int>(at - FButtons.begin()), false);
      return true;
    default:
      return QGroupBox::eventFilter(watched, event);
  }
}

void TRadioGroup::StepSelection(int from, bool forward) {
  const int count = static_cast<int>(FButtons.size());
  for (int step = 1; step < count; ++step) {
    const int index = ((from + (forward ? step : -step)) % count + count) % count;
    if (!FButtons[index]->isEnabled()) continue;
    FButtons[index]->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    SetItemIndex(index);
    return;
  }
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
