// The project tab's two file dialogs. Qt's own, not the desktop's, so that a change of filter
// reaches the window; neither requires the file to exist. Each opens on the current name of
// its field and gives the chosen name with the system's own separators, as a user of it
// types them; nothing when the dialog is cancelled.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "engine/enums.h"

class QWidget;

namespace talvero {

// The panorama: image files (the kinds the engine reads) or all files.
std::optional<std::string> AskPanoramaFile(QWidget* parent, const QString& current);

// The scene file, with the filter of `format` chosen. A filter the user chooses meanwhile
// calls `onFilterChange` with its index, 1 for the first (a format's ordinal + 1).
std::optional<std::string> AskSceneFile(QWidget* parent, const QString& current,
                                        TSceneFormat format,
                                        const std::function<void(int filterIndex)>& onFilterChange);

}  // namespace talvero
