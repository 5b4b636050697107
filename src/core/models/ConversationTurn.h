#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

// One answered exchange of the answer panel's conversation.
struct ConversationTurn
{
    QUuid id;
    QString question;
    QString answer;
    QDateTime generatedAt;
    QString providerName;

    bool operator==(const ConversationTurn &) const = default;
};
