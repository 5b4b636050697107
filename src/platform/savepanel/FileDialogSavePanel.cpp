#include "FileDialogSavePanel.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

QString FileDialogSavePanel::withPngSuffix(const QString &path)
{
    if (QFileInfo(path).suffix().compare(QStringLiteral("png"), Qt::CaseInsensitive) == 0)
        return path;
    return path + QStringLiteral(".png");
}

void FileDialogSavePanel::chooseSaveLocation(const QString &suggestedFileName,
                                             std::function<void(std::optional<QString>)> completion)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    auto *dialog =
        new QFileDialog(nullptr, QStringLiteral("Save Capture"), folder, QStringLiteral("PNG image (*.png)"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDefaultSuffix(QStringLiteral("png"));
    dialog->selectFile(suggestedFileName);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Answered when the user is done, without a nested event loop.
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, completion](int result) {
        const QStringList files = dialog->selectedFiles();
        if (result != QDialog::Accepted || files.isEmpty() || files.first().isEmpty())
            completion(std::nullopt);
        else
            completion(withPngSuffix(files.first()));
    });
    dialog->open();
}
