// Looks shared by the application's windows.
#pragma once

#include <QFont>
#include <vector>

class QWidget;

namespace talvero {

// The desktop's sans-serif font at a pixel size, with a Japanese fallback so that the
// captions render whatever the desktop font covers.
QFont UiFont(int pixelSize);

// Widens a control to what its caption needs in the font it draws with; never narrower
// than designed. Group boxes need room for their title and their items.
void FitCaptionWidth(QWidget* control);

// A row of controls in blocks, left to right (the controls of a block move together). A
// block stays where it was designed unless the block before it, widened for a caption,
// comes closer than `minGap`; then it moves right just as far as needed.
void KeepRowClear(const std::vector<std::vector<QWidget*>>& blocks, int minGap = 6);

// Moves a window so that it is centred on the screen of `reference` (or the primary one).
void CentreOnScreen(QWidget& window, const QWidget* reference);

}  // namespace talvero
