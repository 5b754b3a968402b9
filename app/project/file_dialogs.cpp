#include "app/project/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <algorithm>

#include "app/window_text.h"
#include "formats/scene_format.h"

namespace talvero {

namespace {

// The scene file dialog's filters, FMS first (filter index = format ordinal + 1).
QStringList SceneFilters() {
  return {WindowText(QT_TRANSLATE_NOOP("talvero::TForm1", "FMSシーンファイル(*.scn)")),
          WindowText(QT_TRANSLATE_NOOP("talvero::TForm1", "RCPSimシンファイル(*.xscn)"))};
}
// The panorama dialog's filters. "All files" is "*": "*.*" would hide names without a period.
QStringList ImageFilters() {
  return {WindowText(QT_TRANSLATE_NOOP("talvero::TForm1",
                                       "画像ファイル (*.bmp *.tif *.tiff *.jpg *.jpeg *.png)")),
          WindowText(QT_TRANSLATE_NOOP("talvero::TForm1", "すべてのファイル (*)"))};
}

std::optional<std::string> ChosenFile(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(dialog.selectedFiles().first()).toStdString();
}

}  // namespace

std::optional<std::string> AskPanoramaFile(QWidget* parent, const QString& current) {
  QFileDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("OpenDialog2"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(ImageFilters());
  if (!current.isEmpty()) dialog.selectFile(current);
  return ChosenFile(dialog);
}

std::optional<std::string> AskSceneFile(
    QWidget* parent, const QString& current, TSceneFormat format,
    const std::function<void(int filterIndex)>& onFilterChange) {
  QFileDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("OpenDialog1"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  const QStringList filters = SceneFilters();
  dialog.setNameFilters(filters);
  const int chosen = std::clamp<int>(format, 0, 1);
  dialog.selectNameFilter(filters[chosen]);
  // The default extension without its period.
  const auto suffix = [](int index) {
    const char* extension = DescriptionOf(static_cast<TSceneFormat>(index)).DefaultExtension();
    return QString::fromLatin1(extension + 1);
  };
  dialog.setDefaultSuffix(suffix(chosen));
  if (!current.isEmpty()) dialog.selectFile(current);
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&dialog, &onFilterChange, filters, suffix](const QString& filter) {
                     const int index = static_cast<int>(filters.indexOf(filter));
                     if (index < 0) return;
                     dialog.setDefaultSuffix(suffix(index));
                     onFilterChange(index + 1);
                   });
  return ChosenFile(dialog);
}

}  // namespace talvero
