// A small note over the top right corner of the image tab's preview area: the chosen
// panorama's size, a busy sign while it is decoded, and a warning for a panorama that is
// not twice as wide as high, saying what the job will do to it. It floats over the area
// rather than taking room from it, so the preview's sizes stay as they are.
#pragma once

#include <QLabel>
#include <QSize>
#include <QString>

namespace talvero {

class TPanoramaInfo : public QLabel {
  Q_OBJECT

 public:
  // `area`: the scroll area it floats over.
  explicit TPanoramaInfo(QWidget* area);

  void ShowLoading();
  // The size of the panorama; a warning when the job will stretch it.
  void ShowSize(QSize size);
  void ShowProblem(const QString& problem);
  void ClearInfo();

  // Empty for a panorama twice as wide as high; otherwise what the job will make of it.
  static QString ShapeWarning(QSize size);
  // The size the job stretches a panorama to (the same as `size` when it is usable).
  static QSize NormalisedSize(QSize size);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowText(const QString& text, bool warning);
  void Place();
};

}  // namespace talvero
