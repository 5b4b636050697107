#pragma once

#include "library/SavePanel.h"

// Answers the save dialog with a scripted path (none = the user cancelled).
class FakeSavePanel : public SavePanel
{
public:
    void chooseSaveLocation(const QString &suggestedFileName,
                            std::function<void(std::optional<QString>)> completion) override
    {
        suggestedNames.append(suggestedFileName);
        completion(chosenPath);
    }

    std::optional<QString> chosenPath;
    QStringList suggestedNames;
};
