#pragma once

#include <QString>
#include <QUuid>

// An entry of the controller's fixed development-progress list.
struct BuildStep
{
    QUuid id;
    QString title;
    QString detail;
    bool isComplete = false;

    bool operator==(const BuildStep &) const = default;
};
