// The main window's controls as its designed layout places them: at fixed positions and
// sizes, which FitCaptionWidth and KeepRowClear (app/ui_style.h) then widen and move only
// as far as a caption in the font in use needs.
#pragma once

#include <QFrame>
#include <QRect>
#include <QString>
#include <QStringList>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace talvero {

class TRadioGroup;

// A label sized to its text, its top-left corner at (left, top).
QLabel* MakeLabel(const QString& text, QWidget* parent, int left, int top);
QLineEdit* MakeEdit(QWidget* parent, QRect geometry);
// A command button that takes no keyboard focus, as the speed buttons of the original layout
// (the menus reach them).
QPushButton* MakeButton(const QString& text, QWidget* parent, QRect geometry);
// A sunken line, QFrame::HLine or QFrame::VLine.
QFrame* MakeRule(QWidget* parent, QRect geometry, QFrame::Shape shape);
// A radio group whose caption takes the top of its box, with item `itemIndex` chosen.
TRadioGroup* MakeGroup(const QString& caption, const QStringList& items, int columns,
                       QWidget* parent, QRect geometry, int itemIndex);
QCheckBox* MakeCheckBox(const QString& text, QWidget* parent, QRect geometry, bool checked);
// A panel with a lowered inner bevel.
QFrame* MakePanel(QWidget* parent);

}  // namespace talvero
