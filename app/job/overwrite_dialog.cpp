#include "app/job/overwrite_dialog.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "app/ui_style.h"

namespace talvero {

namespace {

#ifdef _WIN32
constexpr QChar kSep = u'\\';
#else
constexpr QChar kSep = u'/';
#endif

const QString& CutMark() {
  static const QString mark = QStringLiteral("...") + kSep;
  return mark;
}

}  // namespace

QString DropFirstFolder(QString dir) {
  if (dir == kSep) return QString();
  const bool rooted = dir.startsWith(kSep);
  if (rooted) dir.remove(0, 1);
  // Only the mark of an earlier cut is skipped, so a folder named ".config" stays whole.
  if (dir.startsWith(CutMark())) dir.remove(0, CutMark().size());
  const qsizetype sep = dir.indexOf(kSep);
  dir = sep >= 0 ? CutMark() + dir.mid(sep + 1) : QString();
  if (rooted) dir.prepend(kSep);
  return dir;
}

QString ShortenPath(const QString& fileName, const TextWidthFunction& textWidth, int maxWidth) {
  QString file = fileName;
#ifdef _WIN32
  file.replace(u'/', kSep);
  const qsizetype cut = std::max(file.lastIndexOf(kSep), file.lastIndexOf(u':'));
#else
  const qsizetype cut = file.lastIndexOf(kSep);
#endif
  QString dir = file.left(cut + 1);
  const QString name = file.mid(cut + 1);
  QString drive;
#ifdef _WIN32
  if (dir.size() >= 2 && dir[1] == u':') {
    drive = dir.left(2);
    dir.remove(0, 2);
  }
#endif
  QString result = file;
  const QString rootMark = kSep + CutMark();
  while ((!dir.isEmpty() || !drive.isEmpty()) && textWidth(result) > maxWidth) {
    if (dir == rootMark) {
      drive.clear();
      dir = CutMark();
    } else if (dir.isEmpty()) {
      drive.clear();
    } else {
      dir = DropFirstFolder(dir);
    }
    result = drive + dir + name;
  }
  return result;
}

QString ShortenPath(const QString& fileName, const QFontMetrics& metrics, int maxWidth) {
  return ShortenPath(
      fileName, [&metrics](const QString& text) { return metrics.horizontalAdvance(text); },
      maxWidth);
}

TForm3::TForm3(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setWindowTitle(tr("警告"));
  setFont(UiFont(12));
  setFixedSize(422, 150);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(19, 16, 32, 32);
  Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));

  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  QFont bold = font();
  bold.setBold(true);
  Label1->setFont(bold);
  Label1->move(80, 25);

  Label2 = new QLabel(tr("上書きしますか？"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->move(80, 60);
  Label2->adjustSize();

  CheckBox1 = new QCheckBox(tr("今後このダイアログを表示しない。"), this);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setGeometry(18, 116, 190, 17);

  // Neither button is the default, not even once shown (a dialog otherwise makes an
  // auto-default button of every push button and the first one after the focus the
  // default): Return answers with the focused button only.
  Button1 = new QPushButton(tr("はい(&Y)"), this);
  Button1->setAutoDefault(false);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(232, 111, 75, 25);
  connect(Button1, &QPushButton::clicked, this, [this] { done(kResultYes); });

  Button2 = new QPushButton(tr("いいえ(&N)"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setAutoDefault(false);
  Button2->setGeometry(322, 111, 75, 25);
  connect(Button2, &QPushButton::clicked, this, [this] { done(kResultNo); });

  // The check box's caption is never cut; the buttons move aside as a pair if need be.
  FitCaptionWidth(CheckBox1);
  KeepRowClear({{CheckBox1}, {Button1, Button2}});

  Button1->setFocus();
  CentreOnScreen(*this, parent);
}

void TForm3::reject() { done(kResultClosed); }

void TForm3::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (modifiers == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) button->click();
        event->accept();
        return;
      }
      break;
    // The mnemonics of the buttons: nothing here takes typed letters.
    case Qt::Key_Y:
    case Qt::Key_N:
      if (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier) {
        (event->key() == Qt::Key_Y ? Button1 : Button2)->click();
        event->accept();
        return;
      }
      break;
    default:
      break;
  }
  QDialog::keyPressEvent(event);
}

int TForm3::Execute(const QString& fileName, bool& dontAskAgain, QWidget* parent) {
  TForm3 dialog(parent);
  // Measured with the dialog's regular font although the label is bold.
  dialog.Label1->setText(ShortenPath(fileName, QFontMetrics(dialog.font()), 300));
  dialog.Label1->adjustSize();
  const int result = dialog.exec();
  dontAskAgain = dialog.CheckBox1->isChecked();
  return result;
}

}  // namespace talvero
