#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>

// One received HTTP request, detached from the socket so it can be recorded and answered later.
struct DevRequest
{
    QByteArray method;
    QString path;
    // The query as it arrived, percent-encoded.
    QString query;
    // Header names in lower case, in arrival order; repeated names are kept as repeated.
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The value of a header (name in lower case); repeated headers are joined with ", ".
    QByteArray header(const QByteArray &lowerCaseName) const;
    // The request as the inspection endpoint shows it.
    QJsonObject toJson() const;
};
