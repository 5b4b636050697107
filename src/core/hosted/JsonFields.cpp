#include "JsonFields.h"

#include "support/OrvantaError.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

namespace {
[[noreturn]] void fail(const QString &what, const QString &detail)
{
    throw LibraryError(QStringLiteral("The %1 could not be read: %2.").arg(what, detail));
}

[[noreturn]] void failMember(const QString &what, const QString &key, const QString &detail)
{
    fail(what, QStringLiteral("\"%1\" %2").arg(key, detail));
}

// Presence without null: the value, or an undefined one for absent and null members.
QJsonValue presentValue(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    return value.isNull() ? QJsonValue(QJsonValue::Undefined) : value;
}
} // namespace

QJsonObject JsonFields::parseObject(const QByteArray &bytes, const QString &what)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        fail(what, error.errorString());
    if (!document.isObject())
        fail(what, QStringLiteral("it is not a JSON object"));
    return document.object();
}

QJsonObject JsonFields::requiredObject(const QJsonObject &object, const QString &key, const QString &what)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        failMember(what, key, QStringLiteral("is missing"));
    if (!value.isObject())
        failMember(what, key, QStringLiteral("is not an object"));
    return value.toObject();
}

QString JsonFields::requiredString(const QJsonObject &object, const QString &key, const QString &what)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        failMember(what, key, QStringLiteral("is missing"));
    if (!value.isString())
        failMember(what, key, QStringLiteral("is not a string"));
    return value.toString();
}

std::optional<QString> JsonFields::optionalString(const QJsonObject &object, const QString &key, const QString &what)
{
    const QJsonValue value = presentValue(object, key);
    if (value.isUndefined())
        return std::nullopt;
    if (!value.isString())
        failMember(what, key, QStringLiteral("is not a string"));
    return value.toString();
}

std::optional<qint64> JsonFields::optionalInteger(const QJsonObject &object, const QString &key, const QString &what)
{
    const std::optional<double> number = optionalNumber(object, key, what);
    if (!number)
        return std::nullopt;
    // Beyond 2^53 a double no longer holds every whole number; such a value is no count of seconds.
    if (std::trunc(*number) != *number || std::fabs(*number) > 9007199254740992.0)
        failMember(what, key, QStringLiteral("is not a whole number"));
    return static_cast<qint64>(*number);
}

std::optional<double> JsonFields::optionalNumber(const QJsonObject &object, const QString &key, const QString &what)
{
    const QJsonValue value = presentValue(object, key);
    if (value.isUndefined())
        return std::nullopt;
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        failMember(what, key, QStringLiteral("is not a number"));
    return value.toDouble();
}
