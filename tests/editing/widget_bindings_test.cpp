// The engine bound to a window's controls: parameters in the two grids, job settings in
// edit boxes, format pages and radio groups.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include <QLineEdit>
#include <QPalette>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>

#include "common/test_support.h"
#include "editing/talvero_filers.h"
#include "editing/widget_support.h"
#include "formats/scene_format.h"
#include "formats/scene_parameters.h"
#include "support/errors.h"

namespace talvero {
namespace {

using testing::CellCentre;
using testing::Press;
using testing::RecordingErrorReporter;
using testing::Type;

Currency C(const char* text) { return Currency::Parse(text); }

// The controls of the main window that the engine reads and writes, bound as the window
// binds them.
class Bindings : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&window);
    for (QLineEdit* edit : {imageEdit, sceneEdit, baseEdit}) layout->addWidget(edit);
    pages->addTab(fmsGrid, "  FMS  ");
    pages->addTab(rcpGrid, "  RCPSim  ");
    SetupFMSGrid(*fmsGrid);
    SetupRCPGrid(*rcpGrid);
    for (QWidget* w :
         std::initializer_list<QWidget*>{pages, sceneType, cubeSuffix, sizeMode, imageType})
      layout->addWidget(w);
    window.resize(500, 700);

    filer->ImageFileNameEdit = imageEdit;
    filer->SceneFileNameEdit = sceneEdit;
    filer->TextureBaseNameEdit = baseEdit;
    filer->SceneFormatPages = pages;
    filer->CubeSuffixGroup = cubeSuffix;
    filer->ExtractImageTypeGroup = imageType;
    filer->ImageSizeModeGroup = sizeMode;
    filer->SceneTypeGroup = sceneType;
    filer->TalveroFMS().Grid = fmsGrid;
    filer->TalveroRCP().Grid = rcpGrid;
    filer->ResetJob();
  }

  std::string Cell(TDataStringGrid* grid, const char* name) {
    const TDataStringGridItem* item = grid->Items().FindItem(name);
    return item ? grid->Cells(item->ColIndex(), item->RowIndex()) : "<missing>";
  }
  void TypeInto(TDataStringGrid* grid, const char* name, const QString& text) {
    const TDataStringGridItem* item = grid->Items().FindItem(name);
    grid->FocusCell(item->ColIndex(), item->RowIndex());
    grid->setFocus();
    Type(text);
    Press(Qt::Key_Return);
  }

  RecordingErrorReporter errors;
  ScopedErrorReporter scope{errors};
  QWidget window;
  QLineEdit* imageEdit = new QLineEdit(&window);
  QLineEdit* sceneEdit = new QLineEdit(&window);
  QLineEdit* baseEdit = new QLineEdit(&window);
  QTabWidget* pages = new QTabWidget(&window);
  TDataStringGrid* fmsGrid = new TDataStringGrid;
  TDataStringGrid* rcpGrid = new TDataStringGrid;
  TRadioGroup* sceneType =
      new TRadioGroup("　シーンタイプ　", {"立方体（６面）", "球体（２０面）"}, 2, &window);
  TRadioGroup* cubeSuffix =
      new TRadioGroup("　命名規則　", {"_left.._Bottom", "_0.._5"}, 2, &window);
  TRadioGroup* sizeMode =
      new TRadioGroup("　出力画像サイズ　", {"1024", "2048", "4096"}, 3, &window);
  TRadioGroup* imageType = new TRadioGroup("　出力画像タイプ　", {"Bitmap", "Jpeg"}, 2, &window);
  std::unique_ptr<TTalveroFiler> filer = TSimFiler::Create<TTalveroFiler>();
};

TEST_F(Bindings, ResetShowsTheDefaultsInBothGrids) {
  const std::pair<const char*, const char*> fms[] = {
      {"AreaRadius", "1000"}, {"SceneRotate", "0.0"}, {"SlopeX", "0.0"},    {"SlopeY", "0.0"},
      {"PilotZ", "0.0"},      {"AirCraftX", "-5.0"},  {"AirCraftY", "0.0"}, {"AirCraftZ", "-1.7"}};
  for (auto [name, text] : fms) EXPECT_EQ(Cell(fmsGrid, name), text) << name;
  const std::pair<const char*, const char*> rcp[] = {
      {"AreaRadius", "1000"}, {"SceneRotate", "0.0"},    {"SlopeX", "0.0"},
      {"SlopeZ", "0.0"},      {"AirCraftRotate", "0.0"}, {"AirCraftX", "5.0"},
      {"AirCraftY", "-1.7"},  {"AirCraftZ", "0.0"},      {"Direction_X", "0"},
      {"Direction_Y", "-1"},  {"Direction_Z", "0"},      {"Diffuse_R", "1.0"},
      {"Diffuse_G", "1.0"},   {"Diffuse_B", "1.0"},      {"Specular_R", "1.0"},
      {"Specular_G", "1.0"},  {"Specular_B", "1.0"},     {"Ambient_R", "0.2"},
      {"Ambient_G", "0.2"},   {"Ambient_B", "0.2"}};
  for (auto [name, text] : rcp) EXPECT_EQ(Cell(rcpGrid, name), text) << name;

  EXPECT_EQ(filer->FMSData().GetAirCraftZ(), C("-1.7"));
  EXPECT_EQ(filer->RCPData().GetAirCraftY(), C("-1.7"));
  EXPECT_EQ(filer->RCPData().GetLightAmbient().G, C("0.2"));
  EXPECT_EQ(filer->RCPData().GetLightDirection().Y, -1);
  EXPECT_EQ(filer->GetTextureBasename(), "");
  EXPECT_TRUE(errors.Messages.empty());
}

TEST_F(Bindings, GridLayoutsPlaceTheNamedCellsAndLabels) {
  for (TDataStringGrid* grid : {fmsGrid, rcpGrid}) {
    EXPECT_EQ(grid->ColCount(), 6);
    const int widths[] = {30, 110, 50, 50, 50, 112};
    for (int col = 0; col < 6; ++col) EXPECT_EQ(grid->ColWidths(col), widths[col]);
    EXPECT_EQ(grid->RowHeights(3), 18);
    EXPECT_EQ(grid->Cellpadding(), 6);
    EXPECT_EQ(grid->Cells(1, 1), "広さ（球の半径）");
    EXPECT_EQ(grid->GetCellAlign(0, 1), caCenter);
    EXPECT_EQ(grid->GetCellAlign(1, 1), caLeft);
    EXPECT_EQ(grid->GetCellAlign(2, 1), caRight);
    EXPECT_EQ(grid->GetCellAlign(2, 3), caCenter);
    EXPECT_EQ(grid->GetCellAlign(2, 7), caRight);
    EXPECT_EQ(grid->GetCellType(2, 1), ctInteger);
    EXPECT_TRUE(grid->IsReadOnlyCell(2, 7));  // the pilot's X is a fixed "0"
    EXPECT_EQ(grid->Cells(2, 7), "0");
  }
  EXPECT_EQ(fmsGrid->RowCount(), 9);
  EXPECT_EQ(rcpGrid->RowCount(), 16);
  EXPECT_EQ(fmsGrid->Objects(4, 7)->Name(), "PilotZ");
  EXPECT_EQ(rcpGrid->Cells(4, 7), "0");
  EXPECT_EQ(rcpGrid->Objects(3, 10)->Name(), "Direction_Y");
  EXPECT_EQ(rcpGrid->GetCellType(3, 10), ctInteger);
  EXPECT_EQ(rcpGrid->Objects(4, 14)->Name(), "Ambient_B");
  EXPECT_EQ(rcpGrid->Cells(5, 10), "光線の進行方向");
  EXPECT_EQ(rcpGrid->Cells(0, 15), "13");
}

// The two layouts as the tables give them, one string per cell: "" no item; plain text a
// read-only label (column 0 centred, the others left); "^" a centred and ">" a
// right-aligned read-only text; "#Name=text" an integer and "~Name=text" a float cell,
// both right-aligned.
using GridTable = std::vector<std::array<const char*, 6>>;

const GridTable kFmsTable = {
    {"", "", "", "", "", ""},
    {"1", "広さ（球の半径）", "#AreaRadius=1000", "", "", "( m )"},
    {"2", "シーンの回転角度", "~SceneRotate=0.0", "", "", "( deg )"},
    {"", "", "^X", "^Y", "", ""},
    {"", "地面の傾き", "~SlopeX=0.0", "~SlopeY=0.0", "", "( deg )"},
    {"", "", "", "", "", ""},
    {"4", "", "^X", "^Y", "^Z", ""},
    {"5", "パイロットの視点", ">0", ">0", "~PilotZ=0.0", "( m )"},
    {"6", "機体の位置", "~AirCraftX=-5.0", "~AirCraftY=0.0", "~AirCraftZ=-1.7", "( m )"},
};

const GridTable kRcpTable = {
    {"", "", "", "", "", ""},
    {"1", "広さ（球の半径）", "#AreaRadius=1000", "", "", "( m )"},
    {"2", "シーンの回転角度", "~SceneRotate=0.0", "", "", "( deg )"},
    {"", "", "^X", "", "^Z", ""},
    {"", "地面の傾き", "~SlopeX=0.0", "", "~SlopeZ=0.0", "( deg )"},
    {"3", "機体の向き", "~AirCraftRotate=0.0", "", "", "( deg )"},
    {"4", "", "^X", "^Y", "^Z", ""},
    {"5", "パイロットの視点", ">0", ">0", ">0", "( m )"},
    {"6", "機体の位置", "~AirCraftX=5.0", "~AirCraftY=-1.7", "~AirCraftZ=0.0", "( m )"},
    {"7", "光の設定", "^X", "^Y", "^Z", ""},
    {"8", "Light.Direction", "#Direction_X=0", "#Direction_Y=-1", "#Direction_Z=0",
     "光線の進行方向"},
    {"9", "", "^R", "^G", "^B", ""},
    {"10", "Light.Diffuse", "~Diffuse_R=1.0", "~Diffuse_G=1.0", "~Diffuse_B=1.0", "3D光の色"},
    {"11", "Light.Specular", "~Specular_R=1.0", "~Specular_G=1.0", "~Specular_B=1.0",
     "反射光の色"},
    {"12", "Light.Ambient", "~Ambient_R=0.2", "~Ambient_G=0.2", "~Ambient_B=0.2", "均一光の色"},
    {"13", "", "", "", "", ""},
};

// Every cell of `grid` against `table`: item or none, type, alignment, name and text.
void ExpectLayout(const TDataStringGrid& grid, const GridTable& table) {
  ASSERT_EQ(grid.RowCount(), static_cast<int>(table.size()));
  ASSERT_EQ(grid.ColCount(), 6);
  for (int row = 0; row < grid.RowCount(); ++row)
    for (int col = 0; col < 6; ++col) {
      SCOPED_TRACE(::testing::Message() << "column " << col << ", row " << row);
      const std::string cell = table[row][col];
      const TDataStringGridItem* item = grid.Objects(col, row);
      if (cell.empty()) {
        EXPECT_EQ(item, nullptr);
        EXPECT_EQ(grid.Cells(col, row), "");
        continue;
      }
      ASSERT_NE(item, nullptr);
      TCellType type = ctNoEdit;
      TCellAlign align = col == 0 ? caCenter : caLeft;
      std::string name, text = cell;
      if (cell[0] == '#' || cell[0] == '~') {
        type = cell[0] == '#' ? ctInteger : ctFloat;
        align = caRight;
        const size_t equals = cell.find('=');
        name = cell.substr(1, equals - 1);
        text = cell.substr(equals + 1);
      } else if (cell[0] == '^' || cell[0] == '>') {
        align = cell[0] == '^' ? caCenter : caRight;
        text = cell.substr(1);
      }
      EXPECT_EQ(item->CellType(), type);
      EXPECT_EQ(item->CellAlign(), align);
      EXPECT_EQ(item->Name(), name);
      EXPECT_EQ(item->DataStr(), text);
      EXPECT_EQ(grid.Cells(col, row), text);
      EXPECT_EQ(grid.IsReadOnlyCell(col, row), type == ctNoEdit);
      if (!name.empty()) {
        EXPECT_EQ(grid.Items().FindItem(name), item) << "one cell per name";
      }
    }
}

TEST_F(Bindings, BothGridsMatchTheirLayoutCellByCell) {
  ExpectLayout(*fmsGrid, kFmsTable);
  ExpectLayout(*rcpGrid, kRcpTable);
  for (TDataStringGrid* grid : {fmsGrid, rcpGrid}) {
    const int widths[] = {30, 110, 50, 50, 50, 112};
    for (int col = 0; col < 6; ++col) EXPECT_EQ(grid->ColWidths(col), widths[col]);
    for (int row = 0; row < grid->RowCount(); ++row) EXPECT_EQ(grid->RowHeights(row), 18);
    EXPECT_EQ(grid->FixedCols(), 1);
    EXPECT_EQ(grid->FixedRows(), 1);
    EXPECT_EQ(grid->Cellpadding(), 6);
    EXPECT_TRUE(grid->EdgeSelect());
    EXPECT_FALSE(grid->ShowObjects());
    EXPECT_EQ(grid->EnabledLineColor(), grid->palette().color(QPalette::Text));
    EXPECT_EQ(grid->GrayCellLineColor(), QColor(128, 128, 128));
    EXPECT_EQ(grid->UnEnabledLineColor(), QColor(128, 128, 128));
  }
}

TEST_F(Bindings, ParametersGoThroughTheCells) {
  TTalveroFMS& fms = filer->TalveroFMS();
  fms.SetAreaRadius(99);
  EXPECT_EQ(Cell(fmsGrid, "AreaRadius"), "100");
  EXPECT_EQ(fms.GetAreaRadius(), 100);
  fms.SetAirCraftX(C("5"));
  EXPECT_EQ(Cell(fmsGrid, "AirCraftX"), "5.0");
  fms.SetAirCraftZ(C("-0.0001"));
  EXPECT_EQ(Cell(fmsGrid, "AirCraftZ"), "-0.0001");
  EXPECT_EQ(fms.GetAirCraftZ(), C("-0.0001"));

  TTalveroRCP& rcp = filer->TalveroRCP();
  rcp.SetLightDirection({3, -7, 12});
  EXPECT_EQ(Cell(rcpGrid, "Direction_Z"), "12");
  EXPECT_EQ(rcp.GetLightDirection().Y, -7);
  rcp.SetLightDiffuse({C("0.5"), C("0.25"), C("1")});
  EXPECT_EQ(Cell(rcpGrid, "Diffuse_G"), "0.25");
  EXPECT_EQ(Cell(rcpGrid, "Diffuse_B"), "1.0");
  EXPECT_EQ(rcp.GetLightDiffuse().R, C("0.5"));
  // Cross-format assignment reads one grid and writes the other.
  rcp.CopyFrom(fms);
  EXPECT_EQ(Cell(rcpGrid, "AirCraftX"), "-5.0");
  EXPECT_EQ(Cell(rcpGrid, "AirCraftY"), "-0.0001");
}

// A distinct value in every parameter: a getter or setter bound to a neighbour's cell (the
// slopes, the pilot, the colours, whose defaults are equal) shows up here.
TEST_F(Bindings, EveryParameterReadsAndWritesACellOfItsOwn) {
  ASSERT_TRUE(testing::ShowActive(window));
  TTalveroFMS& fms = filer->TalveroFMS();
  TTalveroRCP& rcp = filer->TalveroRCP();
  const auto text = [](Currency c) { return c.ToGeneralString(); };
  const auto whole = [](int32_t v) { return std::to_string(v); };
  struct Parameter {
    TDataStringGrid* Grid;
    const char* Cell;
    const char* Written;
    std::function<std::string()> Read;
  };
  const std::vector<Parameter> parameters = {
      {fmsGrid, "AreaRadius", "1234", [&] { return whole(fms.GetAreaRadius()); }},
      {fmsGrid, "SceneRotate", "1.5", [&] { return text(fms.GetSceneRotate()); }},
      {fmsGrid, "SlopeX", "2.25", [&] { return text(fms.GetSlopeX()); }},
      {fmsGrid, "SlopeY", "-3.5", [&] { return text(fms.GetSlopeY()); }},
      {fmsGrid, "PilotZ", "4.75", [&] { return text(fms.GetPilotZ()); }},
      {fmsGrid, "AirCraftX", "-6.125", [&] { return text(fms.GetAirCraftX()); }},
      {fmsGrid, "AirCraftY", "7.5", [&] { return text(fms.GetAirCraftY()); }},
      {fmsGrid, "AirCraftZ", "-8.25", [&] { return text(fms.GetAirCraftZ()); }},
      {rcpGrid, "AreaRadius", "2345", [&] { return whole(rcp.GetAreaRadius()); }},
      {rcpGrid, "SceneRotate", "11.5", [&] { return text(rcp.GetSceneRotate()); }},
      {rcpGrid, "SlopeX", "12.25", [&] { return text(rcp.GetSlopeX()); }},
      {rcpGrid, "SlopeZ", "-13.5", [&] { return text(rcp.GetSlopeZ()); }},
      {rcpGrid, "AirCraftRotate", "14.75", [&] { return text(rcp.GetAirCraftRotate()); }},
      {rcpGrid, "AirCraftX", "15.5", [&] { return text(rcp.GetAirCraftX()); }},
      {rcpGrid, "AirCraftY", "-16.25", [&] { return text(rcp.GetAirCraftY()); }},
      {rcpGrid, "AirCraftZ", "17.125", [&] { return text(rcp.GetAirCraftZ()); }},
      {rcpGrid, "Direction_X", "3", [&] { return whole(rcp.GetLightDirection().X); }},
      {rcpGrid, "Direction_Y", "-7", [&] { return whole(rcp.GetLightDirection().Y); }},
      {rcpGrid, "Direction_Z", "12", [&] { return whole(rcp.GetLightDirection().Z); }},
      {rcpGrid, "Diffuse_R", "0.11", [&] { return text(rcp.GetLightDiffuse().R); }},
      {rcpGrid, "Diffuse_G", "0.12", [&] { return text(rcp.GetLightDiffuse().G); }},
      {rcpGrid, "Diffuse_B", "0.13", [&] { return text(rcp.GetLightDiffuse().B); }},
      {rcpGrid, "Specular_R", "0.21", [&] { return text(rcp.GetLightSpecular().R); }},
      {rcpGrid, "Specular_G", "0.22", [&] { return text(rcp.GetLightSpecular().G); }},
      {rcpGrid, "Specular_B", "0.23", [&] { return text(rcp.GetLightSpecular().B); }},
      {rcpGrid, "Ambient_R", "0.31", [&] { return text(rcp.GetLightAmbient().R); }},
      {rcpGrid, "Ambient_G", "0.32", [&] { return text(rcp.GetLightAmbient().G); }},
      {rcpGrid, "Ambient_B", "0.33", [&] { return text(rcp.GetLightAmbient().B); }},
  };

  // Written by the engine, each value lands in its own cell.
  fms.SetAreaRadius(1234);
  fms.SetSceneRotate(C("1.5"));
  fms.SetSlopeX(C("2.25"));
  fms.SetSlopeY(C("-3.5"));
  fms.SetPilotZ(C("4.75"));
  fms.SetAirCraftX(C("-6.125"));
  fms.SetAirCraftY(C("7.5"));
  fms.SetAirCraftZ(C("-8.25"));
  rcp.SetAreaRadius(2345);
  rcp.SetSceneRotate(C("11.5"));
  rcp.SetSlopeX(C("12.25"));
  rcp.SetSlopeZ(C("-13.5"));
  rcp.SetAirCraftRotate(C("14.75"));
  rcp.SetAirCraftX(C("15.5"));
  rcp.SetAirCraftY(C("-16.25"));
  rcp.SetAirCraftZ(C("17.125"));
  rcp.SetLightDirection({3, -7, 12});
  rcp.SetLightDiffuse({C("0.11"), C("0.12"), C("0.13")});
  rcp.SetLightSpecular({C("0.21"), C("0.22"), C("0.23")});
  rcp.SetLightAmbient({C("0.31"), C("0.32"), C("0.33")});
  for (const Parameter& p : parameters) {
    EXPECT_EQ(Cell(p.Grid, p.Cell), p.Written) << p.Cell;
    EXPECT_EQ(p.Read(), p.Written) << p.Cell;
  }
  // Typed by the user (another value in each cell), each value is read by its own getter.
  for (const Parameter& p : parameters) {
    pages->setCurrentWidget(p.Grid);
    TypeInto(p.Grid, p.Cell, QString::fromLatin1(p.Written) + "9");
  }
  for (const Parameter& p : parameters) EXPECT_EQ(p.Read(), p.Written + std::string("9")) << p.Cell;
  EXPECT_TRUE(errors.Messages.empty());
}

// The converter's --set names are the cells' names: each parameter of a format's table,
// stored through its own setter, shows in the cell of that name on the format's page.
TEST_F(Bindings, EveryParameterOfAFormatsTableIsACellOfItsPage) {
  for (const SceneFormatDescription& format : SceneFormats()) {
    auto* grid = qobject_cast<TDataStringGrid*>(pages->widget(format.Format));
    ASSERT_NE(grid, nullptr) << format.Name;
    TSimDataHolder& holder = format.Holder(*filer);
    const std::vector<SceneParameter>& parameters = SceneParameters(format.Format);
    for (size_t i = 0; i < parameters.size(); ++i) {
      const SceneParameter& p = parameters[i];
      const int n = static_cast<int>(i) + 101;
      p.Set(holder, p.Integer ? ParameterValue(n) : ParameterValue(Currency::FromInt(n)));
      EXPECT_EQ(Cell(grid, p.Name), p.Integer ? std::to_string(n) : std::to_string(n) + ".0")
          << format.Name << " " << p.Name;
    }
    for (size_t i = 0; i < parameters.size(); ++i)
      EXPECT_EQ(parameters[i].Show(holder), std::to_string(i + 101)) << parameters[i].Name;
  }
  EXPECT_TRUE(errors.Messages.empty());
}

TEST_F(Bindings, TypedValuesAreReadAsTheyStand) {
  ASSERT_TRUE(testing::ShowActive(window));
  TTalveroFMS& fms = filer->TalveroFMS();
  TypeInto(fmsGrid, "AreaRadius", "150");
  EXPECT_EQ(fms.GetAreaRadius(), 150);
  TypeInto(fmsGrid, "AreaRadius", "1500.5");
  EXPECT_EQ(fms.GetAreaRadius(), 15005);
  // A radius below the minimum is read as the minimum, as the setter would store it: a
  // negative one wrote a scene file with broken numbers, "-0" one with every vertex at 0.
  for (const char* typed : {"50", "-500", "-0"}) {
    TypeInto(fmsGrid, "AreaRadius", typed);
    EXPECT_EQ(fms.GetAreaRadius(), 100) << typed;
  }
  pages->setCurrentWidget(rcpGrid);
  TypeInto(rcpGrid, "AreaRadius", "-500");
  EXPECT_EQ(filer->TalveroRCP().GetAreaRadius(), 100);
  pages->setCurrentWidget(fmsGrid);
  TypeInto(fmsGrid, "AirCraftY", "1.23456");
  EXPECT_EQ(fms.GetAirCraftY(), C("1.2346"));
  EXPECT_EQ(Cell(fmsGrid, "AirCraftY"), "1.23456");
  TypeInto(fmsGrid, "AirCraftY", "-0.00004");
  EXPECT_EQ(fms.GetAirCraftY(), C("0"));

  TypeInto(fmsGrid, "AreaRadius", "99999999999");
  try {
    fms.GetAreaRadius();
    ADD_FAILURE();
  } catch (const ConvertError& e) {
    EXPECT_STREQ(e.what(), "'99999999999' は整数ではありません");
  }
  EXPECT_TRUE(errors.Messages.empty());
}

TEST_F(Bindings, MissingCellsAreReportedAndTheBaseValueStillStored) {
  TTalveroFMS& fms = filer->TalveroFMS();
  fms.Grid = rcpGrid;  // has no "PilotZ" or "SlopeY"
  EXPECT_EQ(fms.GetPilotZ(), C("0"));
  fms.SetSlopeY(C("2"));
  ASSERT_EQ(errors.Messages.size(), 2u);
  EXPECT_EQ(errors.Messages[0], "[' PilotZ '] is invalid.");
  EXPECT_EQ(errors.Messages[1], "[' SlopeY '] is invalid.");
  fms.Grid = nullptr;
  EXPECT_EQ(fms.GetSlopeY(), C("2"));
}

TEST_F(Bindings, UnboundAccessorsServeTheStoredValues) {
  auto unbound = TSimFiler::Create<TTalveroFiler>();
  EXPECT_EQ(unbound->GetTextureBasename(), "");
  EXPECT_EQ(unbound->GetImageSizeMode(), ismNormal);
  EXPECT_EQ(unbound->GetSceneType(), stCube);
  EXPECT_EQ(unbound->FMSData().GetAirCraftX(), C("-5"));
  EXPECT_EQ(unbound->RCPData().GetAreaRadius(), 1000);
  unbound->SetTextureBasename("tex");
  unbound->FMSData().SetAreaRadius(20);
  EXPECT_EQ(unbound->GetTextureBasename(), "tex");
  EXPECT_EQ(unbound->FMSData().GetAreaRadius(), 100);
}

TEST_F(Bindings, JobSettingsReadAndWriteTheControls) {
  filer->SetSceneFilename("/tmp/a.scn");
  EXPECT_EQ(sceneEdit->text(), "/tmp/a.scn");
  baseEdit->setText("タイル");
  EXPECT_EQ(filer->GetTextureBasename(), "タイル");
  imageEdit->setText("pano.jpg");
  EXPECT_EQ(filer->GetImageFileName(), "pano.jpg");

  filer->SetExtractImageType(eiTiff);
  EXPECT_EQ(imageType->ItemIndex(), 1);
  EXPECT_TRUE(imageType->Button(1)->isChecked());
  EXPECT_EQ(filer->GetExtractImageType(), eiJpeg);
  filer->SetImageSizeMode(ismLarge);
  EXPECT_EQ(sizeMode->ItemIndex(), 2);
  sizeMode->Button(0)->click();
  EXPECT_EQ(filer->GetImageSizeMode(), ismSmall);
}

TEST_F(Bindings, SceneFormatSelectsPagesWithoutHandlersAndRejectsMissingPages) {
  QSignalSpy changes(pages, &QTabWidget::currentChanged);
  filer->SetSceneFormat(sfRCP);
  EXPECT_EQ(pages->currentIndex(), 1);
  EXPECT_EQ(filer->GetSceneFormat(), sfRCP);
  EXPECT_EQ(changes.count(), 0);
  try {
    filer->SetSceneFormat(static_cast<TSceneFormat>(2));
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "リストのインデックスが範囲を超えています (2)");
  }
  EXPECT_EQ(pages->currentIndex(), 1);
  EXPECT_EQ(filer->TSimFiler::GetSceneFormat(), sfRCP);
  pages->setCurrentIndex(0);  // a user's change
  EXPECT_EQ(changes.count(), 1);
  EXPECT_EQ(filer->GetSceneFormat(), sfFMS);
}

TEST_F(Bindings, RadioSettersRunTheClickHandlerAndTakeTheFocus) {
  ASSERT_TRUE(testing::ShowActive(window));
  int clicks = 0;
  QObject::connect(sceneType, &TRadioGroup::Click, [&] { ++clicks; });
  filer->SetSceneType(stSphere);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(QApplication::focusWidget(), sceneType->Button(1));
  filer->SetSceneType(stSphere);  // no change, no click
  EXPECT_EQ(clicks, 1);
  filer->SetCubeSuffix(csZero);
  EXPECT_EQ(QApplication::focusWidget(), cubeSuffix->Button(1));
  // The user's click runs the same handler.
  QRadioButton* cube = sceneType->Button(0);
  QTest::mouseClick(cube, Qt::LeftButton, Qt::NoModifier, QPoint(6, cube->height() / 2));
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(filer->GetSceneType(), stCube);
  // A disabled group is selected but not focused.
  cubeSuffix->setEnabled(false);
  filer->SetSceneType(stSphere);
  filer->SetCubeSuffix(csLeft);
  EXPECT_EQ(cubeSuffix->ItemIndex(), 0);
  EXPECT_EQ(QApplication::focusWidget(), sceneType->Button(1));
}

TEST(RadioGroup, LimitsTheIndexAndKeepsItWhenItemsAreRenamed) {
  TRadioGroup group("size", {"1024", "2048", "4096"}, 3);
  EXPECT_EQ(group.ItemIndex(), -1);
  group.SetItemIndex(7);
  EXPECT_EQ(group.ItemIndex(), 2);
  group.SetItems({"512", "1024", "2048"});
  EXPECT_EQ(group.ItemIndex(), 2);
  EXPECT_EQ(group.Button(2)->text(), "2048");
  EXPECT_TRUE(group.Button(2)->isChecked());
  group.SetItems({"a", "b"});
  EXPECT_EQ(group.ItemIndex(), 1);
  EXPECT_TRUE(group.Button(1)->isChecked());
  group.SetItemIndex(-1);
  EXPECT_FALSE(group.Button(0)->isChecked() || group.Button(1)->isChecked());
}

}  // namespace
}  // namespace talvero
