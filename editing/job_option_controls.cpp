#include "editing/job_option_controls.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QLabel>
#include <cmath>
#include <cstring>

#include "support/errors.h"
#include "support/ini_file.h"
#include "support/number_format.h"

namespace talvero {

namespace {

// The captions and tool tips, in the options row's translation context (as its own tr()).
constexpr const char* kContext = "talvero::TLevellingPanel";
struct Look {
  const char* Name;
  std::array<const char*, 2> Captions;
  const char* ToolTip;
};
const Look kLooks[] = {
    {"level",
     {QT_TRANSLATE_NOOP("talvero::TLevellingPanel", "水平補正　ピッチ："),
      QT_TRANSLATE_NOOP("talvero::TLevellingPanel", "ロール：")},
     nullptr},
    {"quality",
     {QT_TRANSLATE_NOOP("talvero::TLevellingPanel", "高画質"), nullptr},
     QT_TRANSLATE_NOOP("talvero::TLevellingPanel",
                       "縮小では各画素が覆う範囲を平均し、拡大はなめらかにします（時間が少し余分に"
                       "かかります）。")},
};

const Look& LookOf(const JobOptionRow& row) {
  for (const Look& look : kLooks)
    if (std::strcmp(look.Name, row.Name) == 0) return look;
  throw Error(std::string("the job option ") + row.Name + " has no caption");
}

QString Text(const char* text) { return QCoreApplication::translate(kContext, text); }

// A pair's number: degrees within the row's limit.
QDoubleSpinBox* MakeAngle(QWidget* parent, int64_t limit) {
  auto* edit = new QDoubleSpinBox(parent);
  edit->setRange(static_cast<double>(-limit), static_cast<double>(limit));
  edit->setDecimals(2);
  edit->setSingleStep(0.5);
  edit->setSuffix(QStringLiteral("°"));
  edit->setMinimumWidth(80);
  return edit;
}

}  // namespace

void TJobOptionControls::Make(QWidget* parent, QBoxLayout* layout,
                              const std::function<void(const JobOptionRow&)>& after) {
  for (const JobOptionRow& row : JobOptionRows()) {
    const Look& look = LookOf(row);
    Item item{&row};
    if (row.Kind == JobOptionKind::NumberPair) {
      for (size_t i = 0; i < 2; ++i) {
        layout->addWidget(new QLabel(Text(look.Captions[i]), parent));
        item.Spins[i] = MakeAngle(parent, row.Limits[i]);
        layout->addWidget(item.Spins[i]);
      }
    } else {
      item.Check = new QCheckBox(Text(look.Captions[0]), parent);
      if (look.ToolTip) item.Check->setToolTip(Text(look.ToolTip));
      layout->addWidget(item.Check);
    }
    FItems.push_back(item);
    after(row);
  }
}

const TJobOptionControls::Item& TJobOptionControls::ItemOf(const char* name) const {
  for (const Item& item : FItems)
    if (std::strcmp(item.Row->Name, name) == 0) return item;
  throw Error(std::string("there is no job option ") + name);
}

void TJobOptionControls::OnChanged(const std::function<void()>& changed) const {
  for (const Item& item : FItems) {
    if (item.Check) QObject::connect(item.Check, &QCheckBox::toggled, item.Check, changed);
    for (QDoubleSpinBox* spin : item.Spins)
      if (spin) QObject::connect(spin, &QDoubleSpinBox::valueChanged, spin, changed);
  }
}

JobOptions TJobOptionControls::Read(const JobOptions& stored) const {
  JobOptions options = stored;
  for (const Item& item : FItems) {
    JobOptionValue value;
    if (item.Check) value.Ordinal = item.Check->isChecked() ? 1 : 0;
    for (size_t i = 0; i < 2; ++i)
      if (item.Spins[i])
        value.Numbers[i] =
            Currency::FromLongDouble(static_cast<long double>(item.Spins[i]->value()));
    item.Row->Set(options, value);
  }
  return options;
}

void TJobOptionControls::Write(const JobOptions& options) const {
  const JobOptions shown = Read(options);
  for (const Item& item : FItems) {
    const JobOptionValue value = item.Row->Get(options);
    if (value == item.Row->Get(shown)) continue;
    if (item.Check) item.Check->setChecked(value.Ordinal == 1);
    for (size_t i = 0; i < 2; ++i)
      if (item.Spins[i])
        item.Spins[i]->setValue(static_cast<double>(value.Numbers[i].ToLongDouble()));
  }
}

bool TJobOptionControls::Load(const TIniFile& ini, const char* section) const {
  bool found = false;
  for (const Item& item : FItems) {
    for (size_t i = 0; i < 2; ++i) {
      if (!item.Row->IniKeys[i]) continue;
      const auto text = ini.ReadString(section, item.Row->IniKeys[i]);
      const auto value = text ? ParseFloat(*text) : std::nullopt;
      if (!value || !std::isfinite(static_cast<double>(*value))) continue;
      found = true;
      const double number = static_cast<double>(*value);
      if (item.Check)
        item.Check->setChecked(number != 0);
      else
        item.Spins[i]->setValue(number);  // the field keeps it within its range
    }
  }
  return found;
}

void TJobOptionControls::Save(TIniFile& ini, const char* section) const {
  for (const Item& item : FItems) {
    if (item.Check)
      ini.WriteString(section, item.Row->IniKeys[0], item.Check->isChecked() ? "1" : "0");
    for (size_t i = 0; i < 2; ++i)
      if (item.Spins[i])
        ini.WriteString(section, item.Row->IniKeys[i], FormatGeneral(item.Spins[i]->value()));
  }
}

}  // namespace talvero
