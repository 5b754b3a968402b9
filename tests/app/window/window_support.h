// Helpers of the main window's suites: a shown window on a private INI file, answering
// modal windows, small panoramas and the controls' values.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/job/console_view.h"
#include "app/job/job_runner.h"
#include "app/main_window.h"
#include "common/test_support.h"
#include "editing/data_string_grid.h"
#include "editing/radio_group.h"
#include "editing/talvero_filers.h"
#include "engine/sim_filer.h"
#include "imaging/bitmap.h"

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace talvero::testing {

// Runs `act` on the modal window once it is up. The window may come only after a job has
// run for a while (and pumped events meanwhile), so this looks for it until it appears. A
// window that `act` leaves open is closed after a while, so a fault fails, never hangs.
inline void WhenModal(std::function<void(QWidget*)> act) {
  auto* poll = new QTimer(QCoreApplication::instance());
  auto waited = std::make_shared<int>(0);
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, waited, act = std::move(act)] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
      if (++*waited * 5 < 20000) return;
      ADD_FAILURE() << "no modal window came up";
    } else {
      QTimer::singleShot(5000, modal, [modal] {
        ADD_FAILURE() << "the modal window stayed open";
        modal->close();
      });
      act(modal);
    }
    poll->stop();
    poll->deleteLater();
  });
  poll->start();
}

// Clicks the button of the modal window that carries `text`.
inline void ClickWhenModal(const QString& text) {
  WhenModal([text](QWidget* modal) {
    for (QAbstractButton* button : modal->findChildren<QAbstractButton*>())
      if (button->text() == text) {
        QTest::mouseClick(button, Qt::LeftButton);
        return;
      }
    ADD_FAILURE() << "no button " << text.toStdString();
    modal->close();
  });
}

// Handles events until `done` answers true; false after `ms`. Unlike qWaitFor it never pauses
// while events wait: a job waits for the window at each of its lines.
inline bool WaitUntil(const std::function<bool()>& done, int ms) {
  QTimer tick;  // wakes the loop when nothing else comes
  tick.start(5);
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

// A panorama with a recognisable pattern, twice as wide as high.
inline Bitmap Panorama(int32_t width) {
  Bitmap image(width, width / 2);
  for (int32_t y = 0; y < image.Height(); ++y)
    for (int32_t x = 0; x < width; ++x)
      image.SetPixel(
          x, y,
          Rgb{static_cast<uint8_t>(x * 255 / width), static_cast<uint8_t>(y * 510 / width),
              static_cast<uint8_t>((x ^ y) & 255)});
  return image;
}

inline std::string WritePanorama(const TempDir& dir, int32_t width,
                                 const std::string& name = "pano.bmp") {
  const std::string path = dir.File(name);
  TSimFiler::SaveImageAs(Panorama(width), path, eiBitmap);
  return path;
}

inline std::string CellText(const TDataStringGrid& grid, const char* name) {
  const TDataStringGridItem* item = grid.Items().FindItem(name);
  return item ? grid.Cells(item->ColIndex(), item->RowIndex()) : "<missing>";
}

// The line "KEY=value" of a settings file's text, or "<none>".
inline std::string IniLine(const std::string& ini, const std::string& key) {
  const size_t at = ini.find("\n" + key + "=");
  if (at == std::string::npos) return "<none>";
  return ini.substr(at + 1, ini.find('\n', at + 1) - at - 1);
}

inline QStringList ItemTexts(const TRadioGroup& group) { return group.Items(); }

// The main window on an INI file of its own, errors recorded, shown like the program
// shows it.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }

  void Open() {
    window = std::make_unique<TForm1>(IniPath());
    window->SetErrorReporter(&errors);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  std::string IniPath() const { return dir.File("talvero.ini"); }

  // Types into an edit box as a user would (after clearing it).
  static void TypeInto(QLineEdit* edit, const std::string& text) {
    edit->clear();
    QTest::keyClicks(edit, QString::fromStdString(text));
  }
  void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
  // Clicks Execute and waits until the job has ended: it runs on a worker thread while the
  // window handles its events.
  void ExecuteAndWait() {
    Click(window->SpeedButton_Execute);
    WaitForJobEnd();
  }
  // Without a pause between the window's events, unlike qWaitFor: the job waits for the window
  // at each of its lines.
  void WaitForJobEnd() {
    if (!window->JobRunning()) return;
    QEventLoop loop;
    QObject::connect(&window->JobRunner(), &TJobRunner::Finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_FALSE(window->JobRunning()) << "the job did not end";
  }

  TempDir dir;
  RecordingErrorReporter errors;
  std::unique_ptr<TForm1> window;
};

}  // namespace talvero::testing
