// A captioned group of radio buttons with one selected item index, laid out in columns.
// Its Click signal reports every change of the selection, whether the user or the program
// made it, so that a window handles both in one place. The group is one tab stop, on its
// selected item; the arrow keys move the selection through the items, round the ends.
#pragma once

#include <QGroupBox>
#include <QStringList>
#include <vector>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

namespace talvero {

class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  explicit TRadioGroup(QWidget* parent = nullptr);
  TRadioGroup(const QString& caption, const QStringList& items, int columns,
              QWidget* parent = nullptr);

  QString Caption() const { return title(); }
  void SetCaption(const QString& caption) { setTitle(caption); }
  int Columns() const { return FColumns; }
  void SetColumns(int columns);
  const QStringList& Items() const { return FItems; }
  // New captions; the selected index stays (limited to the new last item).
  void SetItems(const QStringList& items);
  QRadioButton* Button(int index) const;

  // -1 when nothing is selected.
  int ItemIndex() const { return FItemIndex; }
  // An index beyond the last item selects the last; below 0 selects nothing. A change
  // emits Click.
  void SetItemIndex(int index);

  // True when the group and all its parents are visible and enabled.
  bool CanTakeFocus() const;
  // Focuses the selected button (the first when none is selected).
  void TakeFocus();

 signals:
  void Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Rebuild();
  void UpdateChecks();
  // Selects and focuses the next enabled item after `from` (or before it), round the ends.
  void StepSelection(int from, bool forward);

  QStringList FItems;
  int FColumns = 1;
  int FItemIndex = -1;
  bool FUpdating = false;
  QGridLayout* FLayout;
  QButtonGroup* FGroup;
  std::vector<QRadioButton*> FButtons;
};

}  // namespace talvero
