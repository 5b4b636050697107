#pragma once

#include <QString>

// A quick action's texts as the hosted preset store keeps them.
struct StoredPromptPreset
{
    QString id;
    QString title;
    QString subtitle;
    QString prompt;

    bool operator==(const StoredPromptPreset &) const = default;
};
