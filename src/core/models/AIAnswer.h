#pragma once

#include <QDateTime>
#include <QString>

// One answer from the hosted answer service.
struct AIAnswer
{
    QString question;
    QString content;
    QDateTime generatedAt;
    QString providerName;

    bool operator==(const AIAnswer &) const = default;
};
