// The controls of the job options (engine/job_options.h) on the window's options row, made
// from the table: a check box for a Boolean or a two-valued choice, two spin boxes for a pair.
// The engine bound to the window reads and sets them through this (editing/talvero_filers.h);
// the row keeps them in its settings section.
#pragma once

#include <QString>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "engine/job_options.h"

class QBoxLayout;
class QCheckBox;
class QDoubleSpinBox;
class QWidget;

namespace talvero {

class TIniFile;

class TJobOptionControls {
 public:
  struct Item {
    const JobOptionRow* Row;
    QCheckBox* Check = nullptr;
    std::array<QDoubleSpinBox*, 2> Spins{};
  };

  // Adds each row's controls with their captions to `layout`, in the table's order, calling
  // `after` after each so that the caller may add widgets of its own beside an option.
  void Make(QWidget* parent, QBoxLayout* layout,
            const std::function<void(const JobOptionRow&)>& after);
  const std::vector<Item>& Items() const { return FItems; }
  const Item& ItemOf(const char* name) const;
  // Calls `changed` whenever a control's value changes (by the user or the program).
  void OnChanged(const std::function<void()>& changed) const;

  // The values the controls show; `stored` before they are made.
  JobOptions Read(const JobOptions& stored) const;
  // Shows `value`, leaving alone the controls that already show theirs.
  void Write(const JobOptions& value) const;

  // From and into `section` of the settings file; Load says whether it found any value.
  bool Load(const TIniFile& ini, const char* section) const;
  void Save(TIniFile& ini, const char* section) const;

 private:
  std::vector<Item> FItems;
};

}  // namespace talvero
