// The main window: the project tab (files, scene type and format, parameter grids, output
// options, Execute), the image tab (preview with zoom and guide), the console tab (the job's
// log) and the check tab (the written scene seen from inside). It owns the engine bound to
// its controls, the parameter values of the last scene file read and the settings store.
// It makes the controls and wires them to the units of app/'s feature folders, which do the
// work (docs/design.md, "Where a change belongs").
#pragma once

#include <QImage>
#include <QMainWindow>
#include <exception>
#include <memory>
#include <string>

#include "app/preview/panorama_preview.h"
#include "app/qt_error_reporter.h"
#include "engine/enums.h"
#include "engine/sim_filer.h"

class QAction;
class QCheckBox;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QTabWidget;
class QToolButton;

namespace talvero {

class TConsole;
class TDataStringGrid;
class TFMSDataHolder;
class TJobRunner;
class TJobStatus;
class TFileDrop;
class TImageTab;
class TPanoramaInfo;
class TLevellingPanel;
class TLoadedValues;
class TRecentFiles;
class TPreviewLoader;
class TRadioGroup;
class TRCPDataHolder;
class TRegManager;
class TSceneViewTab;
class TBeforeConversion;
struct LanguageMenu;
class TTalveroFiler;

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // `iniFileName` empty: the settings file ChooseSettingsFile picks for this executable.
  explicit TForm1(std::string iniFileName = {}, QWidget* parent = nullptr);
  ~TForm1() override;

  // ---- The window's Boolean properties (states of its controls).
  bool CreateSceneFile() const;
  void SetCreateSceneFile(bool value);
  bool CreateDividedImage() const;
  void SetCreateDividedImage(bool value);
  bool CheckImageFileOverWrite() const;
  void SetCheckImageFileOverWrite(bool value);
  bool CheckSceneFileOverWrite() const;
  void SetCheckSceneFileOverWrite(bool value);
  bool ShowImage() const;
  void SetShowImage(bool value);
  bool ShowGuide() const;
  void SetShowGuide(bool value);

  // ---- Owned objects.
  TTalveroFiler& Filer() const { return *FFiler; }
  // The values of the last scene file read (app/project/loaded_values.h).
  TFMSDataHolder& LoadedFMS() const;
  TRCPDataHolder& LoadedRCP() const;
  // The guide over the preview (app/preview/image_tab.h).
  TLinePanelList& LineList() const;
  const std::string& IniFileName() const { return FIniFileName; }
  // The menu 言語 (app/settings/language.h).
  const LanguageMenu& Languages() const { return *FLanguageMenu; }
  int ZoomMode() const;
  int VScrollWidth() const;
  int HScrollHeight() const;
  // True from Execute's start to its end; the job's commands and controls are disabled,
  // and Execute (button and menu) is the cancel command.
  bool JobRunning() const;
  // Runs the window's jobs off its thread (app/job/job_runner.h).
  TJobRunner& JobRunner() const { return *FJobRunner; }
  // Where error boxes go; nullptr restores the window's own message box.
  void SetErrorReporter(TErrorReporter* reporter);

  // ---- Commands (the controls' and menu items' handlers).
  void SpeedButton_ImageClick();
  void SpeedButton_SceneFileClick();
  // The scene file chosen (dialog, drop, recent files): its extension selects the format
  // page, then it is read when it exists, else it is the output of the next job.
  void OpenSceneFile(const std::string& fileName);
  // A panorama chosen other than through its dialog (drop, recent files).
  void OpenPanorama(const std::string& fileName);
  void SpeedButton_ExecuteClick();
  // Stops the running job at its next check (Escape, "中止" on the Execute button or in the
  // Project menu, closing the window); nothing when no job runs.
  void CancelJob();
  void SpeedButton_InitClick();
  void SpeedButton_DataHolderClick();
  void mnu_NewClick();
  void HowtoUseHelp1Click();
  void About1Click();
  void RadioGroup_SceneTypeClick();
  void RadioGroup_SceneType_SubsetClick();
  void PageControl_SceneFormatChange(int index);
  void OpenDialog1TypeChange(int filterIndex);
  void CheckBox_ShowImageClick();
  void CheckBox_ShowGuideClick();
  void FilerProgress(TSimFiler& sender, const std::string& text, TSimProgressMode mode);
  void Editor1MouseWheelDown();
  void Editor1MouseWheelUp();

  // ---- Preview.
  void ShowPanorama();
  void ClearPanorama();
  void ApplyZoom(int mode);
  void UpdateGuide();
  void UpdateSceneFormatImage();

  // ---- Settings.
  void LoadSettings();
  void SaveSettings();

  // ---- Controls, named as the handlers refer to them.
  QTabWidget* PageControl1;
  QWidget* TabSheet1;
  QWidget* TabSheet2;
  QWidget* TabSheet3;
  QStatusBar* StatusBar1;
  // In the status bar: a job's progress with "中止", then its summary.
  TJobStatus* JobStatus1;

  QFrame* Panel_Project;
  QLabel* Label10;
  QLabel* Label1;
  QLineEdit* Edit_ImageFileName;
  QPushButton* SpeedButton_Image;
  QLabel* Label2;
  QLineEdit* Edit_SceneFileName;
  QPushButton* SpeedButton_SceneFile;
  QLabel* Label3;
  QLineEdit* Edit_TextureBaseName;
  QFrame* Bevel2;
  TRadioGroup* RadioGroup_SceneType;
  TRadioGroup* RadioGroup_CubeSuffix;
  QLabel* Image_SceneFormat;
  QTabWidget* PageControl_SceneFormat;
  QWidget* TabSheet4;
  QWidget* TabSheet5;
  TDataStringGrid* Grid_FMS;
  TDataStringGrid* Grid_RCP;
  QPushButton* SpeedButton_DataHolder;
  QPushButton* SpeedButton_Init;
  QFrame* Bevel8;
  QLabel* Label5;
  TRadioGroup* RadioGroup_ImageSizeMode;
  QCheckBox* CheckBox_CreateDividedImage;
  TRadioGroup* RadioGroup_ExtractImageType;
  QCheckBox* CheckBox_CreateSceneFile;
  QPushButton* SpeedButton_Execute;

  QFrame* Panel1;
  QCheckBox* CheckBox_ShowImage;
  QCheckBox* CheckBox_ShowGuide;
  QToolButton* SpeedButton_Width;
  QToolButton* SpeedButton_Height;
  QToolButton* SpeedButton_Hundred;
  TRadioGroup* RadioGroup_SceneType_Subset;
  QScrollArea* ScrollBox1;
  TPictureView* Image_Panorama;
  // Over the preview's corner: the panorama's size, a busy sign, a warning for a stretched one.
  TPanoramaInfo* Label_PanoramaInfo;
  // Levelling and quality (app/project/levelling_panel.h).
  TLevellingPanel* LevellingPanel1;
  // The sources of the format picture.
  QImage Image_FMS;
  QImage Image_RCP;

  TConsole* Editor1;
  // The check tab: the current scene file as the simulator will draw it.
  TSceneViewTab* SceneView_Check;
  // When that tab shows the scene before conversion (app/check/before_conversion.h).
  TBeforeConversion* FBeforeConversion = nullptr;

  QAction* mnu_New;
  QAction* Exit1;
  QAction* mnu_DataHolder;
  QAction* mnu_ClearItem;
  QAction* N2;
  QAction* mnuCheckImageFileOverWrite;
  QAction* mnuCheckSceneFileOverWrite;
  QAction* HowtoUseHelp1;
  QAction* About1;
  // The File menu's recent panoramas and scene files.
  TRecentFiles* RecentFiles1;

 protected:
  // The first show creates nothing new but loads the settings.
  void setVisible(bool visible) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void BuildProjectTab();
  void BuildImageTab();
  void BuildConsoleTab();
  void SetTabOrder();
  void ConnectHandlers();
  void CreateObjects();
  void FormShow();
  void FormClose();

  friend class TJobRunner;
  // The Execute button and menu item: Execute when idle, cancel while a job runs.
  void ExecuteOrCancel();
  // Restores the job from a scene file of the current format; the restore commands follow.
  void ReadSceneFiles(const std::string& fileName);
  // A panorama was chosen (dialog, drop, recent files): its preview when shown, else its
  // size, decoded in the background.
  void PanoramaChosen();
  // Points the check tab at the scene file of the job (read again from disk).
  void ShowSceneView();
  // A typed or chosen scene file name selects the page of its format.
  void FollowSceneFileFormat(const std::string& fileName);
  void SetRestoreEnabled(bool enabled);
  // Enabled states that depend on the job, the scene type and the last read together.
  void UpdateCommandStates();
  // Runs a handler so that no exception reaches the event loop: it is shown instead.
  template <typename Action>
  void Guarded(Action&& action);
  void ReportException(const std::exception_ptr& error);
  TErrorReporter& Reporter();

  // The settings file was chosen here rather than given: when it is the user's own, its
  // folder is made at the first save.
  bool FChosenIniFile = false;
  std::string FIniFileName;
  std::unique_ptr<TTalveroFiler> FFiler;
  std::unique_ptr<TJobRunner> FJobRunner;
  std::unique_ptr<TLoadedValues> FLoaded;
  std::unique_ptr<TImageTab> FImageTab;
  std::unique_ptr<TRegManager> FReg1;
  std::unique_ptr<LanguageMenu> FLanguageMenu;
  TPreviewLoader* FPreviewLoader = nullptr;
  TFileDrop* FFileDrop = nullptr;

  // The engine's error boxes outside a job (a job has the runner's).
  class TEngineReporter : public TErrorReporter {
   public:
    explicit TEngineReporter(TForm1& window) : FWindow(window) {}
    void ShowError(const std::string& message) override { FWindow.Reporter().ShowError(message); }

   private:
    TForm1& FWindow;
  };

  QtErrorReporter FErrorBox{this};
  TErrorReporter* FReporter = nullptr;
  TEngineReporter FEngineReporter{*this};
  bool FShown = false;
  bool FDestroying = false;
  bool FRestoreEnabled = false;
  bool FCubeSuffixAllowed = true;
};

}  // namespace talvero
