// The overwrite question, the path shortening it shows, the about box's animation and
// link, and the GUI error box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/about/about_animation.h"
#include "app/about/about_box.h"
#include "app/about/about_pictures.h"
#include "app/app_info.h"
#include "app/job/overwrite_dialog.h"
#include "app/qt_error_reporter.h"

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace talvero {
namespace {

// Runs `act` on the modal window once it is up (the next turn of its event loop). A
// window that `act` leaves open is closed after a while, so a fault fails, never hangs.
void WhenModal(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act = std::move(act)] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    QTimer::singleShot(3000, modal, [modal] {
      ADD_FAILURE() << "the modal window stayed open";
      modal->close();
    });
    act(modal);
  });
}

// A shortened name shows the system's own separators.
QString Native(const char* path) { return QDir::toNativeSeparators(QString::fromUtf8(path)); }

TEST(ShortenPath, CutsFolderByFolderUntilOnlyTheNameFits) {
  std::vector<QString> measured;
  const auto width = [&measured](const QString& text) {
    measured.push_back(text);
    return static_cast<int>(text.size());
  };
  EXPECT_EQ(ShortenPath("/home/me/scenes/test.scn", width, 8), "test.scn");
  EXPECT_EQ(measured, (std::vector<QString>{Native("/home/me/scenes/test.scn"),
                                            Native("/.../me/scenes/test.scn"),
                                            Native("/.../scenes/test.scn"), Native("/.../test.scn"),
                                            Native(".../test.scn")}))
      << "the bare name is the end, measured or not";
  // Each step only while the text is too wide.
  EXPECT_EQ(ShortenPath("/home/me/scenes/test.scn", width, 20), Native("/.../scenes/test.scn"));
  EXPECT_EQ(ShortenPath("/home/me/scenes/test.scn", width, 300), Native("/home/me/scenes/test.scn"));
  // No directory: shown whole however long; a relative path ends at its name too.
  EXPECT_EQ(ShortenPath("a-very-long-scene-name.scn", width, 1), "a-very-long-scene-name.scn");
  EXPECT_EQ(ShortenPath("scenes/sub/x.scn", width, 1), "x.scn");
  EXPECT_EQ(ShortenPath("/x.scn", width, 1), "x.scn");

  EXPECT_EQ(DropFirstFolder("/"), "");
  EXPECT_EQ(DropFirstFolder(Native("/home/.config/")), Native("/.../.config/"));
  EXPECT_EQ(DropFirstFolder(Native("/.../.config/x/")), Native("/.../x/"))
      << "a dot folder is not a cut mark";
  EXPECT_EQ(DropFirstFolder(".../"), "");
}

TEST(OverwriteDialog, LooksAsDesigned) {
  TForm3 dialog;
  EXPECT_EQ(dialog.windowTitle(), "警告");
  EXPECT_EQ(dialog.size(), QSize(422, 150));
  EXPECT_EQ(dialog.Button1->text(), "はい(&Y)");
  EXPECT_EQ(dialog.Button2->text(), "いいえ(&N)");
  EXPECT_EQ(dialog.Label2->text(), "上書きしますか？");
  EXPECT_FALSE(dialog.Button1->isDefault());
  EXPECT_FALSE(dialog.Button2->isDefault());
  EXPECT_FALSE(dialog.CheckBox1->isChecked());
  EXPECT_FALSE(dialog.Image1->pixmap().isNull());
}

struct Answer {
  bool Tick;
  std::function<void(TForm3*)> Act;
  int Result;
};

TEST(OverwriteDialog, EachAnswerGivesItsResultAndTheFlagIsAlwaysWritten) {
  const QString longName = "/home/me/" + QString(60, 'd') + "/" + QString(30, 'f') + "/test.scn";
  const std::vector<Answer> answers{
      {false, [](TForm3* d) { QTest::mouseClick(d->Button1, Qt::LeftButton); }, kResultYes},
      {true, [](TForm3* d) { QTest::mouseClick(d->Button2, Qt::LeftButton); }, kResultNo},
      {true, [](TForm3* d) { d->close(); }, kResultClosed},
      {false, [](TForm3* d) { QTest::keyClick(d, Qt::Key_Escape); }, kResultClosed},
      // Return on the ticked check box answers nothing; on the focused "はい" it answers.
      {true,
       [](TForm3* d) {
         QTest::keyClick(d->CheckBox1, Qt::Key_Return);
         d->Button1->setFocus();
         QTest::keyClick(d->Button1, Qt::Key_Return);
       },
       kResultYes},
  };
  for (size_t i = 0; i < answers.size(); ++i) {
    SCOPED_TRACE(i);
    QString shown;
    QWidget* focused = nullptr;
    WhenModal([&, i](QWidget* modal) {
      auto* dialog = qobject_cast<TForm3*>(modal);
      ASSERT_NE(dialog, nullptr);
      shown = dialog->Label1->text();
      focused = dialog->focusWidget() == dialog->Button1 ? dialog->Button1 : nullptr;
      if (answers[i].Tick) QTest::mouseClick(dialog->CheckBox1, Qt::LeftButton, {}, QPoint(5, 8));
      answers[i].Act(dialog);
    });
    bool flag = !answers[i].Tick;
    EXPECT_EQ(TForm3::Execute(longName, flag), answers[i].Result);
    EXPECT_EQ(flag, answers[i].Tick);
    EXPECT_NE(focused, nullptr) << "Button1 has the focus";
    EXPECT_TRUE(shown.startsWith(Native("/.../")) && shown.endsWith(Native("/test.scn")))
        << shown.toStdString();
  }
  EXPECT_EQ(QApplication::topLevelWidgets().count(), 0) << "every dialog is freed";
}

// Once the dialog is up, neither button is the default: Return presses the focused button
// only, and the letters Y and N answer with or without Alt.
TEST(OverwriteDialog, ReturnPressesOnlyTheFocusedButtonAndTheLettersAnswer) {
  const auto key = [](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    if (QWidget* focused = QApplication::focusWidget())
      QTest::keyClick(focused, k, m);
    else
      ADD_FAILURE() << "the dialog has closed already";
  };
  const std::vector<Answer> answers{
      {true,
       [key](TForm3* d) {
         key(Qt::Key_Return);  // on the check box: no answer
         EXPECT_TRUE(d->isVisible());
         key(Qt::Key_Enter);
         EXPECT_TRUE(d->isVisible());
         key(Qt::Key_N);
       },
       kResultNo},
      {true, [key](TForm3*) { key(Qt::Key_Y); }, kResultYes},
      {false, [key](TForm3*) { key(Qt::Key_Return); }, kResultYes},
      {false,
       [key](TForm3* d) {
         key(Qt::Key_Tab);
         EXPECT_EQ(QApplication::focusWidget(), d->Button2);
         key(Qt::Key_Return);
       },
       kResultNo},
      {false,
       [key](TForm3*) {
         key(Qt::Key_Tab);
         key(Qt::Key_Tab);  // round to the check box
         key(Qt::Key_Space);
         key(Qt::Key_Return);
         key(Qt::Key_Y, Qt::AltModifier);
       },
       kResultYes},
      {false, [key](TForm3*) { key(Qt::Key_N, Qt::AltModifier); }, kResultNo},
  };
  for (size_t i = 0; i < answers.size(); ++i) {
    SCOPED_TRACE(i);
    bool defaults = true;
    WhenModal([&, i](QWidget* modal) {
      auto* dialog = qobject_cast<TForm3*>(modal);
      ASSERT_NE(dialog, nullptr);
      dialog->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
      defaults = dialog->Button1->isDefault() || dialog->Button2->isDefault();
      if (answers[i].Tick) QTest::mouseClick(dialog->CheckBox1, Qt::LeftButton, {}, QPoint(5, 8));
      answers[i].Act(dialog);
    });
    bool flag = false;
    EXPECT_EQ(TForm3::Execute("/tmp/scene.scn", flag), answers[i].Result);
    EXPECT_FALSE(defaults) << "no default button once shown";
    EXPECT_EQ(flag, answers[i].Tick || i == 4);
  }
}

TEST(AboutAnimation, OffsetsWrapAroundTheStrip) {
  EXPECT_EQ(NextOffset(0, 1, 2801), 1);
  EXPECT_EQ(NextOffset(2800, 1, 2801), 2801);
  EXPECT_EQ(NextOffset(2801, 1, 2801), 0);
  EXPECT_EQ(NextOffset(2799, 6, 2801), 0);
  EXPECT_EQ(NextOffset(0, -1, 2801), 2801);
  EXPECT_EQ(NextOffset(3, -6, 2801), 2801);

  const QRect view(0, 0, 300, 160);
  const std::vector<TFrameCopy> plain = FrameCopies(2501, view, 2501);
  ASSERT_EQ(plain.size(), 1u);
  EXPECT_EQ(plain[0].Source, QRect(2501, 0, 300, 160));
  EXPECT_EQ(plain[0].Dest, view);
  for (int offset = 2502; offset <= 2801; ++offset) {
    const int k = offset - 2501;
    const std::vector<TFrameCopy> copies = FrameCopies(offset, view, 2501);
    ASSERT_FALSE(copies.empty());
    const TFrameCopy& wrap = copies.back();
    EXPECT_EQ(wrap.Source, QRect(0, 0, k, 160)) << offset;
    EXPECT_EQ(wrap.Dest, QRect(300 - k, 0, k, 160)) << offset;
    if (k < 300) {
      ASSERT_EQ(copies.size(), 2u) << offset;
      EXPECT_EQ(copies[0].Source, QRect(offset, 0, 300 - k, 160)) << offset;
      EXPECT_EQ(copies[0].Dest, QRect(0, 0, 300 - k, 160)) << offset;
    } else {
      EXPECT_EQ(copies.size(), 1u);
    }
  }
}

TEST(AboutAnimation, PointerSetsDirectionAndSpeed) {
  EXPECT_EQ(StepForPointer(50, 300, 1), -6);   // 100 left of the centre
  EXPECT_EQ(StepForPointer(250, 300, -1), 6);  // 100 right
  EXPECT_EQ(StepForPointer(147, 300, -6), -6);  // 3 from the centre: unchanged
  EXPECT_EQ(StepForPointer(155, 300, 4), 4);    // 5 from the centre: unchanged
  EXPECT_EQ(StepForPointer(156, 300, -4), 1);
  EXPECT_EQ(StepForPointer(299, 300, 1), 9);
}

TEST(AboutBox, AnimatesAfterTheFirstTimerAndStopsOnClose) {
  TForm2 box;
  EXPECT_EQ(box.windowTitle(), "Talvero.exe");
  EXPECT_EQ(box.size(), QSize(336, 307));
  EXPECT_EQ(box.Image2.size(), QSize(2801, 160));
  EXPECT_EQ(box.Image3.size(), QSize(300, 160));
  EXPECT_EQ(box.Label2->text(), kHomePageUrl);
  box.show();
  EXPECT_TRUE(box.Timer1->isActive());
  EXPECT_EQ(box.Timer1->interval(), 5000);
  EXPECT_FALSE(box.Timer2->isActive());
  EXPECT_EQ(box.FSpan, 2501);
  box.Image1MouseMove(50);
  EXPECT_EQ(box.FStep, 1) << "the pointer is ignored before the animation starts";

  box.Timer1->start(1);  // rather than waiting five seconds
  QTRY_VERIFY_WITH_TIMEOUT(box.FAnimating, 2000);
  EXPECT_TRUE(box.Timer2->isActive());
  EXPECT_EQ(box.Timer2->interval(), 30);
  QMouseEvent move(QEvent::MouseMove, QPointF(50, 80), box.Image1->mapToGlobal(QPointF(50, 80)),
                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(box.Image1, &move);
  EXPECT_EQ(box.FStep, -6);

  // A frame at 2700: the strip's end, then its first 199 pixels, all ANDed with the overlay.
  box.FStep = 0;
  box.FOffset = 2700;
  box.Timer2Timer();
  const QImage& view = box.Picture();
  for (const QPoint p : {QPoint(40, 60), QPoint(100, 100), QPoint(150, 30), QPoint(290, 120)}) {
    const int sx = p.x() < 101 ? 2700 + p.x() : p.x() - 101;
    const QRgb expected = box.Image2.pixel(sx, p.y()) & box.Image3.pixel(p);
    EXPECT_EQ(view.pixel(p), expected) << p.x();
  }
  EXPECT_EQ(qGray(view.pixel(0, 0)), 0) << "the overlay's corners are black";

  QTest::mouseClick(box.Button1, Qt::LeftButton);
  EXPECT_FALSE(box.isVisible());
  EXPECT_FALSE(box.Timer1->isActive());
  EXPECT_FALSE(box.Timer2->isActive());
}

class UrlCatcher : public QObject {
  Q_OBJECT
 public slots:
  void Open(const QUrl& url) { Opened.push_back(url); }

 public:
  std::vector<QUrl> Opened;
};

TEST(AboutBox, ExecuteShowsTheVersionAndTheLinkOpensTheHomePage) {
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler("https", &catcher, "Open");
  QString version;
  WhenModal([&version](QWidget* modal) {
    auto* box = qobject_cast<TForm2*>(modal);
    ASSERT_NE(box, nullptr);
    version = box->Label_Version->text();
    EXPECT_EQ(box->Label2->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(box->Label2, Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_Return);
  });
  TForm2::Execute();
  QDesktopServices::unsetUrlHandler("https");
  EXPECT_EQ(version, "Talvero.exe version 1.81");
  EXPECT_EQ(catcher.Opened, std::vector<QUrl>{QUrl(kHomePageUrl)});
  EXPECT_EQ(QApplication::topLevelWidgets().count(), 0);
}

TEST(GuiErrorBox, ShowsTheMessageWithOneOkButton) {
  QtErrorReporter reporter;
  WhenModal([](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "エラー");
    EXPECT_EQ(box->text(), "[' X '] is invalid.");
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->buttons()[0]->text(), "OK");
    box->buttons()[0]->click();
  });
  ScopedErrorReporter scope(reporter);
  ShowError("[' X '] is invalid.");
}

}  // namespace
}  // namespace talvero

#include "dialogs_test.moc"
