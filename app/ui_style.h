// Looks shared by the application's windows.
#pragma once

#include <QFont>

class QWidget;

namespace talvero {

// The desktop's sans-serif font at a pixel size, with a Japanese fallback so that the
// captions render whatever the desktop font covers.
QFont UiFont(int pixelSize);

// Moves a window so that it is centred on the screen of `reference` (or the primary one).
void CentreOnScreen(QWidget& window, const QWidget* reference);

}  // namespace talvero
