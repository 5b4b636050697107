#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// Reading replies and stored records member by member. Every failure throws a LibraryError that
// names what could not be read, so a bad reply explains itself.
namespace JsonFields {
// The bytes as one JSON object; `what` names the document in the error ("answer reply").
QJsonObject parseObject(const QByteArray &bytes, const QString &what);
QJsonObject requiredObject(const QJsonObject &object, const QString &key, const QString &what);
QString requiredString(const QJsonObject &object, const QString &key, const QString &what);
// Absent or null gives none; any other non-string is an error.
std::optional<QString> optionalString(const QJsonObject &object, const QString &key, const QString &what);
// A whole number; absent or null gives none.
std::optional<qint64> optionalInteger(const QJsonObject &object, const QString &key, const QString &what);
// A finite number; absent or null gives none.
std::optional<double> optionalNumber(const QJsonObject &object, const QString &key, const QString &what);
} // namespace JsonFields
