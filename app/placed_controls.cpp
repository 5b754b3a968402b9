#include "app/placed_controls.h"

#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

#include "editing/radio_group.h"

namespace talvero {

QLabel* MakeLabel(const QString& text, QWidget* parent, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, QRect geometry) {
  auto* edit = new QLineEdit(parent);
  edit->setGeometry(geometry);
  return edit;
}

QPushButton* MakeButton(const QString& text, QWidget* parent, QRect geometry) {
  auto* button = new QPushButton(text, parent);
  button->setGeometry(geometry);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

QFrame* MakeRule(QWidget* parent, QRect geometry, QFrame::Shape shape) {
  auto* rule = new QFrame(parent);
  rule->setFrameStyle(shape | QFrame::Sunken);
  rule->setGeometry(geometry);
  return rule;
}

TRadioGroup* MakeGroup(const QString& caption, const QStringList& items, int columns,
                       QWidget* parent, QRect geometry, int itemIndex) {
  auto* group = new TRadioGroup(caption, items, columns, parent);
  // The caption takes the top of the box; the items get all that is left.
  group->layout()->setContentsMargins(6, 0, 4, 0);
  group->setGeometry(geometry);
  group->SetItemIndex(itemIndex);
  return group;
}

QCheckBox* MakeCheckBox(const QString& text, QWidget* parent, QRect geometry, bool checked) {
  auto* box = new QCheckBox(text, parent);
  box->setGeometry(geometry);
  box->setChecked(checked);
  return box;
}

QFrame* MakePanel(QWidget* parent) {
  auto* panel = new QFrame(parent);
  panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  return panel;
}

}  // namespace talvero
