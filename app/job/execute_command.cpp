#include "app/job/execute_command.h"

#include <QAction>
#include <QKeySequence>
#include <QPushButton>

#include "app/window_text.h"

namespace talvero {

namespace {

QString CancelCaption() { return WindowText(QT_TRANSLATE_NOOP("talvero::TForm1", "中止")); }
QString CancelMenuCaption() { return WindowText(QT_TRANSLATE_NOOP("talvero::TForm1", "中止(&A)")); }

}  // namespace

QString ExecuteCaption() { return WindowText(QT_TRANSLATE_NOOP("talvero::TForm1", "出力実行")); }
QString ExecuteMenuCaption() {
  return WindowText(QT_TRANSLATE_NOOP("talvero::TForm1", "出力実行(&E)"));
}

void ShowExecuteCommand(QPushButton& button, QAction& menuItem, bool idle) {
  button.setText(idle ? ExecuteCaption() : CancelCaption());
  menuItem.setText(idle ? ExecuteMenuCaption() : CancelMenuCaption());
  menuItem.setShortcut(idle ? QKeySequence() : QKeySequence(Qt::Key_Escape));
}

}  // namespace talvero
