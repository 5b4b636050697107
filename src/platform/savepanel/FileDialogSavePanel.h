#pragma once

#include "library/SavePanel.h"

// The save panel as the desktop's file dialog: PNG only, the suggested name in the user's
// pictures folder; a name typed without ".png" gets it.
class FileDialogSavePanel : public SavePanel
{
public:
    void chooseSaveLocation(const QString &suggestedFileName,
                            std::function<void(std::optional<QString>)> completion) override;

    static QString withPngSuffix(const QString &path);
};
