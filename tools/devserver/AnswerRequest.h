#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>
#include <variant>

// A checked answer request body. Parsing is strict so that a client that sends a wrong key, type
// or combination hears about it here rather than from the hosted service.
struct AnswerRequest
{
    struct Turn
    {
        QString question;
        QString answer;
    };
    struct Image
    {
        QByteArray bytes;
        QString base64;
        std::optional<QString> mimeType;
        std::optional<int> width;
        std::optional<int> height;
    };

    QString userId;
    bool imageMode = false;
    QString ocrText;
    QString question;
    QList<Turn> history;
    std::optional<Image> image;
    std::optional<QJsonObject> routeSummary;

    // The request, or what is wrong with the body (the message of a 400 reply).
    static std::variant<AnswerRequest, QString> parse(const QByteArray &body);
};
