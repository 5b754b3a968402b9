// Texts of the main window made outside its own methods (which use tr) take the window's
// translation context, so that one entry of each translation serves both. Mark the text for
// lupdate where it is written: WindowText(QT_TRANSLATE_NOOP("talvero::TForm1", "…")).
#pragma once

#include <QCoreApplication>
#include <QString>

namespace talvero {

inline QString WindowText(const char* text) {
  return QCoreApplication::translate("talvero::TForm1", text);
}

}  // namespace talvero
