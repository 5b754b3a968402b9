// The Execute button and its Project menu item: the job's start command while idle, its
// cancel command while a job runs ("中止", and Escape on the menu item, which has no shortcut
// when idle so that the grid's editor keeps Escape).
#pragma once

#include <QString>

class QAction;
class QPushButton;

namespace talvero {

QString ExecuteCaption();
QString ExecuteMenuCaption();

// The two as start commands (`idle`) or as the running job's cancel command.
void ShowExecuteCommand(QPushButton& button, QAction& menuItem, bool idle);

}  // namespace talvero
