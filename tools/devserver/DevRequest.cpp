#include "DevRequest.h"

QByteArray DevRequest::header(const QByteArray &lowerCaseName) const
{
    QByteArrayList values;
    for (const auto &[name, value] : headers) {
        if (name == lowerCaseName)
            values.append(value);
    }
    return values.join(", ");
}

QJsonObject DevRequest::toJson() const
{
    QJsonObject headerObject;
    for (const auto &header : headers) {
        const QString name = QString::fromLatin1(header.first);
        if (!headerObject.contains(name))
            headerObject.insert(name, QString::fromUtf8(this->header(header.first)));
    }
    return {{QStringLiteral("method"), QString::fromLatin1(method)},
            {QStringLiteral("path"), path},
            {QStringLiteral("query"), query},
            {QStringLiteral("headers"), headerObject},
            {QStringLiteral("body"), QString::fromUtf8(body)}};
}
