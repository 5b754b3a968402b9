// The main window's own settings, all in the section "data" of the settings file: the output
// choices, the preview's two check boxes, the scene format, type and naming, the two overwrite
// options and the window's place and size. Read at the first show, written at close; the
// settings file is the manager's.
#pragma once

class QWidget;

namespace talvero {

class TForm1;
class TRegItems;
class TRegManager;

// Declares the fifteen items, each with its key equal to its name, and its default.
void AddMainWindowSettings(TRegItems& items);

// A stored ordinal outside its enumeration (a damaged file) leaves its control as it is; the
// size is bounded by the desktop's available size, then the window is kept on a screen.
void LoadWindowSettings(TForm1& window, TRegManager& reg);
void SaveWindowSettings(const TForm1& window, TRegManager& reg);

// Moves `window` just far enough to lie whole on an available screen: a position stored for
// a monitor since unplugged would open it where nobody sees it.
void KeepOnScreen(QWidget& window);

}  // namespace talvero
