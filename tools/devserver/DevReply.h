#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

// One HTTP answer of the development server.
struct DevReply
{
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;

    static DevReply json(int status, const QJsonObject &object);
    // The hosted services' error envelope: {"error": code, "message": text}.
    static DevReply envelope(int status, const QString &error, const QString &message);
    // An OAuth error reply: {"error": code, "error_description": text}.
    static DevReply oauthError(int status, const QString &error, const QString &description);
    static DevReply redirect(const QUrl &location);
    static DevReply html(int status, const QString &page);
    static DevReply noContent();

    // The whole HTTP/1.1 response message.
    QByteArray serialize() const;
};
