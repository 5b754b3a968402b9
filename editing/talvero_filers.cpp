#include "editing/talvero_filers.h"

#include <QCheckBox>
#include <QDoubleSpinBox>

#include <QCoreApplication>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabWidget>
#include <algorithm>
#include <memory>
#include <string>

#include "support/errors.h"

namespace talvero {

// ---- Parameter holders

template <typename Base>
Currency TGridBoundHolder<Base>::ReadCell(const char* name) const {
  return Currency::FromLongDouble(Grid->Mediators(name).AsFloat());
}

template <typename Base>
void TGridBoundHolder<Base>::WriteCell(const char* name, Currency value) const {
  if (Grid) Grid->Mediators(name).SetAsFloat(value.ToLongDouble());
}

template <typename Base>
int32_t TGridBoundHolder<Base>::GetAreaRadius() const {
  // A typed radius obeys the setter's minimum too: below it (negative, "-0") the scene
  // file would get broken numbers or a cube collapsed to a point.
  return Grid ? std::max(kMinAreaRadius, Grid->Mediators("AreaRadius").AsInteger())
              : Base::GetAreaRadius();
}

template <typename Base>
void TGridBoundHolder<Base>::ShowValuesInUse() {
  if (!Grid) return;
  try {
    if (Grid->Mediators("AreaRadius").AsInteger() < kMinAreaRadius) SetAreaRadius(kMinAreaRadius);
  } catch (const ConvertError&) {
    // Too many digits: the job that reads it reports that.
  }
}

template <typename Base>
void TGridBoundHolder<Base>::SetAreaRadius(int32_t value) {
  if (value < kMinAreaRadius) value = kMinAreaRadius;
  if (Grid) Grid->Mediators("AreaRadius").SetAsInteger(value);
  Base::SetAreaRadius(value);
}

template class TGridBoundHolder<TFMSDataHolder>;
template class TGridBoundHolder<TRCPDataHolder>;

TIntVector TTalveroRCP::GetLightDirection() const {
  if (!Grid) return TRCPDataHolder::GetLightDirection();
  TIntVector v;
  v.X = Grid->Mediators("Direction_X").AsInteger();
  v.Y = Grid->Mediators("Direction_Y").AsInteger();
  v.Z = Grid->Mediators("Direction_Z").AsInteger();
  return v;
}

void TTalveroRCP::SetLightDirection(const TIntVector& value) {
  if (Grid) {
    Grid->Mediators("Direction_X").SetAsInteger(value.X);
    Grid->Mediators("Direction_Y").SetAsInteger(value.Y);
    Grid->Mediators("Direction_Z").SetAsInteger(value.Z);
  }
  TRCPDataHolder::SetLightDirection(value);
}

TColorTriple TTalveroRCP::ReadColor(const char* prefix) const {
  auto component = [&](const char* suffix) {
    return Currency::FromLongDouble(Grid->Mediators(std::string(prefix) + suffix).AsFloat());
  };
  TColorTriple color;
  color.R = component("_R");
  color.G = component("_G");
  color.B = component("_B");
  return color;
}

void TTalveroRCP::WriteColor(const char* prefix, const TColorTriple& value) const {
  if (!Grid) return;
  Grid->Mediators(std::string(prefix) + "_R").SetAsFloat(value.R.ToLongDouble());
  Grid->Mediators(std::string(prefix) + "_G").SetAsFloat(value.G.ToLongDouble());
  Grid->Mediators(std::string(prefix) + "_B").SetAsFloat(value.B.ToLongDouble());
}

TColorTriple TTalveroRCP::GetLightDiffuse() const {
  return Grid ? ReadColor("Diffuse") : TRCPDataHolder::GetLightDiffuse();
}

void TTalveroRCP::SetLightDiffuse(const TColorTriple& value) {
  WriteColor("Diffuse", value);
  TRCPDataHolder::SetLightDiffuse(value);
}

TColorTriple TTalveroRCP::GetLightSpecular() const {
  return Grid ? ReadColor("Specular") : TRCPDataHolder::GetLightSpecular();
}

void TTalveroRCP::SetLightSpecular(const TColorTriple& value) {
  WriteColor("Specular", value);
  TRCPDataHolder::SetLightSpecular(value);
}

TColorTriple TTalveroRCP::GetLightAmbient() const {
  return Grid ? ReadColor("Ambient") : TRCPDataHolder::GetLightAmbient();
}

void TTalveroRCP::SetLightAmbient(const TColorTriple& value) {
  WriteColor("Ambient", value);
  TRCPDataHolder::SetLightAmbient(value);
}

// ---- Engine

namespace {

std::string EditText(const QLineEdit* edit) { return edit->text().toStdString(); }

void SetEditText(QLineEdit* edit, const std::string& value) {
  if (edit) edit->setText(QString::fromStdString(value));
}

// The group's item, or the stored value while the group is unbound or has no selection.
template <typename E>
E GroupValue(const TRadioGroup* group, E stored) {
  return group && group->ItemIndex() >= 0 ? static_cast<E>(group->ItemIndex()) : stored;
}

// Selects as a click would (the group's Click runs on a change) and focuses the group.
void SelectGroupItem(TRadioGroup* group, int index) {
  if (!group) return;
  group->SetItemIndex(index);
  if (group->CanTakeFocus()) group->TakeFocus();
}

}  // namespace

TTalveroFiler::TTalveroFiler() {
  // The size the window starts with; unbound, the getter answers it.
  TSimFiler::SetImageSizeMode(ismNormal);
}

void TTalveroFiler::CreateDataHolders() {
  SetDataHolders(std::make_unique<TTalveroFMS>(), std::make_unique<TTalveroRCP>());
}

JobOptions TTalveroFiler::GetJobOptions() const {
  const JobOptions stored = TSimFiler::GetJobOptions();
  return JobOptionControls ? JobOptionControls->Read(stored) : stored;
}

void TTalveroFiler::SetJobOptions(const JobOptions& value) {
  if (JobOptionControls) JobOptionControls->Write(value);
  TSimFiler::SetJobOptions(value);
}

TCubeSuffix TTalveroFiler::GetCubeSuffix() const {
  return GroupValue(CubeSuffixGroup, TSimFiler::GetCubeSuffix());
}

void TTalveroFiler::SetCubeSuffix(TCubeSuffix value) {
  SelectGroupItem(CubeSuffixGroup, value);
  TSimFiler::SetCubeSuffix(value);
}

TExtractImageType TTalveroFiler::GetExtractImageType() const {
  return GroupValue(ExtractImageTypeGroup, TSimFiler::GetExtractImageType());
}

void TTalveroFiler::SetExtractImageType(TExtractImageType value) {
  SelectGroupItem(ExtractImageTypeGroup, value);
  TSimFiler::SetExtractImageType(value);
}

TImageSizeMode TTalveroFiler::GetImageSizeMode() const {
  return GroupValue(ImageSizeModeGroup, TSimFiler::GetImageSizeMode());
}

void TTalveroFiler::SetImageSizeMode(TImageSizeMode value) {
  SelectGroupItem(ImageSizeModeGroup, value);
  TSimFiler::SetImageSizeMode(value);
}

TSceneType TTalveroFiler::GetSceneType() const {
  return GroupValue(SceneTypeGroup, TSimFiler::GetSceneType());
}

void TTalveroFiler::SetSceneType(TSceneType value) {
  SelectGroupItem(SceneTypeGroup, value);
  TSimFiler::SetSceneType(value);
}

TSceneFormat TTalveroFiler::GetSceneFormat() const {
  if (!SceneFormatPages || SceneFormatPages->currentIndex() < 0) return TSimFiler::GetSceneFormat();
  return static_cast<TSceneFormat>(SceneFormatPages->currentIndex());
}

void TTalveroFiler::SetSceneFormat(TSceneFormat value) {
  if (SceneFormatPages) {
    const int index = value;
    if (index >= SceneFormatPages->count())
      throw Error(QCoreApplication::translate("TalveroGrid",
                                              "リストのインデックスが範囲を超えています (%1)")
                      .arg(index)
                      .toStdString());
    const QSignalBlocker blocker(SceneFormatPages);
    SceneFormatPages->setCurrentIndex(index);
  }
  TSimFiler::SetSceneFormat(value);
}

std::string TTalveroFiler::GetImageFileName() const {
  return ImageFileNameEdit ? EditText(ImageFileNameEdit) : TSimFiler::GetImageFileName();
}

void TTalveroFiler::SetImageFileName(const std::string& value) {
  SetEditText(ImageFileNameEdit, value);
  TSimFiler::SetImageFileName(value);
}

std::string TTalveroFiler::GetSceneFilename() const {
  return SceneFileNameEdit ? EditText(SceneFileNameEdit) : TSimFiler::GetSceneFilename();
}

void TTalveroFiler::SetSceneFilename(const std::string& value) {
  SetEditText(SceneFileNameEdit, value);
  TSimFiler::SetSceneFilename(value);
}

std::string TTalveroFiler::GetTextureBasename() const {
  return TextureBaseNameEdit ? EditText(TextureBaseNameEdit) : TSimFiler::GetTextureBasename();
}

void TTalveroFiler::SetTextureBasename(const std::string& value) {
  SetEditText(TextureBaseNameEdit, value);
  TSimFiler::SetTextureBasename(value);
}

// ---- Grid layouts

namespace {

class GridBuilder {
 public:
  GridBuilder(TDataStringGrid& grid, int rows) : FGrid(grid) {
    grid.SetEditing(false);
    grid.Items().Clear();
    grid.ClearCells();
    grid.SetColCount(6);
    grid.SetRowCount(rows);
    grid.SetDefaultRowHeight(18);
    const int widths[] = {30, 110, 50, 50, 50, 112};
    for (int col = 0; col < 6; ++col) grid.SetColWidths(col, widths[col]);
    grid.SetCellpadding(6);
    grid.SetEdgeSelect(true);
    grid.SetEnabledLineColor(grid.palette().color(QPalette::Text));
    grid.SetGrayCellLineColor(QColor(128, 128, 128));
    grid.SetUnEnabledLineColor(QColor(128, 128, 128));
    grid.SetShowObjects(false);
  }
  // Puts the items into their cells.
  void Bind() { FGrid.UpdateItems(); }

  // A read-only text in the window's language (captions are marked for translation where
  // they are written); column 0 is centred, columns 1 and 5 are left-aligned.
  void Text(int row, int col, const char* text) {
    Add(row, col, ctNoEdit, col == 0 ? caCenter : caLeft,
        QCoreApplication::translate("TalveroGrid", text).toStdString().c_str(), "");
  }
  void Heading(int row, int col, const char* text) { Add(row, col, ctNoEdit, caCenter, text, ""); }
  void Zero(int row, int col) { Add(row, col, ctNoEdit, caRight, "0", ""); }
  void Integer(int row, int col, const char* name, const char* text) {
    Add(row, col, ctInteger, caRight, text, name);
  }
  void Float(int row, int col, const char* name, const char* text) {
    Add(row, col, ctFloat, caRight, text, name);
  }

 private:
  void Add(int row, int col, TCellType type, TCellAlign align, const char* text, const char* name) {
    TDataStringGridItem& item = FGrid.Items().Add();
    item.SetCellAlign(align);
    item.SetCellType(type);
    item.SetColIndex(col);
    item.SetDataStr(text);
    item.SetName(name);
    item.SetRowIndex(row);
  }
  TDataStringGrid& FGrid;
};

// Rows 1 and 2 of both grids.
void AddRadiusAndRotation(GridBuilder& b) {
  b.Text(1, 0, "1");
  b.Text(1, 1, QT_TRANSLATE_NOOP("TalveroGrid", "広さ（球の半径）"));
  b.Integer(1, 2, "AreaRadius", "1000");
  b.Text(1, 5, "( m )");
  b.Text(2, 0, "2");
  b.Text(2, 1, QT_TRANSLATE_NOOP("TalveroGrid", "シーンの回転角度"));
  b.Float(2, 2, "SceneRotate", "0.0");
  b.Text(2, 5, "( deg )");
}

void AddXYZHeadings(GridBuilder& b, int row) {
  b.Heading(row, 2, "X");
  b.Heading(row, 3, "Y");
  b.Heading(row, 4, "Z");
}

}  // namespace

void SetupFMSGrid(TDataStringGrid& grid) {
  GridBuilder b(grid, 9);
  AddRadiusAndRotation(b);
  b.Heading(3, 2, "X");
  b.Heading(3, 3, "Y");
  b.Text(4, 1, QT_TRANSLATE_NOOP("TalveroGrid", "地面の傾き"));
  b.Float(4, 2, "SlopeX", "0.0");
  b.Float(4, 3, "SlopeY", "0.0");
  b.Text(4, 5, "( deg )");
  b.Text(6, 0, "4");
  AddXYZHeadings(b, 6);
  b.Text(7, 0, "5");
  b.Text(7, 1, QT_TRANSLATE_NOOP("TalveroGrid", "パイロットの視点"));
  b.Zero(7, 2);
  b.Zero(7, 3);
  b.Float(7, 4, "PilotZ", "0.0");
  b.Text(7, 5, "( m )");
  b.Text(8, 0, "6");
  b.Text(8, 1, QT_TRANSLATE_NOOP("TalveroGrid", "機体の位置"));
  b.Float(8, 2, "AirCraftX", "-5.0");
  b.Float(8, 3, "AirCraftY", "0.0");
  b.Float(8, 4, "AirCraftZ", "-1.7");
  b.Text(8, 5, "( m )");
  b.Bind();
}

void SetupRCPGrid(TDataStringGrid& grid) {
  GridBuilder b(grid, 16);
  AddRadiusAndRotation(b);
  b.Heading(3, 2, "X");
  b.Heading(3, 4, "Z");
  b.Text(4, 1, QT_TRANSLATE_NOOP("TalveroGrid", "地面の傾き"));
  b.Float(4, 2, "SlopeX", "0.0");
  b.Float(4, 4, "SlopeZ", "0.0");
  b.Text(4, 5, "( deg )");
  b.Text(5, 0, "3");
  b.Text(5, 1, QT_TRANSLATE_NOOP("TalveroGrid", "機体の向き"));
  b.Float(5, 2, "AirCraftRotate", "0.0");
  b.Text(5, 5, "( deg )");
  b.Text(6, 0, "4");
  AddXYZHeadings(b, 6);
  b.Text(7, 0, "5");
  b.Text(7, 1, QT_TRANSLATE_NOOP("TalveroGrid", "パイロットの視点"));
  b.Zero(7, 2);
  b.Zero(7, 3);
  b.Zero(7, 4);
  b.Text(7, 5, "( m )");
  b.Text(8, 0, "6");
  b.Text(8, 1, QT_TRANSLATE_NOOP("TalveroGrid", "機体の位置"));
  b.Float(8, 2, "AirCraftX", "5.0");
  b.Float(8, 3, "AirCraftY", "-1.7");
  b.Float(8, 4, "AirCraftZ", "0.0");
  b.Text(8, 5, "( m )");
  b.Text(9, 0, "7");
  b.Text(9, 1, QT_TRANSLATE_NOOP("TalveroGrid", "光の設定"));
  AddXYZHeadings(b, 9);
  b.Text(10, 0, "8");
  b.Text(10, 1, "Light.Direction");
  b.Integer(10, 2, "Direction_X", "0");
  b.Integer(10, 3, "Direction_Y", "-1");
  b.Integer(10, 4, "Direction_Z", "0");
  b.Text(10, 5, QT_TRANSLATE_NOOP("TalveroGrid", "光線の進行方向"));
  b.Text(11, 0, "9");
  b.Heading(11, 2, "R");
  b.Heading(11, 3, "G");
  b.Heading(11, 4, "B");
  const char* lights[][2] = {{"Diffuse", "1.0"}, {"Specular", "1.0"}, {"Ambient", "0.2"}};
  const char* labels[] = {"Light.Diffuse", "Light.Specular", "Light.Ambient"};
  const char* notes[] = {QT_TRANSLATE_NOOP("TalveroGrid", "3D光の色"),
                         QT_TRANSLATE_NOOP("TalveroGrid", "反射光の色"),
                         QT_TRANSLATE_NOOP("TalveroGrid", "均一光の色")};
  const char* numbers[] = {"10", "11", "12"};
  for (int i = 0; i < 3; ++i) {
    const int row = 12 + i;
    const std::string prefix = lights[i][0];
    b.Text(row, 0, numbers[i]);
    b.Text(row, 1, labels[i]);
    b.Float(row, 2, (prefix + "_R").c_str(), lights[i][1]);
    b.Float(row, 3, (prefix + "_G").c_str(), lights[i][1]);
    b.Float(row, 4, (prefix + "_B").c_str(), lights[i][1]);
    b.Text(row, 5, notes[i]);
  }
  b.Text(15, 0, "13");
  b.Bind();
}

}  // namespace talvero
