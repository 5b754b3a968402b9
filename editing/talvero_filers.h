// The engine as the main window uses it: job settings served by the window's edit boxes,
// format pages and radio groups, scene parameters served by the named cells of the two
// parameter grids. Reading a property reads the control; writing it writes the control and
// the value stored by the base class.
#pragma once

#include "editing/data_string_grid.h"
#include "editing/job_option_controls.h"
#include "editing/radio_group.h"
#include "engine/data_holders.h"
#include "engine/sim_filer.h"

class QLineEdit;
class QTabWidget;

class QCheckBox;
class QDoubleSpinBox;

namespace talvero {

// The scene parameters shared by both formats' holders, bound to the cells of the same
// names.
// Without a grid every accessor is the base class's own.
template <typename Base>
class TGridBoundHolder : public Base {
 public:
  // The grid the parameters live in; not owned.
  TDataStringGrid* Grid = nullptr;

  Currency GetAirCraftX() const override {
    return Grid ? ReadCell("AirCraftX") : Base::GetAirCraftX();
  }
  void SetAirCraftX(Currency v) override {
    WriteCell("AirCraftX", v);
    Base::SetAirCraftX(v);
  }
  Currency GetAirCraftY() const override {
    return Grid ? ReadCell("AirCraftY") : Base::GetAirCraftY();
  }
  void SetAirCraftY(Currency v) override {
    WriteCell("AirCraftY", v);
    Base::SetAirCraftY(v);
  }
  Currency GetAirCraftZ() const override {
    return Grid ? ReadCell("AirCraftZ") : Base::GetAirCraftZ();
  }
  void SetAirCraftZ(Currency v) override {
    WriteCell("AirCraftZ", v);
    Base::SetAirCraftZ(v);
  }
  Currency GetSceneRotate() const override {
    return Grid ? ReadCell("SceneRotate") : Base::GetSceneRotate();
  }
  void SetSceneRotate(Currency v) override {
    WriteCell("SceneRotate", v);
    Base::SetSceneRotate(v);
  }
  // Both formats' holders have a ground slope along X.
  Currency GetSlopeX() const override { return Grid ? ReadCell("SlopeX") : Base::GetSlopeX(); }
  void SetSlopeX(Currency v) override {
    WriteCell("SlopeX", v);
    Base::SetSlopeX(v);
  }
  // A radius typed below the minimum radius is read as the minimum.
  int32_t GetAreaRadius() const override;
  // Raised to the minimum radius before it reaches the cell.
  void SetAreaRadius(int32_t value) override;
  // Writes back a cell that holds a value other than the one read from it (a radius below
  // the minimum), so that the grid shows what a job uses; for the end of an edit.
  void ShowValuesInUse();

 protected:
  // The cell's float value times 10000, rounded half to even; only with a grid.
  Currency ReadCell(const char* name) const;
  // The value into the cell, when there is a grid.
  void WriteCell(const char* name, Currency value) const;
};

class TTalveroFMS : public TGridBoundHolder<TFMSDataHolder> {
 public:
  // Starts from the defaults, which the unbound getters answer until a value is set.
  TTalveroFMS() { SetDefaults(); }

  Currency GetPilotZ() const override {
    return Grid ? ReadCell("PilotZ") : TFMSDataHolder::GetPilotZ();
  }
  void SetPilotZ(Currency v) override {
    WriteCell("PilotZ", v);
    TFMSDataHolder::SetPilotZ(v);
  }
  Currency GetSlopeY() const override {
    return Grid ? ReadCell("SlopeY") : TFMSDataHolder::GetSlopeY();
  }
  void SetSlopeY(Currency v) override {
    WriteCell("SlopeY", v);
    TFMSDataHolder::SetSlopeY(v);
  }
};

class TTalveroRCP : public TGridBoundHolder<TRCPDataHolder> {
 public:
  TTalveroRCP() { SetDefaults(); }

  TIntVector GetLightDirection() const override;
  void SetLightDirection(const TIntVector& value) override;
  TColorTriple GetLightDiffuse() const override;
  void SetLightDiffuse(const TColorTriple& value) override;
  TColorTriple GetLightSpecular() const override;
  void SetLightSpecular(const TColorTriple& value) override;
  TColorTriple GetLightAmbient() const override;
  void SetLightAmbient(const TColorTriple& value) override;
  Currency GetAirCraftRotate() const override {
    return Grid ? ReadCell("AirCraftRotate") : TRCPDataHolder::GetAirCraftRotate();
  }
  void SetAirCraftRotate(Currency v) override {
    WriteCell("AirCraftRotate", v);
    TRCPDataHolder::SetAirCraftRotate(v);
  }
  Currency GetSlopeZ() const override {
    return Grid ? ReadCell("SlopeZ") : TRCPDataHolder::GetSlopeZ();
  }
  void SetSlopeZ(Currency v) override {
    WriteCell("SlopeZ", v);
    TRCPDataHolder::SetSlopeZ(v);
  }

 private:
  // A colour from (or into) the three cells prefix_R, prefix_G, prefix_B.
  TColorTriple ReadColor(const char* prefix) const;
  void WriteColor(const char* prefix, const TColorTriple& value) const;
};

// The engine bound to the main window. Build it with TSimFiler::Create<TTalveroFiler>(),
// then set the control references and the holders' grids, then reset the job.
class TTalveroFiler : public TSimFiler {
 public:
  TTalveroFiler();

  // Controls of the main window; not owned. Unset references leave the stored values.
  QLineEdit* ImageFileNameEdit = nullptr;
  QLineEdit* SceneFileNameEdit = nullptr;
  QLineEdit* TextureBaseNameEdit = nullptr;
  // Page 0 FMS, page 1 RCPSim. Pages set by the program are set with its signals held
  // back, so that only the user's page changes reach the window's handler.
  QTabWidget* SceneFormatPages = nullptr;
  TRadioGroup* CubeSuffixGroup = nullptr;
  TRadioGroup* ExtractImageTypeGroup = nullptr;
  TRadioGroup* ImageSizeModeGroup = nullptr;
  TRadioGroup* SceneTypeGroup = nullptr;
  // The options row: levelling, quality and the other job options.
  const TJobOptionControls* JobOptionControls = nullptr;

  TTalveroFMS& TalveroFMS() const { return static_cast<TTalveroFMS&>(FMSData()); }
  TTalveroRCP& TalveroRCP() const { return static_cast<TTalveroRCP&>(RCPData()); }

  JobOptions GetJobOptions() const override;
  void SetJobOptions(const JobOptions& value) override;
  TCubeSuffix GetCubeSuffix() const override;
  void SetCubeSuffix(TCubeSuffix value) override;
  TExtractImageType GetExtractImageType() const override;
  void SetExtractImageType(TExtractImageType value) override;
  std::string GetImageFileName() const override;
  void SetImageFileName(const std::string& value) override;
  TImageSizeMode GetImageSizeMode() const override;
  void SetImageSizeMode(TImageSizeMode value) override;
  std::string GetSceneFilename() const override;
  void SetSceneFilename(const std::string& value) override;
  // A format without a page raises the list-index error and stores nothing.
  TSceneFormat GetSceneFormat() const override;
  void SetSceneFormat(TSceneFormat value) override;
  TSceneType GetSceneType() const override;
  void SetSceneType(TSceneType value) override;
  std::string GetTextureBasename() const override;
  void SetTextureBasename(const std::string& value) override;

 protected:
  friend class TSimFiler;  // its Create calls the factory
  void CreateDataHolders() override;
};

// The cell layouts of the two parameter grids: size, column widths, texts and the named,
// typed value cells the holders bind to. Replaces whatever the grid held.
void SetupFMSGrid(TDataStringGrid& grid);
void SetupRCPGrid(TDataStringGrid& grid);

}  // namespace talvero
