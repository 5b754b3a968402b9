// The image tab: zoom sizes, guide line positions, and the preview in the window (loading,
// zoom buttons, the guide following zoom, size and scene type).
#include <QCheckBox>
#include <QFileDialog>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>

#include "app/preview/panorama_info.h"
#include "app/preview/panorama_preview.h"
#include "app/preview/preview_loader.h"
#include "app/settings/language.h"
#include "window_support.h"

namespace talvero {
namespace {

using testing::WindowTest;

// Lines as (left, top, width, height) in creation order.
using Lines = std::vector<QRect>;

Lines Verticals(std::initializer_list<int> lefts, int top, int height) {
  Lines lines;
  for (int left : lefts) lines.emplace_back(left, top, 1, height);
  return lines;
}

Lines Horizontals(std::initializer_list<int> tops, int width) {
  Lines lines;
  for (int top : tops) lines.emplace_back(0, top, width, 1);
  return lines;
}

Lines Join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(ZoomSizes, FitWidthAndFitHeight) {
  const QSize picture(4000, 2000), area(628, 506);
  EXPECT_EQ(FitWidthSize(picture, area, 17), QSize(624, 312)) << "no scroll bar needed";
  // 1004 × 502 would be wider than 624: room is left for the horizontal scroll bar.
  EXPECT_EQ(FitHeightSize(picture, area, 17), QSize(970, 485));
  // A tall picture needs the vertical scroll bar when fitted to the width.
  EXPECT_EQ(FitWidthSize(QSize(1000, 2000), area, 17), QSize(607, 1214));
  // A narrow one fits its height without a scroll bar.
  EXPECT_EQ(FitHeightSize(QSize(1000, 2000), area, 17), QSize(251, 502));
  // Halves round to the even neighbour: 628 × 3 / 8 = 235.5 -> 236, 620 × 3 / 8 = 232.5 -> 232.
  EXPECT_EQ(FitWidthSize(QSize(800, 300), QSize(632, 506), 17).height(), 236);
  EXPECT_EQ(FitWidthSize(QSize(800, 300), QSize(624, 506), 17).height(), 232);
  EXPECT_EQ(FitWidthSize(QSize(), area, 17), QSize());
}

TEST(GuideLines, CubeAndSpherePatterns) {
  EXPECT_EQ(GuideLineRects(stCube, 1000, 500),
            Join({Verticals({0, 125, 375, 625, 875, 999}, 0, 500),
                  Horizontals({0, 125, 375, 499}, 1000)}));
  // Taller than 2:1: the lines cover the top 500 rows only.
  EXPECT_EQ(GuideLineRects(stCube, 1001, 600),
            Join({Verticals({0, 125, 375, 625, 875, 1000}, 0, 500),
                  Horizontals({0, 125, 375, 499}, 1001)}));
  EXPECT_EQ(GuideLineRects(stSphere, 1000, 500), Join({Lines{{0, 0, 1, 375},
                                                             {125, 125, 1, 250},
                                                             {250, 0, 1, 375},
                                                             {375, 125, 1, 250},
                                                             {500, 0, 1, 375},
                                                             {625, 125, 1, 250},
                                                             {750, 0, 1, 375},
                                                             {875, 125, 1, 250},
                                                             {999, 0, 1, 375}},
                                                       Horizontals({0, 125, 250, 375}, 1000)}));
  // Narrower than 8 pixels: e = 0, the lines collapse onto the top and left edges.
  EXPECT_EQ(GuideLineRects(stCube, 6, 4),
            Join({Verticals({0, 0, 0, 0, 0, 5}, 0, 3), Horizontals({0, 0, 0, 2}, 6)}));
  const Lines sphere = GuideLineRects(stSphere, 7, 3);
  ASSERT_EQ(sphere.size(), 13u);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(sphere[i].height(), 0);
    EXPECT_EQ(sphere[i].left(), i == 8 ? 6 : 0);
  }
  EXPECT_EQ(GuideLineRects(static_cast<TSceneType>(2), 1000, 500), Lines{});
}

class PreviewTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    window->PageControl1->setCurrentWidget(window->TabSheet2);
    QApplication::processEvents();
  }
  void ShowPicture(int32_t width) {
    TypeInto(window->Edit_ImageFileName, testing::WritePanorama(dir, width));
    Click(window->CheckBox_ShowImage);
  }
  std::vector<QRect> LineGeometries() const {
    std::vector<QRect> lines;
    for (int i = 0; i < window->LineList().Count(); ++i)
      lines.push_back(window->LineList().Items(i)->geometry());
    return lines;
  }
  bool GuideShown() const {
    TLinePanelList& list = window->LineList();
    bool shown = list.Count() > 0;
    for (int i = 0; i < list.Count(); ++i) shown = shown && list.Items(i)->isVisible();
    return shown;
  }
};

TEST_F(PreviewTest, ShowsThePanoramaFittedToTheWidth) {
  QScrollArea* area = window->ScrollBox1;
  EXPECT_EQ(area->frameWidth(), 2);
  ShowPicture(800);
  ASSERT_TRUE(window->Image_Panorama->HasPicture());
  EXPECT_EQ(window->Image_Panorama->Picture().size(), QSize(800, 400));
  EXPECT_EQ(window->Image_Panorama->Picture().pixelColor(799, 0), QColor(254, 0, 31))
      << "the picture keeps its colours (blue-green-red rows)";
  EXPECT_EQ(window->ZoomMode(), kZoomFitWidth);
  EXPECT_TRUE(window->SpeedButton_Width->isChecked());
  EXPECT_EQ(window->Image_Panorama->width(), area->width() - 4);
  EXPECT_EQ(window->Image_Panorama->width(), area->viewport()->width()) << "fills the view exactly";
  EXPECT_FALSE(area->horizontalScrollBar()->isVisible());

  Click(window->SpeedButton_Height);
  EXPECT_EQ(window->ZoomMode(), kZoomFitHeight);
  EXPECT_FALSE(window->SpeedButton_Width->isChecked());
  EXPECT_EQ(window->Image_Panorama->size(),
            FitHeightSize({800, 400}, area->size(), window->HScrollHeight()));
  QApplication::processEvents();
  EXPECT_EQ(window->Image_Panorama->height(), area->viewport()->height())
      << "leaves exactly the room of the horizontal scroll bar";

  Click(window->SpeedButton_Hundred);
  EXPECT_EQ(window->Image_Panorama->size(), QSize(800, 400));
  EXPECT_TRUE(window->SpeedButton_Hundred->isChecked());
  EXPECT_FALSE(window->SpeedButton_Height->isChecked());

  // A resize keeps the zoom mode.
  Click(window->SpeedButton_Width);
  window->resize(900, 700);
  QApplication::processEvents();
  EXPECT_EQ(window->Image_Panorama->width(), area->width() - 4);
}

TEST_F(PreviewTest, ZoomWithoutPictureChangesNothing) {
  Click(window->SpeedButton_Height);
  EXPECT_EQ(window->ZoomMode(), kZoomActual);
  EXPECT_FALSE(window->SpeedButton_Height->isChecked()) << "no button goes down";
  EXPECT_EQ(window->Image_Panorama->size(), QSize(624, 464));
}

TEST_F(PreviewTest, GuideFollowsPictureZoomAndSceneType) {
  // Ticked with no picture: nothing shows.
  Click(window->CheckBox_ShowGuide);
  EXPECT_FALSE(GuideShown());
  ShowPicture(800);
  EXPECT_TRUE(GuideShown()) << "a picture loaded afterwards shows the guide";
  const QSize shown = window->Image_Panorama->size();
  EXPECT_EQ(LineGeometries(), GuideLineRects(stCube, shown.width(), shown.height()));
  TLinePanel* line = window->LineList().Items(0);
  EXPECT_EQ(line->parentWidget(), window->Image_Panorama) << "lines scroll with the picture";
  EXPECT_EQ(line->Color(), QColor(255, 0, 0));
  EXPECT_EQ(line->grab().toImage().pixelColor(0, 0), QColor(255, 0, 0));

  Click(window->SpeedButton_Hundred);
  EXPECT_EQ(LineGeometries(), GuideLineRects(stCube, 800, 400));
  Click(window->RadioGroup_SceneType_Subset->Button(1));
  EXPECT_EQ(LineGeometries(), GuideLineRects(stSphere, 800, 400));
  EXPECT_TRUE(GuideShown());

  Click(window->CheckBox_ShowGuide);
  EXPECT_FALSE(GuideShown());
  Click(window->CheckBox_ShowGuide);
  EXPECT_TRUE(GuideShown());

  // Clearing the picture hides the guide; the control keeps its size.
  Click(window->CheckBox_ShowImage);
  EXPECT_FALSE(window->Image_Panorama->HasPicture());
  EXPECT_EQ(window->Image_Panorama->size(), QSize(800, 400));
  EXPECT_FALSE(GuideShown());
}

TEST_F(PreviewTest, MissingOrUnsupportedFilesLoadNothing) {
  TypeInto(window->Edit_ImageFileName, dir.File("none.bmp"));
  Click(window->CheckBox_ShowImage);
  EXPECT_FALSE(window->Image_Panorama->HasPicture());
  EXPECT_TRUE(errors.Messages.empty()) << "a missing file is not reported";

  Click(window->CheckBox_ShowImage);
  TypeInto(window->Edit_ImageFileName, dir.Write("notes.txt", "text"));
  Click(window->CheckBox_ShowImage);
  EXPECT_EQ(errors.Messages, (std::vector<std::string>{"扱えない画像ファイルです。"}));

  // A damaged file: the error is shown, the preview stays empty, the console untouched.
  Click(window->CheckBox_ShowImage);
  ShowPicture(800);
  ASSERT_TRUE(window->Image_Panorama->HasPicture());
  Click(window->CheckBox_ShowImage);
  window->Editor1->AppendLine("kept");
  TypeInto(window->Edit_ImageFileName, dir.Write("broken.bmp", "BM broken"));
  Click(window->CheckBox_ShowImage);
  EXPECT_EQ(errors.Messages.size(), 2u);
  EXPECT_FALSE(window->Image_Panorama->HasPicture());
  EXPECT_EQ(window->Editor1->toPlainText(), "kept");
  // The console handler is back: a job's progress reaches the console.
  window->Filer().Progress("next", spAppend);
  EXPECT_EQ(window->Editor1->LastLine(), "next");
}

// The kind is checked before anything is cleared: the picture shown before stays, with
// its guide and zoom.
// The panorama is decoded off the window's thread; of two choices made one after the other
// only the latest is shown, however the decoding of the first ends.
TEST_F(PreviewTest, TheLatestChoiceWins) {
  const std::string first = testing::WritePanorama(dir, 1600, "first.bmp");
  const std::string second = testing::WritePanorama(dir, 160, "second.bmp");
  TPreviewLoader loader;
  QSignalSpy loaded(&loader, &TPreviewLoader::Loaded);
  loader.Load(first, ImageFormat::Bmp, false);
  loader.Load(second, ImageFormat::Bmp, false);
  EXPECT_TRUE(loader.Busy());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !loader.Busy(); }, 10000));
  QTest::qWait(50);  // a late delivery of the first would come by now
  ASSERT_EQ(loaded.count(), 1);
  EXPECT_EQ(loaded.at(0).at(0).toString().toStdString(), second);
  EXPECT_EQ(loaded.at(0).at(1).value<QImage>().size(), QSize(160, 80));

  // In the window: the second file shown, the first's picture never.
  Click(window->CheckBox_ShowImage);
  window->Filer().SetImageFileName(first);
  window->ShowPanorama();
  window->Filer().SetImageFileName(second);
  window->ShowPanorama();
  QTest::qWait(100);
  EXPECT_EQ(window->Image_Panorama->Picture().size(), QSize(160, 80));
  EXPECT_TRUE(window->Label_PanoramaInfo->text().startsWith("160 × 80"));
}

// The panorama dialog's filter names every kind the codecs read, in both languages: the one
// list of kinds the window spells out itself (it is a translated text).
TEST_F(PreviewTest, ThePanoramaDialogOffersEveryKindTheProgramReads) {
  for (const TextLanguage language : {TextLanguage::Japanese, TextLanguage::English}) {
    ApplyLanguage(language);
    QString filter;
    testing::WhenModal([&filter](QWidget* modal) {
      if (auto* dialog = qobject_cast<QFileDialog*>(modal)) filter = dialog->nameFilters().value(0);
      qobject_cast<QDialog*>(modal)->reject();
    });
    Click(window->SpeedButton_Image);
    const qsizetype open = filter.indexOf('('), close = filter.lastIndexOf(')');
    const QStringList patterns = filter.mid(open + 1, close - open - 1).split(' ');
    for (const std::string& extension : ReadableExtensions())
      EXPECT_TRUE(patterns.contains(QString::fromStdString("*" + extension)))
          << extension << " missing from " << filter.toStdString();
  }
  ApplyLanguage(TextLanguage::Japanese);
}

TEST_F(PreviewTest, AnUnsupportedFileKeepsThePictureShownBefore) {
  Click(window->CheckBox_ShowGuide);
  ShowPicture(800);
  Click(window->SpeedButton_Height);
  const QSize shown = window->Image_Panorama->size();
  const std::string notes = dir.Write("notes.txt", "text");
  testing::WhenModal([notes](QWidget* modal) {
    auto* dialog = qobject_cast<QDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    static_cast<QFileDialog*>(dialog)->selectFile(QString::fromStdString(notes));
    dialog->accept();
  });
  Click(window->SpeedButton_Image);
  EXPECT_EQ(window->Edit_ImageFileName->text().toStdString(), notes);
  EXPECT_EQ(errors.Messages, (std::vector<std::string>{"扱えない画像ファイルです。"}));
  ASSERT_TRUE(window->Image_Panorama->HasPicture());
  EXPECT_EQ(window->Image_Panorama->Picture().size(), QSize(800, 400));
  EXPECT_EQ(window->Image_Panorama->size(), shown);
  EXPECT_EQ(window->ZoomMode(), kZoomFitHeight);
  EXPECT_TRUE(GuideShown());
}

}  // namespace
}  // namespace talvero
