#include "app/about/about_box.h"

#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "app/about/about_animation.h"
#include "app/about/about_pictures.h"
#include "app/app_info.h"
#include "app/ui_style.h"

namespace talvero {

TForm2::TForm2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      Image2(DrawAboutStrip()),
      Image3(DrawAboutOverlay()) {
  setWindowTitle(QString::fromLatin1(kProgramCaption));
  setFont(UiFont(12));
  setFixedSize(336, 307);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(17, 16, kAboutViewWidth, kAboutViewHeight);
  Image1->setMouseTracking(true);
  Image1->installEventFilter(this);
  FPicture = QImage(kAboutViewWidth, kAboutViewHeight, QImage::Format_RGB32);

  Label_Version = new QLabel(QStringLiteral("Talvero.exe version 1.00"), this);
  Label_Version->setObjectName(QStringLiteral("Label_Version"));
  QFont versionFont = UiFont(13);
  versionFont.setBold(true);
  Label_Version->setFont(versionFont);
  Label_Version->move(83, 189);

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setFrameShape(QFrame::HLine);
  Bevel1->setFrameShadow(QFrame::Sunken);
  Bevel1->setGeometry(27, 213, 280, 2);

  Label3 = new QLabel(tr("パノラマ写真から背景シーンを作ります"), this);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->move(82, 226);
  Label3->adjustSize();

  Label2 = new QLabel(QString::fromLatin1(kHomePageUrl), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  QFont linkFont = font();
  linkFont.setUnderline(true);
  Label2->setFont(linkFont);
  Label2->setStyleSheet(QStringLiteral("color: #0645ad;"));
  Label2->setCursor(Qt::PointingHandCursor);
  Label2->move(87, 245);
  Label2->adjustSize();
  Label2->installEventFilter(this);

  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(135, 269, 74, 25);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

  Timer1 = new QTimer(this);
  Timer1->setInterval(5000);
  connect(Timer1, &QTimer::timeout, this, [this] {
    Timer2->start();
    FAnimating = true;
  });
  Timer2 = new QTimer(this);
  Timer2->setInterval(30);
  connect(Timer2, &QTimer::timeout, this, &TForm2::Timer2Timer);

  // Until the animation starts the view shows the strip's beginning.
  FViewRect = FPicture.rect();
  FViewWidth = FViewRect.width();
  FViewHeight = FViewRect.height();
  FSpan = Image2.width() - FViewWidth;
  DrawFrame();
  CentreOnScreen(*this, parent);
}

void TForm2::Execute(QWidget* parent) {
  TForm2 box(parent);
  box.Label_Version->setText(QString::fromLatin1(kVersionText));
  box.Label_Version->adjustSize();
  box.exec();
}

void TForm2::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FAnimating = false;
  FOffset = 0;
  FStep = 1;
  FViewWidth = Image1->width();
  FViewHeight = Image1->height();
  FSpan = Image2.width() - Image1->width();
  FViewRect = FPicture.rect();
  Timer1->start();
}

void TForm2::hideEvent(QHideEvent* event) {
  StopTimers();
  QDialog::hideEvent(event);
}

void TForm2::StopTimers() {
  Timer1->stop();
  Timer2->stop();
}

void TForm2::Timer2Timer() {
  FOffset = NextOffset(FOffset, FStep, Image2.width());
  DrawFrame();
}

void TForm2::DrawFrame() {
  QPainter painter(&FPicture);
  for (const TFrameCopy& copy : FrameCopies(FOffset, FViewRect, FSpan))
    painter.drawImage(copy.Dest, Image2, copy.Source);
  painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
  painter.drawImage(FViewRect, Image3);
  painter.end();
  Image1->setPixmap(QPixmap::fromImage(FPicture));
}

void TForm2::Image1MouseMove(int x) {
  if (FAnimating) FStep = StepForPointer(x, FViewWidth, FStep);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Image1 && event->type() == QEvent::MouseMove) {
    Image1MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint().x());
  } else if (watched == Label2 && event->type() == QEvent::MouseButtonRelease &&
             static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    // A shell that cannot open the address is not reported.
    QDesktopServices::openUrl(QUrl(Label2->text()));
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace talvero
