// The overwrite question: "may this existing file be replaced?", with a check box that
// turns the question off. Created, shown and freed by one call of Execute.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QCheckBox;
class QFontMetrics;
class QLabel;
class QPushButton;

namespace talvero {

// Modal results of the dialog.
inline constexpr int kResultYes = 6;
inline constexpr int kResultNo = 7;
inline constexpr int kResultClosed = 2;

// Cuts the first folder from a directory part ending in a separator, leaving "..." and a
// separator in its place: "/home/me/" -> "/.../me/", "/.../me/" -> "/.../", ".../" -> "".
QString DropFirstFolder(QString dir);

using TextWidthFunction = std::function<int(const QString&)>;

// Shortens a file name folder by folder from the front until `textWidth` of it is at most
// `maxWidth`: /home/me/scenes/test.scn -> /.../me/scenes/test.scn -> ... -> .../test.scn ->
// test.scn. The bare name is kept even when it is still too wide.
QString ShortenPath(const QString& fileName, const TextWidthFunction& textWidth, int maxWidth);
QString ShortenPath(const QString& fileName, const QFontMetrics& metrics, int maxWidth);

class TForm3 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm3(QWidget* parent = nullptr);

  // Asks about `fileName`; `dontAskAgain` receives the check box, whatever the answer.
  // Returns kResultYes, kResultNo or kResultClosed.
  static int Execute(const QString& fileName, bool& dontAskAgain, QWidget* parent = nullptr);

  // Closing by the window's close box (or Escape) answers kResultClosed.
  void reject() override;

  QLabel* Image1;
  QLabel* Label1;
  QLabel* Label2;
  QCheckBox* CheckBox1;
  QPushButton* Button1;
  QPushButton* Button2;

 protected:
  // Return and Enter press the focused button only; Y and N answer without Alt too.
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace talvero
