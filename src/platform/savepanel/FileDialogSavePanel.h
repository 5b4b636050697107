#pragma once

#include "library/SavePanel.h"

// The save panel as the desktop's file dialog: PNG filter, the suggested name in the user's
// pictures folder.
class FileDialogSavePanel : public SavePanel
{
public:
    void chooseSaveLocation(const QString &suggestedFileName,
                            std::function<void(std::optional<QString>)> completion) override;
};
