// Choosing a scene file: reading FMS and RCPSim scenes into the grids, the values at load
// time, and the restore, reset and New commands with their enabled states.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QTabWidget>
#include <filesystem>

#include "app/project/levelling_panel.h"
#include "engine/data_holders.h"
#include "support/file_util.h"
#include "window_support.h"

namespace talvero {
namespace {

using testing::CellText;
using testing::WhenModal;
using testing::WindowTest;

Currency C(const char* text) { return Currency::Parse(text); }

class SceneFileTest : public WindowTest {
 protected:
  // Picks `fileName` in the scene file dialog, after switching its filter when asked.
  void ChooseSceneFile(const std::string& fileName, int switchToFilter = -1) {
    WhenModal([fileName, switchToFilter](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      ASSERT_NE(dialog, nullptr);
      if (switchToFilter >= 0) SwitchFilter(*dialog, switchToFilter);
      dialog->selectFile(QString::fromStdString(fileName));
      static_cast<QDialog*>(dialog)->accept();
    });
    Click(window->SpeedButton_SceneFile);
  }

  // As the user does it: the filter box of the dialog, by keyboard.
  static void SwitchFilter(QFileDialog& dialog, int index) {
    auto* filters = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(filters, nullptr);
    while (filters->currentIndex() < index) QTest::keyClick(filters, Qt::Key_Down);
    while (filters->currentIndex() > index) QTest::keyClick(filters, Qt::Key_Up);
  }

  // Writes scene files with the engine alone, with parameters unlike the defaults.
  std::string WriteScene(const std::string& name, TSceneFormat format) {
    auto filer = TSimFiler::Create();
    filer->SetErrorReporter(&errors);
    filer->ResetJob();
    filer->SetSceneFilename(dir.File(name));
    filer->SetTextureBasename("read back");
    filer->SetSceneFormat(format);
    filer->SetSceneType(stSphere);
    TFMSDataHolder& fms = filer->FMSData();
    fms.SetAirCraftX(C("-12.5"));
    fms.SetAirCraftY(C("3"));
    fms.SetAirCraftZ(C("-2"));
    fms.SetPilotZ(C("1.5"));
    fms.SetSlopeY(C("4"));
    fms.SetAreaRadius(800);
    TRCPDataHolder& rcp = filer->RCPData();
    rcp.SetAirCraftX(C("7"));
    rcp.SetAirCraftY(C("-1.2"));
    rcp.SetAirCraftRotate(C("45"));
    rcp.SetLightAmbient({C("0.5"), C("0.4"), C("0.3")});
    rcp.SetAreaRadius(900);
    filer->PrepareOutputNames();
    filer->RunSceneStage();
    EXPECT_TRUE(errors.Messages.empty());
    return dir.File(name);
  }

  bool RestoreEnabled() const {
    EXPECT_EQ(window->SpeedButton_DataHolder->isEnabled(), window->mnu_DataHolder->isEnabled());
    return window->SpeedButton_DataHolder->isEnabled();
  }
  std::string Fms(const char* name) const { return CellText(*window->Grid_FMS, name); }
  std::string Rcp(const char* name) const { return CellText(*window->Grid_RCP, name); }
};

TEST_F(SceneFileTest, FmsSceneReadCarriesValuesAcrossAndCanBeRestored) {
  const std::string scene = WriteScene("read.scn", sfFMS);
  ChooseSceneFile(scene);
  EXPECT_EQ(window->Edit_SceneFileName->text().toStdString(), scene);
  EXPECT_TRUE(RestoreEnabled());
  EXPECT_EQ(window->Edit_TextureBaseName->text(), "read back");
  EXPECT_EQ(window->Filer().GetSceneType(), stSphere);
  EXPECT_EQ(window->RadioGroup_ImageSizeMode->Items().front(), "512") << "the type's handler ran";
  EXPECT_EQ(Fms("AirCraftX"), "-12.5");
  EXPECT_EQ(Fms("PilotZ"), "1.5");
  EXPECT_EQ(Fms("AreaRadius"), "800");
  // The RCPSim grid shows the shared values, turned into its axes.
  EXPECT_EQ(Rcp("AirCraftX"), "12.5");
  EXPECT_EQ(Rcp("AirCraftY"), "-2.0");
  EXPECT_EQ(Rcp("AirCraftZ"), "-3.0");
  EXPECT_EQ(Rcp("SlopeZ"), "4.0");
  EXPECT_EQ(Rcp("AreaRadius"), "800");
  EXPECT_EQ(window->LoadedRCP().GetAirCraftX(), C("12.5"));
  EXPECT_EQ(window->LoadedFMS().GetPilotZ(), C("1.5"));

  // Reset touches the current format's grid only.
  Click(window->SpeedButton_Init);
  EXPECT_EQ(Fms("AirCraftX"), "-5.0");
  EXPECT_EQ(Fms("PilotZ"), "0.0");
  EXPECT_EQ(Rcp("AirCraftX"), "12.5");
  EXPECT_TRUE(RestoreEnabled());

  // Restore puts back both formats' values as they were right after the read.
  window->Filer().RCPData().SetAirCraftY(C("9"));
  window->mnu_DataHolder->trigger();
  EXPECT_EQ(Fms("AirCraftX"), "-12.5");
  EXPECT_EQ(Fms("PilotZ"), "1.5");
  EXPECT_EQ(Rcp("AirCraftY"), "-2.0");

  // New: defaults, empty names, restore off; type and format stay.
  window->mnu_New->trigger();
  EXPECT_FALSE(RestoreEnabled());
  EXPECT_EQ(window->Edit_SceneFileName->text(), "");
  EXPECT_EQ(window->Edit_TextureBaseName->text(), "");
  EXPECT_EQ(window->Edit_ImageFileName->text(), "");
  EXPECT_EQ(Fms("AirCraftX"), "-5.0");
  EXPECT_EQ(Rcp("AirCraftX"), "5.0");
  EXPECT_EQ(window->LoadedFMS().GetAirCraftX(), C("-5"));
  EXPECT_EQ(window->Filer().GetSceneType(), stSphere);
  EXPECT_EQ(window->Filer().GetSceneFormat(), sfFMS);
}

TEST_F(SceneFileTest, UnrecognisedFileResetsTheReadFormatOnly) {
  ChooseSceneFile(WriteScene("read.scn", sfFMS));
  ASSERT_TRUE(RestoreEnabled());
  window->Filer().RCPData().SetAirCraftRotate(C("33"));

  ChooseSceneFile(dir.Write("junk.scn", "nothing of a scene\r\n"));
  EXPECT_FALSE(RestoreEnabled());
  EXPECT_EQ(Fms("AirCraftX"), "-5.0");
  EXPECT_EQ(window->LoadedFMS().GetAirCraftX(), C("-5"));
  EXPECT_EQ(Rcp("AirCraftRotate"), "33.0") << "the RCPSim values stay";
  EXPECT_EQ(window->LoadedRCP().GetAirCraftX(), C("12.5"));
}

TEST_F(SceneFileTest, NameThatDoesNotExistOnlyFillsTheField) {
  ChooseSceneFile(WriteScene("read.scn", sfFMS));
  window->Filer().FMSData().SetPilotZ(C("2"));
  const std::string fresh = dir.File("new scene.scn");
  ChooseSceneFile(fresh);
  EXPECT_EQ(window->Edit_SceneFileName->text().toStdString(), fresh);
  EXPECT_EQ(Fms("PilotZ"), "2.0");
  EXPECT_TRUE(RestoreEnabled());
  // A name typed without extension takes the filter's.
  ChooseSceneFile(dir.File("typed"));
  EXPECT_EQ(window->Edit_SceneFileName->text().toStdString(), dir.File("typed.scn"));
}

TEST_F(SceneFileTest, RcpsimFilterSwitchesTheFormatAndReadsMeshAndSettings) {
  const std::string scene = WriteScene("read.xscn", sfRCP);
  ChooseSceneFile(scene, 1);
  EXPECT_EQ(window->Filer().GetSceneFormat(), sfRCP);
  EXPECT_EQ(window->PageControl_SceneFormat->currentIndex(), 1);
  EXPECT_TRUE(RestoreEnabled());
  EXPECT_EQ(Rcp("AirCraftRotate"), "45.0");
  EXPECT_EQ(Rcp("Ambient_G"), "0.4");
  EXPECT_EQ(Rcp("AreaRadius"), "900");
  EXPECT_EQ(Fms("AirCraftX"), "-7.0") << "carried to FMS";
  EXPECT_EQ(window->LoadedFMS().GetAirCraftZ(), C("-1.2"));
  EXPECT_EQ(window->Image_SceneFormat->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
            window->Image_RCP);

  // The mesh alone is enough.
  std::filesystem::remove(scene);
  window->mnu_New->trigger();
  ChooseSceneFile(dir.File("read.x"));
  EXPECT_TRUE(RestoreEnabled());
  EXPECT_EQ(Rcp("AirCraftX"), "7.0");

  // A chosen name that does not exist reads nothing, even when its ".x" does.
  window->mnu_New->trigger();
  ChooseSceneFile(scene);
  EXPECT_FALSE(RestoreEnabled());
  EXPECT_EQ(Rcp("AirCraftX"), "5.0");
}

TEST_F(SceneFileTest, FilterSwitchStaysWhenTheDialogIsCancelled) {
  WhenModal([](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->selectedNameFilter(), "FMSシーンファイル(*.scn)");
    EXPECT_EQ(dialog->nameFilters(),
              (QStringList{"FMSシーンファイル(*.scn)", "RCPSimシンファイル(*.xscn)"}));
    SwitchFilter(*dialog, 1);
    EXPECT_EQ(dialog->defaultSuffix(), "xscn");
    dialog->reject();
  });
  Click(window->SpeedButton_SceneFile);
  EXPECT_EQ(window->Filer().GetSceneFormat(), sfRCP);
  EXPECT_EQ(window->Edit_SceneFileName->text(), "");

  // The next time the dialog opens on the RCPSim filter.
  WhenModal([](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->selectedNameFilter(), "RCPSimシンファイル(*.xscn)");
    dialog->reject();
  });
  Click(window->SpeedButton_SceneFile);
}

TEST_F(SceneFileTest, PanoramaChooserFillsTheFieldAndShowsThePicture) {
  const std::string panorama = testing::WritePanorama(dir, 160);
  Click(window->CheckBox_ShowImage);
  WhenModal([panorama](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->nameFilters().size(), 2);
    dialog->selectFile(QString::fromStdString(panorama));
    static_cast<QDialog*>(dialog)->accept();
  });
  Click(window->SpeedButton_Image);
  EXPECT_EQ(window->Edit_ImageFileName->text().toStdString(), panorama);
  EXPECT_TRUE(window->Image_Panorama->HasPicture());

  // Cancelling changes nothing.
  WhenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
  Click(window->SpeedButton_Image);
  EXPECT_EQ(window->Edit_ImageFileName->text().toStdString(), panorama);
}

TEST_F(SceneFileTest, LevellingAndQualityComeBackWithTheSceneAndStayInTheirOwnSection) {
  // A scene written with levelling and high quality fills the row; one without empties it.
  auto filer = TSimFiler::Create();
  filer->SetErrorReporter(&errors);
  filer->ResetJob();
  filer->SetSceneFilename(dir.File("level.scn"));
  filer->SetTextureBasename("sky");
  filer->SetLevelPitch(C("4.5"));
  filer->SetLevelRoll(C("-2"));
  filer->SetImageQuality(iqHigh);
  filer->PrepareOutputNames();
  filer->RunSceneStage();
  ChooseSceneFile(dir.File("level.scn"));
  EXPECT_EQ(window->LevellingPanel1->Edit_Pitch->value(), 4.5);
  EXPECT_EQ(window->LevellingPanel1->Edit_Roll->value(), -2);
  EXPECT_TRUE(window->LevellingPanel1->CheckBox_HighQuality->isChecked());
  EXPECT_EQ(window->Filer().GetLevelPitch(), C("4.5"));
  ChooseSceneFile(WriteScene("plain.scn", sfFMS));
  EXPECT_EQ(window->LevellingPanel1->Edit_Pitch->value(), 0);
  EXPECT_FALSE(window->LevellingPanel1->CheckBox_HighQuality->isChecked());

  // Kept in the INI file outside "data", and only once used: here it was.
  window->close();
  const std::string ini = testing::ReadAll(IniPath());
  EXPECT_NE(ini.find("[Levelling]"), std::string::npos) << ini;
  EXPECT_LT(ini.find("[data]"), ini.find("[Levelling]"));
}

TEST_F(WindowTest, AnUnusedLevellingRowWritesNothing) {
  window->close();
  EXPECT_EQ(testing::ReadAll(IniPath()).find("Levelling"), std::string::npos);
}

}  // namespace
}  // namespace talvero
