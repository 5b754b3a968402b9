// The about box: the version, a line about the program, the home page address and a
// landscape that starts scrolling five seconds after the box opens and follows the
// pointer. Created, shown and freed by one call of Execute.
#pragma once

#include <QDialog>
#include <QImage>
#include <QRect>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace talvero {

class TForm2 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm2(QWidget* parent = nullptr);

  static void Execute(QWidget* parent = nullptr);

  // Animation state, in the order the box keeps it.
  int FOffset = 0;
  int FStep = 1;
  int FViewWidth = 0;
  int FViewHeight = 0;
  int FSpan = 0;
  QRect FViewRect;
  bool FAnimating = false;

  QLabel* Image1;  // the view; its picture is FPicture
  QImage Image2;   // the scrolling strip (never shown itself)
  QImage Image3;   // the overlay ANDed over each frame (never shown itself)
  QLabel* Label_Version;
  QFrame* Bevel1;
  QLabel* Label3;
  QLabel* Label2;  // the home page address; opens it when clicked
  QPushButton* Button1;
  QTimer* Timer1;
  QTimer* Timer2;

  // One animation frame (Timer2).
  void Timer2Timer();
  // The pointer moved to x over the view.
  void Image1MouseMove(int x);
  // The view's current picture.
  const QImage& Picture() const { return FPicture; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void DrawFrame();
  void StopTimers();

  QImage FPicture;
};

}  // namespace talvero
