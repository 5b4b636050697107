#include "FileDialogSavePanel.h"

#include <QFileDialog>
#include <QStandardPaths>

void FileDialogSavePanel::chooseSaveLocation(const QString &suggestedFileName,
                                             std::function<void(std::optional<QString>)> completion)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString path = QFileDialog::getSaveFileName(nullptr, QStringLiteral("Save Capture"),
                                                      folder + QLatin1Char('/') + suggestedFileName,
                                                      QStringLiteral("PNG image (*.png)"));
    completion(path.isEmpty() ? std::nullopt : std::optional<QString>(path));
}
