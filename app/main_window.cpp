#include "app/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDoubleSpinBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>

#include "app/about/about_box.h"
#include "app/app_info.h"
#include "app/check/before_conversion.h"
#include "app/check/scene_view_tab.h"
#include "app/icons/format_pictures.h"
#include "app/job/console_view.h"
#include "app/job/execute_command.h"
#include "app/job/job_runner.h"
#include "app/job/job_status.h"
#include "app/placed_controls.h"
#include "app/preview/image_tab.h"
#include "app/preview/panorama_info.h"
#include "app/preview/preview_loader.h"
#include "app/project/file_dialogs.h"
#include "app/project/file_drop.h"
#include "app/project/levelling_panel.h"
#include "app/project/loaded_values.h"
#include "app/settings/language.h"
#include "app/settings/recent_files.h"
#include "app/settings/reg_manager.h"
#include "app/settings/settings_file.h"
#include "app/settings/window_settings.h"
#include "app/ui_style.h"
#include "app/window_text.h"
#include "editing/data_string_grid.h"
#include "editing/radio_group.h"
#include "editing/talvero_filers.h"
#include "engine/data_holders.h"
#include "formats/scene_format.h"
#include "support/file_util.h"

namespace talvero {

namespace {

// Window sizes: the size it opens at and the smallest it may take.
constexpr QSize kInitialSize(644, 637);
constexpr QSize kMinimumSize(644, 618);

QStringList SceneTypeItems() {
  return {WindowText(QT_TRANSLATE_NOOP("talvero::TForm1", "立方体（６面）")),
          WindowText(QT_TRANSLATE_NOOP("talvero::TForm1", "球体（２０面）"))};
}
const QStringList kCubeSizeItems = {QStringLiteral("1024"), QStringLiteral("2048"),
                                    QStringLiteral("4096")};
const QStringList kSphereSizeItems = {QStringLiteral("512"), QStringLiteral("1024"),
                                      QStringLiteral("2048")};

}  // namespace

// ---- Construction

TForm1::TForm1(std::string iniFileName, QWidget* parent)
    : QMainWindow(parent),
      FChosenIniFile(iniFileName.empty()),
      FIniFileName(iniFileName.empty() ? ChooseSettingsFile(CurrentSettingsPlaces(
                                             QCoreApplication::applicationFilePath().toStdString()))
                                       : std::move(iniFileName)) {
  // Every caption below is made in the language kept in the settings file.
  ApplyLanguage(SettingsLanguage(FIniFileName));
  setWindowTitle(QString::fromUtf8(kProgramCaption));
  setFont(UiFont(12));
  setMinimumSize(kMinimumSize);
  resize(kInitialSize);

  BuildMenus();
  PageControl1 = new QTabWidget(this);
  setCentralWidget(PageControl1);
  TabSheet1 = new QWidget;
  TabSheet2 = new QWidget;
  TabSheet3 = new QWidget;
  PageControl1->addTab(TabSheet1, tr("　プロジェクト　"));
  PageControl1->addTab(TabSheet2, tr("　画像　"));
  PageControl1->addTab(TabSheet3, tr("　コンソール　"));
  SceneView_Check = new TSceneViewTab;
  PageControl1->addTab(SceneView_Check, tr("　確認　"));
  StatusBar1 = statusBar();
  StatusBar1->setFixedHeight(24);
  JobStatus1 = new TJobStatus(StatusBar1);

  BuildProjectTab();
  BuildImageTab();
  BuildConsoleTab();
  SetTabOrder();
  Image_FMS = DrawFmsPicture();
  Image_RCP = DrawRcpPicture();
  setWindowIcon(QIcon(QPixmap::fromImage(Image_FMS)));

  CreateObjects();
  ConnectHandlers();
  UpdateCommandStates();
}

TForm1::~TForm1() {
  FJobRunner.reset();  // a job still running is cancelled and waited for
  FDestroying = true;
  // The controls die after this body; none of their last signals may reach a handler.
  for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
  SceneView_Check->SetPanoramaSource({});  // it reads the filer, which dies first
  FImageTab.reset();
}

void TForm1::BuildMenus() {
  QMenu* file = menuBar()->addMenu(tr("ファイル(&F)"));
  mnu_New = file->addAction(tr("新規作成(&N)"));
  QAction* beforeExit = file->addSeparator();
  Exit1 = file->addAction(tr("終了(&X)"));
  RecentFiles1 = new TRecentFiles(file, beforeExit,
                                  [this](TRecentFiles::TList list, const std::string& name) {
                                    Guarded([&] {
                                      if (list == TRecentFiles::rfPanorama)
                                        OpenPanorama(name);
                                      else
                                        OpenSceneFile(name);
                                    });
                                  });

  QMenu* edit = menuBar()->addMenu(tr("編集(&E)"));
  mnu_DataHolder = edit->addAction(tr("読み込み時のデータに戻す"));
  mnu_ClearItem = edit->addAction(tr("初期値に戻す"));

  QMenu* project = menuBar()->addMenu(tr("プロジェクト(&P)"));
  N2 = project->addAction(ExecuteMenuCaption());

  QMenu* options = menuBar()->addMenu(tr("オプション(&O)"));
  mnuCheckImageFileOverWrite = options->addAction(tr("画像ファイルの上書きを確認する"));
  mnuCheckImageFileOverWrite->setCheckable(true);
  mnuCheckImageFileOverWrite->setChecked(true);
  mnuCheckSceneFileOverWrite = options->addAction(tr("シーンファイルの上書きを確認する"));
  mnuCheckSceneFileOverWrite->setCheckable(true);

  FLanguageMenu = std::make_unique<LanguageMenu>(AddLanguageMenu(*menuBar(), FIniFileName));

  QMenu* help = menuBar()->addMenu(tr("ヘルプ(&H)"));
  HowtoUseHelp1 = help->addAction(tr("ヘルプファイルの表示(&H)..."));
  About1 = help->addAction(tr("バージョン情報(&A)..."));
}

void TForm1::BuildProjectTab() {
  auto* layout = new QVBoxLayout(TabSheet1);
  layout->setContentsMargins(0, 0, 0, 0);
  Panel_Project = MakePanel(TabSheet1);
  layout->addWidget(Panel_Project);
  QWidget* p = Panel_Project;

  Label10 = MakeLabel(tr("正距円筒 ( Equirectangular ) パノラマ画像を指定します。"), p,
                      132, 14);
  Label1 = MakeLabel(tr("画像ファイル名："), p, 16, 34);
  Edit_ImageFileName = MakeEdit(p, {126, 30, 420, 20});
  SpeedButton_Image = MakeButton(QStringLiteral("..."), p, {558, 29, 23, 22});
  Label2 = MakeLabel(tr("シーンファイル名："), p, 16, 66);
  Edit_SceneFileName = MakeEdit(p, {126, 62, 420, 20});
  SpeedButton_SceneFile = MakeButton(QStringLiteral("..."), p, {558, 61, 23, 22});
  Label3 = MakeLabel(tr("出力画像の基本名："), p, 16, 98);
  Edit_TextureBaseName = MakeEdit(p, {126, 94, 191, 20});
  Bevel2 = MakeRule(p, {10, 127, 606, 2}, QFrame::HLine);

  RadioGroup_SceneType =
      MakeGroup(tr("　シーンタイプ　"), SceneTypeItems(), 2, p, {22, 136, 210, 42}, 0);
  RadioGroup_CubeSuffix = MakeGroup(tr("　命名規則　"),
                                    {QStringLiteral("_left.._Bottom"), QStringLiteral("_0.._5")}, 2,
                                    p, {249, 136, 209, 42}, 0);
  Image_SceneFormat = new QLabel(p);
  Image_SceneFormat->setGeometry(484, 143, kFormatPictureSize, kFormatPictureSize);

  PageControl_SceneFormat = new QTabWidget(p);
  PageControl_SceneFormat->setGeometry(20, 190, 444, 212);
  // Pages whose tabs look like a pair of flat buttons.
  PageControl_SceneFormat->tabBar()->setStyleSheet(QStringLiteral(
      "QTabBar::tab { border: 1px solid #8c8c8c; border-radius: 3px; padding: 2px 10px;"
      " margin: 1px 3px 2px 0px; background: #eeeeee; }"
      "QTabBar::tab:selected { background: #cfdcf2; border-color: #3d6cb3; }"
      "QTabBar::tab:disabled { color: #8c8c8c; }"));
  TabSheet4 = new QWidget;
  TabSheet5 = new QWidget;
  PageControl_SceneFormat->addTab(TabSheet4, QStringLiteral("  FMS  "));
  PageControl_SceneFormat->addTab(TabSheet5, QStringLiteral("  RCPSim  "));
  Grid_FMS = new TDataStringGrid(TabSheet4);
  Grid_FMS->setGeometry(4, 4, 429, 175);
  SetupFMSGrid(*Grid_FMS);
  Grid_RCP = new TDataStringGrid(TabSheet5);
  Grid_RCP->setGeometry(4, 4, 429, 175);
  SetupRCPGrid(*Grid_RCP);

  SpeedButton_DataHolder = MakeButton(tr("読込時の値に戻す"), p, {481, 340, 125, 22});
  SpeedButton_Init = MakeButton(tr("初期値に戻す"), p, {481, 372, 125, 22});
  Bevel8 = MakeRule(p, {10, 408, 606, 2}, QFrame::HLine);
  Label5 = MakeLabel(tr("出力オプション"), p, 16, 422);
  RadioGroup_ImageSizeMode = MakeGroup(tr("　出力画像サイズ　"), kCubeSizeItems, 3, p,
                                       {111, 416, 158, 41}, ismNormal);
  CheckBox_CreateDividedImage =
      MakeCheckBox(tr("分割画像を出力する"), p, {297, 434, 127, 17}, true);
  RadioGroup_ExtractImageType = MakeGroup(tr("　出力画像タイプ　"),
                                          {QStringLiteral("Bitmap"), QStringLiteral("Jpeg")}, 2, p,
                                          {111, 461, 158, 41}, eiBitmap);
  CheckBox_CreateSceneFile =
      MakeCheckBox(tr("シーンファイルを出力する"), p, {297, 466, 150, 17}, true);
  SpeedButton_Execute = MakeButton(ExecuteCaption(), p, {481, 462, 125, 22});
  // Beyond the classic options: levelling and quality, in a row of their own below them.
  LevellingPanel1 = new TLevellingPanel(p);
  LevellingPanel1->setGeometry(3, 508, 613, LevellingPanel1->height());

  // No caption may be cut in the font in use: a control too narrow for its caption grows,
  // and what follows on its row moves right only as far as needed. The check boxes and
  // the command buttons move as columns.
  for (QWidget* control : std::initializer_list<QWidget*>{
           RadioGroup_SceneType, RadioGroup_CubeSuffix, RadioGroup_ImageSizeMode,
           RadioGroup_ExtractImageType, CheckBox_CreateDividedImage, CheckBox_CreateSceneFile})
    FitCaptionWidth(control);
  KeepRowClear({{RadioGroup_SceneType}, {RadioGroup_CubeSuffix}, {Image_SceneFormat}});
  KeepRowClear({{Label5},
                {RadioGroup_ImageSizeMode, RadioGroup_ExtractImageType},
                {CheckBox_CreateDividedImage, CheckBox_CreateSceneFile},
                {SpeedButton_Execute, SpeedButton_DataHolder, SpeedButton_Init}});
}

void TForm1::BuildImageTab() {
  auto* layout = new QVBoxLayout(TabSheet2);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  Panel1 = MakePanel(TabSheet2);
  Panel1->setFixedHeight(53);
  layout->addWidget(Panel1);

  CheckBox_ShowImage = MakeCheckBox(tr("画像を表示する"), Panel1, {13, 7, 98, 17}, false);
  CheckBox_ShowGuide = MakeCheckBox(tr("ガイドを表示する"), Panel1, {13, 29, 106, 17}, false);
  QFrame* separator1 = MakeRule(Panel1, {132, 2, 2, 48}, QFrame::VLine);
  const auto zoomButton = [this](const QString& text, int left) {
    auto* button = new QToolButton(Panel1);
    button->setText(text);
    button->setGeometry(left, 13, 55, 29);
    button->setCheckable(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
  };
  SpeedButton_Width = zoomButton(tr("横幅"), 151);
  SpeedButton_Height = zoomButton(tr("高さ"), 206);
  SpeedButton_Hundred = zoomButton(tr("１００％"), 261);
  QFrame* separator2 = MakeRule(Panel1, {333, 2, 2, 48}, QFrame::VLine);
  RadioGroup_SceneType_Subset =
      MakeGroup(tr("　タイプ　"), SceneTypeItems(), 2, Panel1, {352, 4, 214, 44}, 0);
  for (QWidget* control :
       std::initializer_list<QWidget*>{CheckBox_ShowImage, CheckBox_ShowGuide, RadioGroup_SceneType_Subset})
    FitCaptionWidth(control);
  KeepRowClear({{CheckBox_ShowImage, CheckBox_ShowGuide},
                {separator1},
                {SpeedButton_Width, SpeedButton_Height, SpeedButton_Hundred},
                {separator2},
                {RadioGroup_SceneType_Subset}});

  ScrollBox1 = new QScrollArea(TabSheet2);
  // A border of two pixels on each side: the zoom rules count on it.
  ScrollBox1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  ScrollBox1->setLineWidth(2);
  ScrollBox1->setWidgetResizable(false);
  ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image_Panorama = new TPictureView;
  Image_Panorama->resize(624, 464);
  ScrollBox1->setWidget(Image_Panorama);
  layout->addWidget(ScrollBox1, 1);
  Label_PanoramaInfo = new TPanoramaInfo(ScrollBox1);
}

void TForm1::BuildConsoleTab() {
  auto* layout = new QVBoxLayout(TabSheet3);
  layout->setContentsMargins(0, 0, 0, 0);
  Editor1 = new TConsole(TabSheet3);
  layout->addWidget(Editor1);
}

void TForm1::SetTabOrder() {
  std::vector<QWidget*> order = {Edit_ImageFileName, Edit_SceneFileName, Edit_TextureBaseName};
  const auto addGroup = [&order](TRadioGroup* group) {
    for (int i = 0; i < static_cast<int>(group->Items().size()); ++i)
      order.push_back(group->Button(i));
  };
  addGroup(RadioGroup_SceneType);
  order.push_back(CheckBox_CreateDividedImage);
  addGroup(RadioGroup_ImageSizeMode);
  addGroup(RadioGroup_ExtractImageType);
  order.push_back(CheckBox_CreateSceneFile);
  order.push_back(PageControl_SceneFormat);
  order.push_back(Grid_FMS);
  order.push_back(Grid_RCP);
  addGroup(RadioGroup_CubeSuffix);
  for (QWidget* control : LevellingPanel1->TabOrder()) order.push_back(control);
  for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void TForm1::CreateObjects() {
  FFiler = TSimFiler::Create<TTalveroFiler>();
  FJobRunner = std::make_unique<TJobRunner>(*this);
  FFiler->ImageFileNameEdit = Edit_ImageFileName;
  FFiler->SceneFileNameEdit = Edit_SceneFileName;
  FFiler->TextureBaseNameEdit = Edit_TextureBaseName;
  FFiler->SceneFormatPages = PageControl_SceneFormat;
  FFiler->CubeSuffixGroup = RadioGroup_CubeSuffix;
  FFiler->ExtractImageTypeGroup = RadioGroup_ExtractImageType;
  FFiler->ImageSizeModeGroup = RadioGroup_ImageSizeMode;
  FFiler->SceneTypeGroup = RadioGroup_SceneType;
  FFiler->JobOptionControls = &LevellingPanel1->Options;
  FFiler->TalveroFMS().Grid = Grid_FMS;
  FFiler->TalveroRCP().Grid = Grid_RCP;
  FBeforeConversion = new TBeforeConversion(*SceneView_Check, *LevellingPanel1, *FFiler, this);
  // A value typed outside what a job uses is shown as the job will use it once typed.
  Grid_FMS->OnEditChange = [this](TDataStringGrid&, bool editing) {
    if (!editing) FFiler->TalveroFMS().ShowValuesInUse();
  };
  Grid_RCP->OnEditChange = [this](TDataStringGrid&, bool editing) {
    if (!editing) FFiler->TalveroRCP().ShowValuesInUse();
  };
  FFiler->SetErrorReporter(&FEngineReporter);
  FFiler->ResetJob();
  FFiler->OnProgress = [this](TSimFiler& sender, const std::string& text, TSimProgressMode mode) {
    FilerProgress(sender, text, mode);
  };

  FLoaded = std::make_unique<TLoadedValues>();

  FPreviewLoader = new TPreviewLoader(this);
  connect(FPreviewLoader, &TPreviewLoader::Loaded, this,
          [this](const QString& file, const QImage& picture, const QImage& reduced, QSize size,
                 const QString& error) {
            Guarded([&] { FImageTab->PanoramaLoaded(file, picture, reduced, size, error); });
          });

  FFileDrop = new TFileDrop(
      this,
      [this](const std::string& name, TFileKind kind) {
        Guarded([&] {
          if (kind == TFileKind::Panorama)
            OpenPanorama(name);
          else
            OpenSceneFile(name);
        });
      },
      [this] { return !JobRunning(); });

  FReg1 = std::make_unique<TRegManager>();
  FReg1->SetRegType(rtIni);
  AddMainWindowSettings(FReg1->RegItems());

  FImageTab = std::make_unique<TImageTab>(
      TImageTab::Controls{CheckBox_ShowImage, CheckBox_ShowGuide, SpeedButton_Width,
                          SpeedButton_Height, SpeedButton_Hundred, ScrollBox1, Image_Panorama,
                          Label_PanoramaInfo, LevellingPanel1, StatusBar1},
      *FFiler, *FPreviewLoader, FEngineReporter);
}

template <typename Action>
void TForm1::Guarded(Action&& action) {
  if (FDestroying) return;
  try {
    action();
  } catch (...) {
    ReportException(std::current_exception());
  }
}

void TForm1::ConnectHandlers() {
  const auto on = [this](auto* sender, auto signal, auto handler) {
    connect(sender, signal, this,
            [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
  };
  on(SpeedButton_Image, &QPushButton::clicked, &TForm1::SpeedButton_ImageClick);
  on(SpeedButton_SceneFile, &QPushButton::clicked, &TForm1::SpeedButton_SceneFileClick);
  on(SpeedButton_Execute, &QPushButton::clicked, &TForm1::ExecuteOrCancel);
  on(N2, &QAction::triggered, &TForm1::ExecuteOrCancel);
  on(SpeedButton_Init, &QPushButton::clicked, &TForm1::SpeedButton_InitClick);
  on(mnu_ClearItem, &QAction::triggered, &TForm1::SpeedButton_InitClick);
  on(SpeedButton_DataHolder, &QPushButton::clicked, &TForm1::SpeedButton_DataHolderClick);
  on(mnu_DataHolder, &QAction::triggered, &TForm1::SpeedButton_DataHolderClick);
  on(mnu_New, &QAction::triggered, &TForm1::mnu_NewClick);
  on(HowtoUseHelp1, &QAction::triggered, &TForm1::HowtoUseHelp1Click);
  on(About1, &QAction::triggered, &TForm1::About1Click);
  on(RadioGroup_SceneType, &TRadioGroup::Click, &TForm1::RadioGroup_SceneTypeClick);
  on(RadioGroup_SceneType_Subset, &TRadioGroup::Click, &TForm1::RadioGroup_SceneType_SubsetClick);
  on(CheckBox_ShowImage, &QCheckBox::toggled, &TForm1::CheckBox_ShowImageClick);
  connect(LevellingPanel1, &TLevellingPanel::Changed, this,
          [this] { Guarded([this] { FImageTab->LevellingChanged(); }); });
  connect(LevellingPanel1->Button_FromFile, &QPushButton::clicked, this, [this] {
    Guarded([this] { LevellingPanel1->TakePoseFrom(FFiler->GetImageFileName()); });
  });
  on(CheckBox_ShowGuide, &QCheckBox::toggled, &TForm1::CheckBox_ShowGuideClick);
  on(Editor1, &TConsole::MouseWheelDown, &TForm1::Editor1MouseWheelDown);
  on(Editor1, &TConsole::MouseWheelUp, &TForm1::Editor1MouseWheelUp);
  connect(Exit1, &QAction::triggered, this, &QWidget::close);
  for (auto [action, language] : {std::pair{FLanguageMenu->Japanese, TextLanguage::Japanese},
                                  std::pair{FLanguageMenu->English, TextLanguage::English}})
    connect(action, &QAction::triggered, this, [this, language] {
      Guarded([this, language] { ChooseLanguage(*FLanguageMenu, language, FIniFileName, this); });
    });
  // The engine sets the page with this signal held back, so only the user's changes come.
  connect(PageControl_SceneFormat, &QTabWidget::currentChanged, this,
          [this](int index) { Guarded([this, index] { PageControl_SceneFormatChange(index); }); });
  for (auto [button, mode] :
       {std::pair{SpeedButton_Width, kZoomFitWidth}, std::pair{SpeedButton_Height, kZoomFitHeight},
        std::pair{SpeedButton_Hundred, kZoomActual}}) {
    connect(button, &QToolButton::clicked, this, [this, mode] {
      Guarded([this, mode] { ApplyZoom(mode); });
      // A click toggles the button itself; only a zoom applied to a picture moves the state.
      FImageTab->ShowZoomButtons();
    });
  }
  connect(JobStatus1, &TJobStatus::CancelClicked, this, [this] { CancelJob(); });
  connect(Edit_SceneFileName, &QLineEdit::textEdited, this, [this](const QString& text) {
    Guarded([&] { FollowSceneFileFormat(text.toStdString()); });
  });
  ScrollBox1->installEventFilter(this);
  SpeedButton_Execute->installEventFilter(this);
}

// ---- Properties

bool TForm1::CreateSceneFile() const { return CheckBox_CreateSceneFile->isChecked(); }
void TForm1::SetCreateSceneFile(bool value) { CheckBox_CreateSceneFile->setChecked(value); }
bool TForm1::CreateDividedImage() const { return CheckBox_CreateDividedImage->isChecked(); }
void TForm1::SetCreateDividedImage(bool value) { CheckBox_CreateDividedImage->setChecked(value); }
bool TForm1::CheckImageFileOverWrite() const { return mnuCheckImageFileOverWrite->isChecked(); }
void TForm1::SetCheckImageFileOverWrite(bool value) {
  mnuCheckImageFileOverWrite->setChecked(value);
}
bool TForm1::CheckSceneFileOverWrite() const { return mnuCheckSceneFileOverWrite->isChecked(); }
void TForm1::SetCheckSceneFileOverWrite(bool value) {
  mnuCheckSceneFileOverWrite->setChecked(value);
}
bool TForm1::ShowImage() const { return CheckBox_ShowImage->isChecked(); }
void TForm1::SetShowImage(bool value) { CheckBox_ShowImage->setChecked(value); }
bool TForm1::ShowGuide() const { return CheckBox_ShowGuide->isChecked(); }
void TForm1::SetShowGuide(bool value) { CheckBox_ShowGuide->setChecked(value); }

TFMSDataHolder& TForm1::LoadedFMS() const { return FLoaded->FMS(); }
TRCPDataHolder& TForm1::LoadedRCP() const { return FLoaded->RCP(); }

void TForm1::SetErrorReporter(TErrorReporter* reporter) { FReporter = reporter; }

TErrorReporter& TForm1::Reporter() { return FReporter ? *FReporter : FErrorBox; }

void TForm1::ReportException(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    Reporter().ShowError(e.what());
  } catch (...) {
    Reporter().ShowError("unexpected error");
  }
}

// ---- Showing and closing

void TForm1::setVisible(bool visible) {
  const bool first = visible && !FShown;
  if (first) {
    FShown = true;
    Guarded([this] { FormShow(); });
  }
  QMainWindow::setVisible(visible);
  // The frame is known once the window is shown; it must fit on the screen too.
  if (first) KeepOnScreen(*this);
}

void TForm1::FormShow() {
  FImageTab->MeasureScrollBars();
  PageControl1->setCurrentWidget(TabSheet1);
  Guarded([this] { LoadSettings(); });
  Guarded([this] { RecentFiles1->Load(FIniFileName); });
  Guarded([this] {
    FBeforeConversion->Restoring([this] { LevellingPanel1->Load(FIniFileName); });
  });
  UpdateSceneFormatImage();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (JobRunning()) {
    // The job is cancelled, and the window closes once it has unwound (its settings saved then).
    FJobRunner->CloseWhenDone();
    CancelJob();
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TForm1::FormClose() {
  Guarded([this] { SaveSettings(); });
  Guarded([this] { RecentFiles1->Save(FIniFileName); });
  Guarded([this] { LevellingPanel1->Save(FIniFileName); });
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  Guarded([this] { ApplyZoom(ZoomMode()); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  // The scroll area learns its new size after the window; the zoom follows it from here too.
  if (watched == ScrollBox1 && event->type() == QEvent::Resize)
    Guarded([this] { ApplyZoom(ZoomMode()); });
  // The second click of a double click on "出力実行" arrives once the job runs and the
  // button reads "中止": it must not cancel the job it has just started.
  if (watched == SpeedButton_Execute && event->type() == QEvent::MouseButtonDblClick &&
      JobRunning()) {
    SpeedButton_Execute->setDown(false);
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---- Settings

void TForm1::LoadSettings() {
  FReg1->SetIniFileName(FIniFileName);
  LoadWindowSettings(*this, *FReg1);
}

void TForm1::SaveSettings() {
  // The user's configuration folder may not exist yet.
  if (FChosenIniFile) MakeSettingsFolder(FIniFileName);
  FReg1->SetIniFileName(FIniFileName);
  SaveWindowSettings(*this, *FReg1);
}

// ---- Enabled states

void TForm1::UpdateCommandStates() {
  const bool idle = !JobRunning();
  for (QWidget* control : std::initializer_list<QWidget*>{
           Edit_ImageFileName, SpeedButton_Image, Edit_SceneFileName, SpeedButton_SceneFile,
           Edit_TextureBaseName, RadioGroup_SceneType, PageControl_SceneFormat, SpeedButton_Init,
           RadioGroup_ImageSizeMode, CheckBox_CreateDividedImage, RadioGroup_ExtractImageType,
           CheckBox_CreateSceneFile, CheckBox_ShowImage,
           RadioGroup_SceneType_Subset, LevellingPanel1})
    control->setEnabled(idle);
  for (QAction* command :
       {mnu_New, mnu_ClearItem, mnuCheckImageFileOverWrite, mnuCheckSceneFileOverWrite})
    command->setEnabled(idle);
  ShowExecuteCommand(*SpeedButton_Execute, *N2, idle);
  RecentFiles1->SetEnabled(idle);
  RadioGroup_CubeSuffix->setEnabled(idle && FCubeSuffixAllowed);
  SpeedButton_DataHolder->setEnabled(idle && FRestoreEnabled);
  mnu_DataHolder->setEnabled(idle && FRestoreEnabled);
}

void TForm1::SetRestoreEnabled(bool enabled) {
  FRestoreEnabled = enabled;
  UpdateCommandStates();
}

// ---- Scene type and format

void TForm1::RadioGroup_SceneTypeClick() {
  RadioGroup_SceneType_Subset->SetItemIndex(RadioGroup_SceneType->ItemIndex());
  const TSceneType type = FFiler->GetSceneType();
  if (type == stCube) {
    RadioGroup_ImageSizeMode->SetItems(kCubeSizeItems);
    FCubeSuffixAllowed = true;
  } else if (type == stSphere) {
    RadioGroup_ImageSizeMode->SetItems(kSphereSizeItems);
    FCubeSuffixAllowed = false;
  }
  UpdateCommandStates();
}

void TForm1::RadioGroup_SceneType_SubsetClick() {
  RadioGroup_SceneType->SetItemIndex(RadioGroup_SceneType_Subset->ItemIndex());
  if (const auto type = EnumFromOrdinal<TSceneType>(RadioGroup_SceneType_Subset->ItemIndex()))
    FImageTab->LineList().SetSceneType(*type);
}

void TForm1::PageControl_SceneFormatChange(int index) {
  const std::string sceneFile = FFiler->GetSceneFilename();
  const TSceneFormat format = EnumFromOrdinal<TSceneFormat>(index).value_or(sfFMS);
  if (!sceneFile.empty())
    FFiler->SetSceneFilename(ChangeFileExt(sceneFile, DescriptionOf(format).DefaultExtension()));
  UpdateSceneFormatImage();
}

void TForm1::UpdateSceneFormatImage() {
  const QImage& source = FFiler->GetSceneFormat() == sfRCP ? Image_RCP : Image_FMS;
  Image_SceneFormat->setPixmap(QPixmap::fromImage(
      source.scaled(Image_SceneFormat->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

// ---- Files

void TForm1::SpeedButton_ImageClick() {
  const auto chosen = AskPanoramaFile(this, Edit_ImageFileName->text());
  if (!chosen) return;
  FFiler->SetImageFileName(*chosen);
  PanoramaChosen();
}

void TForm1::PanoramaChosen() {
  FBeforeConversion->PanoramaChosen();
  if (FileExists(FFiler->GetImageFileName()))
    RecentFiles1->Add(TRecentFiles::rfPanorama, FFiler->GetImageFileName());
  FImageTab->PanoramaChosen();
}

void TForm1::SpeedButton_SceneFileClick() {
  const auto chosen = AskSceneFile(
      this, Edit_SceneFileName->text(), FFiler->GetSceneFormat(), [this](int filterIndex) {
        Guarded([this, filterIndex] { OpenDialog1TypeChange(filterIndex); });
      });
  if (chosen) OpenSceneFile(*chosen);
}

void TForm1::OpenSceneFile(const std::string& fileName) {
  FollowSceneFileFormat(fileName);
  FFiler->SetSceneFilename(fileName);
  RecentFiles1->Add(TRecentFiles::rfScene, fileName);
  ShowSceneView();
  if (!FileExists(fileName)) return;  // the scene file the next job writes
  // The levelling it restores is no change of the user's; what shows is the file.
  FBeforeConversion->Restoring([&] { ReadSceneFiles(fileName); });
  FBeforeConversion->SceneFileShown();
}

void TForm1::FollowSceneFileFormat(const std::string& fileName) {
  const std::optional<TSceneFormat> format = SceneFormatOfFile(fileName);
  if (!format || *format == FFiler->GetSceneFormat()) return;
  FFiler->SetSceneFormat(*format);
  UpdateSceneFormatImage();
}

void TForm1::OpenPanorama(const std::string& fileName) {
  FFiler->SetImageFileName(fileName);
  PanoramaChosen();
}

void TForm1::ShowSceneView() {
  SceneView_Check->ShowSceneFile(FFiler->GetSceneFilename(), FFiler->GetSceneFormat());
}

void TForm1::OpenDialog1TypeChange(int filterIndex) {
  FFiler->SetSceneFormat(static_cast<TSceneFormat>(filterIndex - 1));
  UpdateSceneFormatImage();
}

void TForm1::ReadSceneFiles(const std::string& fileName) {
  SetRestoreEnabled(FLoaded->ReadSceneFile(*FFiler, FFiler->GetSceneFormat(), fileName));
}

void TForm1::SpeedButton_InitClick() {
  DescriptionOf(FFiler->GetSceneFormat()).Holder(*FFiler).SetDefaults();
}

void TForm1::SpeedButton_DataHolderClick() { FLoaded->RestoreTo(*FFiler); }

void TForm1::mnu_NewClick() {
  FBeforeConversion->Restoring([this] { FFiler->ResetJob(); });
  FLoaded->SetDefaults();
  SetRestoreEnabled(false);
}

// ---- Execute

void TForm1::ExecuteOrCancel() {
  if (JobRunning())
    CancelJob();
  else
    SpeedButton_ExecuteClick();
}

bool TForm1::JobRunning() const { return FJobRunner && FJobRunner->Running(); }

void TForm1::CancelJob() { FJobRunner->Cancel(); }

void TForm1::SpeedButton_ExecuteClick() { FJobRunner->Execute(); }

void TForm1::FilerProgress(TSimFiler&, const std::string& text, TSimProgressMode mode) {
  Editor1->AddProgress(QString::fromStdString(text), mode == spUpdate);
}

void TForm1::Editor1MouseWheelDown() { Editor1->SetCaretRow(Editor1->CaretRow() + 3); }
void TForm1::Editor1MouseWheelUp() { Editor1->SetCaretRow(Editor1->CaretRow() - 3); }

// ---- Help

void TForm1::HowtoUseHelp1Click() {
  QMessageBox box(QMessageBox::Information, tr("情報"),
                  tr("使い方はホームページのドキュメントをご覧下さい。\n\n") +
                      QString::fromUtf8(kHomePageUrl),
                  QMessageBox::NoButton, this);
  box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
  box.exec();
}

void TForm1::About1Click() { TForm2::Execute(this); }

// ---- Preview

void TForm1::CheckBox_ShowImageClick() {
  if (ShowImage())
    ShowPanorama();
  else
    ClearPanorama();
}

void TForm1::CheckBox_ShowGuideClick() { FImageTab->ShowGuideIfPicture(); }

void TForm1::ShowPanorama() { FImageTab->ShowPanorama(); }
void TForm1::ClearPanorama() { FImageTab->ClearPanorama(); }
void TForm1::ApplyZoom(int mode) { FImageTab->ApplyZoom(mode); }

void TForm1::UpdateGuide() {
  if (!FDestroying) FImageTab->UpdateGuide();
}

int TForm1::ZoomMode() const { return FImageTab->ZoomMode(); }
int TForm1::VScrollWidth() const { return FImageTab->VScrollWidth(); }
int TForm1::HScrollHeight() const { return FImageTab->HScrollHeight(); }
TLinePanelList& TForm1::LineList() const { return FImageTab->LineList(); }

}  // namespace talvero
